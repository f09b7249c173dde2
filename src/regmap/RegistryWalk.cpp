#include "regmap/RegistryWalk.h"

#include "engine/Progress.h"
#include "core/Error.h"
#include "core/Text.h"
#include "core/Ui.h"
#include "engine/ChangeVerification.h"
#include "regmap/NTReg.h"

namespace {
// Where a passed-over entry is: the key, and the value when it is one.
std::string Place(const std::string& key, bool isValue, const std::string& valueName) {
  if (!isValue) return key;
  return key + ", value " + (valueName.empty() ? std::string("(Default)") : "\"" + valueName + "\"");
}

std::string ErrorReason(const char* what, long error) {
  if (error == kRegAccessDenied) return std::string(what) + ": access denied";
  return std::string(what) + " (error " + std::to_string(error) + ")";
}
}  // namespace

RegistryWalk::RegistryWalk(RunContext& ctx, RegistryBackend& backend, FileSystem& fs, CodePage& ansi)
    : ctx_(ctx), backend_(backend), backup_(backend, fs, ansi) {}

void RegistryWalk::FindReplaceProcess(const SearchTexts& texts) {
  spellings_.emplace(texts);
  if (!ctx_.preview) backup_.BeginRun(ctx_.programFolder + ctx_.request.UndoName + ".reg", ctx_.OsGeneration);
  const int drives = ctx_.SelectedDriveCount();

  ctx_.progress.phase = "Scanning System Registry";
  BeginStep(ctx_.request, StepShare(ProgressStep::MachineRegistry, ctx_.request.Mode, ctx_.targets, drives));
  SearchThruKey(RegRoot::LocalMachine, "HKEY_LOCAL_MACHINE\\", "");

  ctx_.progress.phase = "Scanning User Registry";
  BeginStep(ctx_.request, StepShare(ProgressStep::UserRegistry, ctx_.request.Mode, ctx_.targets, drives));
  SearchThruKey(RegRoot::CurrentUser, "HKEY_CURRENT_USER\\", "");
}

void RegistryWalk::SearchThruKey(RegRoot root, const std::string& rootName, const std::string& path) {
  if (ctx_.PumpCancelled()) return;
  TNTRegistry reg(backend_, root);
  ctx_.request.ScanLocation = rootName + path;
  // Read access is enough to search; a change reopens the key for writing.
  // The key is opened itself, so that a registry link shows as one.
  if (!reg.OpenRegPathItselfForReading("\\" + path)) {
    // A key gone since its parent was listed is no loss.
    if (reg.LastOpenError() != kRegNotFound && reg.LastOpenError() != kRegKeyDeleted)
      ctx_.PassOver(rootName + path, ErrorReason("the key could not be opened", reg.LastOpenError()));
    return;
  }
  long subkeyFailure = kRegOk, valueFailure = kRegOk;
  const std::vector<ListedValue> values = reg.ListValues(&valueFailure);
  // A link (CurrentControlSet) leads to keys walked where they live: entered
  // too, it would show every value twice, and change each twice. It is
  // listed with its parent and left alone.
  if (IsLinkListing(values)) return;
  KeyVisit visit{root, rootName, path, reg};

  const EntryResult keyResult = FindReplaceEntry(visit, path, "", EntryKind::KeyPath);
  // A moved key's subtree is not visited in this pass: it lives elsewhere now.
  if (ctx_.request.Cancelled || keyResult.moved) return;

  const std::vector<std::string> subkeys = reg.ListSubkeyNames(&subkeyFailure);
  if (subkeyFailure != kRegOk)
    ctx_.PassOver(rootName + visit.path, ErrorReason("not every subkey could be listed", subkeyFailure));
  if (valueFailure != kRegOk)
    ctx_.PassOver(rootName + visit.path, ErrorReason("not every value could be listed", valueFailure));
  for (const ListedValue& v : values) {
    if (ctx_.PumpCancelled()) return;
    const EntryResult nameResult = FindReplaceEntry(visit, v.name, v.name, EntryKind::ValueName);
    if (ctx_.request.Cancelled) return;
    if (v.type != kRegSz && v.type != kRegExpandSz && v.type != kRegMultiSz) continue;
    if (!v.textExact) {
      if (spellings_->Choose(v.text).first.found())
        ctx_.PassOver(Place(rootName + visit.path, true, v.name),
                      "its list of strings is not well formed and would not come back exactly");
      continue;
    }
    // A renamed value's data is mapped under its new name.
    FindReplaceEntry(visit, v.text, nameResult.moved ? nameResult.nowNamed : v.name, EntryKind::ValueData, v.type);
    if (ctx_.request.Cancelled) return;
  }
  reg.CloseKey();
  for (const std::string& sub : subkeys)
    if (!sub.empty()) SearchThruKey(root, rootName, path.empty() ? sub : path + "\\" + sub);
}

RegistryWalk::EntryResult RegistryWalk::FindReplaceEntry(KeyVisit& visit, const std::string& text,
                                                         const std::string& valueName, EntryKind kind,
                                                         std::uint32_t type) {
  EntryResult result;
  const Spellings::Family family = spellings_->Choose(text);
  if (!family.first.found()) return result;
  std::string current = text;
  std::string actualName = valueName;  // where a renamed value lives now
  // A match may be longer or shorter than its form; each is replaced in the
  // spelling it was found in.
  std::size_t pos = family.first.pos, length = family.first.length;
  std::string newText(family.first.newText);
  bool asked = false;
  while (pos != kNotFound) {
    const std::string candidate = current.substr(0, pos) + newText + current.substr(pos + length);
    const std::string shownName = kind == EntryKind::KeyPath ? "" : kind == EntryKind::ValueName ? current : valueName;
    if (VerificationOn(ctx_)) {
      asked = true;
      const Answer answer =
          OfferChange(ctx_, Question{visit.rootName + visit.path, shownName, current, candidate}, WalkKind::Registry);
      if (answer != Answer::Replace) return result;
    }
    bool moved = true;
    if (ctx_.preview) {
      if (ctx_.ui) ctx_.ui->ReportPreview({visit.rootName + visit.path, shownName, current, candidate});
    } else {
      const Outcome outcome = Apply(visit, actualName, candidate, valueName, kind, type);
      if (outcome == Outcome::PassedOver) break;
      moved = outcome == Outcome::Changed;
    }
    ++ctx_.request.LinkCount;
    result.changed = true;
    if (kind != EntryKind::ValueData && moved) {
      result.moved = true;
      if (kind == EntryKind::KeyPath) visit.path = candidate;
      if (kind == EntryKind::ValueName) actualName = result.nowNamed = candidate;
    }
    current = candidate;
    const Occurrence next = spellings_->Next(family, current, pos + newText.size());
    pos = next.pos;
    length = next.length;
    newText = std::string(next.newText);
  }
  if (asked && ctx_.ui) ctx_.ui->SetCursor(Cursor::Busy);
  return result;
}

RegistryWalk::Outcome RegistryWalk::Apply(KeyVisit& visit, const std::string& actualName,
                                          const std::string& candidate, const std::string& valueName, EntryKind kind,
                                          std::uint32_t type) {
  const std::string keyPath = "\\" + visit.path;
  const std::string place =
      Place(visit.rootName + visit.path, kind != EntryKind::KeyPath, kind == EntryKind::ValueName ? actualName : valueName);
  // A rename or move that cannot change anything is refused before its
  // backup is written, and is not counted.
  std::string noChange;
  if (kind == EntryKind::KeyPath) {
    const std::string from = visit.path + "\\", to = candidate + "\\";
    const std::size_t head = FoldPrefixLength(to, from);
    if (EqualFold(visit.path, candidate))
      noChange = "it would be renamed onto its own name";
    else if (head != kNotFound)
      noChange = "it would be moved into its own subkey " + visit.rootName + candidate;
    else if (TNTRegistry(backend_, visit.root).KeyExists("\\" + candidate))
      noChange = "a key " + visit.rootName + candidate + " exists already";
  } else if (kind == EntryKind::ValueName) {
    if (EqualFold(actualName, candidate))
      noChange = "it would be renamed onto its own name";
    else if (visit.reg.QueryValueInfo(candidate))
      noChange = "a value named " + candidate + " exists already in that key";
  }
  if (!noChange.empty()) {
    ctx_.PassOver(place, noChange);
    return Outcome::PassedOver;
  }
  // Moving a tree through a link would copy the link's target instead;
  // refused before anything is backed up.
  if (kind == EntryKind::KeyPath && TNTRegistry(backend_, visit.root).HoldsLink(keyPath)) {
    ctx_.PassOver(place, "it holds a registry link, which a move would not keep");
    return Outcome::PassedOver;
  }
  // A change whose state before the run the file can't hold is not made;
  // errors of the file itself stop the run.
  try {
    switch (kind) {
      case EntryKind::KeyPath: backup_.BackupKeyMove(visit.root, keyPath, "\\" + candidate); break;
      case EntryKind::ValueName: backup_.BackupValueRename(visit.root, keyPath, actualName, candidate); break;
      case EntryKind::ValueData: backup_.BackupRegistryValue(visit.root, keyPath, valueName); break;
    }
  } catch (const BackupRefused& e) {
    ctx_.PassOver(place, e.what());
    return Outcome::PassedOver;
  }
  try {
    switch (kind) {
      case EntryKind::KeyPath: {
        TNTRegistry mover(backend_, visit.root);
        return mover.MoveRegKey(keyPath, "\\" + candidate, true) ? Outcome::Changed : Outcome::NothingToDo;
      }
      case EntryKind::ValueName:
        if (!visit.reg.RenameRegValue(actualName, candidate)) return Outcome::NothingToDo;
        ctx_.environmentChanged |= IsEnvironmentKey(visit.rootName + visit.path);
        return Outcome::Changed;
      case EntryKind::ValueData:
        ctx_.environmentChanged |= IsEnvironmentKey(visit.rootName + visit.path);
        if (type == kRegMultiSz)
          visit.reg.WriteMultiTextValue(valueName, candidate);
        else
          visit.reg.WriteTextValue(valueName, candidate, type == kRegExpandSz ? kRegExpandSz : kRegSz);
        return Outcome::Changed;
    }
  } catch (const Error& e) {
    ctx_.PassOver(place, e.what());
    return Outcome::PassedOver;
  }
  return Outcome::NothingToDo;
}
