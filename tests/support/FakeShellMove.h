#pragma once
// The shell's move over a FakeFileSystem: the item's whole tree goes into the
// target folder, or, as scripted, nothing or only part of it moves.
#include <functional>
#include <string>
#include <vector>

#include "support/FakeFileSystem.h"
#include "undo/ShellMove.h"

class FakeShellMove : public ShellMove {
 public:
  explicit FakeShellMove(FakeFileSystem& fs) : fs_(fs) {}

  struct Call {
    std::string source, targetFolder;
    bool silent = false;
  };
  std::vector<Call> calls;
  ShellMoveResult reply;              // what the shell answers; nothing moves unless it is success...
  bool moveFirstFileOnly = false;     // ...or this stands for a move stopped part way
  std::function<void()> beforeMove;   // e.g. look at the disk as the shell starts

  ShellMoveResult MoveItem(const std::string& source, const std::string& targetFolder, bool silent) override;

 private:
  FakeFileSystem& fs_;
};
