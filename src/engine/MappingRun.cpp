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

void MappingRun::Run() {
  // Refused before anything is made, numbered or moved.
  if (const std::optional<EngineRefusal> refusal = RequestRefusal(ctx_.request)) throw Refused(*refusal);
  ctx_.changes.clear();
  ctx_.tally.undoName.clear();
  ctx_.startedAt = parts_.optionalTimeText ? parts_.optionalTimeText() : "";
  ctx_.startedUtc = parts_.optionalUtcStamp ? parts_.optionalUtcStamp() : "";
  ++ctx_.runNumber;
  ctx_.endedAt.clear();
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
  if (parts_.written.Count() > 0) return true;
  for (const ChangeEntry& e : ctx_.changes)
    if (e.outcome == ChangeOutcome::Changed) return true;
  return false;
}

void MappingRun::RemoveRecords() {
  for (const char* ext : kRecordExtensions) {
    const std::string path = ctx_.recordsFolder + ctx_.tally.undoName + ext;
    if (parts_.records.FileExists(path)) parts_.records.Remove(path);
  }
}

void MappingRun::WriteReport() {
  ctx_.endedAt = parts_.optionalTimeText ? parts_.optionalTimeText() : "";
  if (ctx_.preview || ctx_.tally.undoName.empty()) return;
  // A run that changed nothing (a failed or refused move, no rights, a full
  // disk before the first backup, a repeat run) leaves no entry that has
  // nothing to undo: backups made for changes that were then refused go too.
  if (!ChangedAnything()) {
    RemoveRecords();
    return;
  }
  const std::string path = ctx_.recordsFolder + ctx_.tally.undoName + ".log";
  try {
    parts_.records.ReplaceWhole(path, ChangeReportText(ctx_));
  } catch (const std::exception& e) {
    throw Error("The change report " + path + " could not be written: " + e.what());
  }
}

void MappingRun::Search() {
  // A second run from the same front end is refused before the lock is tried.
  if (ctx_.running) throw Error(kRunInProgressMessage);
  const RunLockScope locked(parts_.optionalLock);
  ctx_.running = true;
  const ScopeExit runEnded{[this] { ctx_.running = false; }};
  ctx_.environmentChanged = false;
  // Also after a cancel or a failure: what was changed stays changed.
  const ScopeExit tellEnvironment{[this] {
    if (ctx_.environmentChanged && !ctx_.preview && parts_.optionalEnvironment)
      parts_.optionalEnvironment->EnvironmentChanged();
  }};
  NumberRun();

  ItemInUseCheck inUse(ctx_, parts_.optionalRunning);
  // Services stopped for the move start again when the run ends, however it
  // ends: from the new place once the walks have pointed them there.
  servicesStartedAgain_.clear();
  const ScopeExit startAgain{[this, &inUse] {
    inUse.StartServicesAgain(ctx_.tally.move == ItemMoveOutcome::Moved ? ctx_.request.ReplaceText : "");
    servicesStartedAgain_ = inUse.Outcome();
  }};
  if (ctx_.request.Mode == RunMode::MoveAndMap && !MoveFirst(inUse)) return;

  // The progress dialog goes away whatever happened.
  Ui* const ui = ctx_.ui;
  if (ui) ui->SetCursor(Cursor::Busy);
  const ScopeExit closeProgress{[ui] {
    if (!ui) return;
    ui->StopProgressTimer();
    ui->SetCursor(Cursor::Normal);
    ui->CloseProgress();
  }};
  ctx_.tally.linkCount = 0;
  if (ui) {
    ui->ShowProgress();
    ui->StartProgressTimer();
  }
  ctx_.tally.cancelled = false;
  parts_.archive.SetArchiveName(ctx_.recordsFolder + ctx_.tally.undoName + ".zip");

  // The registry of users not logged on is loaded for the walks and
  // unloaded when the run ends, however it ends; a hive left loaded is said.
  // The apply of a list goes only to the hives it names.
  std::vector<PassedOver> notLoaded;
  std::optional<std::vector<std::string>> listedHives;
  if (ctx_.selection) listedHives = UserHivesTicked(*ctx_.selection);
  const bool loadHives = ctx_.targets.registry && (!listedHives || !listedHives->empty());
  OfflineHivesLoaded hives(loadHives ? parts_.optionalOfflineHives : nullptr, listedHives ? &*listedHives : nullptr,
                           notLoaded);
  for (PassedOver& p : notLoaded) ctx_.PassOver(std::move(p.where), "not searched: " + p.reason);
  ctx_.offlineHives = hives.Names();
  const ScopeExit unloadHives{[this, &hives] {
    ctx_.offlineHives.clear();
    for (const PassedOver& p : hives.Unload()) ctx_.notes.push_back(p.where + " " + p.reason + ".");
  }};

  switch (ctx_.request.Mode) {
    case RunMode::MoveAndMap: DoMove(); break;
    case RunMode::SwitchDrives: DoSwitch(); break;
    default: DoFindReplace(); break;
  }
}

void MappingRun::NumberRun() {
  const std::optional<UndoName> name = UndoName::OfNumber(parts_.undo.NextUndoNumber());
  if (!name) throw Error(kNoUndoNameMessage);
  ctx_.tally.undoName = name->Text();
  ctx_.written = nullptr;
  if (!ctx_.preview) {
    parts_.written.BeginRun(ctx_.recordsFolder + ctx_.tally.undoName + kWrittenRecordExtension);
    ctx_.written = &parts_.written;
  }
  ctx_.tally.move = ItemMoveOutcome::NotAsked;
  ctx_.passedOver.clear();
  ctx_.notes.clear();
  // What the run before left half done is settled before anything else.
  if (!ctx_.FindsOnly() && name->Number() > 0) {
    const std::string before = UndoName::OfNumber(name->Number() - 1)->Text();
    for (std::string& line :
         SettleInterruptedReplacements(parts_.records, ctx_.recordsFolder + before + kWrittenRecordExtension, before))
      ctx_.notes.push_back(std::move(line));
  }
  oldShort_.clear();
  ctx_.tally.itemInUse = false;
  ctx_.tally.alreadyMoved = false;
}

bool MappingRun::MoveFirst(ItemInUseCheck& inUse) {
  const MappingRequest& r = ctx_.request;
  // The item's short form is the file system's, so it is asked while the
  // item is still there.
  oldShort_ = parts_.shortNames.SearchShortForm(r.FindText);
  if (!Move(inUse)) {
    ctx_.tally.cancelled = true;
    ctx_.tally.move = ctx_.tally.itemInUse || ctx_.tally.alreadyMoved ? ItemMoveOutcome::NothingMoved : ItemMoveOutcome::MayBePartly;
    ctx_.tally.linkCount = 0;
    return false;
  }
  ctx_.tally.move = ItemMoveOutcome::Moved;
  if (parts_.optionalRefreshTrees) parts_.optionalRefreshTrees();
  return true;
}

bool MappingRun::Move(ItemInUseCheck& inUse) {
  const MappingRequest& r = ctx_.request;
  ChangeEntry entry{r.FindText, "", 0, ChangeKind::MovedItem, r.FindText, r.ReplaceText, ChangeOutcome::WouldChange, ""};
  if (ctx_.preview) {
    if (ctx_.ui) ctx_.ui->ReportPreview({"move", "", r.FindText, r.ReplaceText});
    ctx_.changes.push_back(std::move(entry));  // named as before the move
    inUse.NoteForPreview(r.FindText);
    return true;
  }
  // An item no run may move is refused with its rule, before anyone is
  // asked about what runs from it.
  if (const std::optional<EngineRefusal> why = parts_.mover.MoveRefusal(r.FindText)) throw Refused(*why);
  // A running image cannot leave its folder: a move across drives would
  // stop half way. Nothing moves, and nothing changes, while they run.
  if (!inUse.ClearForMove(r.FindText)) {
    ctx_.tally.itemInUse = true;
    ctx_.notes.push_back("Nothing was moved: programs or services run from " + r.FindText + ".");
    return false;
  }
  const bool moved = parts_.mover.MoveDir(r.FindText, r.ReplaceText);
  entry.outcome = moved ? ChangeOutcome::Changed : ChangeOutcome::PassedOver;
  if (!moved) entry.reason = "the move failed";
  ctx_.changes.push_back(std::move(entry));
  return moved;
}

void MappingRun::ReportNotMet(const ChangeSelection& list) {
  if (ctx_.tally.cancelled) return;
  for (ChangeEntry e : list.NotMet()) {
    e.outcome = ChangeOutcome::PassedOver;
    e.reason = kChangedSinceSearch;
    ctx_.Record(std::move(e));
  }
}

void MappingRun::Search(const SearchTexts& texts, Walks walks) {
  if (parts_.optionalCrew && ctx_.FindsOnly() && SearchLaneCount(ctx_, walks.registry, walks.files) > 1) {
    SearchSideBySide(ctx_, *parts_.optionalCrew, texts, walks.registry, walks.files);
  } else {
    if (walks.registry) parts_.registry.FindReplaceProcess(texts);
    if (walks.files) parts_.files.MapFiles(texts);
  }
  // The task service is asked on the run's thread, after the other searches.
  if (walks.tasks && !ctx_.tally.cancelled) parts_.optionalTasks->MapTasks(texts);
}

MappingRun::Walks MappingRun::AllWalks() const {
  return {ctx_.targets.registry, ctx_.targets.HasFileTargets(), ctx_.targets.configFiles && parts_.optionalTasks};
}

void MappingRun::Pass(const SearchTexts& texts, Walks walks) {
  if (ctx_.preview) return Search(texts, walks);
  // A review's list is a search of this run: applied as it stands.
  if (ChangeSelection* const review = ctx_.selection) return Apply(texts, walks, *review);
  ChangeSelection found = SearchOnly(texts, walks);
  Apply(texts, walks, found);
}

ChangeSelection MappingRun::SearchOnly(const SearchTexts& texts, Walks walks) {
  const std::size_t firstEntry = ctx_.changes.size(), firstPassedOver = ctx_.passedOver.size();
  const std::int32_t links = ctx_.tally.linkCount;
  {
    ChangeSelection* const outer = std::exchange(ctx_.selection, nullptr);
    const ScopeExit searched{[this, outer] {
      ctx_.searching = false;
      ctx_.selection = outer;
    }};
    ctx_.searching = true;
    Search(texts, walks);
  }
  // The list moves to the apply, which records each entry as it ends.
  ChangeSelection found;
  for (std::size_t i = firstEntry; i < ctx_.changes.size(); ++i) {
    ChangeEntry& e = ctx_.changes[i];
    const bool ticked = CountsAsLink(e);
    found.Add(std::move(e), ticked);
  }
  ctx_.changes.resize(firstEntry);
  ctx_.passedOver.resize(firstPassedOver);
  ctx_.tally.linkCount = links;
  return found;
}

void MappingRun::Apply(const SearchTexts& texts, Walks walks, ChangeSelection& list) {
  ChangeSelection* const outer = std::exchange(ctx_.selection, &list);
  const ScopeExit applied{[this, outer] { ctx_.selection = outer; }};
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
        ctx_.Record(e);
      } else if (!visited.count(e.where)) {
        ChangeEntry left = e;
        left.outcome = ChangeOutcome::LeftOut;
        ctx_.Record(std::move(left));
      }
    }
    if (places[part].empty()) continue;
    if (part == 0 && walks.registry) {
      ctx_.ShowPhase("Changing the registry");
      parts_.registry.MapKeys(texts, places[part]);
    } else if (part == 1 && walks.files) {
      ctx_.ShowPhase("Changing files");
      parts_.files.MapListedFiles(texts, places[part]);
    } else if (part == 2 && walks.tasks) {
      ctx_.ShowPhase("Changing scheduled tasks");
      parts_.optionalTasks->MapListedTasks(texts, places[part]);
    }
  }
  ReportNotMet(list);
}

void MappingRun::MapOnce(const std::string& oldShort) {
  const MappingRequest& r = ctx_.request;
  // A move's preview comes before the move: the new place's short form is
  // the file system's to give once it is there, and a form built now may
  // not be the one the run writes. The long form is shown instead.
  const bool newShortAfterMove = ctx_.preview && r.Mode == RunMode::MoveAndMap;
  // A new text with no short form of its own (a plain 8.3 name, a place not
  // there yet) is its own short form: an old short reference takes it whole
  // rather than losing its path.
  std::string newShort = newShortAfterMove ? "" : parts_.shortNames.SearchShortForm(r.ReplaceText);
  if (newShort.empty()) newShort = r.ReplaceText;
  SearchTexts texts{r.FindText, r.ReplaceText, oldShort, newShort, RuleFor(r.FindText, r.Substring)};
  texts.newShortAfterMove = newShortAfterMove;
  const std::size_t firstEntry = ctx_.changes.size();
  Pass(texts, AllWalks());
  for (std::size_t i = firstEntry; i < ctx_.changes.size(); ++i)
    if (ctx_.changes[i].reason == kShortFormAfterMove) {
      ctx_.notes.push_back(kShortFormAfterMoveNote);
      break;
    }
  parts_.undo.RebuildList();
}

void MappingRun::DoMove() { MapOnce(oldShort_); }
void MappingRun::DoFindReplace() { MapOnce(parts_.shortNames.SearchShortForm(ctx_.request.FindText)); }

// Every occurrence of either drive becomes the other where it is met, in
// one pass over the registry and the files as any other run.
void MappingRun::DoSwitch() {
  SearchTexts texts{ctx_.request.FindText, ctx_.request.ReplaceText, "", "",
                    RuleFor(ctx_.request.FindText, ctx_.request.Substring)};
  texts.exchange = true;
  Pass(texts, AllWalks());
  parts_.undo.RebuildList();
}
