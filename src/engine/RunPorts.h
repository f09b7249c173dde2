#pragma once
// What a mapping run calls in the other subsystems. Each subsystem
// implements its side; the run's tests use recording fakes.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Refusal.h"
#include "engine/RunLock.h"
#include "engine/RunPass.h"
#include "engine/SearchTexts.h"

class UndoNumbers {
 public:
  virtual ~UndoNumbers() = default;
  // Each runs the age cleanup first. The lowest free undo number, or -1
  // when none of the five-digit names is free:
  virtual int NextUndoNumber() = 0;
  // The undo list read afresh:
  virtual void RebuildList() = 0;
};

class ItemMover {
 public:
  virtual ~ItemMover() = default;
  // Moves the item and writes the run's move record (named by the run's
  // records folder and undo name); true on success.
  virtual bool MoveDir(RunPass& run, const std::string& source, const std::string& destination) = 0;
  // Why the item must never be moved (a system folder, the program's own),
  // or none: asked before anything else about the move.
  virtual std::optional<EngineRefusal> MoveRefusal(const std::string& source) {
    (void)source;
    return std::nullopt;
  }
};

class BackupArchive {
 public:
  virtual ~BackupArchive() = default;
  // Names the archive that every file backup of the run goes into.
  virtual void SetArchiveName(const std::string& path) = 0;
};

class FileBackup {
 public:
  virtual ~FileBackup() = default;
  // Saves the file's current content into the run's archive, complete and on
  // disk when it returns; false when there is no such file or it cannot be
  // read. Throws Error when the archive cannot be written.
  virtual bool BackupFile(const std::string& path) = 0;
  // Saves the files an apply is about to change at once (fewer writes to
  // disk than one at a time); each is then already saved when BackupFile is
  // asked for it. A file that cannot be read is left for BackupFile to
  // refuse. Throws Error when the archive cannot be written.
  virtual void BackupFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) BackupFile(path);
  }
  // Whether the saved copy of `path` is `content`: false when BackupFiles
  // saved it and the file changed after that, before its rewriting read it.
  // Asked once, before the file's first change.
  virtual bool BackedUpAs(const std::string& /*path*/, std::string_view /*content*/) { return true; }
};

// Each walk searches everything (and, in an apply, changes what it finds),
// or goes only to the places a search listed; the pass it is handed says
// which and takes what it finds.
class RegistryMapper {
 public:
  virtual ~RegistryMapper() = default;
  virtual void FindReplaceProcess(RunPass& run, const SearchTexts& texts) = 0;
  // Each key named ("HKEY_CURRENT_USER\Software\X"), alone, in order.
  virtual void MapKeys(RunPass& run, const SearchTexts& texts, const std::vector<std::string>& keys) = 0;
};

class FileMapper {
 public:
  virtual ~FileMapper() = default;
  virtual void MapFiles(RunPass& run, const SearchTexts& texts) = 0;
  // Each file named, in order.
  virtual void MapListedFiles(RunPass& run, const SearchTexts& texts, const std::vector<std::string>& paths) = 0;
  // One folder of MapFiles' walk: listed, its files searched; the folders
  // below it that the walk enters, in the order it enters them (none once
  // cancelled). Threads that share a drive's walk (FolderPool) call it; a
  // walker that cannot walk so fails the search rather than find nothing.
  virtual std::vector<std::string> SearchFolder(RunPass& run, const std::string& folder, const SearchTexts& texts);
};

// The walkers of one search that runs on a thread of its own: made, used and
// destroyed on that thread, sharing no state with the run's other walkers.
class SearchWalkers {
 public:
  virtual ~SearchWalkers() = default;
  virtual RegistryMapper& Registry() = 0;
  virtual FileMapper& Files() = 0;
};

class SearchCrew {
 public:
  virtual ~SearchCrew() = default;
  // Called on the searching thread.
  virtual std::unique_ptr<SearchWalkers> WalkersFor() = 0;
};

class TaskMapper {
 public:
  virtual ~TaskMapper() = default;
  virtual void MapTasks(RunPass& run, const SearchTexts& texts) = 0;
  // Each task named ("\Vendor\Updater"), in order.
  virtual void MapListedTasks(RunPass& run, const SearchTexts& texts, const std::vector<std::string>& paths) = 0;
};

class ShortNames {
 public:
  virtual ~ShortNames() = default;
  virtual std::string ShortFileName(const std::string& path) = 0;
  // The short form a run searches for alongside `path`; empty when it has
  // none that surely names the same item.
  virtual std::string SearchShortForm(const std::string& path) { return ShortFileName(path); }
};

// Running programs (Explorer first) read the environment once; after a change
// to an environment value they are told, so they read it again.
class EnvironmentNotice {
 public:
  virtual ~EnvironmentNotice() = default;
  virtual void EnvironmentChanged() = 0;
};

