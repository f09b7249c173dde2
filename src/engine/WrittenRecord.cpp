#include "engine/WrittenRecord.h"

#include <cstdlib>
#include <iterator>

#include "core/Error.h"
#include "core/FileSystem.h"
#include "core/Sha256.h"
#include "core/Text.h"
#include "engine/RecordFields.h"

namespace {
std::string Hex(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

std::optional<std::string> FromHex(std::string_view hex) {
  if (hex.size() % 2) return std::nullopt;
  std::string out;
  out.reserve(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int hi = HexValue(hex[i]), lo = HexValue(hex[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += char(hi * 16 + lo);
  }
  return out;
}

std::optional<std::uint64_t> Number(std::string_view digits) {
  if (digits.empty() || digits.size() > 19) return std::nullopt;
  std::uint64_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + std::uint64_t(c - '0');
  }
  return n;
}

// One line read; nullopt for a line that is not whole or not known.
struct Line {
  std::string text;  // as written, for a withdrawal that names it
  std::optional<FileWrite> file;
  bool task = false;  // the file write names a scheduled task
  std::optional<RegistryWrite> registry;
  bool withdrawn = false;
  std::string withdraws;  // the line a withdrawal names; empty: the one before
};

std::optional<Line> ParseLine(std::string_view text) {
  const std::vector<std::string_view> f = RecordFields(text);
  Line line;
  std::vector<std::string> u;
  for (std::size_t i = 1; i < f.size(); ++i) {
    auto s = UnescapeRecordField(f[i]);
    if (!s) return std::nullopt;
    u.push_back(std::move(*s));
  }
  if (f[0] == "withdrawn") {
    line.withdrawn = true;
    if (!u.empty()) line.withdraws = std::string(text.substr(text.find('\t') + 1));
    return line;
  }
  if ((f[0] == "file" || f[0] == "task") && u.size() == 2 && u[1] == "pending") {
    line.file = FileWrite{u[0], "", 0};
    line.task = f[0] == "task";
  } else if ((f[0] == "file" || f[0] == "task") && u.size() == 3) {
    const auto size = Number(u[2]);
    if (!size || u[1].size() != 64) return std::nullopt;
    line.file = FileWrite{u[0], u[1], *size};
    line.task = f[0] == "task";
  } else if ((f[0] == "value" && u.size() == 4) || (f[0] == "rename" && u.size() == 5)) {
    const bool rename = f[0] == "rename";
    const auto type = Number(u[rename ? 3 : 2]);
    const auto data = FromHex(u[rename ? 4 : 3]);
    if (!type || *type > 0xFFFFFFFFu || !data) return std::nullopt;
    RegistryWrite w;
    w.kind = rename ? RegistryWrite::Kind::Rename : RegistryWrite::Kind::Value;
    w.key = u[0];
    w.name = u[1];
    if (rename) w.newName = u[2];
    w.type = std::uint32_t(*type);
    w.data = std::move(*data);
    line.registry = std::move(w);
  } else if (f[0] == "key" && u.size() == 2) {
    RegistryWrite w;
    w.kind = RegistryWrite::Kind::KeyMove;
    w.key = u[0];
    w.newName = u[1];
    line.registry = std::move(w);
  } else {
    return std::nullopt;
  }
  return line;
}
}  // namespace

bool FileWrite::Holds(std::string_view content) const {
  return !sha256.empty() && content.size() == size && Sha256Hex(content) == sha256;
}

WrittenPlaces ReadWrittenRecord(std::string_view bytes) {
  std::vector<Line> lines;
  for (std::string_view text : RecordLines(bytes)) {
    const std::optional<Line> line = ParseLine(text);
    if (!line) continue;
    if (line->withdrawn) {
      if (line->withdraws.empty()) {
        if (!lines.empty()) lines.pop_back();
      } else {
        for (auto it = lines.rbegin(); it != lines.rend(); ++it)
          if (it->text == line->withdraws) {
            lines.erase(std::next(it).base());
            break;
          }
      }
      continue;
    }
    lines.push_back(*line);
    lines.back().text = std::string(text);
  }
  WrittenPlaces places;
  for (Line& line : lines) {
    if (line.file) (line.task ? places.tasks : places.files)[FoldKey(line.file->path)] = std::move(*line.file);
    if (line.registry) places.registry.push_back(std::move(*line.registry));
  }
  return places;
}

void WrittenRecord::BeginRun(const std::string& path) {
  file_.reset();
  held_.clear();
  path_ = path;
  count_ = 0;
  const std::string title = std::string(kWrittenRecordTitle) + "\r\n";
  auto file = fs_.OpenRandom(path_, OpenMode::CreateAlways);
  file->WriteAt(0, title.data(), title.size());
  file->Flush();
}

Announcement WrittenRecord::Append(const std::vector<std::string>& fields, int counts, bool announces) {
  if (path_.empty()) return {};
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) line += '\t';
    line += i ? EscapeRecordField(fields[i]) : fields[i];
  }
  WriteLine(line, announces);
  count_ += counts;
  return {std::move(line), counts};
}

void WrittenRecord::WriteLine(const std::string& line, bool waits) {
  // A line of its own leaves the file as it found it; one after lines that
  // wait leaves it open for their flush, where the file is looked for again.
  const bool othersWait = file_ || !held_.empty();
  if (!othersWait) StopIfGone();
  held_ += line;
  held_ += "\r\n";
  if (waits) return;
  WriteHeld();
  if (!othersWait) file_.reset();
}

void WrittenRecord::StopIfGone() {
  // Gone since the run began: a fresh record would leave out what was
  // changed so far, and the undo would not restore it.
  if (!fs_.FileExists(path_)) {
    held_.clear();
    throw Error("The written record " + path_ + " has disappeared during the run.  The run stops before its next change.");
  }
}

void WrittenRecord::WriteHeld() {
  if (held_.empty()) return;
  StopIfGone();
  try {
    if (!file_) {
      file_ = fs_.OpenRandom(path_, OpenMode::ReadWrite);
      end_ = file_->Size();
    }
    file_->WriteAt(end_, held_.data(), held_.size());
    end_ += held_.size();
    held_.clear();
  } catch (const Error& e) {
    file_.reset();
    held_.clear();
    throw Error("The written record " + path_ + " cannot be written: " + e.what() +
                "  The run stops before its next change.");
  }
}

void WrittenRecord::MakeDurable() {
  WriteHeld();
  if (!file_) return;
  try {
    file_->Flush();
  } catch (const Error& e) {
    file_.reset();
    throw Error("The written record " + path_ + " cannot be written: " + e.what() +
                "  The run stops before its next change.");
  }
  file_.reset();
}

void WrittenRecord::LetGo() {
  try {
    WriteHeld();
  } catch (const Error&) {
    // Given up already: the run stops on its first Error.
  }
  file_.reset();
}

Announcement WrittenRecord::File(const std::string& path, std::string_view content) {
  return Append({"file", path, Sha256Hex(content), std::to_string(content.size())}, 1);
}

Announcement WrittenRecord::FilePending(const std::string& path) { return Append({"file", path, "pending"}, 1); }
void WrittenRecord::FileWritten(const std::string& path) {
  std::string content;
  try {
    content = fs_.ReadWhole(path);
  } catch (const Error&) {
    return;  // the pending line stands: the undo restores it unless it holds its old bytes
  }
  Append({"file", path, Sha256Hex(content), std::to_string(content.size())}, 0, false);
}

Announcement WrittenRecord::TaskPending(const std::string& taskPath) { return Append({"task", taskPath, "pending"}, 1); }

void WrittenRecord::TaskWritten(const std::string& taskPath, std::string_view definition) {
  Append({"task", taskPath, Sha256Hex(definition), std::to_string(definition.size())}, 0, false);
}

Announcement WrittenRecord::Value(const std::string& key, const std::string& name, std::uint32_t type,
                                  const std::string& data) {
  return Append({"value", key, name, std::to_string(type), Hex(data)}, 1);
}

Announcement WrittenRecord::ValueRename(const std::string& key, const std::string& oldName,
                                        const std::string& newName, std::uint32_t type, const std::string& data) {
  return Append({"rename", key, oldName, newName, std::to_string(type), Hex(data)}, 1);
}

Announcement WrittenRecord::KeyMove(const std::string& oldKey, const std::string& newKey) {
  return Append({"key", oldKey, newKey}, 1);
}

void WrittenRecord::Withdraw(const Announcement& write) {
  if (path_.empty() || write.line.empty()) return;
  WriteLine("withdrawn\t" + write.line, false);
  count_ -= write.counts;
}
