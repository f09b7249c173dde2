#pragma once
// Reads a registry file of the kind the backup writes (REGEDIT4 or Version
// 5.00, quoted strings, dword:, hex: and hex(N): lists with continued lines,
// "=-" value removals, "[-key]" key removals) and applies it in file order.
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

// The file's bytes as stored: UTF-16 with its byte order mark (this
// program's and the registry editor's Version 5.00 files), or ANSI text
// (REGEDIT4, and Version 5.00 files of earlier builds), read through `ansi`
// as are the string hex lists of ANSI files. Throws Error when it doesn't
// begin with a registry file header.
RegImportResult ImportRegText(RegistryBackend& backend, std::string_view stored, CodePage& ansi);
// Reads the whole file first. Throws Error when it can't be read.
RegImportResult ImportRegFile(FileSystem& fs, RegistryBackend& backend, const std::string& path, CodePage& ansi);
