#pragma once
// Reads a registry file of the kind the backup writes (REGEDIT4 or Version
// 5.00, quoted strings, dword:, hex: and hex(N): lists with continued lines,
// "=-" value removals, "[-key]" key removals) and applies it in file order.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/CodePage.h"
#include "core/FileSystem.h"
#include "regmap/RegistryBackend.h"

struct FailedRegLine {
  int number = 0;  // 1-based line number of the line (of its first line when continued)
  std::string text;
  std::string reason;
};

struct RegImportResult {
  int values = 0;  // value lines applied: values set or removed
  int keys = 0;    // key lines applied: keys opened or made, keys removed
  std::vector<FailedRegLine> failed;
  bool environmentTouched = false;  // a value under an environment key was set or removed
};

// One line of a registry file, read.
struct RegOp {
  enum class Kind { OpenKey, DeleteKey, SetValue, DeleteValue };
  Kind kind = Kind::OpenKey;
  RegRoot root = RegRoot::CurrentUser;
  std::string path;  // below the root, with a leading "\\"; of a value, its key's
  std::string name;  // a value's name ("" for the default value)
  std::uint32_t type = 0;
  std::string data;  // a value's bytes as the registry stores them
  int line = 0;      // 1-based, of its first line
  std::string text;  // that line as it stands
  std::string KeyName() const;  // "HKEY_CURRENT_USER\\Software\\App"
};

struct ParsedRegFile {
  std::vector<RegOp> ops;             // in file order
  std::vector<FailedRegLine> failed;  // lines that could not be read
};

// The root of a full key name ("HKEY_CURRENT_USER", "HKCU" ...).
std::optional<RegRoot> RootOfName(std::string_view name);

// Reads a registry file (see ImportRegText for what it accepts) without
// applying anything. Throws Error when it doesn't begin with a header.
ParsedRegFile ParseRegText(std::string_view stored, CodePage& ansi);
// Applies the lines in file order; with `chosen`, only the lines it takes
// (a key's header is then made only when it or a value below it is taken).
RegImportResult ApplyRegOps(RegistryBackend& backend, const ParsedRegFile& parsed,
                            const std::function<bool(const RegOp&)>& chosen = {});

// The file's bytes as stored: UTF-16 with its byte order mark (this
// program's and the registry editor's Version 5.00 files), or ANSI text
// (REGEDIT4, and Version 5.00 files of earlier builds), read through `ansi`
// as are the string hex lists of ANSI files. Throws Error when it doesn't
// begin with a registry file header.
RegImportResult ImportRegText(RegistryBackend& backend, std::string_view stored, CodePage& ansi);
// Reads the whole file first. Throws Error when it can't be read.
RegImportResult ImportRegFile(FileSystem& fs, RegistryBackend& backend, const std::string& path, CodePage& ansi);
