#pragma once
// Whole-file replacement as every writer of user files does it: the new
// content goes into a temporary file beside the old one ("~ostrivane-XXXX.tmp",
// the form the walks pass over), is flushed, is given what the old file keeps
// (its permissions, alternate data streams, creation time and attributes:
// CarryOver.h) and takes the old file's place in one rename that replaces.
// A crash at any moment leaves the old file or the new one under the name,
// never a half-written file nor none at all (ReplaceFileW gives no such
// promise: some systems do it as two renames).
//
// A file with more than one name (hard links) is the exception: a new file
// put in place would carry the new content under this name only, while the
// other names kept the old one. So is a file whose kept parts cannot all be
// carried (an owner only a privilege may set): a silent loss of its
// permissions would be worse. Such a file is rewritten in place, only from
// its first changed byte on. A crash during that write can leave it torn;
// its backup, which every caller makes durable before the change, restores
// it. Keeping the names together is worth that: a split is silent and the
// undo could not rejoin it, a torn file is visible and the undo repairs it.
#include <cstdint>
#include <string>
#include <string_view>

// How many names the file has; 0 when it can't be opened (or does not exist).
std::uint32_t NameCountOf(const std::string& path);

// Writes data over the file's content where it differs, then cuts or
// extends it to data's length and flushes it. False (with the platform's
// error as the last error) when the file can't be opened or written.
bool RewriteInPlace(const std::string& path, std::string_view data);

// A new empty temporary file in the folder of `path`; removed again when the
// object goes unless it was put in place. Empty Path() when none could be made.
class TempBeside {
 public:
  explicit TempBeside(const std::string& path);
  ~TempBeside();
  TempBeside(TempBeside&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }
  TempBeside(const TempBeside&) = delete;
  TempBeside& operator=(const TempBeside&) = delete;
  const std::string& Path() const { return path_; }

  // The temporary file, already flushed, takes the place of `target` with its
  // permissions, streams, creation time and attributes; a target with more
  // than one name, or whose kept parts cannot be carried, gets the temporary
  // file's content in place instead. A
  // read-only target is refused (false, last error ERROR_ACCESS_DENIED), as
  // the platform's own writes refuse it; so is any failure.
  bool PutInPlaceOf(const std::string& target);

 private:
  bool RewriteTargetInPlace(const std::string& target);
  std::string path_;
};
