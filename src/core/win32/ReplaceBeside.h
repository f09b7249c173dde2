#pragma once
// Whole-file replacement as every writer of user files does it: the new
// content goes into a temporary file beside the old one ("~ovXXXX.tmp", the
// form the walks pass over), is flushed, and takes the old file's place in
// one rename, so a failure never leaves a half-written file.
#include <string>

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
  // hidden, system and archive marks. A read-only target is refused (false),
  // as the platform's own writes refuse it; so is any failure.
  bool PutInPlaceOf(const std::string& target);

 private:
  std::string path_;
};
