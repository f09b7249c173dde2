// ostrivane.exe: the window program's composition root.
#include "core/win32/WinApi.h"
//
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "window/Pages.h"
#include "window/ExplorerVerb.h"
#include "window/StartUp.h"
#include "window/ResumeArguments.h"
#include "window/Wizard.h"
#include "window/win32/MainWindow.h"
#include "window/win32/RightsWarningDialog.h"
#include "wiring/RecordsPlace.h"
#include "wiring/win32/Win32Rights.h"
#include "wiring/win32/RunAssembly.h"
#include "window/win32/ScreenshotTour.h"
#include "window/win32/SingleInstance.h"
#include "window/win32/Win32FolderPicker.h"
#include "window/win32/Win32Help.h"
#include "engine/win32/Win32Platform.h"
#include "core/win32/Owned.h"
#include "core/win32/SystemLibrary.h"
#include "core/win32/WidePath.h"
#include "window/win32/Win32WindowUi.h"
#include "core/win32/Win32FileSystem.h"
#include "regmap/win32/Win32RegistryBackend.h"
#include "undo/UndoStore.h"
#include "window/win32/Win32DriveTypes.h"

namespace {
// The arguments as the system holds them (UTF-16), so any path survives;
// the ANSI copy of the command line would turn other characters into "?".
std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  int count = 0;
  const LocalMem<LPWSTR*> argv(CommandLineToArgvW(GetCommandLineW(), &count));
  if (!argv) return args;
  for (int i = 1; i < count; ++i) args.push_back(Utf8Text(argv.get()[i]));
  return args;
}

void ExplorerLink(bool add) {
  Win32RegistryBackend registry;
  CreateExplorerLink(registry, add, ExecutablePath());
}

// The windows and their message loop, until the main window is gone.
// resume: the arguments of a copy restarted as administrator, which takes
// over the page and fields of the copy that started it.
void RunWindow(const std::string& firstArgument, const std::string& screenshot, int showCommand,
               const std::vector<std::string>& resume = {}) {
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);

  Win32Rights rights;
  const RecordsPlace place = ChooseRecordsPlace(rights);
  if (!place.refusal.empty()) {
    MessageBoxW(nullptr, WideText(place.refusal).c_str(), L"Ostrivane", MB_OK | MB_ICONERROR);
    OleUninitialize();
    return;
  }
  for (const std::string& note : place.notes)
    MessageBoxW(nullptr, WideText(note).c_str(), L"Ostrivane", MB_OK | MB_ICONWARNING);
  HWND owner = nullptr;

  Win32FileSystem fs;
  Win32Drives drives;
  Win32FolderPicker picker;
  Win32WindowUi ui;
  Win32DriveTypes driveTypes;
  Win32Help help;

  WizardPorts ports;
  ports.ui = &ui;
  ports.fs = &fs;
  ports.drives = &drives;
  ports.picker = &picker;
  ports.driveTypes = &driveTypes;
  ports.help = &help;
  ports.shell = &help;
  if (screenshot.empty()) {
    ports.rights = &rights;
    ports.askRights = [&owner](const RightsWarningPage& page) { return ShowRightsWarning(owner, page); };
    ports.restartElevated = [&owner](const std::vector<std::string>& args) { return RestartElevated(owner, args); };
  }
  ports.dialogs = &ui;
  Wizard wizard(ports, ProgramFolderOfExe(), place.folder);
  RunAssembly assembly(wizard.ctx, wizard.ctx.recordsFolder, ShellDialogs::Shown);
  for (const std::string& folder : place.earlier) assembly.AddEarlierRecordsFolder(folder);
  const RunParts real = assembly.Parts();
  // Screenshots get a sample run that makes no change.
  ScreenshotRun sample(screenshot);
  sample.ctx = &wizard.ctx;
  RunParts parts{.undo = real.undo,
                 .mover = screenshot.empty() ? real.mover : sample,
                 .archive = real.archive,
                 .registry = screenshot.empty() ? real.registry : sample,
                 .files = screenshot.empty() ? real.files : sample,
                 .shortNames = real.shortNames,
                 .records = real.records,
                 .written = real.written};
  parts.optionalLock = real.optionalLock;
  parts.optionalEnvironment = real.optionalEnvironment;
  parts.optionalTimeText = real.optionalTimeText;
  parts.optionalUtcStamp = real.optionalUtcStamp;
  parts.optionalCrew = real.optionalCrew;
  parts.optionalTasks = real.optionalTasks;
  parts.optionalRunning = real.optionalRunning;
  parts.optionalOfflineHives = real.optionalOfflineHives;
  wizard.Wire(parts, &assembly.Undo(), &assembly.Undoer());
  ui.Bind(wizard.ctx);
  ui.BindWork(wizard.work);

  MainWindow window(wizard, ui);
  window.onDestroyed = [] { PostQuitMessage(0); };

  // A further copy's command line. While a message is being handled (a run
  // pumps messages, a dialog runs its own loop) it is kept, and acted on
  // when the handler has returned.
  int handling = 1;  // until the window is up
  StartActions actions(wizard, ExplorerLink);
  HandOverDesk desk([&] { return handling > 0 || wizard.ctx.running; },
                    [&](const StartAction& a) {
                      actions.Do(a);
                      if (!window.hwnd()) return;
                      if (wizard.Terminated) {
                        DestroyWindow(window.hwnd());
                        return;
                      }
                      window.Show();
                      if (HWND go = window.SenderButton(Sender::HandOverGo); go && IsWindowVisible(go)) SetFocus(go);
                    },
                    [&] { return wizard.ctx.running; });
  window.onMessage = [&](UINT m, WPARAM wp, LPARAM lp, LRESULT& result) {
    std::string text;
    if (!ReadHandOver(m, wp, lp, text, result)) return false;
    desk.Receive(text);
    return true;
  };

  window.Create(firstArgument, showCommand);
  owner = window.hwnd();
  if (ApplyResumeArguments(wizard, resume)) window.Show();
  picker.SetOwner(window.hwnd());
  help.SetOwner(window.hwnd());
  assembly.SetOwnerWindow(window.hwnd());
  if (!screenshot.empty()) ScreenshotTour(window, wizard, screenshot);
  handling = 0;
  desk.Resume();

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ++handling;
    if (!window.PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    --handling;
    desk.Resume();
  }
  help.CloseAll();
  OleUninitialize();
}

// What the program does with its command line, up to the end of its window.
int Start(int showCommand) {
  const std::vector<std::string> args = Arguments();
  // A screenshot run stands apart from the running copy.
  if (!args.empty() && args[0].rfind(kScreenshotSwitch, 0) == 0) {
    RunWindow("", args[0].substr(std::string(kScreenshotSwitch).size()), showCommand);
    return 0;
  }

  // Held to the very end; a further copy hands its command line over and ends.
  std::optional<InstanceMutex> mutex;
  mutex.emplace();
  const bool resuming = !args.empty() && args[0] == kResumeSwitch;
  // A copy restarted as administrator waits for the one that started it to end.
  for (int i = 0; resuming && !mutex->First() && i < 100; ++i) {
    mutex.reset();
    Sleep(100);
    mutex.emplace();
  }
  if (resuming && mutex->First()) {
    RunWindow("", "", showCommand, args);
    return 0;
  }
  if (!mutex->First()) {
    HandOverToRunningCopy(HandOverText(args));
    return 0;
  }
  const StartAction start = FirstStartAction(args.empty() ? "" : args[0]);
  switch (start.command) {
    case StartCommand::Exit: return 0;
    case StartCommand::RemoveVerb:
    case StartCommand::AddVerb: ExplorerLink(start.command == StartCommand::AddVerb); return 0;
    default: break;
  }
  RunWindow(start.path, "", showCommand);
  return 0;
}
}  // namespace

// A failure nothing else caught is shown, as the console front end prints
// it, and the program ends with a non-zero code rather than vanish.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  // First of all: no library is taken from the program's own folder.
  RestrictDllSearch();
  std::string failure;
  try {
    return Start(showCommand);
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = "Ostrivane stopped on an unexpected error.";
  }
  MessageBoxW(nullptr, WideText(failure).c_str(), L"Ostrivane", MB_OK | MB_ICONERROR);
  return 1;
}
