#include "undo/UndoExecution.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "engine/ChangeReport.h"
#include "engine/OfflineHives.h"
#include "engine/RegistryWriteIndex.h"
#include "engine/RunLock.h"
#include "engine/TaskBackup.h"
#include "engine/WrittenRecord.h"
#include "core/Error.h"
#include "core/Ini.h"
#include "core/Unicode.h"
#include "core/Text.h"
#include "regmap/RegImport.h"
#include "regmap/RegRestore.h"
#include "undo/RecordDamage.h"
#include "undo/ReplaceLeftovers.h"

namespace {
// The hives under HKEY_USERS that a registry backup names, once each.
std::vector<std::string> UserHivesNamed(const ParsedRegFile& parsed) {
  std::vector<std::string> names;
  for (const RegOp& op : parsed.ops) AddUserHiveOf(op.KeyName(), names);
  return names;
}

// Whether a full key name lies in one of those hives.
bool InHives(const std::string& key, const std::vector<PassedOver>& hives) {
  for (const PassedOver& hive : hives)
    if (IsWithin(key, hive.where)) return true;
  return false;
}

// A place the run's change report names and its damaged written record does not.
std::string UnrecordedText(const std::string& place) {
  return place + " was not restored: the written record does not name it, so whether it changed after the run "
                 "cannot be told.";
}
}  // namespace

struct UndoExecution::Undo {
  explicit Undo(const UndoName& entry) : name(entry) {}
  UndoName name;
  std::string base;
  bool force = false;
  std::optional<WrittenPlaces> written;  // none: records of an earlier build
  RecordDamage damage;                   // the written record cut, damaged or lost since the run
  std::string from, to, created, phase;
  bool moveBack = false, interrupted = false, itemThere = false, alreadyHome = false, missing = false;
  std::string home;
  UndoOutcome out;  // what the undo did so far; its result is settled at the end
  std::optional<ReplaceLeftovers> temps;
  std::vector<std::pair<std::string, std::string>> leftovers;  // a file, and a copy a stopped replacement left beside it
  struct Later {
    std::optional<WrittenPlaces> written;
    std::optional<RegistryWriteIndex> registry;  // of `written`, asked for each place named
    std::string movedFrom;  // the item its move record names, "" for none
  };
  std::map<UndoName, Later> later;  // later entries' records, read once
  std::optional<ReadReport> reportHead;  // the change report's head rows, read once (CheckRecord)
  bool swapRead = false;
  std::optional<PlaceSwap> swap;  // the run's replacement, read once (SwapOf)
  UndoProgress* progress = nullptr;
};

UndoOutcome UndoExecution::UndoEntry(const UndoName& name, bool force, UndoProgress* progress) {
  // Nothing else changes the records or the places they name meanwhile.
  RunLockScope locked(&rails_.lock);
  Undo u(name);
  u.base = store_.FolderOf(name) + name.Text();
  u.force = force;
  u.progress = progress;
  ReadWritten(u);
  CheckRecord(u);
  ReadMoveRecord(u);
  if (!MayMoveBack(u)) return std::move(u.out);
  RestoreFiles(u);
  MoveBack(u);
  RestoreRegistry(u);
  RestoreTasks(u);
  AppendToReport(u);
  SettleResult(u);
  return std::move(u.out);
}

PlaceDone UndoExecution::Begin(Undo& u, UndoStep step, const std::string& item) {
  if (!u.progress) return {};
  u.progress->Begin(step, item);
  return u.progress->Counter();
}

void UndoExecution::ReadWritten(Undo& u) {
  const std::string record = u.base + kWrittenRecordExtension;
  if (!fs_.FileExists(record)) return;
  try {
    u.written = ReadWrittenRecord(fs_.ReadWhole(record));
  } catch (const Error& e) {
    // Without it nothing tells the run's writes from later ones: nothing is restored.
    throw Error("The written record " + record + " cannot be read: " + std::string(e.what()) + "  Nothing was undone.");
  }
}

bool UndoExecution::MayMoveBack(Undo& u) {
  // A running image cannot leave its folder: the move back would stop half
  // way, after the files inside were written back. Nothing is undone then.
  // An item the rails keep in place is named by the move back itself.
  const bool movesBack = (u.itemThere || u.interrupted) && !rails_.places.MoveRefusal(u.to);
  if (movesBack) {
    const ItemInUse inUse = FindItemInUse(rails_.running, u.to);
    if (inUse.Holds())
      throw Error(ItemInUseText(inUse) + "\nNothing was undone.  Close the programs and stop the services, then undo " +
                  u.name.Text() + " again.");
  }
  if (!MoveBackWouldStrand(u)) return true;
  // Nothing is undone: only the places in the way are said.
  UndoOutcome held;
  held.result = UndoResult::HeldBack;
  held.movedItem = u.to;
  held.home = u.home;
  held.changed = std::move(u.out.changed);
  u.out = std::move(held);
  return false;
}

void UndoExecution::AppendToReport(Undo& u) {
  std::vector<std::string> notRestored = u.out.changed;
  notRestored.insert(notRestored.end(), u.out.problems.begin(), u.out.problems.end());
  try {
    store_.AppendUndoSection(u.name, u.out.undone, notRestored);
  } catch (const std::exception& e) {
    u.out.problems.push_back("The change report " + u.base + ".log could not be added to: " + e.what());
  }
}

void UndoExecution::SettleResult(Undo& u) const {
  UndoOutcome& o = u.out;
  o.unchecked = !u.written;
  const bool didNothing = o.files == 0 && o.values + o.keys == 0 && o.tasks == 0 && !o.movedBack;
  o.result = !o.changed.empty() || !o.problems.empty() ? UndoResult::Partly
             : didNothing && o.already > 0            ? UndoResult::AllAsBefore
                                                      : UndoResult::Completed;
}

void UndoExecution::CheckRecord(Undo& u) {
  std::optional<ReadReport> report;
  const std::string path = u.base + ".log";
  try {
    if (fs_.FileExists(path)) report = ReadChangeReport(fs_.ReadWhole(path));
  } catch (const std::exception&) {
  }
  u.damage = CheckWrittenRecord(u.written, report);
  // A large run's list is not kept, nor read again: its head rows say the rest.
  if (report) {
    report->entries = {};
    u.reportHead = std::move(report);
  }
  if (!u.damage.Damaged()) return;
  // Weighed as a record of this version that names too little: a place it
  // does not name is restored only where that is safe.
  if (!u.written) u.written.emplace();
  // Said as a note when forced: the undo then gives back every place, and is complete.
  (u.force ? u.out.notes : u.out.problems)
      .push_back("The written record " + u.base + kWrittenRecordExtension + " " + u.damage.why +
                 ": the places it does not name were restored only where they were found as before the run; " +
                 (u.force ? "this forced undo restored them all." : "a forced undo restores the rest."));
}

void UndoExecution::ReadMoveRecord(Undo& u) {
  // Where the run put the item ("To"), where it was ("From") and the
  // highest folder the move made for it.
  const std::string record = u.base + ".bat";
  if (fs_.FileExists(record)) {
    try {
      // Records of earlier builds hold their paths in the ANSI code page.
      std::string text = fs_.ReadWhole(record);
      if (!IsValidUtf8(text)) text = ansi_.ToUtf8(text);
      const IniText ini(text);
      u.to = ini.ReadString(kMoveSection, kMoveTo, "");
      u.from = ini.ReadString(kMoveSection, kMoveFrom, "");
      u.created = ini.ReadString(kMoveSection, kMoveCreated, "");
      u.phase = ini.ReadString(kMoveSection, kMovePhase, "");
    } catch (const Error& e) {
      u.out.problems.push_back("The move record " + record + " cannot be read: " + e.what());
    }
  }
  u.out.movedItem = u.to;
  u.out.movedBackTo = u.from;
  u.moveBack = !u.from.empty() && !u.to.empty();
  u.home = u.moveBack ? ArrivalOf(u.to, u.from) : "";
  // Stopped part way with the item still at home: what arrived is settled
  // piece by piece rather than moved back over it.
  u.interrupted = u.moveBack && EqualFold(u.phase, kPhaseMoving) && fs_.AttributesOf(u.from);
  u.itemThere = u.moveBack && !u.interrupted && fs_.AttributesOf(u.to);
  // An item that is back home already (an entry undone before) takes its
  // files there rather than to a new folder at the place it left.
  u.alreadyHome = u.moveBack && !u.itemThere && fs_.AttributesOf(u.home);
  // Moved on by hand: its files must not build a stub of it at its old new
  // place, which the move back would then carry home as if it were the item.
  u.missing = u.moveBack && !u.itemThere && !u.alreadyHome && !u.interrupted;
  if (u.missing) u.out.problems.push_back(Format1(kDoesNotExist, u.to) + LaterEntries(u, u.to, "", ""));
  if (u.alreadyHome && u.written) ++u.out.already;
}

void UndoExecution::RestoreFiles(Undo& u) {
  RestorePlace placeOf;
  if (u.alreadyHome || u.missing)
    placeOf = [&u](const std::string& p) -> std::optional<std::string> {
      if (!IsWithin(p, u.to)) return p;
      if (u.missing) return std::nullopt;
      return u.home + p.substr(u.to.size());
    };
  const RestoreGuard guard = [this](const std::string& target) { return rails_.places.RestoreRefusal(target); };
  RestoreCheck check;
  if (u.written)
    check = [&](const std::string& savedFrom, const std::string& target, const std::string& backup) {
      return CheckFile(u, savedFrom, target, backup);
    };
  std::vector<std::string> touched;  // every file the run announced, where it now belongs
  try {
    RestoreResult r = store_.RestoreFiles(u.name, placeOf, guard, check, Begin(u, UndoStep::RestoreFiles));
    u.out.files = r.restored;
    u.out.already += r.alreadyAsBefore;
    if (r.leftOut > 0)
      u.out.problems.push_back(std::to_string(r.leftOut) + " backed-up file(s) from inside " + u.to + " were not restored.");
    u.out.changed.insert(u.out.changed.end(), r.changed.begin(), r.changed.end());
    u.out.problems.insert(u.out.problems.end(), r.refusals.begin(), r.refusals.end());
    for (const std::string& p : r.written) u.out.undone.push_back(p + " was restored.");
    touched = r.written;
    // A file the run changed whose backup the archive no longer shows (cut
    // or damaged past reading) is named: the undo is not complete without it.
    if (u.written)
      for (const auto& [key, w] : u.written->files)
        if (!r.seen.count(key)) {
          const std::optional<std::string> place = placeOf ? placeOf(w.path) : w.path;
          if (!place) continue;  // counted among those left with the missing item
          u.out.problems.push_back(*place + " was not restored: its backup is missing from " + u.base + ".zip.");
        }
    for (const std::string& file : u.damage.files)
      if (!r.seen.count(FoldKey(file)) && !u.written->files.count(FoldKey(file)))
        u.out.problems.push_back(file + " was not restored: its backup is missing from " + u.base + ".zip.");
  } catch (const Error& e) {
    u.out.problems.push_back("The file backups in " + u.base + ".zip cannot be read: " + e.what());
  }
  if (u.written)
    for (const auto& [key, w] : u.written->files) {
      const std::optional<std::string> place = placeOf ? placeOf(w.path) : w.path;
      if (place) touched.push_back(*place);
    }
  RemoveTemporaryFiles(u, touched);
}

RestoreDecision UndoExecution::CheckFile(Undo& u, const std::string& savedFrom, const std::string& target,
                                         const std::string& backup) {
  const auto found = u.written->files.find(FoldKey(savedFrom));
  if (found == u.written->files.end()) {
    if (!u.damage.Damaged()) return {RestoreVerdict::NotChanged, ""};
    std::optional<std::string> now;
    try {
      if (fs_.FileExists(target)) now = fs_.ReadWhole(target);
    } catch (const Error&) {
    }
    if (now && *now == backup) return {RestoreVerdict::AlreadyAsBefore, ""};
    if (u.force) return {RestoreVerdict::Restore, ""};
    return {RestoreVerdict::Changed, UnrecordedText(target)};
  }
  const FileWrite& ran = found->second;
  std::optional<std::string> now;
  try {
    if (fs_.FileExists(target)) now = fs_.ReadWhole(target);
  } catch (const Error& e) {
    return {RestoreVerdict::Changed, target + " was not restored: it cannot be read to see whether it changed after the run (" +
                                         e.what() + ")."};
  }
  if (InterruptedReplacement(u, target, ran, backup, now.has_value())) return {RestoreVerdict::Restore, ""};
  if (now && *now == backup) return {RestoreVerdict::AlreadyAsBefore, ""};
  // Announced but never said what it became: the run stopped while the
  // shell wrote it, so what it holds is the run's own doing.
  if (ran.sha256.empty()) return {RestoreVerdict::Restore, ""};
  if (now && ran.Holds(*now)) return {RestoreVerdict::Restore, ""};
  if (now)
    if (std::optional<std::string> back = MapBackFile(u, ran, backup, *now))
      return {RestoreVerdict::Restore, "", std::move(back)};
  if (u.force) return {RestoreVerdict::Restore, ""};
  const std::string state = now ? "it holds neither what the run wrote nor what it held before"
                                : "it was deleted";
  return {RestoreVerdict::Changed, target + " was changed after the run (" + state + "): left as it is." +
                                       LaterEntries(u, savedFrom, "", "")};
}

bool UndoExecution::InterruptedReplacement(Undo& u, const std::string& target, const FileWrite& ran,
                                           const std::string& backup, bool targetThere) {
  if (!u.temps) u.temps.emplace(fs_);
  const std::vector<std::string> copies = u.temps->CopiesBeside(target, ran, backup);
  for (const std::string& copy : copies) u.leftovers.emplace_back(target, copy);
  // No file at the name and a copy of its old or new content beside it: a
  // replacement stopped half way (an earlier build's), not a deletion.
  return !targetThere && !copies.empty();
}

void UndoExecution::RemoveLeftoverCopies(Undo& u, std::set<std::string>& kept) {
  for (const auto& [file, copy] : u.leftovers) {
    if (!fs_.FileExists(copy)) continue;
    // Still the only trace of the file's content: it stays, named.
    if (!fs_.FileExists(file)) {
      kept.insert(FoldKey(copy));
      u.out.problems.push_back(file + " is missing: " + copy + " holds what it held.");
      continue;
    }
    if (fs_.Remove(copy))
      u.out.notes.push_back(copy + ", a temporary file left by an interrupted Ostrivane run, was removed.");
  }
}

void UndoExecution::RemoveTemporaryFiles(Undo& u, const std::vector<std::string>& paths) {
  std::set<std::string> kept;
  RemoveLeftoverCopies(u, kept);
  // Where a run was stopped mid-write, its temporary file may still lie
  // beside the file it was replacing, changed or not yet; one held open stays.
  std::set<std::string> seen;
  for (const std::string& p : paths) {
    const std::string folder = SplitItemPath(p).folder;
    if (!seen.insert(FoldKey(folder)).second) continue;
    try {
      for (const DirEntry& e : fs_.ListFolder(AddSlash(folder) + std::string(kReplaceTempPrefix) + "*"))
        if (!e.IsFolder() && IsReplaceTempName(e.name) && !kept.count(FoldKey(AddSlash(folder) + e.name)) &&
            fs_.Remove(AddSlash(folder) + e.name))
          u.out.notes.push_back(AddSlash(folder) + e.name +
                            ", a temporary file left by an interrupted Ostrivane run, was removed.");
    } catch (const Error&) {
      // A folder that cannot be listed holds nothing this undo must remove.
    }
  }
}

void UndoExecution::MoveBack(Undo& u) {
  if (u.interrupted || u.itemThere) Begin(u, UndoStep::MoveBack, u.to);
  if (u.interrupted) {
    if (const std::optional<EngineRefusal> why = rails_.places.MoveRefusal(u.to))
      u.out.problems.push_back(RefusalText(*why));
    else
      mover_.SettleInterruptedMove(u.to, u.from, u.out.undone, u.out.problems);
  } else if (u.itemThere) {
    u.out.movedBack = mover_.MoveBack(u.to, u.from, u.out.undone, u.out.problems);
  }
  // Only what the run made, and only once it holds nothing again.
  if (u.moveBack && !u.created.empty()) RemoveCreatedFolders(fs_, TargetFolderOf(u.from, u.to), u.created);
}

void UndoExecution::RestoreRegistry(Undo& u) {
  const std::string backup = u.base + ".reg";
  const bool ranWroteRegistry = u.written && !u.written->registry.empty();
  if (!fs_.FileExists(backup)) {
    if (ranWroteRegistry)
      u.out.problems.push_back(std::to_string(u.written->registry.size()) +
                           " registry change(s) were not undone: the registry backup " + backup + " is missing.");
    return;
  }
  try {
    const ParsedRegFile parsed = ParseRegText(fs_.ReadWhole(backup), ansi_);
    // A user who is not logged on has the hive loaded for the restore, and
    // unloaded after it; one that cannot be loaded is named once, its places
    // left.
    const std::vector<std::string> users = UserHivesNamed(parsed);
    std::vector<PassedOver> notLoaded;
    OfflineHivesLoaded hives(users.empty() ? nullptr : OfflineHivesOrNone(), &users, notLoaded);
    for (const PassedOver& h : notLoaded) u.out.problems.push_back(h.where + " was not restored: " + h.reason + ".");
    // A forced undo of an entry whose record is damaged takes the whole
    // backup, as for records that never had one.
    RegImportResult r;
    if (u.written && !(u.force && u.damage.Damaged())) {
      r = RestoreRecordedRegistry(u, parsed, notLoaded);
    } else {
      const PlaceDone each = Begin(u, UndoStep::RestoreRegistry);
      std::size_t line = 0;
      r = ApplyRegOps(registry_, parsed, [&](const RegOp& op) {
        if (each) each(line++, parsed.ops.size(), op.KeyName());
        return true;
      });
      u.out.values += r.values;
    }
    if (!r.failed.empty())
      u.out.problems.push_back(std::to_string(r.failed.size()) + " line(s) of " + backup +
                           " could not be imported; the first, line " + std::to_string(r.failed.front().number) +
                           ": " + r.failed.front().reason);
    if (r.values + r.keys > 0) u.out.undone.push_back("The registry backup " + backup + " was imported.");
    for (const PassedOver& h : hives.Unload()) u.out.notes.push_back(h.where + " " + h.reason + ".");
    if (r.environmentTouched && extras_.environment) extras_.environment->get().EnvironmentChanged();
  } catch (const Error& e) {
    u.out.problems.push_back("The registry backup " + backup + " could not be imported: " + e.what());
  }
}

RegImportResult UndoExecution::RestoreRecordedRegistry(Undo& u, const ParsedRegFile& parsed,
                                                       const std::vector<PassedOver>& notLoaded) {
  const std::optional<PlaceSwap> swap = SwapOf(u);
  RegistryRestorePlan plan = PlanRegistryRestore(registry_, parsed, u.written->registry, u.force,
                                                 swap ? &*swap : nullptr, Begin(u, UndoStep::CheckRegistry));
  for (std::size_t i = 0; i < parsed.ops.size(); ++i)
    if (InHives(parsed.ops[i].KeyName(), notLoaded)) plan.take[i] = false;
  const PlaceDone each = Begin(u, UndoStep::RestoreRegistry);
  std::size_t i = 0;
  RegImportResult r = ApplyRegOps(registry_, parsed, [&](const RegOp& op) {
    if (each) each(i, parsed.ops.size(), op.KeyName());
    return plan.take[i++];
  });
  std::erase_if(plan.mappedBack, [&](const MappedBackValue& v) { return InHives(v.key, notLoaded); });
  for (const std::string& failed : WriteMappedBack(registry_, plan.mappedBack)) u.out.problems.push_back(failed);
  for (const MappedBackValue& v : plan.mappedBack) {
    u.out.undone.push_back(v.key + ", value \"" + v.name + "\" got back " + swap->oldPlace + " beside a later change.");
    r.environmentTouched |= IsEnvironmentKey(v.key);
  }
  u.out.already += plan.alreadyAsBefore;
  for (const ChangedPlace& c : plan.changed) {
    if (u.force || InHives(c.key, notLoaded)) continue;  // restored all the same, or named with its hive
    u.out.changed.push_back(ChangedRegistryText(u, c));
  }
  if (r.failed.empty()) {
    u.out.values += plan.values;
    u.out.keys += plan.keys;
  }
  const std::string backup = u.base + ".reg";
  for (const std::string& missing : UncoveredWrites(parsed, u.written->registry))
    u.out.problems.push_back(missing + " was not restored: its backup is missing from " + backup + ".");
  for (const std::string& value : u.damage.values) u.out.problems.push_back(UnrecordedText(value));
  return r;
}

void UndoExecution::RestoreTasks(Undo& u) {
  const std::string record = u.base + kTaskBackupExtension;
  const bool ranWroteTasks = u.written && !u.written->tasks.empty();
  if (!fs_.FileExists(record)) {
    if (ranWroteTasks)
      u.out.problems.push_back(std::to_string(u.written->tasks.size()) +
                           " scheduled task(s) were not restored: the task backup " + record + " is missing.");
    return;
  }
  std::map<std::string, SavedTask> saved;
  try {
    saved = ReadTaskBackup(fs_.ReadWhole(record));
  } catch (const Error& e) {
    u.out.problems.push_back("The task backup " + record + " cannot be read: " + e.what());
    return;
  }
  const PlaceDone each = Begin(u, UndoStep::RestoreTasks);
  std::size_t taken = 0;
  for (const auto& [key, task] : saved) {
    if (each) each(taken++, saved.size(), task.path);
    // Saved, then the change was refused or failed: the run never changed it.
    if (u.written && !u.written->tasks.count(key)) continue;
    if (RestoreTask(u, task.path, task.xml)) {
      ++u.out.tasks;
      u.out.undone.push_back("Scheduled task " + task.path + " was restored.");
    }
  }
  if (u.written)
    for (const auto& [key, w] : u.written->tasks)
      if (!saved.count(key))
        u.out.problems.push_back("Scheduled task " + w.path + " was not restored: its backup is missing from " + record +
                             ".");
}

bool UndoExecution::RestoreTask(Undo& u, const std::string& path, const std::string& savedXml) {
  const std::string task = "Scheduled task " + path;
  if (!extras_.tasks) {
    u.out.problems.push_back(task + " was not restored: the Task Scheduler is not available.");
    return false;
  }
  TaskService& tasks = *extras_.tasks;
  const TaskRead now = tasks.ReadTask(path);
  if (now.state == TaskRead::State::Failed) {
    u.out.problems.push_back(task + " was not restored: it cannot be read to see whether it changed after the run (" +
                         now.failure + ").");
    return false;
  }
  // Made again, it would run under an account no one chose anew: what was
  // deleted stays deleted, also in a forced undo (so it is no place a force
  // would give back).
  if (now.state == TaskRead::State::Missing) {
    u.out.problems.push_back(task + " was deleted after the run: not created again." + LaterEntries(u, path, "", ""));
    return false;
  }
  if (now.task.xml == savedXml) {
    ++u.out.already;
    return false;
  }
  if (!TaskAsRunWrote(u, path, now.task.xml) && !u.force) {
    u.out.changed.push_back(ChangedTaskText(u, path));
    return false;
  }
  if (const std::string failure = tasks.UpdateTask(path, savedXml); !failure.empty()) {
    u.out.problems.push_back(task + " could not be restored: " + failure);
    return false;
  }
  return true;
}

bool UndoExecution::TaskAsRunWrote(const Undo& u, const std::string& path, const std::string& nowXml) const {
  // Records without a written record restore as earlier builds did; a
  // pending write is the run's own doing.
  if (!u.written) return true;
  const auto found = u.written->tasks.find(FoldKey(path));
  if (found == u.written->tasks.end()) return true;
  const FileWrite& ran = found->second;
  return ran.sha256.empty() || ran.Holds(nowXml);
}

std::string UndoExecution::LaterEntries(Undo& u, const std::string& file, const std::string& key,
                                        const std::string& valueName) {
  // The list runs oldest first: every entry after this one ran later.
  std::vector<UndoName> names;
  bool after = false;
  for (const UndoListEntry& listed : store_.Entries()) {
    if (after) names.push_back(listed.name);
    after |= listed.name == u.name;
  }
  std::vector<UndoName> found;
  auto& cache = u.later;
  for (const UndoName& entry : names) {
    auto it = cache.find(entry);
    if (it == cache.end()) {
      Undo::Later records;
      const std::string base = store_.FolderOf(entry) + entry.Text();
      try {
        if (fs_.FileExists(base + kWrittenRecordExtension)) {
          records.written = ReadWrittenRecord(fs_.ReadWhole(base + kWrittenRecordExtension));
          records.registry.emplace(records.written->registry);
        }
        if (fs_.FileExists(base + ".bat"))
          records.movedFrom = IniText(fs_.ReadWhole(base + ".bat")).ReadString(kMoveSection, kMoveFrom, "");
      } catch (const Error&) {
      }
      it = cache.emplace(entry, std::move(records)).first;
    }
    if (!it->second.written) continue;
    const WrittenPlaces& p = *it->second.written;
    const RegistryWriteIndex& registry = *it->second.registry;
    const std::string& movedFrom = it->second.movedFrom;
    bool touched = false;
    // A later move of the item, or of a folder holding the file, changed it too.
    if (!file.empty())
      touched = p.files.count(FoldKey(file)) > 0 || p.tasks.count(FoldKey(file)) > 0 ||
                (!movedFrom.empty() && IsWithin(file, movedFrom));
    // A key's move changed everything in it; a key place is changed by any value write in it.
    if (!key.empty() && !touched)
      touched = registry.WithinMovedKey(key) ||
                (valueName.empty() ? registry.NamesValueIn(key) : registry.NamesValue(key, valueName));
    if (touched) found.push_back(entry);
  }
  if (found.empty()) return "";
  // Undone newest first, each before the one it followed.
  std::reverse(found.begin(), found.end());
  std::string list;
  for (std::size_t i = 0; i < found.size(); ++i) list += (i ? ", then " : "") + found[i].Text();
  return found.size() == 1 ? " It was changed again by " + list + ": undo that entry first."
                           : " It was changed again by later runs: undo " + list + " first.";
}

// What an undo checks before a move back: the places that would still point
// at the item's new place once it has gone home.

std::optional<PlaceSwap> UndoExecution::SwapOf(Undo& u) const {
  if (u.swapRead) return u.swap;
  u.swapRead = true;
  // A move's from its record; a Map Only run's from its change report.
  // Switch Drives exchanges two letters: no one way to give back.
  if (u.moveBack) {
    u.swap = PlaceSwap{u.home, u.to};
  } else if (const std::optional<ReadReport>& r = u.reportHead) {
    // Without it nothing is given back inside a changed place.
    if (ModeNamed(r->Field("Mode")) == RunMode::MapOnly && !r->Field("Find").empty() && !r->Field("Replace").empty())
      u.swap = PlaceSwap{r->Field("Find"), r->Field("Replace")};
  }
  return u.swap;
}

std::optional<std::string> UndoExecution::MapBackFile(Undo& u, const FileWrite& ran, const std::string& backup,
                                                      const std::string& now) const {
  // The record keeps only a digest of what the run wrote: the run's text is
  // known only when a guess at it matches that digest exactly.
  const std::optional<PlaceSwap> swap = SwapOf(u);
  if (!swap || ran.sha256.empty()) return std::nullopt;
  for (const std::string& wrote : SwappedTexts(backup, *swap))
    if (ran.Holds(wrote)) return MapBackInside(backup, wrote, now, *swap);
  return std::nullopt;
}

bool UndoExecution::MoveBackWouldStrand(Undo& u) {
  // Only a move back leaves references behind; a forced undo gives every
  // place its state before the run. Records of earlier builds cannot tell.
  if (u.force || !u.written || !u.itemThere) return false;
  if (rails_.places.MoveRefusal(u.to)) return false;  // not moved back at all
  std::vector<std::string> places;
  FilesThatWouldStrand(u, places);
  RegistryThatWouldStrand(u, places);
  TasksThatWouldStrand(u, places);
  if (places.empty()) return false;
  u.out.changed = std::move(places);
  return true;
}

void UndoExecution::FilesThatWouldStrand(Undo& u, std::vector<std::string>& places) {
  const RestoreGuard guard = [this](const std::string& target) { return rails_.places.RestoreRefusal(target); };
  // Every entry is only looked at: the probe lets none be written.
  const RestoreCheck probe = [&](const std::string& savedFrom, const std::string& target, const std::string& backup) {
    const RestoreDecision d = CheckFile(u, savedFrom, target, backup);
    // A file deleted since points nowhere.
    if (d.verdict == RestoreVerdict::Changed && fs_.FileExists(target)) places.push_back(d.why);
    return RestoreDecision{RestoreVerdict::NotChanged, ""};
  };
  try {
    store_.RestoreFiles(u.name, {}, guard, probe, Begin(u, UndoStep::CheckFiles));
  } catch (const Error&) {
    // An archive that cannot be read is named by the restore itself.
  }
}

void UndoExecution::RegistryThatWouldStrand(Undo& u, std::vector<std::string>& places) {
  const std::string backup = u.base + ".reg";
  if (u.written->registry.empty() || !fs_.FileExists(backup)) return;
  try {
    const ParsedRegFile parsed = ParseRegText(fs_.ReadWhole(backup), ansi_);
    const std::vector<std::string> users = UserHivesNamed(parsed);
    std::vector<PassedOver> notLoaded;
    OfflineHivesLoaded hives(users.empty() ? nullptr : OfflineHivesOrNone(), &users, notLoaded);
    const std::optional<PlaceSwap> swap = SwapOf(u);
    const RegistryRestorePlan plan = PlanRegistryRestore(registry_, parsed, u.written->registry, false,
                                                         swap ? &*swap : nullptr, Begin(u, UndoStep::CheckRegistry));
    for (const ChangedPlace& c : plan.changed)
      if (!c.gone && !InHives(c.key, notLoaded)) places.push_back(ChangedRegistryText(u, c));
  } catch (const Error&) {
    // A backup that cannot be read is named by the restore itself.
  }
}

void UndoExecution::TasksThatWouldStrand(Undo& u, std::vector<std::string>& places) {
  const std::string record = u.base + kTaskBackupExtension;
  if (!extras_.tasks || u.written->tasks.empty() || !fs_.FileExists(record)) return;
  std::map<std::string, SavedTask> saved;
  try {
    saved = ReadTaskBackup(fs_.ReadWhole(record));
  } catch (const Error&) {
    return;  // named by the restore itself
  }
  for (const auto& [key, task] : saved) {
    if (!u.written->tasks.count(key)) continue;
    const TaskRead now = extras_.tasks->get().ReadTask(task.path);
    if (now.state == TaskRead::State::Found && now.task.xml != task.xml && !TaskAsRunWrote(u, task.path, now.task.xml))
      places.push_back(ChangedTaskText(u, task.path));
  }
}

std::string UndoExecution::ChangedRegistryText(Undo& u, const ChangedPlace& c) {
  return c.Where() + " was changed after the run (the run wrote " + c.ranWrote + ", it now holds " + c.holdsNow +
         "): left as it is." + LaterEntries(u, "", c.key, c.isValue ? c.valueName : "");
}

std::string UndoExecution::ChangedTaskText(Undo& u, const std::string& path) {
  return "Scheduled task " + path +
         " was changed after the run (it holds neither what the run wrote nor what it held before): left as it is." +
         LaterEntries(u, path, "", "");
}

