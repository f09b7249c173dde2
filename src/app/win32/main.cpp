// ostrivane.exe: the window program's composition root.
#include "core/win32/WinApi.h"
//
#include <commctrl.h>
#include <ole2.h>

#include <string>

#include "app/Pages.h"
#include "app/TForm1.h"
#include "app/win32/MainWindow.h"
#include "app/win32/RunAssembly.h"
#include "app/win32/ScreenshotTour.h"
#include "app/win32/Win32FolderPicker.h"
#include "app/win32/Win32Help.h"
#include "app/win32/Win32Platform.h"
#include "app/win32/Win32WindowUi.h"
#include "core/win32/Win32FileSystem.h"
#include "undo/UndoStore.h"
#include "undo/win32/Win32DriveTypes.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int showCommand) {
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);

  // The first argument, as the command line gives it (a path may hold blanks
  // when quoted); a screenshot switch is handled apart.
  std::string firstArgument;
  std::string screenshot;  // the page or dialog to show for a screenshot
  if (__argc > 1) {
    const std::string a = __argv[1];
    if (a.rfind(kScreenshotSwitch, 0) == 0)
      screenshot = a.substr(std::string(kScreenshotSwitch).size());
    else
      firstArgument = a;
  }

  Win32FileSystem fs;
  Win32Drives drives;
  Win32FolderPicker picker;
  Win32WindowUi ui;
  Win32DriveTypes driveTypes;
  Win32Help help;

  TForm1Ports ports;
  ports.ui = &ui;
  ports.fs = &fs;
  ports.drives = &drives;
  ports.picker = &picker;
  ports.GetOSInfo = QueryOsVersion;
  ports.driveTypes = &driveTypes;
  ports.help = &help;
  ports.shell = &help;
  TForm1 form(ports, ProgramFolderOfExe());
  RunAssembly assembly(form.ctx, form.ctx.programFolder, ShellDialogs::Shown);
  RunParts parts = assembly.Parts();
  // Screenshots get a sample run that makes no change.
  ScreenshotRun sample(screenshot);
  sample.ctx = &form.ctx;
  if (!screenshot.empty()) {
    parts.mover = &sample;
    parts.registry = &sample;
    parts.files = &sample;
  }
  form.Wire(parts, &assembly.Undo(), &assembly.Undoer());
  ui.Bind(form.ctx);

  MainWindow window(form, ui);
  window.onDestroyed = [] { PostQuitMessage(0); };
  window.Create(firstArgument, showCommand);
  picker.SetOwner(window.hwnd());
  help.SetOwner(window.hwnd());
  assembly.SetOwnerWindow(window.hwnd());
  if (!screenshot.empty()) ScreenshotTour(window, form, screenshot);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (window.PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  help.CloseAll();
  OleUninitialize();
  return 0;
}
