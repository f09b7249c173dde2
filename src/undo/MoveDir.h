#pragma once
// The move of a Move and Map run and the move back of an undo: the item goes
// into its target folder through the system shell, and a run's move is
// recorded in the move record (undo name + ".bat", section "Move", "To" then
// "From", and "Created" when the move made its target folder) so that the
// undo can bring it back and take away the folders the move made.
#include <string>
#include <vector>

#include "engine/GuardRails.h"
#include "engine/RunPorts.h"
#include "core/FileSystem.h"
#include "undo/ShellMove.h"

inline constexpr const char* kMoveSection = "Move";
inline constexpr const char* kMoveTo = "To";
inline constexpr const char* kMoveFrom = "From";
// The highest folder the move created on the way to its target folder (it
// made every folder from there down to the target). Records of earlier
// builds have none.
inline constexpr const char* kMoveCreated = "Created";
// Written "moving" before the shell move and "moved" once it is done, so an
// undo can tell a move stopped part way (a copy across volumes killed: the
// item whole at its old place, part of it at the new) from a finished one.
// Records of earlier builds have none and count as finished.
inline constexpr const char* kMovePhase = "Phase";
inline constexpr const char* kPhaseMoving = "moving";
inline constexpr const char* kPhaseMoved = "moved";
inline constexpr const char* kDoesNotExist = "%s does not exist.  Please correct.";

// The folder the item is moved into: destination without its last component
// when that component names the item (A-Z case folded), else destination itself.
std::string TargetFolderOf(const std::string& source, const std::string& destination);

// The path of the item once it is in the target folder.
std::string ArrivalOf(const std::string& source, const std::string& destination);

// Removes the folders a move created, from targetFolder up to `created`,
// each only while it is empty; stops at the first that stays. Nothing when
// targetFolder does not lie within `created` or `created` is a drive root.
// The folders removed, deepest first.
std::vector<std::string> RemoveCreatedFolders(FileSystem& fs, const std::string& targetFolder,
                                              const std::string& created);

class FolderMove : public ItemMover {
 public:
  // silent: the shell may show no dialog (the console front end); this move
  // then refuses to replace an item that is already where the item would go,
  // since nobody can be asked, and says itself why a move failed.
  FolderMove(FileSystem& fs, ShellMove& shell, bool silent)
      : fs_(fs), shell_(shell), silent_(silent) {}

  // The run's move. The record is on disk before anything moves, so an
  // interrupted move can still be moved back; after a failed move it is
  // taken away again unless part of the item arrived at its new place. A
  // missing source, and any failure the shell has not shown, is shown.
  // Throws Error when the record cannot be written, and when the guard rails
  // refuse the item (before anything is written or made).
  bool MoveDir(RunPass& run, const std::string& source, const std::string& destination) override;
  std::optional<EngineRefusal> MoveRefusal(const std::string& source) override {
    return guard_ ? guard_->MoveRefusal(source) : std::nullopt;
  }

  // The undo of a move stopped part way: the item stands at `home` still, and
  // what reached `arrived` is either a copy of a part of it (its original
  // still at home, whole, since the shell deletes an original only after its
  // copy is complete) or the only copy of a part that left home. Copies go,
  // only copies go back home; nothing is ever deleted that has no copy at
  // home. Part copies under the program's temporary names go too. Adds what
  // it did to `done` and what failed to `problems`.
  void SettleInterruptedMove(const std::string& arrived, const std::string& home, std::vector<std::string>& done,
                             std::vector<std::string>& problems);

  // The undo's move back: no record (it must never touch another entry's
  // record) and no message. "" on success, else why the item was not moved.
  std::string MoveBack(const std::string& source, const std::string& destination);
  // The same, with what it did added to `done` ("... was moved back to ...")
  // or why not to `problems`; true when the item went back.
  bool MoveBack(const std::string& source, const std::string& destination, std::vector<std::string>& done,
                std::vector<std::string>& problems);

  // The rails both moves keep to; none in tests that need none.
  void SetGuard(GuardRails* guard) { guard_ = guard; }

 private:
  void Show(const RunPass& run, const std::string& text);
  void SettleArrived(const std::string& arrived, const std::string& home, std::vector<std::string>& done,
                     std::vector<std::string>& problems);
  // In `folder`, and with `below` in every folder under it.
  void RemoveTemporaryCopies(const std::string& folder, bool below, std::vector<std::string>& done,
                             std::vector<std::string>& problems);

  FileSystem& fs_;
  ShellMove& shell_;
  bool silent_;
  GuardRails* guard_ = nullptr;
};
