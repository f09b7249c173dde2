#pragma once
// The run's registry backup: a file in the registry editor's import format
// that brings every entry the run changes back to its state before the run
// when it is imported from top to bottom.
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileSystem.h"
#include "regmap/RegistryBackend.h"

inline constexpr const char* kRegHeader5 = "Windows Registry Editor Version 5.00";
inline constexpr const char* kRegHeader4 = "REGEDIT4";

// The escaping of quoted text: LF, CR, double quote and backslash.
std::string ConvertSt(std::string_view text);
// "@" for the default value, else the escaped name in double quotes.
std::string NameField(std::string_view name);
// The line or lines that set a value, in the file form of the given kind
// ("Version 5.00" files hold the string types' hex lists as two bytes a
// character). A value in hex form is followed by an empty line.
std::vector<std::string> ValueLines(std::string_view name, std::uint32_t type, std::string_view data, bool version5);

// "Version 5.00" files are written as the registry editor writes them:
// UTF-16 (little-endian, with its byte order mark), so every editor takes
// their two-byte hex lists as such. Characters go one to one (byte n to
// character n).
std::string WidenRegText(std::string_view text);
// The text of a backup file in the program's one-byte form, whichever way it
// is stored.
std::string DecodeRegText(std::string_view bytes);

// The header kind of an existing backup file: 5 or 4, 0 when the file is
// missing, empty or begins otherwise.
int RegFileKind(FileSystem& fs, const std::string& path);
// Appends one entry (CR LF after it) to the file and flushes it; a file that
// is missing or doesn't begin with a header is made anew with the header of
// the given kind and an empty line.
void WriteReg(FileSystem& fs, const std::string& path, std::string_view text, bool version5);

class RegBackup {
 public:
  RegBackup(RegistryBackend& backend, FileSystem& fs) : backend_(backend), fs_(fs) {}

  // Every pass of a run calls this first. The memory of what the run has
  // backed up lasts while the file stays the same and exists.
  void BeginRun(const std::string& filePath, int osGeneration);

  // Each call settles the state before the run of what it names, once per
  // run, and is on disk when it returns. Later calls for what is settled
  // already write nothing.
  void BackupRegistryValue(RegRoot root, const std::string& keyPath, const std::string& valueName);
  // The old name's state and the removal of the new name.
  void BackupValueRename(RegRoot root, const std::string& keyPath, const std::string& oldName,
                         const std::string& newName);
  // The removal of the new key and the whole old key with its subtree.
  void BackupKeyMove(RegRoot root, const std::string& oldPath, const std::string& newPath);

 private:
  enum class KeyState { Untouched, Recorded, InsideRecorded, Created };
  struct Pending {
    std::vector<std::string> lines;
    std::vector<std::string> values, recorded, created;
    std::string headerBefore;
  };
  KeyState StateOf(RegRoot root, const std::string& path) const;
  void SettleValue(Pending& p, RegRoot root, const std::string& path, const std::string& name);
  void SettleKey(Pending& p, RegRoot root, const std::string& path, bool inExport = false);
  void SettleMoveTarget(Pending& p, RegRoot root, const std::string& newPath, const std::string& oldPath);
  void Header(Pending& p, RegRoot root, const std::string& path);
  void Commit(Pending& p);
  static std::string KeyId(RegRoot root, const std::string& path);
  static std::string ValueId(RegRoot root, const std::string& path, const std::string& name);

  RegistryBackend& backend_;
  FileSystem& fs_;
  std::string path_;
  bool version5_ = true;
  std::string lastHeader_;     // the key that the file's last header names
  std::set<std::string> values_;    // values whose state before the run is in the file
  std::set<std::string> recorded_;  // keys whose whole content before the run is in the file
  std::set<std::string> created_;   // keys that did not exist before the run; the file removes them
};
