#pragma once
// The system shell's move of one file or folder into a folder. Across drives
// it copies and deletes; the result tells whether everything arrived.
#include <string>

struct ShellMoveResult {
  int code = 0;          // the shell's own result, 0 when it did the whole operation
  bool aborted = false;  // the user cancelled some part of it
  bool Succeeded() const { return code == 0 && !aborted; }
};

class ShellMove {
 public:
  virtual ~ShellMove() = default;
  // Moves source into targetFolder (which exists), keeping its name. When
  // silent the shell shows nothing and asks nothing; otherwise it shows its
  // progress window, asks before it replaces anything and reports its errors.
  virtual ShellMoveResult MoveItem(const std::string& source, const std::string& targetFolder, bool silent) = 0;
};
