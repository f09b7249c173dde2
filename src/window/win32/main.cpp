// ostrivane.exe: the window program's composition root.
#include "core/win32/WinApi.h"
//
#include <shellapi.h>

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "core/win32/Owned.h"
#include "core/win32/SystemLibrary.h"
#include "core/win32/WidePath.h"
#include "window/ResumeArguments.h"
#include "window/StartUp.h"
#include "window/win32/SingleInstance.h"
#include "window/win32/WindowProgram.h"

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

// What the program does with its command line, up to the end of its window.
int Start(int showCommand) {
  const std::vector<std::string> args = Arguments();
  WindowStart window;
  window.showCommand = showCommand;
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
    window.resume = args;
    RunWindow(window);
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
  window.firstArgument = start.path;
  RunWindow(window);
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
