#include "engine/Refusal.h"

namespace {
// The words of the folder an elevated run will not keep its records in.
std::string OthersMayChange(const std::string& folder) {
  return "Ostrivane runs with administrator rights and will not use the undo records in " + folder +
         ": other users can change that folder, so a record placed there could make Ostrivane move, restore or "
         "delete what they chose.";
}
}  // namespace

std::string RefusalWhy(const EngineRefusal& r) {
  switch (r.reason) {
    case RefusalReason::DriveRoot: return "a drive root is never moved";
    case RefusalReason::WindowsFolder: return "the Windows folder and everything in it stay in place";
    case RefusalReason::ProgramRoot: return "a Program Files or ProgramData folder itself stays in place";
    case RefusalReason::UsersFolder: return "the Users folder and each profile's own folder stay in place";
    case RefusalReason::HoldsProgram: return "it holds Ostrivane itself and its undo records";
    case RefusalReason::IsProgram: return "it is Ostrivane itself";
    case RefusalReason::OverProgram: return "a backup is never written over Ostrivane itself";
    case RefusalReason::OverRecords: return "a backup is never written over Ostrivane's own undo records";
    case RefusalReason::NotFullPath: return "its name in the archive is not a full path on a drive";
    case RefusalReason::ShallowKeyDeletion:
      return "the deletion of " + r.place +
             " is refused: a hive or a key less than three levels deep (HKEY_LOCAL_MACHINE\\Software\\X is the "
             "shallowest) is never deleted";
    case RefusalReason::SameTexts:
      return "The text to find and the text to replace it with are the same (" + r.place +
             "): there is nothing to change.";
    case RefusalReason::ForbiddenCharacter:
      return "The new place " + r.place + " holds " + r.detail + ", which no Windows path may hold.";
    case RefusalReason::AlreadyThere: return r.place + " is already there: there is nothing to move.";
    case RefusalReason::MoveIntoItself: return r.place + " cannot be moved into itself (" + r.detail + ").";
    case RefusalReason::OntoOwnName: return "it would be renamed onto its own name";
    case RefusalReason::IntoOwnSubkey: return "it would be moved into its own subkey " + r.place;
    case RefusalReason::KeyExists: return "a key " + r.place + " exists already";
    case RefusalReason::HoldsRegistryLink: return "it holds a registry link, which a move would not keep";
    case RefusalReason::ValueNameTaken: return "a value named " + r.place + " exists already in that key";
    case RefusalReason::NotARunsFile: return "it is none of the files a run changes";
    case RefusalReason::NotATarget: return "the run's targets do not take files of its kind";
    case RefusalReason::NoLongerOpened: return "it is no longer a file the run opens (a link, a folder, or too large)";
    case RefusalReason::AnsiCannotHold:
      return "the registry backup is an ANSI file (REGEDIT4) that cannot hold this name or text";
    case RefusalReason::KeyUnreadable:
      return r.place + " could not be read whole for the registry backup (error " + r.detail + ")";
    case RefusalReason::ValueUnreadable: return r.detail;
    case RefusalReason::ServiceWouldNotStop: return r.place + " could not be stopped: " + r.detail + "  Nothing was moved.";
    case RefusalReason::ServiceStartedAgain: return r.place + " started again after it was stopped.  Nothing was moved.";
    case RefusalReason::ServiceNotStartedAgain: return "it was stopped for the move and not started again: " + r.detail;
    case RefusalReason::ItemInUse:
      return "Programs or services run from " + r.place + ":" + r.detail + "\nNothing was moved.";
    case RefusalReason::RecordsFolderNotMade: return "The undo records folder " + r.place + " cannot be created.";
    case RefusalReason::RecordsOpenToOthers:
      return OthersMayChange(r.place) + " Let only Administrators and SYSTEM change it.";
    case RefusalReason::RecordsCopyOpenToOthers:
      return OthersMayChange(r.place) +
             " Run this copy from a folder that only administrators can change, or without administrator rights.";
  }
  return "";
}

std::string RefusalText(const EngineRefusal& r) {
  switch (r.reason) {
    case RefusalReason::DriveRoot:
    case RefusalReason::WindowsFolder:
    case RefusalReason::ProgramRoot:
    case RefusalReason::UsersFolder:
    case RefusalReason::HoldsProgram:
    case RefusalReason::IsProgram: return r.place + " is left where it is: " + RefusalWhy(r) + ".";
    case RefusalReason::OverProgram:
    case RefusalReason::OverRecords:
    case RefusalReason::NotFullPath: return r.place + " was not restored: " + RefusalWhy(r) + ".";
    case RefusalReason::ServiceNotStartedAgain:
      return r.place + " was stopped for the move and not started again: " + r.detail;
    default: return RefusalWhy(r);
  }
}
