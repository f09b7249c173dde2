#pragma once
// The written record (UndoNNNNN.after): what a run wrote, place by place,
// announced before each write and durable on disk before the write is made
// (a batch of announcements is flushed once, before the batch's writes).
// An undo restores a place only while it still holds what this record says
// the run wrote there; a place the record does not name was not changed by
// the run (its backup was made, then the change was refused or failed).
//
//   Ostrivane written record 1
//   file<TAB>path<TAB>sha256<TAB>size    the file's whole content after the write
//   file<TAB>path<TAB>pending            a write whose bytes the platform makes (a shortcut);
//                                        followed by the line above once it is made
//   value<TAB>key<TAB>name<TAB>type<TAB>hex data
//   rename<TAB>key<TAB>old name<TAB>new name<TAB>type<TAB>hex data (the data now under the new name)
//   key<TAB>old key<TAB>new key         a key moved with its subtree
//   task<TAB>\path<TAB>pending            a scheduled task about to be registered again
//   task<TAB>\path<TAB>sha256<TAB>size    its definition (UTF-8 XML) as the service gives it back after
//   withdrawn                            the write the line before announced was not made
//   withdrawn<TAB>line                   the write an earlier line announced was not made: `line`
//                                        is that line as written (its last one of that text)
//
// Fields escape "%", tab, CR, LF and NUL as %25, %09, %0D, %0A, %00. Keys are
// full names ("HKEY_CURRENT_USER\Software\App"), as the registry backup names them;
// tasks by their path in the Task Scheduler ("\Vendor\Updater").
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/DurableBatch.h"

#include "core/FileSystem.h"

inline constexpr const char* kWrittenRecordTitle = "Ostrivane written record 1";
inline constexpr const char* kWrittenRecordExtension = ".after";
// The old definitions of the scheduled tasks a run registered again.
inline constexpr const char* kTaskBackupExtension = ".tasks";
// Every record file of an undo entry: the move record, the registry backup,
// the file archive, the change report, the written record and the task backup.
inline constexpr const char* kRecordExtensions[] = {".bat", ".reg", ".zip", ".log", kWrittenRecordExtension,
                                                    kTaskBackupExtension};

struct FileWrite {
  std::string path;
  std::string sha256;  // empty: announced, but the run stopped before it could say what it wrote
  std::uint64_t size = 0;
  // Whether `content` is what the record says was written (false while unsaid).
  bool Holds(std::string_view content) const;
};

struct RegistryWrite {
  enum class Kind { Value, Rename, KeyMove };
  Kind kind = Kind::Value;
  std::string key;      // the key (of a key move: the old key)
  std::string name;     // the value's name (of a rename: the old name)
  std::string newName;  // a rename's new name; a key move's new key
  std::uint32_t type = 0;
  std::string data;     // the registry's own bytes
};

struct WrittenPlaces {
  std::map<std::string, FileWrite> files;  // by FoldKey of the path; the last write of each
  std::vector<RegistryWrite> registry;     // in the order made
  std::map<std::string, FileWrite> tasks;  // by FoldKey of the task's path, as files are
  bool Empty() const { return files.empty() && registry.empty() && tasks.empty(); }
};

// Reads a record; a line torn as it was written (no line end) announced a
// write that was never made, and is passed by, as are lines it does not know.
WrittenPlaces ReadWrittenRecord(std::string_view bytes);

// One announced write, as its line says it; what withdraws it again.
struct Announcement {
  std::string line;  // without its line end; empty: nothing was announced
  int counts = 0;    // what it added to the record's count
};

// Announcements are written as they come and made durable by MakeDurable
// (a batch's commit), which every announced write waits for.
class WrittenRecord : public DurableFile {
 public:
  explicit WrittenRecord(FileSystem& fs) : fs_(fs) {}

  // Makes the run's record with its first line, durable before any change.
  void BeginRun(const std::string& path);
  const std::string& FilePath() const { return path_; }
  // Writes announced and not withdrawn since BeginRun.
  int Count() const { return count_; }

  Announcement File(const std::string& path, std::string_view content);
  Announcement FilePending(const std::string& path);
  // After a pending write: what the file now holds, read back.
  void FileWritten(const std::string& path);
  // A task's definition is registered again by the service, which keeps it
  // in its own form: announced first, then said as it reads back.
  Announcement TaskPending(const std::string& taskPath);
  void TaskWritten(const std::string& taskPath, std::string_view definition);
  Announcement Value(const std::string& key, const std::string& name, std::uint32_t type, const std::string& data);
  Announcement ValueRename(const std::string& key, const std::string& oldName, const std::string& newName,
                           std::uint32_t type, const std::string& data);
  Announcement KeyMove(const std::string& oldKey, const std::string& newKey);
  // The announced write was not made after all.
  void Withdraw(const Announcement& write);
  void MakeDurable() override;
  // The lines held so far are written (not flushed) and the file closed.
  void LetGo() override;

 private:
  // An announcement waits with the batch's others, written with them at the
  // batch's flush; other lines (what was made, what was not) are written at
  // once, after those waiting.
  Announcement Append(const std::vector<std::string>& fields, int counts, bool announces = true);
  void WriteLine(const std::string& line, bool waits);
  // Writes the lines held; Error when the record is gone or can't be written.
  void WriteHeld();
  void StopIfGone();

  FileSystem& fs_;
  std::string path_;
  int count_ = 0;
  // A batch's announcements, held until its flush: one open and one write a batch.
  std::string held_;
  std::unique_ptr<RandomFile> file_;
  std::uint64_t end_ = 0;
};
