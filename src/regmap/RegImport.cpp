#include "regmap/RegImport.h"

#include <optional>

#include "core/Error.h"
#include "core/Text.h"
#include "core/Unicode.h"
#include "engine/GuardRails.h"
#include "regmap/NTReg.h"
#include "regmap/RegBackup.h"

namespace {
struct Bad {
  std::string reason;
};

std::optional<RegRoot> RootOfNameImpl(std::string_view name) {
  const std::string n = UpperAZ(name);
  if (n == "HKEY_LOCAL_MACHINE" || n == "HKLM") return RegRoot::LocalMachine;
  if (n == "HKEY_CURRENT_USER" || n == "HKCU") return RegRoot::CurrentUser;
  if (n == "HKEY_CLASSES_ROOT" || n == "HKCR") return RegRoot::ClassesRoot;
  if (n == "HKEY_USERS" || n == "HKU") return RegRoot::Users;
  if (n == "HKEY_CURRENT_CONFIG" || n == "HKCC") return RegRoot::CurrentConfig;
  if (n == "HKEY_DYN_DATA") return RegRoot::DynData;
  return std::nullopt;
}

// Reads a quoted text at `at` (just past the opening quote) up to its
// closing quote; `at` ends past that quote.
std::string Unquote(std::string_view s, std::size_t& at) {
  std::string out;
  while (at < s.size()) {
    char c = s[at++];
    if (c == '"') return out;
    if (c == '\\' && at < s.size()) {
      c = s[at++];
      if (c == 'n') c = '\n';
      else if (c == 'r') c = '\r';
    }
    out += c;
  }
  throw Bad{"no closing quote"};
}

std::string HexBytes(std::string_view list) {
  std::string out;
  std::size_t i = 0;
  while (i < list.size()) {
    const char c = list[i];
    if (c == ' ' || c == '\t' || c == ',' || c == '\\') {
      ++i;
      continue;
    }
    const int hi = HexValue(c), lo = i + 1 < list.size() ? HexValue(list[i + 1]) : -1;
    if (hi < 0 || lo < 0) throw Bad{"bad hex list"};
    out += char(hi * 16 + lo);
    i += 2;
    if (i < list.size() && list[i] != ',' && list[i] != ' ' && list[i] != '\t') throw Bad{"bad hex list"};
  }
  return out;
}

// A string type's hex list as the registry's UTF-16LE bytes. ANSI files hold
// ANSI bytes there (Version 5.00 ones each followed by a zero byte).
std::string StringDataFromList(const std::string& list, RegFileForm form, CodePage& ansi) {
  if (form.storage == RegTextStorage::Unicode) return list;
  std::string bytes;
  if (form.version == 5) {
    if (list.size() % 2) return list;
    for (std::size_t i = 0; i < list.size(); i += 2) {
      if (list[i + 1] != 0) return list;  // not an ANSI list after all
      bytes += list[i];
    }
  } else {
    bytes = list;
  }
  return Utf16LeBytesFromUtf8(ansi.ToUtf8(bytes));
}

struct ParsedValue {
  std::string name;
  bool remove = false;
  std::uint32_t type = kRegSz;
  std::string data;
};

ParsedValue ParseValue(std::string_view line, RegFileForm form, CodePage& ansi) {
  ParsedValue v;
  std::size_t at = 0;
  if (line[0] == '@') {
    at = 1;
  } else {
    at = 1;
    v.name = Unquote(line, at);
  }
  while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
  if (at >= line.size() || line[at] != '=') throw Bad{"no equals sign"};
  std::string_view rest = Trim(line.substr(at + 1));
  if (rest == "-") {
    v.remove = true;
  } else if (!rest.empty() && rest[0] == '"') {
    std::size_t q = 1;
    const std::string text = Unquote(rest, q);
    if (!Trim(rest.substr(q)).empty()) throw Bad{"text after the closing quote"};
    v.data = RegDataFromText(text);
  } else if (rest.size() > 6 && EqualNoCaseAZ(rest.substr(0, 6), "dword:")) {
    const std::string_view digits = Trim(rest.substr(6));
    if (digits.empty() || digits.size() > 8) throw Bad{"bad dword"};
    std::uint32_t x = 0;
    for (char c : digits) {
      const int d = HexValue(c);
      if (d < 0) throw Bad{"bad dword"};
      x = x * 16 + std::uint32_t(d);
    }
    v.type = kRegDword;
    for (int i = 0; i < 4; ++i) v.data += char((x >> (8 * i)) & 0xFF);
  } else if (rest.size() >= 4 && EqualNoCaseAZ(rest.substr(0, 3), "hex")) {
    std::size_t colon = rest.find(':');
    if (colon == std::string_view::npos) throw Bad{"bad hex form"};
    const std::string_view tag = rest.substr(3, colon - 3);
    if (tag.empty()) {
      v.type = kRegBinary;
    } else {
      if (tag.size() < 3 || tag.front() != '(' || tag.back() != ')') throw Bad{"bad hex form"};
      std::uint32_t t = 0;
      for (char c : tag.substr(1, tag.size() - 2)) {
        const int d = HexValue(c);
        if (d < 0) throw Bad{"bad hex form"};
        t = t * 16 + std::uint32_t(d);
      }
      v.type = t;
    }
    v.data = HexBytes(rest.substr(colon + 1));
    if (v.type == kRegSz || v.type == kRegExpandSz || v.type == kRegMultiSz)
      v.data = StringDataFromList(v.data, form, ansi);
  } else {
    throw Bad{"unknown value form"};
  }
  return v;
}
}  // namespace

std::optional<RegRoot> RootOfName(std::string_view name) { return RootOfNameImpl(name); }

ParsedRegFile ParseRegText(std::string_view stored, CodePage& ansi) {
  const DecodedRegFile decoded = DecodeRegFile(stored, ansi);
  std::string_view text = decoded.text;
  const std::vector<std::string_view> lines = SplitLines(text);
  const std::string first = lines.empty() ? "" : UpperAZ(Trim(lines[0]));
  RegFileForm form = decoded.form;
  form.version = first == UpperAZ(kRegHeader5) ? 5 : first == kRegHeader4 ? 4 : 0;
  if (form.version == 0) throw Error("Not a registry file: it does not begin with REGEDIT4 or " +
                                                     std::string(kRegHeader5) + ".");
  // Every entry the program writes ends with a line break; a file that ends
  // without one was cut short while its last entry was written.
  const bool cutShort = text.back() != '\n' && text.back() != '\r';
  ParsedRegFile parsed;
  std::optional<RegOp> key;  // the header the values below belong to
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::size_t start = i;
    std::string line(Trim(lines[i]));
    if (line.empty() || line[0] == ';') continue;
    // A hex list goes on while its line ends with a backslash.
    if (line[0] != '[' && line.find("=hex") != std::string::npos)
      while (!line.empty() && line.back() == '\\' && i + 1 < lines.size()) {
        line.pop_back();
        line += Trim(lines[++i]);
      }
    // The backup's last entry, torn as it was written: its change was never
    // made (every change follows its whole backup), so nothing is missed.
    const bool last = i + 1 == lines.size();
    const bool openList = line.back() == '\\' && line[0] != '[' && line.find("=hex") != std::string::npos;
    if (last && (cutShort || openList)) break;
    RegOp op;
    op.line = int(start) + 1;
    op.text = std::string(lines[start]);
    try {
      if (line[0] == '[') {
        key.reset();
        const std::size_t close = line.rfind(']');
        if (close == std::string::npos) throw Bad{"no closing bracket"};
        const bool remove = line.size() > 1 && line[1] == '-';
        const std::string full = line.substr(remove ? 2 : 1, close - (remove ? 2 : 1));
        const std::size_t slash = full.find('\\');
        const auto root = RootOfName(full.substr(0, slash));
        if (!root) throw Bad{"unknown root key"};
        op.kind = remove ? RegOp::Kind::DeleteKey : RegOp::Kind::OpenKey;
        op.root = *root;
        op.path = slash == std::string::npos ? "\\" : full.substr(slash);
        if (!remove) key = op;
      } else if (line[0] == '@' || line[0] == '"') {
        if (!key) throw Bad{"no key for this value"};
        ParsedValue v = ParseValue(line, form, ansi);
        op.kind = v.remove ? RegOp::Kind::DeleteValue : RegOp::Kind::SetValue;
        op.root = key->root;
        op.path = key->path;
        op.name = std::move(v.name);
        op.type = v.type;
        op.data = std::move(v.data);
      } else {
        throw Bad{"unknown line"};
      }
    } catch (const Bad& bad) {
      parsed.failed.push_back({op.line, op.text, bad.reason});
      continue;
    }
    parsed.ops.push_back(std::move(op));
  }
  return parsed;
}

std::string RegOp::KeyName() const { return RootName(root) + path; }

RegImportResult ApplyRegOps(RegistryBackend& backend, const ParsedRegFile& parsed,
                            const std::function<bool(const RegOp&)>& chosen) {
  RegImportResult result;
  result.failed = parsed.failed;
  std::optional<RegistryCursor> reg;  // the current key, once opened or made
  const RegOp* header = nullptr;   // the current key's header line
  bool headerFailed = false;
  // A key is made when its header is chosen, or when the first value below
  // it is: a header alone re-creates nothing that no chosen line needs.
  const auto openHeader = [&]() -> bool {
    if (reg) return true;
    if (!header || headerFailed) return false;
    try {
      reg.emplace(backend, header->root);
      reg->CreateRegPath(header->path);
      ++result.keys;
      return true;
    } catch (const Error& e) {
      reg.reset();
      headerFailed = true;
      result.failed.push_back({header->line, header->text, e.what()});
      return false;
    }
  };
  for (const RegOp& op : parsed.ops) {
    const bool take = !chosen || chosen(op);
    try {
      switch (op.kind) {
        case RegOp::Kind::OpenKey:
          reg.reset();
          header = &op;
          headerFailed = false;
          if (take) openHeader();
          break;
        case RegOp::Kind::DeleteKey: {
          reg.reset();
          header = nullptr;
          if (!take) break;
          const std::string full = op.KeyName();
          if (const std::optional<EngineRefusal> rule = RegDeletionRule(full)) throw Bad{RefusalWhy(*rule)};
          RegistryCursor(backend, op.root).DeleteRegKey(op.path);
          ++result.keys;
          break;
        }
        case RegOp::Kind::SetValue:
        case RegOp::Kind::DeleteValue:
          if (!take) break;
          if (!openHeader()) throw Bad{"no key for this value"};
          if (op.kind == RegOp::Kind::DeleteValue)
            reg->DeleteRegValue(op.name);
          else
            reg->WriteRawValue(op.name, op.type, op.data);
          ++result.values;
          result.environmentTouched |= IsEnvironmentKey(op.KeyName());
          break;
      }
    } catch (const Bad& bad) {
      result.failed.push_back({op.line, op.text, bad.reason});
    } catch (const Error& e) {
      result.failed.push_back({op.line, op.text, e.what()});
    }
  }
  return result;
}

RegImportResult ImportRegText(RegistryBackend& backend, std::string_view stored, CodePage& ansi) {
  return ApplyRegOps(backend, ParseRegText(stored, ansi));
}

RegImportResult ImportRegFile(FileSystem& fs, RegistryBackend& backend, const std::string& path, CodePage& ansi) {
  return ImportRegText(backend, fs.ReadWhole(path), ansi);
}
