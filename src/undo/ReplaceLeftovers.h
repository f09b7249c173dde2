#pragma once
// What a replacement stopped by a crash can leave beside the file it was
// replacing: the program's own temporary file ("~ostrivane-XXXX.tmp"), and,
// from earlier builds that handed it to the platform's replacement, the
// platform's temporary file ("rf", up to four hex digits, ".tmp"), which that
// replacement made of the old file and, when stopped half way, left with no
// file at the name at all.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileSystem.h"
#include "engine/WrittenRecord.h"

bool IsPlatformReplaceTempName(std::string_view name);

// Each folder is listed once: an undo asks of every file it restores.
class ReplaceLeftovers {
 public:
  explicit ReplaceLeftovers(FileSystem& fs) : fs_(fs) {}
  // The temporary files of either form beside `target` that hold what the
  // run wrote there (`ran`, when the record says what that was) or what the
  // file held before the run (`before`). Being copies of what the undo
  // knows, they show a stopped replacement was the run's own doing, and may
  // go once the file is restored. A file that cannot be read is none of them.
  std::vector<std::string> CopiesBeside(const std::string& target, const FileWrite& ran, const std::string& before);

 private:
  FileSystem& fs_;
  std::map<std::string, std::vector<DirEntry>> temps_;  // by FoldKey of the folder: its temporary files
};
