#include "regmap/RegBackup.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "core/Error.h"
#include "core/Text.h"
#include "core/Unicode.h"
#include "regmap/NTReg.h"

namespace {
void AppendHexByte(std::string& line, unsigned char b) {
  static const char kDigits[] = "0123456789ABCDEF";
  line += kDigits[b >> 4];
  line += kDigits[b & 15];
  line += ',';
}

// A hex list after `prefix`, wrapped once a line is past 75 characters and
// more bytes follow. `widen` writes each byte as a two-byte character; the
// wrap falls only after every `step` bytes (a whole character); `close`
// ends the list (a string's terminating NUL, not counted as a following byte).
std::vector<std::string> HexLines(std::string prefix, std::string_view bytes, bool widen, std::size_t step,
                                  const char* close = nullptr) {
  std::vector<std::string> lines;
  std::string line = std::move(prefix);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    AppendHexByte(line, (unsigned char)bytes[i]);
    if (widen) line += "00,";
    if (line.size() > 75 && i + 1 < bytes.size() && (i + 1) % step == 0) {
      line += '\\';
      lines.push_back(std::move(line));
      line.clear();
    }
  }
  if (close)
    line += close;
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

bool IsStringType(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

BackupRefused AnsiCannotHold() { return BackupRefused({RefusalReason::AnsiCannotHold, "", ""}); }

// String data in an ANSI file: the characters' ANSI bytes (NULs kept).
std::string AnsiBytes(std::string_view data, CodePage& ansi) {
  if (data.size() % 2) throw AnsiCannotHold();
  auto bytes = ansi.FromUtf8(Utf8FromUtf16LeBytes(data));
  if (!bytes) throw AnsiCannotHold();
  return *std::move(bytes);
}

// A string the text forms hold exactly: its one NUL is its last byte.
bool QuotedFits(std::string_view bytes) {
  const std::size_t nul = bytes.find('\0');
  return nul != std::string_view::npos && nul + 1 == bytes.size();
}

std::vector<std::string> StringLines(const std::string& field, std::uint32_t type, std::string_view data,
                                     RegFileForm form, CodePage* ansi) {
  const std::string tag = TypeTag(type);
  if (form.storage == RegTextStorage::Unicode) {
    const bool exact = IsExactRegText(data);
    if (type == kRegSz && exact) return {field + "=\"" + ConvertSt(TextFromRegData(data)) + "\""};
    if (type == kRegExpandSz && exact) return HexLines(field + "=" + tag, data.substr(0, data.size() - 2), false, 2, "00,00");
    return HexLines(field + "=" + tag, data, false, 2);
  }
  if (!ansi) throw AnsiCannotHold();
  const std::string bytes = AnsiBytes(data, *ansi);
  const bool widen = form.version == 5;
  const bool exact = QuotedFits(bytes);
  if (type == kRegSz && exact) return {field + "=\"" + ConvertSt(ansi->ToUtf8(bytes.substr(0, bytes.size() - 1))) + "\""};
  if (type == kRegExpandSz && exact)
    return HexLines(field + "=" + tag, std::string_view(bytes).substr(0, bytes.size() - 1), widen, 1,
                    widen ? "00,00" : "00");
  return HexLines(field + "=" + tag, bytes, widen, 1);
}

// The bytes of UTF-8 text in a file's storage (no byte order mark).
std::string EncodeRegText(std::string_view text, RegTextStorage storage, CodePage* ansi) {
  if (storage == RegTextStorage::Unicode) return Utf16LeBytesFromUtf8(text);
  auto bytes = ansi ? ansi->FromUtf8(text) : std::nullopt;
  if (!bytes) throw AnsiCannotHold();
  if (storage == RegTextStorage::Ansi) return *std::move(bytes);
  std::string wide;
  wide.reserve(bytes->size() * 2);
  for (char c : *bytes) {
    wide += c;
    wide += '\0';
  }
  return wide;
}

constexpr const char* kUtf16Mark = "\xFF\xFE";
constexpr const char* kUtf8Mark = "\xEF\xBB\xBF";

std::vector<std::string_view> FirstLines(std::string_view text, std::size_t count) {
  std::vector<std::string_view> lines;
  while (lines.size() < count) {
    const std::size_t end = text.find_first_of("\r\n");
    if (end == std::string_view::npos) break;  // only whole lines
    lines.push_back(text.substr(0, end));
    text.remove_prefix(end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1));
  }
  return lines;
}

int HeaderVersion(std::string_view firstLine) {
  const std::string first = UpperAZ(firstLine);
  if (first == UpperAZ(kRegHeader5)) return 5;
  if (first == kRegHeader4) return 4;
  return 0;
}

// The form as far as the file's first lines tell it: UTF-16 without the
// Unicode mark is an earlier build's (a whole file is looked at further by
// DecodeRegFile).
RegFileForm FormOfHead(std::string_view head, bool& marked) {
  RegFileForm form;
  std::string text;
  if (head.substr(0, 2) == kUtf16Mark) {
    text = Utf8FromUtf16LeBytes(head.substr(2));
    form.storage = RegTextStorage::WidenedAnsi;
  } else if (head.substr(0, 3) == kUtf8Mark) {
    text = std::string(head.substr(3));
    form.storage = RegTextStorage::Unicode;
  } else {
    text = std::string(head);  // the header and the mark are plain ASCII in every code page
    form.storage = RegTextStorage::Ansi;
  }
  const std::vector<std::string_view> lines = FirstLines(text, 3);
  form.version = lines.empty() ? 0 : HeaderVersion(lines[0]);
  marked = false;
  for (std::size_t i = 1; i < lines.size(); ++i)
    if (lines[i] == kRegUnicodeMark) marked = true;
  if (marked && form.storage == RegTextStorage::WidenedAnsi) form.storage = RegTextStorage::Unicode;
  return form;
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

std::vector<std::string> ValueLines(std::string_view name, std::uint32_t type, std::string_view data, RegFileForm form,
                                    CodePage* ansi) {
  const std::string field = NameField(name);
  if (IsStringType(type)) return StringLines(field, type, data, form, ansi);
  if (type == kRegDword) {
    if (data.size() == 4) {
      const auto* b = reinterpret_cast<const unsigned char*>(data.data());
      char buf[16];
      std::snprintf(buf, sizeof buf, "%08X", unsigned(b[0] | b[1] << 8 | b[2] << 16 | unsigned(b[3]) << 24));
      return {field + "=dword:" + buf};
    }
    return HexLines(field + "=hex(4):", data, false, 1);
  }
  return HexLines(field + "=" + TypeTag(type), data, false, 1);
}

std::string DecodeRegText(std::string_view bytes) {
  if (bytes.substr(0, 2) != kUtf16Mark) return std::string(bytes);
  return Utf8FromUtf16LeBytes(bytes.substr(2));
}

DecodedRegFile DecodeRegFile(std::string_view bytes, CodePage& ansi) {
  DecodedRegFile file;
  bool marked = false;
  file.form = FormOfHead(bytes.substr(0, 256), marked);
  if (bytes.substr(0, 2) == kUtf16Mark) {
    const std::string_view units = bytes.substr(2);
    // An earlier build's file holds no character above U+00FF; one that does
    // is Unicode (the registry editor's own export, for one).
    bool wide = marked;
    for (std::size_t i = 1; i < units.size() && !wide; i += 2) wide = units[i] != 0;
    if (wide) {
      file.form.storage = RegTextStorage::Unicode;
      file.text = Utf8FromUtf16LeBytes(units);
    } else {
      file.form.storage = RegTextStorage::WidenedAnsi;
      std::string narrow;
      narrow.reserve(units.size() / 2);
      for (std::size_t i = 0; i + 1 < units.size(); i += 2) narrow += units[i];
      file.text = ansi.ToUtf8(narrow);
    }
  } else if (bytes.substr(0, 3) == kUtf8Mark) {
    file.text = std::string(bytes.substr(3));
  } else {
    file.text = ansi.ToUtf8(bytes);
  }
  return file;
}

namespace {
// The form of an existing file that begins with a header; version 0 otherwise.
RegFileForm StoredForm(FileSystem& fs, const std::string& path) {
  if (!fs.FileExists(path)) return RegFileForm{0, RegTextStorage::Unicode};
  auto file = fs.OpenRandom(path, OpenMode::ReadOnly);
  std::string head(std::size_t(std::min<std::uint64_t>(file->Size(), 256)), '\0');
  if (!head.empty()) file->ReadAt(0, head.data(), head.size());
  bool marked = false;
  return FormOfHead(head, marked);
}
}  // namespace

int RegFileKind(FileSystem& fs, const std::string& path) { return StoredForm(fs, path).version; }

void WriteReg(FileSystem& fs, const std::string& path, std::string_view text, RegFileForm fresh, CodePage* ansi,
              bool flush) {
  while (!text.empty() && (text.front() == '\r' || text.front() == '\n')) text.remove_prefix(1);
  std::string entry(text);
  entry += "\r\n";
  const RegFileForm stored = StoredForm(fs, path);
  std::unique_ptr<RandomFile> file;
  std::uint64_t at = 0;
  std::string bytes;
  if (stored.version != 0) {
    bytes = EncodeRegText(entry, stored.storage, ansi);  // in the file's own form
    file = fs.OpenRandom(path, OpenMode::ReadWrite);
    at = file->Size();
  } else {
    std::string head = std::string(fresh.version == 5 ? kRegHeader5 : kRegHeader4) + "\r\n\r\n";
    if (fresh.storage == RegTextStorage::Unicode) head += std::string(kRegUnicodeMark) + "\r\n";
    bytes = EncodeRegText(head + entry, fresh.storage, ansi);
    if (fresh.storage != RegTextStorage::Ansi) bytes = kUtf16Mark + bytes;
    file = fs.OpenRandom(path, OpenMode::CreateAlways);
  }
  file->WriteAt(at, bytes.data(), bytes.size());
  if (flush) file->Flush();
}

namespace {
BackupRefused Unreadable(RegRoot root, const std::string& path, long error) {
  return BackupRefused({RefusalReason::KeyUnreadable, RootName(root) + path, std::to_string(error)});
}
}  // namespace

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

void RegBackup::BeginRun(const std::string& filePath) {
  values_.clear();
  recorded_.clear();
  created_.clear();
  LetGo();
  wrote_ = false;
  path_ = filePath;
  lastHeader_.clear();
  const RegFileForm stored = StoredForm(fs_, filePath);
  // A new backup is always Version 5.00 in Unicode; a stored one of an
  // earlier build (REGEDIT4, ANSI) is added to in its own form.
  form_ = stored.version ? stored : RegFileForm{};
}

void RegBackup::BeginPass() {
  LetGo();
  lastHeader_.clear();
  StopIfVanished();
}

void RegBackup::StopIfVanished() const {
  if (wrote_ && !fs_.FileExists(path_))
    throw Error("The registry backup " + path_ +
                " has disappeared during the run.  The run stops before its next change.");
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

void RegBackup::SettleValue(Pending& p, RegRoot root, const std::string& path, const std::string& name,
                            const RawValue* read) {
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
  if (state == KeyState::Untouched && read) {
    lines = ValueLines(name, read->type, read->data, form_, &ansi_);
  } else if (state == KeyState::Untouched) {
    RegistryCursor reg(backend_, root);
    if (!reg.OpenRegPathForReading(path)) return;  // can't be read: nothing to keep
    std::uint32_t type = kRegNone;
    std::optional<std::string> data;
    try {
      data = reg.ReadRawValue(name, type);
    } catch (const Error& e) {
      throw BackupRefused({RefusalReason::ValueUnreadable, "", e.what()});
    }
    lines = data ? ValueLines(name, type, *data, form_, &ansi_) : std::vector<std::string>{NameField(name) + "=-"};
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
  RegistryCursor reg(backend_, root);
  const bool open = reg.OpenRegPathForReading(path);
  if (state == KeyState::Untouched && open) {
    Header(p, root, path);  // re-creates the key even when it holds nothing
    recorded_.insert(id);
    p.recorded.push_back(id);
    // A record that missed a value would lose it on undo.
    long failure = kRegOk;
    const std::vector<RawValue> values = reg.ListRawValues(&failure);
    if (failure != kRegOk) throw Unreadable(root, path, failure);
    for (const RawValue& v : values) {
      const std::string vid = ValueId(root, path, v.name);
      if (values_.count(vid)) continue;
      Header(p, root, path);
      for (std::string& line : ValueLines(v.name, v.type, v.data, form_, &ansi_)) p.lines.push_back(std::move(line));
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
  long failure = kRegOk;
  const std::vector<std::string> subkeys = reg.ListSubkeyNames(&failure);
  if (failure != kRegOk) throw Unreadable(root, path, failure);
  reg.CloseKey();
  const bool exporting = state == KeyState::Untouched;
  for (const std::string& sub : subkeys)
    if (!sub.empty()) SettleKey(p, root, RemoveSlash(path) + "\\" + sub, exporting);
}

void RegBackup::SettleMoveTarget(Pending& p, RegRoot root, const std::string& newPath, const std::string& oldPath) {
  RegistryCursor reg(backend_, root);
  if (StateOf(root, newPath) != KeyState::Recorded || reg.KeyExists(newPath)) {
    SettleKey(p, root, newPath);
    return;
  }
  // The file re-creates this key with its old content already; what the move
  // brings into it from the old key has to go again after that.
  if (!reg.OpenRegPathForReading(oldPath)) return;
  long failure = kRegOk;
  const std::vector<RawValue> values = reg.ListRawValues(&failure);
  const std::vector<std::string> subkeys = reg.ListSubkeyNames(&failure);
  if (failure != kRegOk) throw Unreadable(root, oldPath, failure);
  for (const RawValue& v : values) SettleValue(p, root, newPath, v.name);
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
  if (open_) {
    // The file's form is form_ since its first entry; the batch's entries
    // are written together at its flush.
    held_ += EncodeRegText(text + "\r\n", form_.storage, &ansi_);
  } else {
    // Gone since this run's last entry: a fresh file would hide that the
    // changes made so far have lost their backups, so the run stops here
    // (and at the flush, for the entries held).
    StopIfVanished();
    WriteReg(fs_, path_, text, form_, &ansi_, false);
    open_ = fs_.OpenRandom(path_, OpenMode::ReadWrite);
    end_ = open_->Size();
  }
  wrote_ = true;
}

void RegBackup::WriteHeld() {
  if (held_.empty()) return;
  const std::string bytes = std::move(held_);
  held_.clear();
  open_->WriteAt(end_, bytes.data(), bytes.size());
  end_ += bytes.size();
}

void RegBackup::MakeDurable() {
  if (!open_) return;
  StopIfVanished();
  WriteHeld();
  open_->Flush();
  open_.reset();
}

void RegBackup::LetGo() {
  try {
    if (open_) WriteHeld();
  } catch (const Error&) {
    // Given up already: the run stops on its first Error.
  }
  held_.clear();
  open_.reset();
}

void RegBackup::Forget(Pending& p) {
  for (const auto& id : p.values) values_.erase(id);
  for (const auto& id : p.recorded) recorded_.erase(id);
  for (const auto& id : p.created) created_.erase(id);
  lastHeader_ = p.headerBefore;
}

template <class F>
void RegBackup::Entry(F&& settle) {
  Pending p;
  p.headerBefore = lastHeader_;
  try {
    settle(p);
    Commit(p);
  } catch (...) {
    Forget(p);
    throw;
  }
}

void RegBackup::BackupRegistryValue(RegRoot root, const std::string& keyPath, const std::string& valueName,
                                    const RawValue* read) {
  Entry([&](Pending& p) { SettleValue(p, root, keyPath, valueName, read); });
}

void RegBackup::BackupValueRename(RegRoot root, const std::string& keyPath, const std::string& oldName,
                                  const std::string& newName) {
  Entry([&](Pending& p) {
    SettleValue(p, root, keyPath, oldName);
    SettleValue(p, root, keyPath, newName);
  });
}

void RegBackup::BackupKeyMove(RegRoot root, const std::string& oldPath, const std::string& newPath) {
  Entry([&](Pending& p) {
    SettleMoveTarget(p, root, newPath, oldPath);
    SettleKey(p, root, oldPath);
  });
}
