#pragma once
// Why the engine will not do something, as data: the reason, the place it
// concerns and what the platform or the check said. The words come from
// RefusalText alone, at the front end or the report row that shows them;
// no decision is ever read back from them. (A window page's own Refusal is
// the message that page shows.)
#include <optional>
#include <string>
#include <utility>

#include "core/Error.h"

enum class RefusalReason {
  // A move (the run's, or an undo's move back) of a place no run may move.
  DriveRoot,
  WindowsFolder,
  ProgramRoot,    // a Program Files or ProgramData folder itself
  UsersFolder,    // the Users folder or a profile's own folder
  HoldsProgram,   // holds the program and its undo records
  IsProgram,      // one of the program's own files
  // A file an undo would write back.
  OverProgram,
  OverRecords,
  NotFullPath,  // its name in the archive is no full path on a drive
  // A registry file's deletion of a hive or a shallow key (place: the key).
  ShallowKeyDeletion,
  // The request itself.
  SameTexts,           // place: the text
  ForbiddenCharacter,  // place: the new place; detail: the character, named
  AlreadyThere,        // place: the item
  MoveIntoItself,      // place: the item; detail: where it would go
  // A registry change that cannot be made at all (the row names the key or value).
  OntoOwnName,        // renamed onto its own name
  IntoOwnSubkey,      // place: the subkey it would go into
  KeyExists,          // place: the key already there
  HoldsRegistryLink,  // a move would not keep the link
  ValueNameTaken,     // place: the value's new name
  // A file a list names that this run does not change (the row names the file).
  NotARunsFile,
  NotATarget,
  NoLongerOpened,  // a link, a folder, or too large by now
  // A registry backup that cannot keep the state before a change.
  AnsiCannotHold,
  KeyUnreadable,    // place: the key; detail: the registry's error number
  ValueUnreadable,  // detail: what the registry said
  // The services stopped for a move (place: "The service X (x)").
  ServiceWouldNotStop,     // detail: why
  ServiceStartedAgain,     // it runs again after it was stopped
  ServiceNotStartedAgain,  // detail: why
  // Programs or services run from the item, and nobody can be asked
  // (place: the item; detail: a line for each).
  ItemInUse,
  // The undo records folder (place: the folder).
  RecordsFolderNotMade,
  RecordsOpenToOthers,    // a folder the program was installed to
  RecordsCopyOpenToOthers,  // a copy run from a folder anyone may change
};

// The last reason, so that a check can go through them all.
inline constexpr RefusalReason kLastRefusalReason = RefusalReason::RecordsCopyOpenToOthers;

struct EngineRefusal {
  RefusalReason reason;
  std::string place;
  std::string detail;
};

// The sentence the user reads.
std::string RefusalText(const EngineRefusal& refusal);
// The same without its place, for a row that names the place on its own
// (the passed-over places of a report, a registry file's failed line).
std::string RefusalWhy(const EngineRefusal& refusal);

// A refusal that ends what was asked (thrown where the caller cannot go on);
// its message is RefusalText.
class Refused : public Error {
 public:
  explicit Refused(EngineRefusal refusal) : Error(RefusalText(refusal)), refusal_(std::move(refusal)) {}
  const EngineRefusal& refusal() const { return refusal_; }

 private:
  EngineRefusal refusal_;
};
