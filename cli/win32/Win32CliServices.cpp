#include "win32/Win32CliServices.h"

#include <windows.h>

#include "core/Error.h"
#include "core/FileSystem.h"
#include "core/Ini.h"
#include "core/Unicode.h"
#include "core/win32/AccountSid.h"
#include "core/win32/SystemError.h"
#include "core/win32/WidePath.h"
#include "core/win32/Win32FileSystem.h"
#include "undo/UndoStore.h"

namespace {
// The undo age limit the window program keeps in its settings file; a missing
// or malformed file gives the default.
int AgeLimitFromSettings(FileSystem& fs, const std::string& programFolder) {
  const std::string path = programFolder + "Ostrivane.ini";
  try {
    if (!fs.FileExists(path)) return kAgeOneWeek;
    return IniText(fs.ReadWhole(path)).ReadInteger("Undo List", "DeleteOlderThan", kAgeOneWeek);
  } catch (const Error&) {
    return kAgeOneWeek;
  }
}
}  // namespace

Win32CliServices::Win32CliServices() : place_(ChooseRecordsPlace(rights_)) {}
Win32CliServices::~Win32CliServices() = default;

RunAssembly& Win32CliServices::Assembly() {
  if (!assembly_) {
    assembly_ = std::make_unique<RunAssembly>(place_.folder, ShellDialogs::Silent);
    for (const std::string& folder : place_.earlier) assembly_->AddEarlierRecordsFolder(folder);
    assembly_->Undo().ageLimitIndex = AgeLimitFromSettings(assembly_->Files(), place_.folder);
    // The age limit judges the entries the list shows: list them now, so the
    // command's own listing or run applies the limit as the window does.
    assembly_->Undo().RebuildList();
  }
  return *assembly_;
}

bool Win32CliServices::RunsAsSystem() { return ProcessUserSid() == kSystemAccountSid; }

RunParts Win32CliServices::MakeRunParts() { return Assembly().Parts(); }

UndoList& Win32CliServices::Undo() { return Assembly().Undo(); }
UndoExecutor& Win32CliServices::UndoRunner() { return Assembly().Undoer(); }

namespace {
// A name given on the command line, taken from the current folder.
std::string FullPathOf(const std::string& path, const char* what) {
  const std::u16string wide = Utf16FromUtf8(path);
  std::wstring full(kLongestPathChars, L'\0');
  const DWORD length = GetFullPathNameW(reinterpret_cast<const wchar_t*>(wide.c_str()), DWORD(full.size()),
                                        full.data(), nullptr);
  if (length == 0 || length >= full.size())
    ThrowFailure(what, path, length == 0 ? GetLastError() : DWORD(ERROR_FILENAME_EXCED_RANGE));
  full.resize(length);
  return Utf8FromUtf16(std::u16string(full.begin(), full.end()));
}
}  // namespace

void Win32CliServices::WriteFile(const std::string& path, const std::string& bytes) {
  // Its failure names the report's full path and the system's reason.
  Win32FileSystem fs;
  fs.ReplaceWhole(FullPathOf(path, "Cannot write report"), bytes);
}

void Win32CliServices::WriteFileStreamed(const std::string& path, const BytesWriter& write) {
  Win32FileSystem fs;
  fs.ReplaceWholeStreamed(FullPathOf(path, "Cannot write report"), write);
}

std::string Win32CliServices::ReadFile(const std::string& path) {
  Win32FileSystem fs;
  return fs.ReadWhole(FullPathOf(path, "Cannot read report"));
}

bool Win32CliServices::ErrorsOnTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}
