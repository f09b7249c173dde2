// The review page at scale, in the real window over a real run: 100,000
// matching registry values are searched, listed on the review page and the
// list scrolled to its end. Prints the time from the start button to the
// review page and the peak working set; run by hand, never by the tests
// (see bench/README.md):
//   xvfb-run -a scripts/wine-run.sh build/windows/wineprefix build/windows/review_timing.exe
#include <chrono>
#include <cstdio>
#include <string>

#include "core/Unicode.h"
#include "core/win32/WidePath.h"
#include "support/TestTree.h"
#include "undo/UndoStore.h"
#include "win/OpenOnOneDrive.h"
#include "win/Win32PagePlatform.h"
#include "window/win32/MainWindow.h"
#include "window/win32/WinView.h"
#include "wiring/win32/RunAssembly.h"

#include <commctrl.h>
#include <psapi.h>

namespace {
constexpr int kKeys = 100, kValuesPerKey = 1000;
const std::string kOld = "D:\\OstrReviewTimingOld";
const std::string kNew = "D:\\OstrReviewTimingNew";
const std::string kKey = "Software\\OstrivaneReviewTiming";

// 100 keys of 1,000 values, each naming the old folder.
bool PlantValues() {
  HKEY root;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, WideText(kKey).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                      nullptr) != ERROR_SUCCESS)
    return false;
  const std::wstring data = WideText(kOld + "\\app.exe");
  bool ok = true;
  for (int k = 0; k < kKeys && ok; ++k) {
    HKEY sub;
    ok = RegCreateKeyExW(root, (L"K" + std::to_wstring(k)).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub,
                         nullptr) == ERROR_SUCCESS;
    for (int v = 0; ok && v < kValuesPerKey; ++v)
      ok = RegSetValueExW(sub, (L"V" + std::to_wstring(v)).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()),
                          DWORD((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    if (ok) RegCloseKey(sub);
  }
  RegCloseKey(root);
  return ok;
}

// The last value as it is now; the search must leave it as planted.
std::string LastValue() {
  const std::wstring path = WideText(kKey + "\\K" + std::to_string(kKeys - 1));
  wchar_t data[512] = {};
  DWORD size = sizeof data;
  if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), (L"V" + std::to_wstring(kValuesPerKey - 1)).c_str(),
                   RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
    return "<unreadable>";
  return Utf8FromUtf16(std::u16string(data, data + wcslen(data)));
}

int Rows(HWND list) { return int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string Cell(HWND list, int row) {
  wchar_t buf[1024] = {};
  LVITEMW item{};
  item.pszText = buf;
  item.cchTextMax = 1024;
  SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(row), LPARAM(&item));
  return Utf8FromUtf16(std::u16string(buf, buf + wcslen(buf)));
}

double Megabytes(SIZE_T bytes) { return double(bytes) / (1024.0 * 1024.0); }

// The window over the real run, with the page model's other ports faked.
struct ReviewWindow : WizardFakes<Win32PagePlatform> {
  ReviewWindow()
      : folder("C:\\ostrivane-bench-review-" + std::to_string(GetCurrentProcessId()) + "\\"),
        wizard(Ports(&ui), folder),
        assembly(folder, ShellDialogs::Silent) {
    fs.MakeFolders(folder);
    wizard.Wire(assembly.Parts(), &assembly.Undo(), &assembly.Undoer());
    ui.Bind(wizard.lastRun);
    ui.BindWork(wizard.run.work);
  }
  ~ReviewWindow() { RemoveTree(fs, folder); }
  void Click(Sender s) { SendMessageW(window.SenderButton(s), BM_CLICK, 0, 0); }
  void Type(int id, const std::string& text) {
    SendMessageW(window.Control(id), WM_SETTEXT, 0, LPARAM(WideText(text).c_str()));
  }
  // Only drive D: is selected and no file target is on: the time is the
  // registry search and the list alone.
  void OpenMapOnly() {
    OpenOnOneDrive(window, wizard);
    wizard.choices.targets.settingsFiles = wizard.choices.targets.shortcuts = wizard.choices.targets.configFiles = false;
    Click(Sender::MapOnly);
    Type(kFindWhat, kOld);
    Type(kReplaceWith, kNew);
  }

  const std::string folder;
  Wizard wizard;
  RunAssembly assembly;
  MainWindow window{wizard, ui};
};

int Measure() {
  ReviewWindow w;
  w.OpenMapOnly();
  if (SendMessageW(w.window.Control(kShowChangesMapOnly), BM_GETCHECK, 0, 0) != BST_CHECKED) {
    std::printf("\"Show changes before they are made\" is not ticked: no review page to time\n");
    return 1;
  }
  PROCESS_MEMORY_COUNTERS before{};
  GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
  const auto start = std::chrono::steady_clock::now();
  w.Click(Sender::MapOnlyNext);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (w.wizard.CurrentPage != Page::Review) {
    std::printf("the search did not reach the review page\n");
    return 1;
  }
  HWND list = w.window.Control(kReviewList);
  const int rows = Rows(list);
  SendMessageW(list, LVM_ENSUREVISIBLE, WPARAM(rows - 1), FALSE);
  UpdateWindow(list);
  PROCESS_MEMORY_COUNTERS memory{};
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::printf("search to the review page: %.1f s for %d rows, peak working set %.0f MB (%.0f MB before the search)\n",
              seconds, rows, Megabytes(memory.PeakWorkingSetSize), Megabytes(before.WorkingSetSize));
  if (rows != kKeys * kValuesPerKey || Cell(list, rows - 1).empty()) {
    std::printf("expected %d rows, the last one filled\n", kKeys * kValuesPerKey);
    return 1;
  }
  if (LastValue() != kOld + "\\app.exe") {
    std::printf("the search changed a value: %s\n", LastValue().c_str());
    return 1;
  }
  return 0;
}
}  // namespace

int main() {
  RegDeleteTreeW(HKEY_CURRENT_USER, WideText(kKey).c_str());
  int result = 1;
  if (PlantValues())
    result = Measure();
  else
    std::printf("the values could not be written under HKEY_CURRENT_USER\\%s\n", kKey.c_str());
  RegDeleteTreeW(HKEY_CURRENT_USER, WideText(kKey).c_str());
  return result;
}
