// ostrivane-tour.exe: the window program walked to one page or dialog for
// its screenshot (scripts/screenshots.sh), over a sample run that changes
// nothing. A test program, never shipped: it stands apart from a running
// copy, asks for no rights, and keeps its records (the sample run's undo
// entry, the settings) in a temporary folder that it removes at its end.
#include "core/win32/WinApi.h"
//
#include <filesystem>
#include <string>
#include <system_error>

#include "core/win32/WidePath.h"
#include "tour/ScreenshotTour.h"
#include "window/win32/WindowProgram.h"

namespace {
constexpr std::wstring_view kPageSwitch = L"--screenshot-page=";

// A new folder of its own under the user's temporary folder, with "\".
std::filesystem::path TemporaryRecordsFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  const std::filesystem::path folder =
      std::filesystem::path(temp) / (L"ostrivane-tour-" + std::to_wstring(GetCurrentProcessId()));
  std::filesystem::create_directories(folder);
  return folder;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int showCommand) {
  const std::wstring_view line = commandLine;
  const std::size_t at = line.find(kPageSwitch);
  if (at == std::wstring_view::npos) {
    MessageBoxW(nullptr, L"Usage: ostrivane-tour --screenshot-page=PAGE", L"Ostrivane tour", MB_OK);
    return 2;
  }
  const std::string target = Utf8Text(std::wstring(line.substr(at + kPageSwitch.size())));
  const std::filesystem::path records = TemporaryRecordsFolder();
  ScreenshotRun sample(target);
  WindowStart start;
  start.showCommand = showCommand;
  start.records.emplace().folder = Utf8Text(records.wstring()) + "\\";
  start.checkRights = false;
  start.adaptRun = [&sample](const RunParts& real, Wizard&) {
    RunParts parts{.undo = real.undo,
                   .mover = sample,
                   .archive = real.archive,
                   .registry = sample,
                   .files = sample,
                   .shortNames = real.shortNames,
                   .records = real.records,
                   .written = real.written};
    parts.optionalLock = real.optionalLock;
    parts.optionalTimeText = real.optionalTimeText;
    parts.optionalUtcStamp = real.optionalUtcStamp;
    return parts;
  };
  start.shown = [&target](MainWindow& window, Wizard& wizard) { ScreenshotTour(window, wizard, target); };
  RunWindow(start);
  std::error_code ignored;
  std::filesystem::remove_all(records, ignored);
  return 0;
}
