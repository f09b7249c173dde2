// ostrivane-cli: the console front end.
#include <iostream>
#include <string>
#include <vector>

#include "CliApp.h"
#include "core/win32/SystemLibrary.h"
#include "core/win32/WinApi.h"
#include "win32/ConsoleStreams.h"
#include "win32/Win32CliServices.h"

int main() {
  RestrictDllSearch();
  ConsoleOutBuffer outBuffer(GetStdHandle(STD_OUTPUT_HANDLE));
  ConsoleOutBuffer errBuffer(GetStdHandle(STD_ERROR_HANDLE));
  ConsoleInBuffer inBuffer(GetStdHandle(STD_INPUT_HANDLE));
  std::ostream out(&outBuffer), err(&errBuffer);
  std::istream in(&inBuffer);
  Win32CliServices services;
  const int status = RunCli(Utf8Arguments(), services, in, out, err);
  out.flush();
  err.flush();
  return status;
}
