#include "regmap/RegistryWalk.h"

#include "engine/SystemOwned.h"
#include "engine/Progress.h"
#include "core/Error.h"
#include "core/ScopeExit.h"
#include "core/Text.h"
#include "core/Ui.h"
#include "engine/ChangeVerification.h"
#include "engine/WidePrefilter.h"
#include "engine/WrittenRecord.h"
#include "regmap/CommandValues.h"
#include "regmap/PrinterConnections.h"
#include "regmap/NTReg.h"

namespace {
// Where a passed-over entry is: the key, and the value when it is one.
std::string Place(const std::string& key, bool isValue, const std::string& valueName) {
  if (!isValue) return key;
  return key + ", value " + (valueName.empty() ? std::string("(Default)") : "\"" + valueName + "\"");
}

constexpr std::string_view kClassesSuffix = "_Classes";

// The walked roots as the change list names them, with their trailing "\".
constexpr const char* kMachineRoot = "HKEY_LOCAL_MACHINE\\";
constexpr const char* kUserRoot = "HKEY_CURRENT_USER\\";
constexpr const char* kUsersRoot = "HKEY_USERS\\";

bool EndsWithFold(std::string_view text, std::string_view tail) {
  return text.size() > tail.size() && EqualFold(text.substr(text.size() - tail.size()), tail);
}

ChangeKind ChangeKindOf(RegistryWalk::EntryKind kind) {
  switch (kind) {
    case RegistryWalk::EntryKind::KeyPath: return ChangeKind::KeyPath;
    case RegistryWalk::EntryKind::ValueName: return ChangeKind::ValueName;
    default: return ChangeKind::ValueData;
  }
}

std::string ErrorReason(const char* what, long error) {
  if (error == kRegAccessDenied) return std::string(what) + ": access denied";
  return std::string(what) + " (error " + std::to_string(error) + ")";
}
}  // namespace

RegistryWalk::RegistryWalk(RegistryBackend& backend, FileSystem& fs, CodePage& ansi)
    : backend_(backend), backup_(backend, fs, ansi), places_(fs), ansi_(ansi) {}

void RegistryWalk::BeginPass(const SearchTexts& texts) {
  places_.ForRun(run_->pass.runNumber);
  spellings_.emplace(texts, TextSyntax{}, &places_);
  prefilter_.emplace(*spellings_);
  binary_.emplace(*spellings_, ansi_);
  // Only a path is looked for behind variables: a drive switch would write
  // out every %SystemRoot% of the machine.
  environment_ = texts.rule == MatchRule::Path && !texts.exchange ? environmentValues_ : nullptr;
  exchange_ = texts.exchange;
  if (!run_->pass.FindsOnly()) {
    // A second apply of one run goes into the same file: a file gone
    // between them stops the run as a file gone within one does.
    const std::string file = run_->settings.recordsFolder + run_->findings.tally.undoName + ".reg";
    if (run_->pass.runNumber == backupRun_ && backup_.FilePath() == file) {
      backup_.BeginPass();
    } else {
      backup_.BeginRun(file);
      backupRun_ = run_->pass.runNumber;
    }
  }
}

void RegistryWalk::FindReplaceProcess(RunPass& run, const SearchTexts& texts) {
  const PassHold hold(run_, run);
  // Nothing stays open after a call, whether it went through or not.
  const ScopeExit closeKey([this] {
    writeKey_.reset();
    backup_.LetGo();
  });
  batch_.Around([&] { SearchAll(texts); });
}

void RegistryWalk::SearchAll(const SearchTexts& texts) {
  BeginPass(texts);
  const int drives = run_->settings.SelectedDriveCount();

  run_->ShowPhase("Scanning System Registry");
  run_->BeginStep(StepShare(ProgressStep::MachineRegistry, run_->settings.targets, drives));
  SearchThruKey(RegRoot::LocalMachine, kMachineRoot, "");

  run_->ShowPhase("Scanning User Registry");
  run_->BeginStep(StepShare(ProgressStep::UserRegistry, run_->settings.targets, drives));
  SearchThruKey(RegRoot::CurrentUser, kUserRoot, "");
  SearchOtherUsers();
}

bool RegistryWalk::IsOfflineHive(const std::string& name) const {
  for (const std::string& loaded : run_->findings.offlineHives)
    if (EqualFold(loaded, name)) return true;
  return false;
}

bool RegistryWalk::IsLinkKey(RegRoot root, const std::string& path) {
  RegistryCursor key(backend_, root);
  return key.OpenRegPathItselfForReading(path) && key.IsLink();
}

bool RegistryWalk::IsPlainKey(RegRoot root, const std::string& path) {
  RegistryCursor key(backend_, root);
  return key.OpenRegPathItselfForReading(path) && !key.IsLink();
}

std::vector<RegistryWalk::UserHive> RegistryWalk::OtherUserHives() {
  // Without the own user's SID its hive could not be told apart: walked
  // again, every change of HKEY_CURRENT_USER would be made twice.
  const std::string own = accounts_ ? accounts_->CurrentUserSid() : "";
  if (own.empty()) return {};
  RegistryCursor users(backend_, RegRoot::Users);
  if (!users.OpenRegPathForReading("\\")) return {};
  const std::vector<std::string> listed = users.ListSubkeyNames();
  users.CloseKey();
  const auto isListed = [&](std::string_view name) {
    for (const std::string& l : listed)
      if (EqualFold(l, name)) return true;
    return false;
  };
  std::vector<UserHive> hives;
  for (const std::string& name : listed) {
    // HKEY_CURRENT_USER shows the own hive.
    if (name.empty() || EqualFold(name, own)) continue;
    // .DEFAULT is the system account's hive, listed again as S-1-5-18 (one
    // walked, the other left; a link is no walk).
    if (EqualFold(name, ".DEFAULT") && isListed("S-1-5-18") && !IsLinkKey(RegRoot::Users, "\\S-1-5-18")) continue;
    const bool classes = EndsWithFold(name, kClassesSuffix);
    const std::string user = classes ? name.substr(0, name.size() - kClassesSuffix.size()) : name;
    const bool ownClasses = classes && EqualFold(user, own);
    // Loaded by this run from a user's UsrClass.dat, the hive is not shown
    // anywhere else: the link to it is made at logon.
    if (classes && (ownClasses || isListed(user)) && !IsOfflineHive(name)) {
      // A user's Software\Classes is a link to the _Classes hive, which the
      // walk leaves alone: that hive is walked under its own name, once. Where
      // Software\Classes is a key of its own, that key is the one walked.
      const bool shownThere =
          ownClasses ? IsPlainKey(RegRoot::CurrentUser, "\\Software\\Classes")
                     : IsPlainKey(RegRoot::Users, "\\" + user + "\\Software\\Classes");
      if (shownThere) continue;
    }
    hives.push_back({name, user, ownClasses});
  }
  return hives;
}

void RegistryWalk::MapKeys(RunPass& run, const SearchTexts& texts, const std::vector<std::string>& keys) {
  const PassHold hold(run_, run);
  // Nothing stays open after a call, whether it went through or not.
  const ScopeExit closeKey([this] {
    writeKey_.reset();
    backup_.LetGo();
  });
  batch_.Around([&] { VisitListed(texts, keys); });
}

void RegistryWalk::VisitListed(const SearchTexts& texts, const std::vector<std::string>& keys) {
  BeginPass(texts);
  EnvironmentValues* const ownEnvironment = environment_;
  std::optional<SharedValuesOnly> shared;
  if (environment_) shared.emplace(*environment_);
  const std::string ownSid = accounts_ ? accounts_->CurrentUserSid() : "";
  for (const std::string& key : keys) {
    if (run_->PumpCancelled()) break;
    std::optional<RegRoot> root;
    std::size_t cut = 0;
    for (const auto& [r, name] : {std::pair{RegRoot::LocalMachine, std::string_view(kMachineRoot)},
                                  std::pair{RegRoot::CurrentUser, std::string_view(kUserRoot)},
                                  std::pair{RegRoot::Users, std::string_view(kUsersRoot)}})
      if (key.compare(0, name.size(), name) == 0) root = r, cut = name.size();
    if (!root) {
      run_->PassOver(key, "it is not in a registry hive the run searches");
      continue;
    }
    const std::string path = key.substr(cut);
    // Another user's variables are not this process's (the own _Classes
    // hive is the own user's).
    environment_ = ownEnvironment;
    if (*root == RegRoot::Users && shared) {
      const std::string hive = path.substr(0, path.find('\\'));
      const bool ownClasses = !ownSid.empty() && EndsWithFold(hive, kClassesSuffix) &&
                              EqualFold(hive.substr(0, hive.size() - kClassesSuffix.size()), ownSid);
      if (!ownClasses) environment_ = &*shared;
    }
    VisitKey(*root, key.substr(0, cut), path, Visit::Alone);
  }
  environment_ = ownEnvironment;
}

void RegistryWalk::SearchOtherUsers() {
  std::optional<SharedValuesOnly> shared;
  EnvironmentValues* const ownEnvironment = environment_;
  if (environment_) shared.emplace(*environment_);
  for (const UserHive& hive : OtherUserHives()) {
    if (run_->findings.tally.cancelled) break;
    // Another user's variables are not this process's.
    environment_ = hive.own || !ownEnvironment ? ownEnvironment : &*shared;
    const std::string account = accounts_->AccountName(hive.sid);
    const std::string offline = IsOfflineHive(hive.name) ? ", not logged on" : "";
    const std::string who = account.empty() ? hive.name + (offline.empty() ? "" : " (not logged on)")
                                            : account + " (" + hive.name + offline + ")";
    run_->ShowPhase("Scanning User Registry: " + who);
    SearchThruKey(RegRoot::Users, kUsersRoot, hive.name);
  }
  environment_ = ownEnvironment;
}

void RegistryWalk::SearchThruKey(RegRoot root, const std::string& rootName, const std::string& path) {
  for (const std::string& sub : VisitKey(root, rootName, path, Visit::WithSubkeys))
    if (!sub.empty()) SearchThruKey(root, rootName, path.empty() ? sub : path + "\\" + sub);
}

std::vector<std::string> RegistryWalk::VisitKey(RegRoot root, const std::string& rootName, const std::string& path,
                                                Visit how) {
  if (run_->PumpCancelled()) return {};
  // What Windows keeps as identity is never changed: named once, with how
  // many of its places hold what the run looks for.
  if (root == RegRoot::LocalMachine && !OwnedKeyOf(rootName + path).empty()) {
    if (const int held = OccurrencesBelow(root, path); held > 0)
      run_->PassOver(rootName + path, std::string(kOwnedByWindows) + " (" + std::to_string(held) +
                                         (held == 1 ? " place holds" : " places hold") + " what the run looks for)");
    return {};
  }
  // A key met again while its writes wait would be read as it was.
  if (queuedKeys_.count(rootName + path)) CommitBatch();
  RegistryCursor reg(backend_, root);
  run_->ShowPlace(rootName + path);
  // Read access is enough to search; a change reopens the key for writing.
  // The key is opened itself, so that a registry link shows as one.
  if (!reg.OpenRegPathItselfForReading("\\" + path)) {
    // A key gone since its parent was listed is no loss.
    if (reg.LastOpenError() != kRegNotFound && reg.LastOpenError() != kRegKeyDeleted)
      run_->PassOver(rootName + path, ErrorReason("the key could not be opened", reg.LastOpenError()));
    return {};
  }
  // A key visited alone is one its search listed: what the search could not
  // read there it named already.
  const bool alone = how == Visit::Alone;
  long subkeyFailure = kRegOk, valueFailure = kRegOk;
  // Most values hold nothing of the search: their data is neither converted
  // nor searched. REG_EXPAND_SZ data names places through its variables too.
  const RegistryCursor::Content content =
      reg.ListContent(!alone, [&](std::uint32_t type, std::string_view data) {
        // Binary data is named by the search, which the apply of its list
        // does not repeat.
        if (type == kRegBinary) return !alone && binary_->Find(data).has_value();
        return (type == kRegExpandSz && environment_ && HoldsUnit(data, '%')) || prefilter_->MayHold(data);
      }, &valueFailure, &subkeyFailure);
  const std::vector<ListedValue>& values = content.values;
  // A link (CurrentControlSet) leads to keys walked where they live: entered
  // too, it would show every value twice, and change each twice. It is
  // listed with its parent and left alone.
  if (IsLinkListing(values)) return {};
  KeyVisit visit{root, rootName, path, reg};

  const EntryResult keyResult = FindReplaceEntry(visit, path, "", EntryKind::KeyPath);
  // A moved key's subtree is not visited in this pass: it lives elsewhere
  // now. A printer connection's values go with its key, and are changed
  // under its new name (its subkeys are no part of the connection).
  const bool connectionMoved = keyResult.moved && ConnectionPathOf(path).has_value();
  if (run_->findings.tally.cancelled || keyResult.refused || (keyResult.moved && !connectionMoved)) return {};
  if (connectionMoved && !run_->pass.FindsOnly() && !reg.OpenRegPathItselfForReading("\\" + visit.path)) return {};

  if (subkeyFailure != kRegOk)
    run_->PassOver(rootName + visit.path, ErrorReason("not every subkey could be listed", subkeyFailure));
  if (valueFailure != kRegOk && !alone)
    run_->PassOver(rootName + visit.path, ErrorReason("not every value could be listed", valueFailure));
  for (const ListedValue& v : values) {
    if (run_->PumpCancelled()) return {};
    const EntryResult nameResult = FindReplaceEntry(visit, v.name, v.name, EntryKind::ValueName);
    if (run_->findings.tally.cancelled) return {};
    if (!v.binary.empty()) {
      if (const std::optional<BinaryFind> found = binary_->Find(v.binary))
        run_->Record(BinaryEntry(rootName + visit.path, nameResult.moved ? nameResult.nowNamed : v.name, *found));
      continue;
    }
    if (v.type != kRegSz && v.type != kRegExpandSz && v.type != kRegMultiSz) continue;
    if (!v.textRead) continue;  // nothing of the search in it
    if (!v.textExact) {
      if (!alone && spellings_->Choose(v.text).first.found())
        run_->PassOver(Place(rootName + visit.path, true, v.name),
                      "its list of strings is not well formed and would not come back exactly");
      continue;
    }
    // A renamed value's data is mapped under its new name. Where the value
    // is still as listed, its backup takes it from the listing.
    const bool asListed = !nameResult.moved && !connectionMoved;
    const RawValue listed{v.name, v.type, asListed ? v.data : std::string()};
    FindReplaceEntry(visit, v.text, nameResult.moved ? nameResult.nowNamed : v.name, EntryKind::ValueData, v.type,
                     asListed ? &listed : nullptr);
    if (run_->findings.tally.cancelled) return {};
  }
  if (connectionMoved) return {};
  return content.subkeys;
}

int RegistryWalk::OccurrencesBelow(RegRoot root, const std::string& path) {
  RegistryCursor reg(backend_, root);
  if (!reg.OpenRegPathItselfForReading("\\" + path)) return 0;
  const RegistryCursor::Content content = reg.ListContent(
      true,
      [&](std::uint32_t type, std::string_view data) {
        return type == kRegBinary ? binary_->Find(data).has_value() : prefilter_->MayHold(data);
      },
      nullptr, nullptr);
  reg.CloseKey();
  const auto holds = [&](const std::string& text) { return spellings_->Choose(text).first.found(); };
  int held = holds(path) ? 1 : 0;
  for (const ListedValue& v : content.values) held += holds(v.name) || !v.binary.empty() || (v.textRead && holds(v.text));
  for (const std::string& sub : content.subkeys)
    if (!sub.empty()) held += OccurrencesBelow(root, path + "\\" + sub);
  return held;
}

// Two keys named after each other's drive would meet: a switch renames no
// key, and names each one it leaves (its values are switched as any other).
// The apply of a list goes to a key its search named already.
void RegistryWalk::LeaveSwitchedKey(const KeyVisit& visit, const std::string& text, const Occurrence& o) {
  if (run_->pass.selection && !run_->pass.FindsOnly()) return;
  run_->Record({visit.rootName + visit.path, "", 0, ChangeKindOf(EntryKind::KeyPath), text,
               text.substr(0, o.pos) + std::string(o.newText) + text.substr(o.pos + o.length), ChangeOutcome::PassedOver,
               "a switch renames no key (two keys named after each other's drive would meet): rename it by hand"});
}

// REG_EXPAND_SZ data names places through variables too (written %NAME%:
// without a "%" there is none to expand).
EnvironmentValues* RegistryWalk::VariablesIn(const std::string& text, EntryKind kind, std::uint32_t type) const {
  return kind == EntryKind::ValueData && type == kRegExpandSz && text.find('%') != std::string::npos ? environment_
                                                                                                     : nullptr;
}

// Named by the search; the apply meets it again and leaves it as it is.
void RegistryWalk::RecordFromSearch(const ChangeEntry& entry) {
  if (!run_->pass.selection || run_->pass.FindsOnly()) run_->Record(entry);
}

// A change the registry or its backup refused; a printer connection's key
// keeps its values with it.
void RegistryWalk::RecordLeft(ChangeEntry entry, EntryKind kind, const std::string& actualName, bool connection) {
  entry.outcome = ChangeOutcome::PassedOver;
  if (kind == EntryKind::ValueName) entry.value = actualName;
  if (connection) entry.reason += ": the connection's values were left with it";
  run_->Record(std::move(entry));
}

// A key or value renamed lives on under its new name for the rest of its visit.
void RegistryWalk::Follow(KeyVisit& visit, EntryKind kind, const std::string& candidate, std::string& actualName,
                          EntryResult& result) {
  if (kind == EntryKind::ValueData) return;
  result.moved = true;
  if (kind == EntryKind::KeyPath) visit.path = candidate;
  if (kind == EntryKind::ValueName) actualName = result.nowNamed = candidate;
}

// The name of an entry whose text reads `searched`: a printer connection's
// key is named after its connection (none when that is no \\server\queue).
static std::optional<std::string> KeyNamed(const std::optional<std::string>& connection, const std::string& text,
                                           const std::string& searched) {
  return connection ? ConnectionKeyFor(text, searched) : std::optional<std::string>(searched);
}

// Its values would point at a connection the key no longer names.
void RegistryWalk::LeaveConnection(const KeyVisit& visit, EntryKind kind, const std::string& before,
                                   const std::string& searched) {
  RecordFromSearch({visit.rootName + visit.path, "", 0, ChangeKindOf(kind), before, searched, ChangeOutcome::PassedOver,
                    "a printer connection's key is named after a \\\\server\\queue, which the new place is not: it "
                    "and its values were left"});
}

Answer RegistryWalk::AskAbout(const ChangeEntry& entry, const std::string& current, const Rewrite& next,
                              bool connection) {
  // A connection's key is shown as named, the found part unmarked.
  const Question question = connection ? Question{entry.where, entry.value, entry.oldText, entry.newText}
                                       : Question{entry.where, entry.value, current, entry.newText, next.pos,
                                                  next.length, next.pos, next.newText.size()};
  return OfferChange(*run_, question, WalkKind::Registry);
}

RegistryWalk::EntryResult RegistryWalk::FindReplaceEntry(KeyVisit& visit, const std::string& text,
                                                         const std::string& valueName, EntryKind kind,
                                                         std::uint32_t type, const RawValue* listed) {
  EntryResult result;
  // A printer connection's key is searched as the \\SERVER\QUEUE it names.
  const std::optional<std::string> connection =
      kind == EntryKind::KeyPath ? ConnectionPathOf(text) : std::optional<std::string>();
  const Spellings::Family family = spellings_->Choose(connection ? *connection : text);
  EnvironmentValues* const environment = VariablesIn(text, kind, type);
  if (!family.first.found() && !environment) return result;
  if (kind == EntryKind::KeyPath && exchange_) {
    LeaveSwitchedKey(visit, text, family.first);
    return result;
  }
  std::string current = connection ? *connection : text;
  std::string actualName = valueName;  // where a renamed value lives now
  // The new text as the value is read: a command line quotes a path with a space.
  const TextPlace place = kind == EntryKind::ValueData ? PlaceOfRegistryValue(visit.path, valueName) : TextPlace::Plain;
  const auto nextFrom = [&](std::size_t from) {
    return FittedToPlace(current, NextRewrite(*spellings_, family, current, from, environment), place);
  };
  // A match may be longer or shorter than its form; each is replaced in the
  // spelling it was found in.
  Rewrite next = nextFrom(0);
  bool asked = false;
  std::optional<PreviewItem> preview;
  while (next.found()) {
    const std::string searched = current.substr(0, next.pos) + next.newText + current.substr(next.pos + next.length);
    const std::string shownName = kind == EntryKind::KeyPath ? "" : kind == EntryKind::ValueName ? current : valueName;
    const std::string before = *KeyNamed(connection, text, current);
    const std::optional<std::string> named = KeyNamed(connection, text, searched);
    if (!named) {
      LeaveConnection(visit, kind, before, searched);
      result.refused = true;
      return result;
    }
    const std::string& candidate = *named;
    ChangeEntry entry{visit.rootName + visit.path, shownName, 0, ChangeKindOf(kind), before, candidate,
                      ChangeOutcome::WouldChange, spellings_->NoteOn(next.shortForm)};
    if (next.undecided) {
      entry.outcome = ChangeOutcome::PassedOver;
      entry.reason = kPathEndUnknown;
      RecordFromSearch(entry);
    }
    if (next.undecided || !run_->Chosen(entry)) {
      next = nextFrom(next.pos + next.length);
      continue;
    }
    if (VerificationOn(*run_)) {
      // What was agreed to so far is made before the next question.
      CommitBatch();
      asked = true;
      if (AskAbout(entry, current, next, connection.has_value()) != Answer::Replace) {
        entry.outcome = ChangeOutcome::Skipped;
        run_->Record(std::move(entry));
        return result;
      }
    }
    bool moved = true;
    if (run_->pass.FindsOnly()) {
      // Shown once the whole text is known: one line per place, as the run will write it.
      if (!preview) preview = PreviewItem{visit.rootName + visit.path, shownName, before, ""};
      preview->newText = candidate;
    } else {
      // After a question, which may have taken the user minutes, the value is read again.
      const Outcome outcome =
          Apply(visit, actualName, candidate, valueName, kind, type, entry.reason, asked ? nullptr : listed);
      if (outcome == Outcome::PassedOver) {
        result.refused = connection.has_value();
        RecordLeft(std::move(entry), kind, actualName, result.refused);
        break;
      }
      moved = outcome == Outcome::Changed;
      entry.outcome = ChangeOutcome::Changed;
    }
    run_->Record(std::move(entry));
    result.changed = true;
    if (moved) Follow(visit, kind, candidate, actualName, result);
    current = searched;
    next = nextFrom(next.pos + next.newText.size());
  }
  if (asked && run_->ui) run_->ui->SetCursor(Cursor::Busy);
  if (preview && run_->pass.IsPreview() && run_->ui) run_->ui->ReportPreview(*preview);
  return result;
}

// Why a change cannot be made at all, asked before its backup is written
// (it is then not counted); none when it can.
std::optional<EngineRefusal> RegistryWalk::ChangeRefusal(KeyVisit& visit, const std::string& actualName,
                                                         const std::string& candidate, EntryKind kind) {
  const auto refused = [](RefusalReason reason, std::string place = "") {
    return EngineRefusal{reason, std::move(place), ""};
  };
  if (kind == EntryKind::KeyPath) {
    const std::string from = visit.path + "\\", to = candidate + "\\";
    if (EqualFold(visit.path, candidate)) return refused(RefusalReason::OntoOwnName);
    if (FoldPrefixLength(to, from) != kNotFound) return refused(RefusalReason::IntoOwnSubkey, visit.rootName + candidate);
    if (RegistryCursor(backend_, visit.root).KeyExists("\\" + candidate))
      return refused(RefusalReason::KeyExists, visit.rootName + candidate);
    // Moving a tree through a link would copy the link's target instead.
    if (RegistryCursor(backend_, visit.root).HoldsLink("\\" + visit.path))
      return refused(RefusalReason::HoldsRegistryLink);
  } else if (kind == EntryKind::ValueName) {
    if (EqualFold(actualName, candidate)) return refused(RefusalReason::OntoOwnName);
    if (visit.reg.QueryValueInfo(candidate)) return refused(RefusalReason::ValueNameTaken, candidate);
  }
  return std::nullopt;
}

RegistryWalk::Outcome RegistryWalk::Apply(KeyVisit& visit, const std::string& actualName,
                                          const std::string& candidate, const std::string& valueName, EntryKind kind,
                                          std::uint32_t type, std::string& reason, const RawValue* listed) {
  const std::string keyPath = "\\" + visit.path;
  if (const std::optional<EngineRefusal> refused = ChangeRefusal(visit, actualName, candidate, kind)) {
    reason = RefusalWhy(*refused);
    return Outcome::PassedOver;
  }
  // A move or a rename is made at once, as the walk goes on from where it
  // leaves the key or value; what waits is made first, so that its backup
  // reads the registry as the run has left it so far.
  const bool atOnce = kind != EntryKind::ValueData;
  if (atOnce) CommitBatch();
  // A change whose state before the run the file can't hold is not made;
  // errors of the file itself stop the run.
  try {
    switch (kind) {
      case EntryKind::KeyPath: backup_.BackupKeyMove(visit.root, keyPath, "\\" + candidate); break;
      case EntryKind::ValueName: backup_.BackupValueRename(visit.root, keyPath, actualName, candidate); break;
      case EntryKind::ValueData: backup_.BackupRegistryValue(visit.root, keyPath, valueName, listed); break;
    }
  } catch (const BackupRefused& e) {
    reason = RefusalWhy(e.refusal());
    return Outcome::PassedOver;
  }
  // Announced before it is made, so that an undo knows what the run wrote
  // there; withdrawn again when it was not made after all. A record that
  // cannot be written stops the run (Error from WrittenRecord).
  WrittenRecord* const written = run_->pass.written;
  const std::string key = visit.rootName + visit.path;
  const std::uint32_t newType = type == kRegMultiSz ? kRegMultiSz : type == kRegExpandSz ? kRegExpandSz : kRegSz;
  std::string data;
  std::uint32_t renamedType = kRegNone;
  std::optional<std::string> renamedData;
  try {
    if (kind == EntryKind::ValueData)
      data = newType == kRegMultiSz ? RegDataFromMultiText(candidate) : RegDataFromText(candidate);
    if (kind == EntryKind::ValueName && written) renamedData = visit.reg.ReadRawValue(actualName, renamedType);
  } catch (const Error& e) {
    reason = e.what();
    return Outcome::PassedOver;
  }
  Announcement announced;
  if (written) {
    switch (kind) {
      case EntryKind::KeyPath: announced = written->KeyMove(key, visit.rootName + candidate); break;
      case EntryKind::ValueName:
        // Nothing there to rename: the rename below finds nothing either.
        if (renamedData) announced = written->ValueRename(key, actualName, candidate, renamedType, *renamedData);
        break;
      case EntryKind::ValueData: announced = written->Value(key, valueName, newType, data); break;
    }
  }
  if (!atOnce) {
    run_->findings.environmentChanged |= IsEnvironmentKey(key);
    QueueValue(visit, valueName, newType, std::move(data), std::move(announced));
    return Outcome::Changed;
  }
  Outcome outcome = Outcome::PassedOver;
  batch_.Queue(
      {&backup_, written},
      [&] {
        outcome = Write(visit, actualName, candidate, kind);
        if (outcome != Outcome::Changed && written) written->Withdraw(announced);
      },
      [&](const std::string& why) {
        reason = why;
        if (written) written->Withdraw(announced);
      });
  CommitBatch();
  return outcome;
}

void RegistryWalk::QueueValue(const KeyVisit& visit, const std::string& name, std::uint32_t type, std::string data,
                              Announcement announced) {
  // Recorded as changed next; passed over again if its write fails.
  const std::size_t entry = run_->findings.changes.size();
  if (queued_ && !queued_->settled && queued_->root == visit.root && queued_->path == visit.path &&
      queued_->name == name) {
    queued_->type = type;
    queued_->data = std::move(data);
    queued_->announced.push_back(std::move(announced));
    queued_->entries.push_back(entry);
    return;
  }
  auto q = std::make_shared<QueuedValue>();
  q->root = visit.root;
  q->path = visit.path;
  q->name = name;
  q->type = type;
  q->data = std::move(data);
  q->announced.push_back(std::move(announced));
  q->entries.push_back(entry);
  queued_ = q;
  queuedKeys_.insert(visit.rootName + visit.path);
  WrittenRecord* const written = run_->pass.written;
  Findings* const findings = &run_->findings;
  batch_.Queue(
      {&backup_, written},
      [this, q] {
        q->settled = true;
        WriteQueued(*q);
      },
      [q, written, findings](const std::string& why) {
        q->settled = true;
        if (written)
          for (const Announcement& a : q->announced) written->Withdraw(a);
        for (std::size_t i : q->entries) findings->Unmade(i, why);
      });
}

void RegistryWalk::WriteQueued(const QueuedValue& q) {
  // A run of values in one key opens it once.
  if (!writeKey_ || writeKey_->RootKey() != q.root || writeKeyPath_ != q.path) {
    writeKey_ = std::make_unique<RegistryCursor>(backend_, q.root);
    writeKeyPath_ = q.path;
    writeKey_->OpenRegPath("\\" + q.path);  // one that can't be opened fails the write below
  }
  writeKey_->WriteRawValue(q.name, q.type, q.data);
}

void RegistryWalk::CommitBatch() {
  batch_.Commit();
  queuedKeys_.clear();
  writeKey_.reset();
}

RegistryWalk::Outcome RegistryWalk::Write(KeyVisit& visit, const std::string& actualName, const std::string& candidate,
                                          EntryKind kind) {
  const bool environment = IsEnvironmentKey(visit.rootName + visit.path);
  switch (kind) {
    case EntryKind::KeyPath:
      return RegistryCursor(backend_, visit.root).MoveRegKey("\\" + visit.path, "\\" + candidate, true)
                 ? Outcome::Changed
                 : Outcome::NothingToDo;
    case EntryKind::ValueName:
      if (!visit.reg.RenameRegValue(actualName, candidate)) return Outcome::NothingToDo;
      run_->findings.environmentChanged |= environment;
      return Outcome::Changed;
    case EntryKind::ValueData:  // queued instead (QueueValue)
      break;
  }
  return Outcome::NothingToDo;
}
