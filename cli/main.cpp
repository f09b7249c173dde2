// ostrivane-cli: the console front end.
#include <iostream>
#include <string>
#include <vector>

#include "CliApp.h"
#include "core/win32/WinApi.h"
#include "win32/Win32CliServices.h"

int main(int argc, char** argv) {
  // Paths are ANSI text: show them on the console in the same code page.
  SetConsoleOutputCP(GetACP());
  SetConsoleCP(GetACP());
  std::vector<std::string> args(argv + 1, argv + argc);
  Win32CliServices services;
  return RunCli(args, services, std::cin, std::cout, std::cerr);
}
