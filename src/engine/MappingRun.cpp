#include "engine/MappingRun.h"

#include <optional>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "core/Error.h"
#include "core/ScopeExit.h"
#include "core/FileSystem.h"
#include "engine/ChangeReport.h"
#include "engine/InterruptedReplacements.h"
#include "engine/OfflineHives.h"
#include "engine/SideBySideSearch.h"
#include "engine/UndoName.h"
#include "core/Text.h"
#include "core/Ui.h"

namespace {
// The hives under HKEY_USERS whose places a list ticks, once each.
std::vector<std::string> UserHivesTicked(const ChangeSelection& list) {
  std::vector<std::string> hives;
  const std::vector<ChangeEntry>& listed = list.Listed();
  for (std::size_t i = 0; i < listed.size(); ++i)
    if (list.Ticked(i) && IsRegistryPlace(listed[i])) AddUserHiveOf(listed[i].where, hives);
  return hives;
}
}  // namespace

void MappingRun::Run(ChangeSelection* reviewed) {
  preview_ = false;
  reviewed_ = reviewed;
  Start();
}

void MappingRun::Preview() {
  preview_ = true;
  reviewed_ = nullptr;
  Start();
}

void MappingRun::Start() {
  // The request was checked when the settings were made: nothing is made,
  // numbered or moved for one that must not run.
  findings_.changes.clear();
  findings_.tally.undoName.clear();
  findings_.preview = preview_;
  findings_.startedAt = parts_.optionalTimeText ? parts_.optionalTimeText() : "";
  findings_.startedUtc = parts_.optionalUtcStamp ? parts_.optionalUtcStamp() : "";
  runNumber_ = NextRunNumber();
  findings_.endedAt.clear();
  try {
    Search();
  } catch (...) {
    // The report of a failed run still tells what was changed before it failed.
    try {
      WriteReport();
    } catch (const std::exception&) {
    }
    // Whether the services stopped for its move run again is told with the failure.
    if (!servicesStartedAgain_.empty()) {
      std::string said;
      for (const std::string& line : servicesStartedAgain_) said += "\n" + line;
      try {
        throw;
      } catch (const std::exception& e) {
        throw Error(e.what() + said);
      }
    }
    throw;
  }
  WriteReport();
}

bool MappingRun::ChangedAnything() const {
  if (parts_.written.Count() > 0 || findings_.tally.linkCount > 0) return true;
  for (const ChangeEntry& e : findings_.changes)
    if (e.outcome == ChangeOutcome::Changed) return true;
  return false;
}

void MappingRun::RemoveRecords() {
  for (const char* ext : kRecordExtensions) {
    const std::string path = settings_.recordsFolder + findings_.tally.undoName + ext;
    if (parts_.records.FileExists(path)) parts_.records.Remove(path);
  }
}

void MappingRun::WriteReport() {
  findings_.endedAt = parts_.optionalTimeText ? parts_.optionalTimeText() : "";
  // A run that leaves no entry has no name: the next run takes its number,
  // and no page may name it or offer its report.
  if (preview_) {
    findings_.tally.undoName.clear();
    return;
  }
  if (findings_.tally.undoName.empty()) return;
  // A run that changed nothing (a failed or refused move, no rights, a full
  // disk before the first backup, a repeat run, a cancel before the first
  // change) leaves no entry that has nothing to undo: backups made for
  // changes that were then refused go too.
  if (!ChangedAnything()) {
    RemoveRecords();
    findings_.tally.undoName.clear();
    return;
  }
  const std::string path = settings_.recordsFolder + findings_.tally.undoName + ".log";
  try {
    parts_.records.ReplaceWholeStreamed(path, [this](const BytesSink& put) { WriteChangeReport(settings_, findings_, put); });
  } catch (const std::exception& e) {
    throw Error("The change report " + path + " could not be written: " + e.what());
  }
}

void MappingRun::Search() {
  // A second run from the same front end is refused before the lock is tried.
  if (busy_ && *busy_) throw Error(kRunInProgressMessage);
  const RunLockScope locked(parts_.optionalLock);
  if (busy_) *busy_ = true;
  const ScopeExit runEnded{[this] {
    if (busy_) *busy_ = false;
  }};
  findings_.environmentChanged = false;
  // Also after a cancel or a failure: what was changed stays changed.
  const ScopeExit tellEnvironment{[this] {
    if (findings_.environmentChanged && !preview_ && parts_.optionalEnvironment)
      parts_.optionalEnvironment->EnvironmentChanged();
  }};
  NumberRun();

  ItemInUseCheck inUse(settings_, findings_, ui_, parts_.optionalRunning);
  // Services stopped for the move start again when the run ends, however it
  // ends: from the new place once the walks have pointed them there.
  servicesStartedAgain_.clear();
  const ScopeExit startAgain{[this, &inUse] {
    inUse.StartServicesAgain(findings_.tally.move == ItemMoveOutcome::Moved ? settings_.request.ReplaceText : "");
    servicesStartedAgain_ = inUse.Outcome();
  }};
  if (settings_.request.Mode == RunMode::MoveAndMap && !MoveFirst(inUse)) return;

  // The progress dialog goes away whatever happened.
  Ui* const ui = ui_;
  if (ui) ui->SetCursor(Cursor::Busy);
  const ScopeExit closeProgress{[ui] {
    if (!ui) return;
    ui->StopProgressTimer();
    ui->SetCursor(Cursor::Normal);
    ui->CloseProgress();
  }};
  findings_.tally.linkCount = 0;
  if (ui) {
    ui->ShowProgress();
    ui->StartProgressTimer();
  }
  findings_.tally.cancelled = false;
  parts_.archive.SetArchiveName(settings_.recordsFolder + findings_.tally.undoName + ".zip");

  // The registry of users not logged on is loaded for the walks and
  // unloaded when the run ends, however it ends; a hive left loaded is said.
  // The apply of a list goes only to the hives it names.
  std::vector<PassedOver> notLoaded;
  std::optional<std::vector<std::string>> listedHives;
  if (reviewed_) listedHives = UserHivesTicked(*reviewed_);
  const bool loadHives = settings_.targets.registry && (!listedHives || !listedHives->empty());
  OfflineHivesLoaded hives(loadHives ? parts_.optionalOfflineHives : nullptr, listedHives ? &*listedHives : nullptr,
                           notLoaded);
  for (PassedOver& p : notLoaded) findings_.PassOver(std::move(p.where), "not searched: " + p.reason);
  findings_.offlineHives = hives.Names();
  const ScopeExit unloadHives{[this, &hives] {
    findings_.offlineHives.clear();
    for (const PassedOver& p : hives.Unload()) findings_.notes.push_back(p.where + " " + p.reason + ".");
  }};

  switch (settings_.request.Mode) {
    case RunMode::MoveAndMap: DoMove(); break;
    case RunMode::SwitchDrives: DoSwitch(); break;
    default: DoFindReplace(); break;
  }
}

void MappingRun::NumberRun() {
  const std::optional<UndoName> name = UndoName::OfNumber(parts_.undo.NextUndoNumber());
  if (!name) throw Error(kNoUndoNameMessage);
  findings_.tally.undoName = name->Text();
  written_ = nullptr;
  if (!preview_) {
    parts_.written.BeginRun(settings_.recordsFolder + findings_.tally.undoName + kWrittenRecordExtension);
    written_ = &parts_.written;
  }
  findings_.tally.move = ItemMoveOutcome::NotAsked;
  findings_.passedOver.clear();
  findings_.notes.clear();
  findings_.searchNotes.clear();
  if (reviewed_) findings_.searchNotes = reviewed_->SearchNotes();
  // What the run before left half done is settled before anything else.
  if (!preview_ && name->Number() > 0) {
    const std::string before = UndoName::OfNumber(name->Number() - 1)->Text();
    for (std::string& line :
         SettleInterruptedReplacements(parts_.records, settings_.recordsFolder + before + kWrittenRecordExtension, before))
      findings_.notes.push_back(std::move(line));
  }
  oldShort_.clear();
  findings_.tally.itemInUse = false;
  findings_.tally.alreadyMoved = false;
}

bool MappingRun::MoveFirst(ItemInUseCheck& inUse) {
  const MappingRequest& r = settings_.request;
  // The item's short form is the file system's, so it is asked while the
  // item is still there.
  oldShort_ = parts_.shortNames.SearchShortForm(r.FindText);
  if (!Move(inUse)) {
    findings_.tally.cancelled = true;
    findings_.tally.move = findings_.tally.itemInUse || findings_.tally.alreadyMoved ? ItemMoveOutcome::NothingMoved : ItemMoveOutcome::MayBePartly;
    findings_.tally.linkCount = 0;
    return false;
  }
  findings_.tally.move = ItemMoveOutcome::Moved;
  if (parts_.optionalRefreshTrees) parts_.optionalRefreshTrees();
  return true;
}

bool MappingRun::Move(ItemInUseCheck& inUse) {
  const MappingRequest& r = settings_.request;
  ChangeEntry entry{r.FindText, "", 0, ChangeKind::MovedItem, r.FindText, r.ReplaceText, ChangeOutcome::WouldChange, ""};
  if (preview_) {
    if (ui_) ui_->ReportPreview({"move", "", r.FindText, r.ReplaceText});
    findings_.changes.push_back(std::move(entry));  // named as before the move
    inUse.NoteForPreview(r.FindText);
    return true;
  }
  // An item no run may move is refused with its rule, before anyone is
  // asked about what runs from it.
  if (const std::optional<EngineRefusal> why = parts_.mover.MoveRefusal(r.FindText)) throw Refused(*why);
  // A running image cannot leave its folder: a move across drives would
  // stop half way. Nothing moves, and nothing changes, while they run.
  if (!inUse.ClearForMove(r.FindText)) {
    findings_.tally.itemInUse = true;
    findings_.notes.push_back("Nothing was moved: programs or services run from " + r.FindText + ".");
    return false;
  }
  RunPass move = PassOf(PassKind::Apply);
  const bool moved = parts_.mover.MoveDir(move, r.FindText, r.ReplaceText);
  entry.outcome = moved ? ChangeOutcome::Changed : ChangeOutcome::PassedOver;
  if (!moved) entry.reason = "the move failed";
  findings_.changes.push_back(std::move(entry));
  return moved;
}

void MappingRun::ReportNotMet(RunPass& run, const ChangeSelection& list) {
  if (findings_.tally.cancelled) return;
  for (ChangeEntry e : list.NotMet()) {
    e.outcome = ChangeOutcome::PassedOver;
    e.reason = kChangedSinceSearch;
    run.Record(std::move(e));
  }
}

void MappingRun::Search(RunPass& run, const SearchTexts& texts, Walks walks) {
  if (parts_.optionalCrew && run.pass.FindsOnly() && SearchesSideBySide(settings_, walks.registry, walks.files)) {
    SearchSideBySide(run, *parts_.optionalCrew, texts, walks.registry, walks.files);
  } else {
    if (walks.registry) parts_.registry.FindReplaceProcess(run, texts);
    if (walks.files) parts_.files.MapFiles(run, texts);
  }
  // The task service is asked on the run's thread, after the other searches.
  if (walks.tasks && !findings_.tally.cancelled) parts_.optionalTasks->MapTasks(run, texts);
}

MappingRun::Walks MappingRun::AllWalks() const {
  const Targets& t = settings_.targets;
  return {t.registry, t.HasFileTargets(), t.configFiles && parts_.optionalTasks};
}

RunPass MappingRun::PassOf(PassKind kind, ChangeSelection* selection) {
  const bool applies = kind == PassKind::Apply;
  return RunPass{settings_, {kind, runNumber_, applies ? selection : nullptr, applies ? written_ : nullptr}, findings_,
                 ui_, &asking_};
}

void MappingRun::Pass(const SearchTexts& texts, Walks walks) {
  if (preview_) {
    RunPass preview = PassOf(PassKind::Preview);
    return Search(preview, texts, walks);
  }
  // A review's list is a search of this run: applied as it stands.
  if (reviewed_) return Apply(texts, walks, *reviewed_);
  ChangeSelection found = SearchOnly(texts, walks);
  Apply(texts, walks, found);
}

ChangeSelection MappingRun::SearchOnly(const SearchTexts& texts, Walks walks) {
  const std::size_t firstEntry = findings_.changes.size(), firstPassedOver = findings_.passedOver.size();
  const std::int32_t links = findings_.tally.linkCount;
  RunPass search = PassOf(PassKind::Search);
  findings_.searching = true;
  {
    const ScopeExit searched{[this] { findings_.searching = false; }};
    Search(search, texts, walks);
  }
  // The list moves to the apply, which records each entry as it ends.
  ChangeSelection found;
  for (std::size_t i = firstEntry; i < findings_.changes.size(); ++i) {
    ChangeEntry& e = findings_.changes[i];
    const bool ticked = CountsAsLink(e);
    found.Add(std::move(e), ticked);
  }
  findings_.changes.resize(firstEntry);
  findings_.passedOver.resize(firstPassedOver);
  findings_.tally.linkCount = links;
  return found;
}

void MappingRun::Apply(const SearchTexts& texts, Walks walks, ChangeSelection& list) {
  RunPass apply = PassOf(PassKind::Apply, &list);
  // The progress counts the changes made of those ticked.
  findings_.applyGoal = findings_.tally.linkCount + std::int32_t(list.TickedLinks());
  const ScopeExit applied{[this] { findings_.applyGoal = 0; }};
  // The registry's places, the files' and the tasks', each in the list's
  // order; what the search passed over and what the list leaves out at a
  // place the apply does not go to are recorded as they are.
  const auto partOf = [](const ChangeEntry& e) { return IsRegistryPlace(e) ? 0 : IsTaskPlace(e) ? 2 : 1; };
  std::vector<std::string> places[3];
  std::unordered_set<std::string> visited;
  const std::vector<ChangeEntry>& listed = list.Listed();
  for (std::size_t i = 0; i < listed.size(); ++i)
    if (list.Ticked(i) && visited.insert(listed[i].where).second) places[partOf(listed[i])].push_back(listed[i].where);
  for (int part = 0; part < 3; ++part) {
    for (std::size_t i = 0; i < listed.size(); ++i) {
      const ChangeEntry& e = listed[i];
      if (e.kind == ChangeKind::MovedItem || partOf(e) != part || list.Ticked(i)) continue;
      if (!CountsAsLink(e)) {
        apply.Record(e);
      } else if (!visited.count(e.where)) {
        ChangeEntry left = e;
        left.outcome = ChangeOutcome::LeftOut;
        apply.Record(std::move(left));
      }
    }
    if (places[part].empty()) continue;
    if (part == 0 && walks.registry) {
      apply.ShowPhase("Changing the registry");
      parts_.registry.MapKeys(apply, texts, places[part]);
    } else if (part == 1 && walks.files) {
      apply.ShowPhase("Changing files");
      parts_.files.MapListedFiles(apply, texts, places[part]);
    } else if (part == 2 && walks.tasks) {
      apply.ShowPhase("Changing scheduled tasks");
      parts_.optionalTasks->MapListedTasks(apply, texts, places[part]);
    }
  }
  ReportNotMet(apply, list);
}

void MappingRun::MapOnce(const std::string& oldShort) {
  const MappingRequest& r = settings_.request;
  // A move's preview comes before the move: the new place's short form is
  // the file system's to give once it is there, and a form built now may
  // not be the one the run writes. The long form is shown instead.
  const bool newShortAfterMove = preview_ && r.Mode == RunMode::MoveAndMap;
  // A new text with no short form of its own (a plain 8.3 name, a place not
  // there yet) is its own short form: an old short reference takes it whole
  // rather than losing its path.
  std::string newShort = newShortAfterMove ? "" : parts_.shortNames.SearchShortForm(r.ReplaceText);
  if (newShort.empty()) newShort = r.ReplaceText;
  SearchTexts texts{r.FindText, r.ReplaceText, oldShort, newShort, RuleFor(r.FindText, r.Substring)};
  texts.newShortAfterMove = newShortAfterMove;
  const std::size_t firstEntry = findings_.changes.size();
  Pass(texts, AllWalks());
  for (std::size_t i = firstEntry; i < findings_.changes.size(); ++i)
    if (findings_.changes[i].reason == kShortFormAfterMove) {
      findings_.notes.push_back(kShortFormAfterMoveNote);
      break;
    }
  parts_.undo.RebuildList();
}

void MappingRun::DoMove() { MapOnce(oldShort_); }
void MappingRun::DoFindReplace() { MapOnce(parts_.shortNames.SearchShortForm(settings_.request.FindText)); }

// Every occurrence of either drive becomes the other where it is met, in
// one pass over the registry and the files as any other run.
void MappingRun::DoSwitch() {
  SearchTexts texts{settings_.request.FindText, settings_.request.ReplaceText, "", "",
                    RuleFor(settings_.request.FindText, settings_.request.Substring)};
  texts.exchange = true;
  Pass(texts, AllWalks());
  parts_.undo.RebuildList();
}
