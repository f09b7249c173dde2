#pragma once
// The run's registry backup: a file in the registry editor's import format
// that brings every entry the run changes back to its state before the run
// when it is imported from top to bottom.
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/CodePage.h"
#include "core/Error.h"
#include "core/FileSystem.h"
#include "engine/DurableBatch.h"
#include "engine/Refusal.h"
#include "regmap/NTReg.h"
#include "regmap/RegistryBackend.h"

inline constexpr const char* kRegHeader5 = "Windows Registry Editor Version 5.00";
inline constexpr const char* kRegHeader4 = "REGEDIT4";
// The line after the header's empty line in the files this program writes in
// UTF-16: earlier builds stored one-byte (ANSI) text in UTF-16 files, one
// character a byte, and such files lack it.
inline constexpr const char* kRegUnicodeMark = "; Unicode";

// How a file stores its text.
enum class RegTextStorage {
  Unicode,      // UTF-16LE with its byte order mark (or UTF-8 with its mark)
  Ansi,         // the ANSI code page, one or more bytes a character
  WidenedAnsi,  // UTF-16 whose characters are ANSI bytes, one each (earlier builds)
};

// A file's header kind (5 or 4) and its storage. In Unicode storage the hex
// lists of string types hold the registry's own UTF-16LE bytes; otherwise
// they hold ANSI bytes, each followed by "00," in Version 5.00 files.
struct RegFileForm {
  int version = 5;
  RegTextStorage storage = RegTextStorage::Unicode;
  bool operator==(const RegFileForm&) const = default;
};

// An entry the backup file cannot hold exactly (a name or text outside the
// ANSI code page in an ANSI file, a key whose content can't all be read).
// The change it was for must not be made.
class BackupRefused : public Refused {
 public:
  using Refused::Refused;
};

// The escaping of quoted text: LF, CR, double quote and backslash.
std::string ConvertSt(std::string_view text);
// "@" for the default value, else the escaped name in double quotes.
std::string NameField(std::string_view name);
// The line or lines (UTF-8) that set a value in the given form; `data` is
// the registry's own bytes. A value in hex form is followed by an empty line.
// Throws BackupRefused when an ANSI form can't hold the data (`ansi` is used
// only for ANSI forms).
std::vector<std::string> ValueLines(std::string_view name, std::uint32_t type, std::string_view data, RegFileForm form,
                                    CodePage* ansi);

// The text of a file (UTF-8) from its bytes: UTF-16 with its mark decoded,
// anything else as it is. Enough for the files this program writes.
std::string DecodeRegText(std::string_view bytes);

// A whole file's form and text as UTF-8, whichever way it is stored. `form`
// has version 0 when the file doesn't begin with a header.
struct DecodedRegFile {
  RegFileForm form;
  std::string text;
};
DecodedRegFile DecodeRegFile(std::string_view bytes, CodePage& ansi);

// The header kind of an existing backup file: 5 or 4, 0 when the file is
// missing, empty or begins otherwise.
int RegFileKind(FileSystem& fs, const std::string& path);
// Appends one entry (UTF-8; CR LF after it) to the file in the file's own
// form, flushed unless `flush` is false; a file that is missing or doesn't
// begin with a header is made anew in form `fresh`. Throws BackupRefused,
// writing nothing, when the file's form can't hold the text.
void WriteReg(FileSystem& fs, const std::string& path, std::string_view text, RegFileForm fresh, CodePage* ansi,
              bool flush = true);

class RegBackup : public DurableFile {
 public:
  // `ansi` writes REGEDIT4 files and appends to files of earlier builds.
  RegBackup(RegistryBackend& backend, FileSystem& fs, CodePage& ansi) : backend_(backend), fs_(fs), ansi_(ansi) {}

  // A run's first pass calls this first: what earlier runs backed up is
  // forgotten (a run may get the name of a record deleted since).
  void BeginRun(const std::string& filePath);
  // Every later pass of the same run calls this first; what the run has
  // backed up is remembered. Throws Error when the file this run wrote into
  // has disappeared since: a fresh file would hide the backups lost with it.
  void BeginPass();
  // The file of the run begun last, "" before any.
  const std::string& FilePath() const { return path_; }

  // Each call settles the state before the run of what it names, once per
  // run: the batch's first entry is written when it returns, the others are
  // held and written at MakeDurable (the batch's commit, which also puts them
  // on disk) or LetGo. Later calls for what is settled already write nothing.
  // BackupRefused: nothing was written, and the change must not be made;
  // other errors (the file) stop the run.
  // `read`, when given, is the value as the caller has just read it (a walk's
  // listing of the key): it is taken instead of opening the key again.
  void BackupRegistryValue(RegRoot root, const std::string& keyPath, const std::string& valueName,
                           const RawValue* read = nullptr);
  // The old name's state and the removal of the new name.
  void BackupValueRename(RegRoot root, const std::string& keyPath, const std::string& oldName,
                         const std::string& newName);
  // The removal of the new key and the whole old key with its subtree.
  void BackupKeyMove(RegRoot root, const std::string& oldPath, const std::string& newPath);
  void MakeDurable() override;
  // The entries held so far are written (not flushed) and the file closed.
  void LetGo() override;

 private:
  enum class KeyState { Untouched, Recorded, InsideRecorded, Created };
  struct Pending {
    std::vector<std::string> lines;
    std::vector<std::string> values, recorded, created;
    std::string headerBefore;
  };
  KeyState StateOf(RegRoot root, const std::string& path) const;
  void SettleValue(Pending& p, RegRoot root, const std::string& path, const std::string& name,
                   const RawValue* read = nullptr);
  void SettleKey(Pending& p, RegRoot root, const std::string& path, bool inExport = false);
  void SettleMoveTarget(Pending& p, RegRoot root, const std::string& newPath, const std::string& oldPath);
  void Header(Pending& p, RegRoot root, const std::string& path);
  void Commit(Pending& p);
  void StopIfVanished() const;
  void WriteHeld();
  void Forget(Pending& p);
  // Runs one entry's settling and writes it; on any failure the entry is forgotten.
  template <class F>
  void Entry(F&& settle);
  static std::string KeyId(RegRoot root, const std::string& path);
  static std::string ValueId(RegRoot root, const std::string& path, const std::string& name);

  RegistryBackend& backend_;
  FileSystem& fs_;
  CodePage& ansi_;
  std::string path_;
  RegFileForm form_;
  std::string lastHeader_;     // the key that the file's last header names
  bool wrote_ = false;         // this run has written into path_ already
  // Open from a batch's first entry to its flush: one open a batch. The
  // entries after its first are held and written at the flush.
  std::unique_ptr<RandomFile> open_;
  std::string held_;
  std::uint64_t end_ = 0;
  std::set<std::string> values_;    // values whose state before the run is in the file
  std::set<std::string> recorded_;  // keys whose whole content before the run is in the file
  std::set<std::string> created_;   // keys that did not exist before the run; the file removes them
};
