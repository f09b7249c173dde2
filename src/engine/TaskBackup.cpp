#include "engine/TaskBackup.h"

#include <optional>
#include <vector>

#include "core/Error.h"
#include "core/FileSystem.h"
#include "core/Text.h"
#include "engine/RecordFields.h"

std::map<std::string, SavedTask> ReadTaskBackup(std::string_view bytes) {
  std::map<std::string, SavedTask> saved;
  for (std::string_view line : RecordLines(bytes)) {
    const std::vector<std::string_view> f = RecordFields(line);
    if (f.size() != 3 || f[0] != "task") continue;
    std::optional<std::string> path = UnescapeRecordField(f[1]), xml = UnescapeRecordField(f[2]);
    if (!path || !xml || path->empty()) continue;
    const std::string key = FoldKey(*path);
    saved.try_emplace(key, SavedTask{std::move(*path), std::move(*xml)});
  }
  return saved;
}

void TaskBackup::Save(const std::string& recordPath, const std::string& taskPath, const std::string& xml) {
  if (recordPath != recordPath_) {
    recordPath_ = recordPath;
    saved_.clear();
  }
  const std::string key = FoldKey(taskPath);
  if (saved_.count(key)) return;
  const std::string line = "task\t" + EscapeRecordField(taskPath) + "\t" + EscapeRecordField(xml) + "\r\n";
  try {
    const bool fresh = !fs_.FileExists(recordPath_);
    auto file = fs_.OpenRandom(recordPath_, fresh ? OpenMode::CreateAlways : OpenMode::ReadWrite);
    const std::string bytes = fresh ? std::string(kTaskBackupTitle) + "\r\n" + line : line;
    file->WriteAt(fresh ? 0 : file->Size(), bytes.data(), bytes.size());
    file->Flush();
  } catch (const Error& e) {
    throw Error("The task backup " + recordPath_ + " cannot be written: " + e.what() +
                "  The run stops before its next change.");
  }
  saved_.insert(key);
}
