#pragma once
// Recording fakes for the main window's page model: the run's parts, the
// undo list, the drives, the folder picker, the help viewers and the shell.
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/MappingRun.h"
#include "engine/UndoPorts.h"
#include "undo/UndoTexts.h"
#include "support/FakeOccurrences.h"
#include "window/WindowPorts.h"
#include "core/Drives.h"
#include "core/Error.h"
#include "window/MoveSelection.h"

// The run's parts: records each call and adds the links a script gives.
struct RecordingRunParts : ItemMover, BackupArchive, RegistryMapper, FileMapper, ShortNames {
  std::vector<std::string> calls;
  bool moveSucceeds = true;
  int linksPerWalk = 0;                 // added by every walk call
  std::function<void()> duringWalk;     // e.g. press buttons while a run is on
  RunPass* run = nullptr;               // the pass of the walk under way, for duringWalk
  bool failWalk = false;                // a walk throws Error("disk full")

  bool MoveDir(RunPass&, const std::string& s, const std::string& d) override {
    calls.push_back("move " + s + ">" + d);
    return moveSucceeds;
  }
  void SetArchiveName(const std::string& p) override { calls.push_back("archive " + p); }
  void FindReplaceProcess(RunPass& run, const SearchTexts& t) override {
    Walk(run, "reg " + t.oldText + ">" + t.newText, true);
  }
  void MapFiles(RunPass& run, const SearchTexts& t) override { Walk(run, "ini " + t.oldText + ">" + t.newText, false); }
  void MapKeys(RunPass& run, const SearchTexts& t, const std::vector<std::string>& keys) override {
    Apply(run, "reg " + t.oldText + ">" + t.newText, true, keys);
  }
  void MapListedFiles(RunPass& run, const SearchTexts& t, const std::vector<std::string>& paths) override {
    Apply(run, "ini " + t.oldText + ">" + t.newText, false, paths);
  }
  std::vector<std::string> places;  // those of the apply under way; empty in a walk
  std::string ShortFileName(const std::string& p) override { return p; }

 private:
  void Walk(RunPass& run, const std::string& call, bool registry);
  void Apply(RunPass& run, const std::string& call, bool registry, const std::vector<std::string>& at) {
    calls.push_back("apply " + call);
    const PassHold hold(this->run, run);
    places = at;
    if (duringWalk) duringWalk();
    // The walk's occurrences, one per link, met again by the apply.
    RecordFakeOccurrences(run, call, registry, linksPerWalk);
    places.clear();
  }
};

inline void RecordingRunParts::Walk(RunPass& run, const std::string& call, bool registry) {
  calls.push_back(call);
  const PassHold hold(this->run, run);
  if (duringWalk) duringWalk();
  if (failWalk) throw Error("disk full");
  RecordFakeOccurrences(run, call, registry, linksPerWalk);
}

// One entry of the undo list as a test writes it.
inline UndoListEntry Listed(int number, std::string date, std::optional<RunMode> mode = std::nullopt,
                            std::string find = "", std::string replace = "") {
  UndoListEntry entry(*UndoName::OfNumber(number), std::move(date));
  entry.mode = mode;
  entry.find = std::move(find);
  entry.replace = std::move(replace);
  return entry;
}

// An undo store over a list of entries.
struct FakeUndoList : UndoList, UndoExecutor {
  std::vector<UndoListEntry> entries;
  std::vector<std::string> calls;
  int age = -2;
  int nextNumber = 0;
  std::function<void()> duringUndo;  // what the user does while an undo pumps messages

  int NextUndoNumber() override {
    calls.push_back("next");
    return nextNumber;
  }
  std::function<void()> onRebuild;  // what the store reads when its list is rebuilt
  void RebuildList() override {
    calls.push_back("refresh");
    if (onRebuild) onRebuild();
  }
  std::vector<UndoListEntry> Entries() override { return entries; }
  void SetAgeIndex(int index) override { age = index; }
  std::map<int, std::vector<UndoName>> agedOut;  // what each age limit would delete
  std::vector<UndoName> EntriesAgedOut(int index) override { return agedOut[index]; }
  std::map<std::string, std::string> folders;  // entries whose records are in another folder
  std::string FolderOf(const UndoName& name) const override {
    const auto it = folders.find(name.Text());
    return it == folders.end() ? "" : it->second;
  }
  void DeleteEntry(const UndoName& name) override {
    calls.push_back("delete " + name.Text());
    std::erase_if(entries, [&](const UndoListEntry& e) { return e.name == name; });
  }
  UndoOutcome UndoEntry(const UndoName& name, bool force, UndoProgress* progress) override {
    calls.push_back((force ? "undo --force " : "undo ") + name.Text());
    if (progress) progress->Begin(UndoStep::RestoreFiles);
    if (duringUndo) duringUndo();
    if (force) changedSince = 0;
    if (force) heldBack = false;
    UndoOutcome outcome;
    outcome.result = heldBack ? UndoResult::HeldBack : changedSince > 0 ? UndoResult::Partly : UndoResult::Completed;
    outcome.changed.assign(std::size_t(changedSince), "C:\\Changed was changed after the run: left as it is.");
    return outcome;
  }
  int changedSince = 0;  // what the next undo leaves as changed after the run
  bool heldBack = false;  // the next undo undoes nothing, unless forced
};

struct FakeDrives : DriveSource {
  std::vector<DriveInfo> drives{{"C:\\", "Local Disk (C:)", true}, {"D:\\", "CD Drive (D:)", false},
                                {"E:\\", "Data (E:)", true}};
  std::vector<DriveInfo> ListDrives() override { return drives; }
};

struct FakePicker : FolderPicker {
  std::deque<std::optional<std::string>> answers;  // nullopt: the user cancels
  std::vector<std::pair<std::string, std::string>> asked;  // title, start
  std::optional<std::string> PickFolder(const std::string& title, const std::string& start) override {
    asked.emplace_back(title, start);
    if (answers.empty()) return std::nullopt;
    auto a = answers.front();
    answers.pop_front();
    return a;
  }
};

// Drive types by drive (C:); 0 (unknown) for any other.
struct FakeDriveTypes : DriveTypeSource {
  std::map<std::string, int> types{{"C:", 3}, {"D:", 5}, {"E:", 3}, {"F:", 2}, {"G:", 4}, {"H:", 6}, {"I:", 1}};
  std::vector<std::string> asked;
  int DriveTypeOf(const std::string& drive) override {
    asked.push_back(drive);
    auto it = types.find(drive);
    return it == types.end() ? 0 : it->second;
  }
};

// Records what the help viewers and the shell were asked to open.
// The window's questions: answered from a script (Yes when it is empty);
// messages are kept with their kind.
struct FakeDialogs : WindowDialogs {
  std::vector<std::pair<std::string, MessageKind>> told;  // text, kind
  std::vector<std::string> asked;
  std::deque<bool> answers;
  // The undo progress shown, its steps and its closing, and the messages told, in turn.
  std::vector<std::string> events;
  void Tell(const std::string& text, const std::string&, MessageKind kind) override {
    told.emplace_back(text, kind);
    events.push_back("told");
  }
  struct Watcher : UndoProgress {
    explicit Watcher(std::vector<std::string>& log) : events(log) { events.push_back("progress shown"); }
    ~Watcher() override { events.push_back("progress closed"); }
    void Begin(UndoStep step, const std::string&) override { events.push_back(UndoStepText(step, "")); }
    void Done(std::size_t, std::size_t, const std::string&) override {}
    std::vector<std::string>& events;
  };
  std::unique_ptr<UndoProgress> ShowUndoProgress() override { return std::make_unique<Watcher>(events); }
  bool Confirm(const std::string& text, const std::string&) override {
    asked.push_back(text);
    if (answers.empty()) return true;
    const bool a = answers.front();
    answers.pop_front();
    return a;
  }
};

struct FakeHelp : HelpViewer, ShellOpener {
  std::vector<std::string> calls;
  bool htmlHelpWorks = true;
  long shellResult = 42;
  bool HtmlHelpTopic(const std::string& chm, const std::string& topic) override {
    calls.push_back("html " + chm + " " + topic);
    return htmlHelpWorks;
  }
  long OpenWithShell(const std::string& target) override {
    calls.push_back("open " + target);
    return shellResult;
  }
  long notepadResult = 42;
  long OpenInNotepad(const std::string& file) override {
    calls.push_back("notepad " + file);
    return notepadResult;
  }
};
