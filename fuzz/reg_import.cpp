// The registry file reader, applied to an in-memory registry. Properties:
// every failed line is a line of the file; importing the same file again
// leaves the registry as the first import left it; and every key and value
// it made, written out again as this program's backup writes them, reads
// back into an empty registry as the same state.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "core/Error.h"
#include "core/Unicode.h"
#include "regmap/NTReg.h"
#include "regmap/RegBackup.h"
#include "regmap/RegImport.h"
#include "support/Cp1252.h"
#include "support/MemoryRegistry.h"

namespace {
// The keys and values below `path` as a Version 5.00 file's lines; false
// when a name has no place in a file (an empty key name, a line break in
// one, bytes that are no text).
bool Export(RegistryBackend& backend, RegRoot root, const std::string& rootName, const std::string& path,
            std::vector<std::string>& lines, int depth) {
  if (depth > 40) return false;
  RegistryCursor reg(backend, root);
  if (!reg.OpenRegPathForReading(path)) return false;
  lines.push_back("");
  lines.push_back("[" + rootName + path + "]");
  for (const RawValue& v : reg.ListRawValues()) {
    if (!IsValidUtf8(v.name)) return false;
    for (const std::string& line : ValueLines(v.name, v.type, v.data, RegFileForm{}, nullptr)) lines.push_back(line);
  }
  for (const std::string& name : reg.ListSubkeyNames()) {
    if (name.empty() || !IsValidUtf8(name) || name.find_first_of("\r\n") != std::string::npos) return false;
    if (!Export(backend, root, rootName, path + "\\" + name, lines, depth + 1)) return false;
  }
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view stored(reinterpret_cast<const char*>(bytes), size);
  Cp1252 ansi;
  MemoryRegistry reg;
  RegImportResult first;
  try {
    first = ImportRegText(reg, stored, ansi);
  } catch (const Error&) {
    return 0;  // not a registry file: reported as such
  }
  for (const FailedRegLine& f : first.failed) {
    FUZZ_CHECK(f.number >= 2);
    FUZZ_CHECK(!f.reason.empty());
  }
  FUZZ_CHECK(reg.openHandles() == 0);
  const std::string state = reg.Dump();
  ImportRegText(reg, stored, ansi);
  FUZZ_CHECK(reg.Dump() == state);
  FUZZ_CHECK(reg.openHandles() == 0);

  // What the import made, exported and imported again.
  std::vector<std::string> lines{kRegHeader5, "", kRegUnicodeMark};
  const struct {
    RegRoot root;
    const char* name;
  } roots[] = {{RegRoot::LocalMachine, "HKEY_LOCAL_MACHINE"},
               {RegRoot::CurrentUser, "HKEY_CURRENT_USER"},
               {RegRoot::Users, "HKEY_USERS"}};
  for (const auto& r : roots) {
    RegistryCursor top(reg, r.root);
    if (!top.OpenRegPathForReading("\\")) return 0;
    for (const std::string& name : top.ListSubkeyNames()) {
      if (name.empty() || !IsValidUtf8(name) || name.find_first_of("\r\n") != std::string::npos) return 0;
      if (!Export(reg, r.root, r.name, "\\" + name, lines, 0)) return 0;
    }
    if (!top.ListRawValues().empty()) return 0;  // values at a root: not made by an import
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  MemoryRegistry copy;
  const RegImportResult again = ImportRegText(copy, "\xFF\xFE" + Utf16LeBytesFromUtf8(text), ansi);
  if (!again.failed.empty() || copy.Dump() != state)
    std::fprintf(stderr, "exported:\n%s\nimported from the fuzzed file:\n%s\nfrom the export:\n%s\n", text.c_str(),
                 state.c_str(), copy.Dump().c_str());
  FUZZ_CHECK(again.failed.empty());
  FUZZ_CHECK(copy.Dump() == state);
  return 0;
}
