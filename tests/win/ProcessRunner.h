#pragma once
// Runs a program of the build as another process and collects what it
// printed and its exit code, for end-to-end tests of the executables.
#include <string>
#include <thread>
#include <vector>

#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"

struct ProcessResult {
  DWORD exitCode = 9999;
  std::string out, err;
};

inline std::string QuoteArg(const std::string& a) {
  if (!a.empty() && a.find_first_of(" \t\"") == std::string::npos) return a;
  std::string q = "\"";
  std::size_t slashes = 0;
  for (char c : a) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    q.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
    slashes = 0;
    q += c;
  }
  q.append(slashes * 2, '\\');
  return q + "\"";
}

// Console output is in text mode (CR LF); tests compare lines.
inline std::string ReadAll(HANDLE h) {
  std::string s;
  char buf[4096];
  DWORD n = 0;
  while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) s.append(buf, n);
  std::string lf;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) lf += s[i];
  return lf;
}

// Runs exe with args (UTF-8, handed over as UTF-16, so any characters reach
// the program) and the given standard input.
inline ProcessResult RunProgram(const std::string& exe, const std::vector<std::string>& args,
                                const std::string& input = "") {
  std::string cmd = QuoteArg(exe);
  for (const std::string& a : args) cmd += " " + QuoteArg(a);
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE inR, inW, outR, outW, errR, errW;
  CreatePipe(&inR, &inW, &sa, 0);
  CreatePipe(&outR, &outW, &sa, 0);
  CreatePipe(&errR, &errW, &sa, 0);
  SetHandleInformation(inW, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(outR, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errR, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = inR;
  si.hStdOutput = outW;
  si.hStdError = errW;
  PROCESS_INFORMATION pi{};
  ProcessResult r;
  std::wstring wideCmd = WideText(cmd);
  if (!CreateProcessW(nullptr, wideCmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    r.err = "CreateProcess failed for " + cmd;
    return r;
  }
  CloseHandle(inR);
  CloseHandle(outW);
  CloseHandle(errW);
  DWORD written = 0;
  if (!input.empty()) WriteFile(inW, input.data(), DWORD(input.size()), &written, nullptr);
  CloseHandle(inW);
  // Both pipes drain at once, so neither can fill up and stall the child.
  std::thread errReader([&] { r.err = ReadAll(errR); });
  r.out = ReadAll(outR);
  errReader.join();
  WaitForSingleObject(pi.hProcess, INFINITE);
  GetExitCodeProcess(pi.hProcess, &r.exitCode);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  CloseHandle(outR);
  CloseHandle(errR);
  return r;
}

// A copy of the program in a plain folder of C:, so records land there.
inline std::string InstallCopy(const std::string& exe, const std::string& folder, const std::string& name) {
  CreateDirectoryW(WideText(folder).c_str(), nullptr);
  const std::string to = folder + "\\" + name;
  CopyFileW(WideText(exe).c_str(), WideText(to).c_str(), FALSE);
  return to;
}
