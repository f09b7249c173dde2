#include "wiring/win32/RunAssembly.h"

#include <windows.h>

#include "engine/win32/Win32Platform.h"
#include "engine/win32/Win32ProcessesAndServices.h"
#include "core/win32/WidePath.h"
#include "core/win32/Win32CodePage.h"
#include "core/win32/Win32FileSystem.h"
#include "engine/WrittenRecord.h"
#include "filemap/FileMapping.h"
#include "filemap/PathForms.h"
#include "filemap/ShortcutRewrite.h"
#include "filemap/win32/Win32ShellLinkStore.h"
#include "regmap/RegistryWalk.h"
#include "regmap/win32/Win32RegistryBackend.h"
#include "regmap/win32/Win32EnvironmentValues.h"
#include "regmap/win32/Win32UserAccounts.h"
#include "undo/FileBackupArchive.h"
#include "undo/MoveDir.h"
#include "undo/UndoExecution.h"
#include "undo/UndoStore.h"
#include "undo/win32/Win32ShellMove.h"
#include "undo/win32/Win32UndoPlatform.h"

struct RunAssembly::Impl {
  Impl(RunContext& ctx, const std::string& programFolder, ShellDialogs dialogs)
      : forms(fs),
        written(fs),
        archive(fs, undoPlatform),
        store(fs, undoPlatform, programFolder),
        shortcuts(ctx, archive, links),
        files(ctx, fs, forms, archive, shortcuts, ansi),
        registry(ctx, registryBackend, fs, ansi),
        mover(ctx, fs, shell, dialogs == ShellDialogs::Silent),
        undoer(fs, store, registryBackend, ansi, mover, &lock) {
    undoer.SetEnvironmentNotice(&environment);
    store.SetLock(&lock);
    mover.SetGuard(&guard);
    undoer.SetGuard(&guard);
    undoer.SetRunning(&processes);
    files.Walk().SetWindowsFolder(WindowsFolder());
    // The program's own files are no one's settings to re-map.
    files.Walk().AddOwnFolder(ProgramFolderOfExe());
    registry.SetEnvironment(&environmentValues);
    registry.SetUserAccounts(&accounts);
    shortcuts.SetEnvironment(&environmentValues);
    files.Text().SetEnvironment(&environmentValues);
  }

  // The Windows folder, for the walk's scheduled tasks; empty when unknown.
  static std::string WindowsFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return {};
    return Utf8Text(std::wstring_view(buffer, length));
  }

  Win32FileSystem fs;
  Win32UndoPlatform undoPlatform;
  Win32ShellLinkStore links;
  Win32RegistryBackend registryBackend;
  Win32CodePage ansi{Win32CodePage::Which::Ansi};  // legacy settings files, REGEDIT4 files and those of earlier builds
  Win32RunLock lock;
  Win32KnownFolders knownFolders;
  GuardRails guard{knownFolders};
  Win32EnvironmentNotice environment;
  Win32EnvironmentValues environmentValues;
  Win32UserAccounts accounts;
  Win32ShellMove shell;
  Win32ProcessesAndServices processes;
  PathForms forms;
  WrittenRecord written;
  FileBackupArchive archive;
  UndoStore store;
  ShortcutRewrite shortcuts;
  FileMapping files;
  RegistryWalk registry;
  FolderMove mover;
  UndoExecution undoer;
};

RunAssembly::RunAssembly(RunContext& ctx, const std::string& programFolder, ShellDialogs dialogs)
    : impl_(std::make_unique<Impl>(ctx, programFolder, dialogs)) {}
RunAssembly::~RunAssembly() = default;

void RunAssembly::AddEarlierRecordsFolder(const std::string& folder) {
  impl_->store.AddEarlierFolder(folder);
  impl_->files.Walk().AddOwnFolder(folder);
}

RunParts RunAssembly::Parts() {
  Impl& i = *impl_;
  RunParts p;
  p.undo = &i.store;
  p.mover = &i.mover;
  p.archive = &i.archive;
  p.files = &i.files;
  p.registry = &i.registry;
  p.shortNames = &i.forms;
  p.lock = &i.lock;
  p.environment = &i.environment;
  p.records = &i.fs;
  p.written = &i.written;
  p.running = &i.processes;
  p.timeText = [&i] { return i.store.NowText(); };
  p.utcStamp = [&i] { return i.store.NowUtcStamp(); };
  return p;
}

FileSystem& RunAssembly::Files() { return impl_->fs; }
UndoStore& RunAssembly::Undo() { return impl_->store; }
UndoExecutor& RunAssembly::Undoer() { return impl_->undoer; }
void RunAssembly::SetOwnerWindow(void* window) { impl_->shell.SetOwner(window); }
