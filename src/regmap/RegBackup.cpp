#include "regmap/RegBackup.h"

#include <algorithm>
#include <cstdio>

#include "core/Error.h"
#include "core/Text.h"
#include "regmap/NTReg.h"

namespace {
void AppendHexByte(std::string& line, unsigned char b) {
  static const char kDigits[] = "0123456789ABCDEF";
  line += kDigits[b >> 4];
  line += kDigits[b & 15];
  line += ',';
}

// A hex list after `prefix`, wrapped once a line is past 75 characters and
// more bytes follow. `widen` writes each byte as a two-byte character;
// `closeNul` ends the list with the string's terminating NUL.
std::vector<std::string> HexLines(std::string prefix, std::string_view bytes, bool widen, bool closeNul) {
  std::vector<std::string> lines;
  std::string line = std::move(prefix);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    AppendHexByte(line, (unsigned char)bytes[i]);
    if (widen) line += "00,";
    if (line.size() > 75 && i + 1 < bytes.size()) {
      line += '\\';
      lines.push_back(std::move(line));
      line.clear();
    }
  }
  if (closeNul)
    line += widen ? "00,00" : "00";
  else if (!bytes.empty())
    line.pop_back();
  lines.push_back(std::move(line));
  lines.push_back("");  // a hex value is followed by an empty line
  return lines;
}

// The type number is hexadecimal in this form: hex(b) for REG_QWORD.
std::string TypeTag(std::uint32_t type) {
  if (type == kRegBinary) return "hex:";
  char buf[24];
  std::snprintf(buf, sizeof buf, "hex(%x):", unsigned(type));
  return buf;
}

// A string value the text forms hold exactly: its one NUL is its last byte
// (the importer adds that NUL back; any other shape goes as raw bytes).
bool QuotedFits(std::string_view data) {
  const std::size_t nul = data.find('\0');
  return nul != std::string_view::npos && nul + 1 == data.size();
}
}  // namespace

std::string ConvertSt(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    switch (c) {
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  return out;
}

std::string NameField(std::string_view name) { return name.empty() ? "@" : "\"" + ConvertSt(name) + "\""; }

std::vector<std::string> ValueLines(std::string_view name, std::uint32_t type, std::string_view data, bool version5) {
  const std::string field = NameField(name);
  switch (type) {
    case kRegSz:
      if (QuotedFits(data)) return {field + "=\"" + ConvertSt(data.substr(0, data.find('\0'))) + "\""};
      return HexLines(field + "=hex(1):", data, version5, false);
    case kRegExpandSz:
      if (QuotedFits(data)) return HexLines(field + "=hex(2):", data.substr(0, data.size() - 1), version5, true);
      return HexLines(field + "=hex(2):", data, version5, false);
    case kRegMultiSz:
      return HexLines(field + "=hex(7):", data, version5, false);
    case kRegDword:
      if (data.size() == 4) {
        const auto* b = reinterpret_cast<const unsigned char*>(data.data());
        char buf[16];
        std::snprintf(buf, sizeof buf, "%08X", unsigned(b[0] | b[1] << 8 | b[2] << 16 | unsigned(b[3]) << 24));
        return {field + "=dword:" + buf};
      }
      return HexLines(field + "=hex(4):", data, false, false);
    default:
      return HexLines(field + "=" + TypeTag(type), data, false, false);
  }
}

std::string WidenRegText(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char c : text) {
    out += c;
    out += '\0';
  }
  return out;
}

std::string DecodeRegText(std::string_view bytes) {
  if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE') return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) out += bytes[i + 1] == 0 ? bytes[i] : '?';
  return out;
}

namespace {
constexpr const char* kUtf16Mark = "\xFF\xFE";

// The file's first line, decoded; empty without a whole first line.
std::string FirstLine(FileSystem& fs, const std::string& path, bool& utf16) {
  auto file = fs.OpenRandom(path, OpenMode::ReadOnly);
  std::string head(std::size_t(std::min<std::uint64_t>(file->Size(), 160)), '\0');
  if (!head.empty()) file->ReadAt(0, head.data(), head.size());
  utf16 = head.size() >= 2 && head.compare(0, 2, kUtf16Mark) == 0;
  const std::string text = DecodeRegText(head);
  const std::size_t end = text.find_first_of("\r\n");
  return end == std::string::npos ? "" : text.substr(0, end);
}
}  // namespace

int RegFileKind(FileSystem& fs, const std::string& path) {
  if (!fs.FileExists(path)) return 0;
  bool utf16 = false;
  const std::string first = UpperAZ(FirstLine(fs, path, utf16));
  if (first == UpperAZ(kRegHeader5)) return 5;
  if (first == kRegHeader4) return 4;
  return 0;
}

void WriteReg(FileSystem& fs, const std::string& path, std::string_view text, bool version5) {
  while (!text.empty() && (text.front() == '\r' || text.front() == '\n')) text.remove_prefix(1);
  std::string bytes(text);
  bytes += "\r\n";
  std::unique_ptr<RandomFile> file;
  std::uint64_t at = 0;
  bool utf16 = false;
  if (fs.FileExists(path) && RegFileKind(fs, path) != 0) {
    FirstLine(fs, path, utf16);  // append in the file's own encoding
    file = fs.OpenRandom(path, OpenMode::ReadWrite);
    at = file->Size();
  } else {
    file = fs.OpenRandom(path, OpenMode::CreateAlways);
    bytes = std::string(version5 ? kRegHeader5 : kRegHeader4) + "\r\n\r\n" + bytes;
    utf16 = version5;
    if (utf16) bytes = kUtf16Mark + WidenRegText(bytes);
  }
  if (utf16 && at != 0) bytes = WidenRegText(bytes);
  file->WriteAt(at, bytes.data(), bytes.size());
  file->Flush();
}

std::string RegBackup::KeyId(RegRoot root, const std::string& path) {
  std::string id = RootName(root);
  id += '\0';
  id += FoldKey(RemoveSlash(path));
  return id;
}

std::string RegBackup::ValueId(RegRoot root, const std::string& path, const std::string& name) {
  std::string id = KeyId(root, path);
  id += '\0';
  id += FoldKey(name);
  return id;
}

void RegBackup::BeginRun(const std::string& filePath, int osGeneration) {
  if (filePath != path_ || !fs_.FileExists(filePath)) {
    values_.clear();
    recorded_.clear();
    created_.clear();
  }
  path_ = filePath;
  lastHeader_.clear();
  const int kind = RegFileKind(fs_, filePath);
  version5_ = kind ? kind == 5 : osGeneration >= 5;
}

RegBackup::KeyState RegBackup::StateOf(RegRoot root, const std::string& path) const {
  const std::string rel = RemoveSlash(path);
  bool insideRecorded = false;
  for (std::size_t cut = 1; cut <= rel.size(); ++cut) {
    if (cut != rel.size() && rel[cut] != '\\') continue;
    const std::string id = KeyId(root, rel.substr(0, cut));
    if (created_.count(id)) return KeyState::Created;
    if (cut != rel.size() && recorded_.count(id)) insideRecorded = true;
  }
  if (recorded_.count(KeyId(root, rel))) return KeyState::Recorded;
  return insideRecorded ? KeyState::InsideRecorded : KeyState::Untouched;
}

void RegBackup::Header(Pending& p, RegRoot root, const std::string& path) {
  const std::string id = KeyId(root, path);
  if (id == lastHeader_) return;
  p.lines.push_back("[" + RootName(root) + path + "]");
  lastHeader_ = id;
}

void RegBackup::SettleValue(Pending& p, RegRoot root, const std::string& path, const std::string& name) {
  const std::string id = ValueId(root, path, name);
  if (values_.count(id)) return;
  const KeyState state = StateOf(root, path);
  if (state == KeyState::Created) return;
  if (state == KeyState::InsideRecorded) {
    // The key itself came with the run: removing it settles the value too.
    SettleKey(p, root, path);
    return;
  }
  std::vector<std::string> lines;
  if (state == KeyState::Untouched) {
    TNTRegistry reg(backend_, root);
    if (!reg.OpenRegPathForReading(path)) return;  // can't be read: nothing to keep
    std::uint32_t type = kRegNone;
    const auto data = reg.ReadRawValue(name, type);
    lines = data ? ValueLines(name, type, *data, version5_) : std::vector<std::string>{NameField(name) + "=-"};
  } else {
    // The key's content before the run is in the file already, without it.
    lines = {NameField(name) + "=-"};
  }
  Header(p, root, path);
  p.lines.insert(p.lines.end(), lines.begin(), lines.end());
  values_.insert(id);
  p.values.push_back(id);
}

void RegBackup::SettleKey(Pending& p, RegRoot root, const std::string& path, bool inExport) {
  const std::string id = KeyId(root, path);
  KeyState state = StateOf(root, path);
  // Below a key being recorded now, what exists is its content before the run.
  if (inExport && state == KeyState::InsideRecorded) state = KeyState::Untouched;
  if (state == KeyState::Created) return;
  TNTRegistry reg(backend_, root);
  const bool open = reg.OpenRegPathForReading(path);
  if (state == KeyState::Untouched && open) {
    Header(p, root, path);  // re-creates the key even when it holds nothing
    recorded_.insert(id);
    p.recorded.push_back(id);
    for (const RawValue& v : reg.ListRawValues()) {
      const std::string vid = ValueId(root, path, v.name);
      if (values_.count(vid)) continue;
      Header(p, root, path);
      for (std::string& line : ValueLines(v.name, v.type, v.data, version5_)) p.lines.push_back(std::move(line));
      values_.insert(vid);
      p.values.push_back(vid);
    }
  } else if (state == KeyState::Recorded) {
    // What the run added to a key whose old content is in the file goes again.
    if (!open) return;
    for (const RawValue& v : reg.ListRawValues()) SettleValue(p, root, path, v.name);
  } else if (!open && reg.KeyExists(path)) {
    return;  // exists but can't be read: nothing to keep
  } else {
    // Not there before the run: the file removes it, from the highest key
    // above it that the move will make as well.
    std::string top = RemoveSlash(path);
    for (;;) {
      const std::size_t cut = top.rfind('\\');
      if (cut == std::string::npos || cut == 0) break;
      const std::string parent = top.substr(0, cut);
      if (reg.KeyExists(parent) || StateOf(root, parent) != KeyState::Untouched) break;
      top = parent;
    }
    p.lines.push_back("[-" + RootName(root) + top + "]");
    lastHeader_.clear();
    created_.insert(KeyId(root, top));
    p.created.push_back(KeyId(root, top));
    return;
  }
  const std::vector<std::string> subkeys = reg.ListSubkeyNames();
  reg.CloseKey();
  const bool exporting = state == KeyState::Untouched;
  for (const std::string& sub : subkeys)
    if (!sub.empty()) SettleKey(p, root, RemoveSlash(path) + "\\" + sub, exporting);
}

void RegBackup::SettleMoveTarget(Pending& p, RegRoot root, const std::string& newPath, const std::string& oldPath) {
  TNTRegistry reg(backend_, root);
  if (StateOf(root, newPath) != KeyState::Recorded || reg.KeyExists(newPath)) {
    SettleKey(p, root, newPath);
    return;
  }
  // The file re-creates this key with its old content already; what the move
  // brings into it from the old key has to go again after that.
  if (!reg.OpenRegPathForReading(oldPath)) return;
  for (const RawValue& v : reg.ListRawValues()) SettleValue(p, root, newPath, v.name);
  const std::vector<std::string> subkeys = reg.ListSubkeyNames();
  reg.CloseKey();
  for (const std::string& sub : subkeys)
    if (!sub.empty())
      SettleMoveTarget(p, root, RemoveSlash(newPath) + "\\" + sub, RemoveSlash(oldPath) + "\\" + sub);
}

void RegBackup::Commit(Pending& p) {
  if (p.lines.empty()) return;
  std::string text;
  for (std::size_t i = 0; i < p.lines.size(); ++i) {
    if (i) text += "\r\n";
    text += p.lines[i];
  }
  try {
    WriteReg(fs_, path_, text, version5_);
  } catch (...) {
    for (const auto& id : p.values) values_.erase(id);
    for (const auto& id : p.recorded) recorded_.erase(id);
    for (const auto& id : p.created) created_.erase(id);
    lastHeader_ = p.headerBefore;
    throw;
  }
}

void RegBackup::BackupRegistryValue(RegRoot root, const std::string& keyPath, const std::string& valueName) {
  Pending p;
  p.headerBefore = lastHeader_;
  SettleValue(p, root, keyPath, valueName);
  Commit(p);
}

void RegBackup::BackupValueRename(RegRoot root, const std::string& keyPath, const std::string& oldName,
                                  const std::string& newName) {
  Pending p;
  p.headerBefore = lastHeader_;
  SettleValue(p, root, keyPath, oldName);
  SettleValue(p, root, keyPath, newName);
  Commit(p);
}

void RegBackup::BackupKeyMove(RegRoot root, const std::string& oldPath, const std::string& newPath) {
  Pending p;
  p.headerBefore = lastHeader_;
  SettleMoveTarget(p, root, newPath, oldPath);
  SettleKey(p, root, oldPath);
  Commit(p);
}
