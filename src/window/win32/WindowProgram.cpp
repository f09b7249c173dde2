#include "window/win32/WindowProgram.h"

#include "core/win32/WinApi.h"
//
#include <commctrl.h>

#include "core/win32/OleScope.h"
#include "core/win32/Win32FileSystem.h"
#include "core/win32/WidePath.h"
#include "engine/win32/Win32Platform.h"
#include "regmap/win32/Win32RegistryBackend.h"
#include "undo/UndoStore.h"
#include "window/ExplorerVerb.h"
#include "window/ResumeArguments.h"
#include "window/StartUp.h"
#include "window/Wizard.h"
#include "window/win32/MainWindow.h"
#include "window/win32/RightsWarningDialog.h"
#include "window/win32/SingleInstance.h"
#include "window/win32/Win32DriveTypes.h"
#include "window/win32/Win32FolderPicker.h"
#include "window/win32/Win32Help.h"
#include "window/win32/Win32WindowUi.h"
#include "wiring/win32/RunAssembly.h"
#include "wiring/win32/Win32Rights.h"

namespace {
// The records place, or none after telling why the records cannot be used;
// folders left out of the list are named.
std::optional<RecordsPlace> ReadyRecordsPlace(const WindowStart& start, Win32Rights& rights) {
  RecordsPlace place = start.records ? *start.records : ChooseRecordsPlace(rights);
  if (place.refusal) {
    MessageBoxW(nullptr, WideText(RefusalText(*place.refusal)).c_str(), L"Ostrivane", MB_OK | MB_ICONERROR);
    return std::nullopt;
  }
  for (const std::string& note : place.notes)
    MessageBoxW(nullptr, WideText(note).c_str(), L"Ostrivane", MB_OK | MB_ICONWARNING);
  return place;
}

// The adapters the page model reaches, for the life of the window.
struct WindowAdapters {
  Win32FileSystem fs;
  Win32Drives drives;
  Win32FolderPicker picker;
  Win32WindowUi ui;
  Win32DriveTypes driveTypes;
  Win32Help help;
  HWND owner = nullptr;  // the main window, once it is up

  // Without rights no check is made before a run.
  WizardPorts Ports(Win32Rights* rights) {
    WizardPorts ports;
    ports.ui = &ui;
    ports.fs = &fs;
    ports.drives = &drives;
    ports.picker = &picker;
    ports.driveTypes = &driveTypes;
    ports.help = &help;
    ports.shell = &help;
    if (rights) {
      ports.rights = rights;
      ports.askRights = [this](const RightsWarningPage& page) { return ShowRightsWarning(owner, page); };
      ports.restartElevated = [this](const std::vector<std::string>& args) { return RestartElevated(owner, args); };
    }
    ports.dialogs = &ui;
    return ports;
  }
  void SetOwner(HWND window) {
    owner = window;
    picker.SetOwner(window);
    help.SetOwner(window);
  }
};

// A further copy's command line. While a message is being handled (a run
// pumps messages, a dialog runs its own loop) it is kept, and acted on when
// the handler has returned.
class HandOverDoor {
 public:
  HandOverDoor(MainWindow& window, Wizard& wizard)
      : window_(window),
        wizard_(wizard),
        actions_(wizard, ExplorerLink),
        desk_([this] { return handling_ > 0 || wizard_.running; }, [this](const StartAction& a) { Act(a); },
              [this] { return wizard_.running; }) {
    window_.onMessage = [this](UINT m, WPARAM wp, LPARAM lp, LRESULT& result) {
      std::string text;
      if (!ReadHandOver(m, wp, lp, text, result)) return false;
      desk_.Receive(text);
      return true;
    };
  }
  ~HandOverDoor() { window_.onMessage = nullptr; }
  HandOverDoor(const HandOverDoor&) = delete;
  HandOverDoor& operator=(const HandOverDoor&) = delete;
  // The window is up: what was kept is acted on.
  void Open() {
    handling_ = 0;
    desk_.Resume();
  }
  // Until the main window is gone.
  void MessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      ++handling_;
      if (!window_.PreTranslate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      --handling_;
      desk_.Resume();
    }
  }

 private:
  void Act(const StartAction& a) {
    actions_.Do(a);
    if (!window_.hwnd()) return;
    if (wizard_.Terminated) {
      DestroyWindow(window_.hwnd());
      return;
    }
    window_.Show();
    if (HWND go = window_.SenderButton(Sender::HandOverGo); go && IsWindowVisible(go)) SetFocus(go);
  }

  MainWindow& window_;
  Wizard& wizard_;
  int handling_ = 1;  // until the window is up
  StartActions actions_;
  HandOverDesk desk_;
};
}  // namespace

void ExplorerLink(bool add) {
  Win32RegistryBackend registry;
  CreateExplorerLink(registry, add, ExecutablePath());
}

void RunWindow(const WindowStart& start) {
  const OleScope ole;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);

  Win32Rights rights;
  const std::optional<RecordsPlace> place = ReadyRecordsPlace(start, rights);
  if (!place) return;
  WindowAdapters adapters;
  Wizard wizard(adapters.Ports(start.checkRights ? &rights : nullptr), ProgramFolderOfExe(), place->folder);
  RunAssembly assembly(wizard.choices.recordsFolder, ShellDialogs::Shown);
  for (const std::string& folder : place->earlier) assembly.AddEarlierRecordsFolder(folder);
  const RunParts parts = start.adaptRun ? start.adaptRun(assembly.Parts(), wizard) : assembly.Parts();
  wizard.Wire(parts, &assembly.Undo(), &assembly.Undoer());
  adapters.ui.Bind(wizard.lastRun);
  adapters.ui.BindWork(wizard.run.work);

  MainWindow window(wizard, adapters.ui);
  window.onDestroyed = [] { PostQuitMessage(0); };
  HandOverDoor door(window, wizard);
  window.Create(start.firstArgument, start.showCommand);
  adapters.owner = window.hwnd();
  if (ApplyResumeArguments(wizard, start.resume)) window.Show();
  adapters.SetOwner(window.hwnd());
  assembly.SetOwnerWindow(window.hwnd());
  if (start.shown) start.shown(window, wizard);
  door.Open();
  door.MessageLoop();
  adapters.help.CloseAll();
}
