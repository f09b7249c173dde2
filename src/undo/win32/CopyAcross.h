#pragma once
// A move to another volume made as a copy and a delete, file by file: each
// file is copied under a temporary name beside its destination, flushed, and
// only then takes its final name, so that a kill leaves no part copy under
// a name it was to have (the undo removes the temporary ones). The originals
// are deleted once all of the item has arrived.
#include <cstdint>
#include <string>

// What a move shown to its user tells and asks while it copies; a silent
// move has none.
class CopyWatcher {
 public:
  virtual ~CopyWatcher() = default;
  // Once, before the first byte: how many bytes the item holds.
  virtual void Begin(std::uint64_t totalBytes) = 0;
  // Now and then while copying `file`; false once the user has cancelled.
  virtual bool Progress(std::uint64_t doneBytes, const std::string& file) = 0;
  enum class Clash { Replace, Keep, Cancel };
  // `existing` is already at the place `incoming` is moved to. Keep leaves
  // both where they are: that file is not moved.
  virtual Clash AskReplace(const std::string& existing, const std::string& incoming) = 0;
};

// Whether the two paths (existing) lie on different volumes.
bool OnOtherVolume(const std::string& source, const std::string& targetFolder);

// Moves source (a file or a folder) into targetFolder. 0 on success,
// ERROR_CANCELLED when the watcher's user cancelled (or kept the only file),
// else the platform's error; what arrived before a failure or a cancel
// stays, every original whole at its place. A folder arriving where one of
// its name is already is merged into it, asking the watcher of each file
// that is there (without one, such a file stops the move: ERROR_FILE_EXISTS).
unsigned long MoveAcrossVolumes(const std::string& source, const std::string& targetFolder,
                                CopyWatcher* watcher = nullptr);
