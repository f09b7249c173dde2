// INI text as the settings file and the move record hold it. Properties:
// saving is stable (what was saved loads and saves the same); the move
// record's writer, starting from any existing file, leaves a record that
// reads back the paths it wrote; the settings writer likewise; and the undo's
// reading of a record gives places it can work with.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "core/Ini.h"
#include "core/Text.h"
#include "support/FakeFileSystem.h"
#include "undo/MoveDir.h"
#include "window/Settings.h"

namespace {
// A path as a move gets one: no line break, no blank at either end.
std::string PathFrom(std::string_view bytes, const char* fallback) {
  std::string p;
  for (char c : bytes)
    if (c != '\r' && c != '\n') p += c;
  while (!p.empty() && (p.front() == ' ' || p.front() == '\t')) p.erase(0, 1);
  while (!p.empty() && (p.back() == ' ' || p.back() == '\t')) p.pop_back();
  return p.empty() ? fallback : p;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(bytes), size);

  const IniText loaded(text);
  const std::string saved = loaded.Save();
  FUZZ_CHECK(IniText(saved).Save() == saved);

  // The undo's side: the record's two places.
  const std::string to = loaded.ReadString(kMoveSection, kMoveTo, "");
  const std::string from = loaded.ReadString(kMoveSection, kMoveFrom, "");
  if (!to.empty() && !from.empty()) {
    const std::string home = ArrivalOf(to, from);
    const std::string name = SplitItemPath(to).name;
    FUZZ_CHECK(home.size() >= name.size() && home.compare(home.size() - name.size(), name.size(), name) == 0);
    (void)TargetFolderOf(to, from);
  }
  (void)loaded.ReadInteger("Undo List", "DeleteOlderThan", 1);

  // The run's side: the record written over whatever stood in the file.
  const std::string destination = PathFrom(text.substr(0, 24), "D:\\New Place");
  const std::string source = PathFrom(text.substr(text.size() / 2, 24), "C:\\Old\\App");
  IniText record(text);
  record.Write(kMoveSection, kMoveTo, destination);
  record.Write(kMoveSection, kMoveFrom, source);
  const IniText reread(record.Save());
  FUZZ_CHECK(reread.ReadString(kMoveSection, kMoveTo, "") == destination);
  FUZZ_CHECK(reread.ReadString(kMoveSection, kMoveFrom, "") == source);

  // The settings file, rewritten over the same text.
  FakeFileSystem fs;
  fs.AddFolder("C:\\Program");
  fs.AddFile("C:\\Program\\Ostrivane.ini", std::string(text));
  const Settings before = ReadSettings(fs, "C:\\Program\\");
  FUZZ_CHECK(before.DeleteOlderThan >= -1 && before.DeleteOlderThan <= 3);
  Settings wanted;
  wanted.DeleteOlderThan = size % 5 - 1;
  wanted.SkipStartPage = size % 2 == 0;
  WriteSettings(fs, "C:\\Program\\", wanted);
  const Settings after = ReadSettings(fs, "C:\\Program\\");
  FUZZ_CHECK(after.DeleteOlderThan == wanted.DeleteOlderThan);
  FUZZ_CHECK(after.SkipStartPage == wanted.SkipStartPage);
  return 0;
}
