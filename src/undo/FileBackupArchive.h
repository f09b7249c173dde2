#pragma once
// The run's backup archive: every file a run rewrites is saved into one ZIP
// archive under its full path before it is changed, and an undo writes the
// archive's files back to where they came from.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/Refusal.h"
#include "engine/RunPorts.h"
#include "engine/UndoProgress.h"
#include "core/FileSystem.h"
#include "undo/UndoPlatform.h"
#include "undo/ZipArchive.h"


class FileBackupArchive : public BackupArchive, public FileBackup {
 public:
  FileBackupArchive(FileSystem& fs, UndoPlatform& platform);
  ~FileBackupArchive() override;

  // The archive of the run; created by the run's first backup.
  void SetArchiveName(const std::string& path) override;
  // Keeps the first copy of a file backed up under this archive name, so an
  // undo gives back the file as it was before the run.
  bool BackupFile(const std::string& path) override;
  // The files in one step per few megabytes: their entries, then the
  // directory, each written to disk once.
  void BackupFiles(const std::vector<std::string>& paths) override;
  bool BackedUpAs(const std::string& path, std::string_view content) override;

 private:
  // How much file content one step of BackupFiles holds in memory at most
  // (besides a single larger file).
  static constexpr std::size_t kBatchBytes = 16u << 20;
  void SyncWithDisk();
  // The file as its entry will hold it; nullopt when it cannot be read.
  std::optional<ZipAppender::NewEntry> ReadForBackup(const std::string& path, std::uint32_t attributes);
  // Appends the entries, durable when it returns.
  void Write(const std::vector<ZipAppender::NewEntry>& entries);

  FileSystem& fs_;
  UndoPlatform& platform_;
  std::string archivePath_;
  std::unique_ptr<ZipAppender> zip_;  // the archive's directory; null while there is no archive
  std::set<std::string> names_;       // entry names in upper case
  std::map<std::string, std::string> batched_;  // by entry name in upper case: the content's hash, of BackupFiles
};

struct RestoreResult {
  int restored = 0;                   // files written back
  std::vector<std::string> written;   // their paths, in the archive's order
  int leftOut = 0;                    // entries the caller's placeOf kept back
  std::vector<std::string> refusals;  // one message per entry not written back whole (its time included)
  int alreadyAsBefore = 0;            // entries whose place holds its backup's bytes already
  std::vector<std::string> changed;   // one message per place left because it changed after the run
  std::set<std::string> seen;         // FoldKey of every name the archive shows, whole or damaged
};

// What becomes of one entry, asked before it is written back.
enum class RestoreVerdict {
  Restore,
  AlreadyAsBefore,  // the place holds the backup's bytes: left, counted
  Changed,          // the place changed after the run: left, named with `why`
  NotChanged,       // the run never changed the place: left, not mentioned
};
struct RestoreDecision {
  RestoreDecision(RestoreVerdict v = RestoreVerdict::Restore, std::string w = "",
                  std::optional<std::string> c = std::nullopt)
      : verdict(v), why(std::move(w)), content(std::move(c)) {}
  RestoreVerdict verdict = RestoreVerdict::Restore;
  std::string why;
  // With Restore: written instead of the backup (the run's old places given
  // back around a later change), with the file's own time left as it is.
  std::optional<std::string> content;
};
using RestoreCheck = std::function<RestoreDecision(const std::string& savedFrom, const std::string& target,
                                                   const std::string& backup)>;

// Why a file must not be written back there (the program itself, its
// records), or none when it may.
using RestoreGuard = std::function<std::optional<EngineRefusal>(const std::string& target)>;

// Writes every file of the archive back to the full path it was saved from,
// with the last-write time it had when it was saved, keeping the attributes
// the file has there. An entry whose name is no full path on a drive, or
// whose data is damaged, is refused and the rest still restored: a damaged
// or cut archive gives back every entry that is still whole and names every
// other one it shows. placeOf,
// when given, names the place each file is written to instead of the one it
// was saved from (a folder moved since), or nullopt to leave the entry out.
// Throws Error when the archive cannot be opened or read.
using RestorePlace = std::function<std::optional<std::string>(const std::string& savedFrom)>;
// check, when given, decides for each entry (after placeOf and guard) whether it is written back;
// each is told of every entry as it is taken up.
RestoreResult RestoreArchive(FileSystem& fs, UndoPlatform& platform, const std::string& archivePath,
                             const RestorePlace& placeOf = {}, const RestoreGuard& guard = {},
                             const RestoreCheck& check = {}, const PlaceDone& each = {});

// A full path on a drive with no "." or ".." component: the only kind of
// name a backup is stored and restored under.
bool IsRestorablePath(const std::string& path);
