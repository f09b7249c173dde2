#include "CliSummary.h"

#include "OstrivaneVersion.h"
#include "engine/ChangeReport.h"

namespace {
class JsonObject {
 public:
  JsonObject& Text(const char* name, const std::string& value) {
    Name(name);
    JsonString(out_, value);
    return *this;
  }
  JsonObject& Number(const char* name, long long value) {
    Name(name);
    out_ += std::to_string(value);
    return *this;
  }
  JsonObject& Flag(const char* name, bool value) {
    Name(name);
    out_ += value ? "true" : "false";
    return *this;
  }
  JsonObject& Texts(const char* name, const std::vector<std::string>& values) {
    Name(name);
    out_ += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i) out_ += ',';
      JsonString(out_, values[i]);
    }
    out_ += ']';
    return *this;
  }
  std::string Summary() const { return "{\"summary\":{" + out_ + "}}"; }

 private:
  void Name(const char* name) {
    if (!out_.empty()) out_ += ',';
    JsonString(out_, name);
    out_ += ':';
  }
  std::string out_;
};
}  // namespace

std::string RunSummaryJson(const RunChoices& settings, const Findings& findings, int exitStatus) {
  const MappingRequest& r = settings.request;
  std::vector<std::string> drives;
  for (const DriveRow& d : settings.drives)
    if (d.selected) drives.push_back(d.root);
  int skipped = 0, leftOut = 0;
  bool moved = false, changed = false;
  for (const ChangeEntry& e : findings.changes) {
    changed |= e.outcome == ChangeOutcome::Changed;
    skipped += e.outcome == ChangeOutcome::Skipped;
    leftOut += e.outcome == ChangeOutcome::LeftOut;
    moved |= e.kind == ChangeKind::MovedItem && e.outcome == ChangeOutcome::Changed;
  }
  JsonObject o;
  o.Text("command", findings.preview ? "preview" : "run")
      .Text("mode", ModeName(r.Mode))
      .Text("find", r.FindText)
      .Text("replace", r.ReplaceText)
      .Text("targets", TargetsText(settings.targets))
      .Texts("drives", drives)
      .Text("undoEntry", changed ? findings.tally.undoName : "")  // a run that changed nothing leaves no entry
      .Number(findings.preview ? "linksThatWouldChange" : "linksChanged", findings.tally.linkCount)
      .Number(findings.preview ? "changesThatWouldBeMade" : "changesMade", findings.ChangeCount())
      .Number("placesPassedOver", static_cast<long long>(findings.passedOver.size()))
      .Number("placesSkipped", skipped)
      .Number("placesLeftOut", leftOut)
      .Flag("moved", moved)
      .Flag("cancelled", findings.tally.cancelled)
      .Number("exitStatus", exitStatus)
      .Text("version", OSTRIVANE_VERSION);
  return o.Summary();
}

std::string UndoSummaryJson(const UndoName& name, const UndoOutcome& c, int exitStatus) {
  JsonObject o;
  o.Text("command", "undo run")
      .Text("undoEntry", name.Text())
      .Number("filesRestored", c.files)
      .Number("valuesRestored", c.values)
      .Number("keysRestored", c.keys)
      .Number("tasksRestored", c.tasks)
      .Flag("movedBack", c.movedBack)
      .Flag("heldBack", c.result == UndoResult::HeldBack)
      .Number("alreadyAsBefore", c.already)
      .Texts("left", c.Left())
      .Number("exitStatus", exitStatus)
      .Text("version", OSTRIVANE_VERSION);
  return o.Summary();
}
