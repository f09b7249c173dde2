#pragma once
// The two pages that name a move: MoveConfirm (what a drop on the trees will
// move, and where) and MoveGiven (an item from the command line, whose
// destination is typed or browsed for).
#include <string>

#include "window/PageParts.h"

class FileSystem;

struct MovePages {
  MovePages() { FollowAdvanced(false); }

  // MoveConfirm, filled by a drop on the right tree
  std::string confirmItemName, confirmFromLine, confirmSourceFolder, confirmToLine, confirmDestination;
  // MoveGiven, filled from the command line
  std::string givenItemName, givenSourceFolder, givenDestination;
  ButtonFace confirmStart, givenStart;
  std::string confirmHint, givenHint;  // the "click ..." lines

  // "Show Advanced Map Options": the start buttons lead to the targets page
  // or start the move.
  void FollowAdvanced(bool on);
  // An item from the command line or a second start.
  void Give(const std::string& path);
  // A drop of `source` onto the folder `destination`; a refusal for a whole drive.
  Check Drop(const std::string& source, const std::string& destination, FileSystem& fs);
  // The start button's check; MoveGiven's start first takes its fields over.
  Check Start(bool given, FileSystem& fs);
  bool Complete() const { return !confirmSourceFolder.empty() && !confirmItemName.empty() && !confirmDestination.empty(); }
  // The run's texts once Start passed.
  std::string FindText() const;
  std::string ReplaceText() const;
};

inline constexpr const char* kWholeDrive =
    "A whole drive cannot be moved.  Choose a folder or a file on it; to follow a drive whose letter changed, use "
    "\"Switch Drives\".";
