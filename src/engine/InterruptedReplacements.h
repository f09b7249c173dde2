#pragma once
// A run killed between writing a file's new content beside it and the rename
// that puts it in place leaves a temporary file of the program's own beside
// it. The next run settles that first, before it changes anything: the file
// itself is whole (its old content or its new, the rename being one step),
// so the temporary file goes; a file missing beside one that holds what the
// record says was written there (left so by earlier builds, whose
// replacement took two steps) takes that content: the replacement is finished.
#include <string>
#include <vector>

class FileSystem;

// `record` is the written record of the run before (UndoNNNNN.after), which
// names the files it was replacing; `entry` its name. What was done, one
// line each, for the run to say; nothing when the record is not there.
std::vector<std::string> SettleInterruptedReplacements(FileSystem& fs, const std::string& record,
                                                       const std::string& entry);
