#include "wiring/win32/RunAssembly.h"

#include <windows.h>
#include <objbase.h>

#include <vector>

#include "engine/win32/Win32Platform.h"
#include "engine/win32/Win32ProcessesAndServices.h"
#include "core/win32/ComScope.h"
#include "core/win32/WidePath.h"
#include "core/win32/Win32CodePage.h"
#include "core/win32/Win32FileSystem.h"
#include "engine/WrittenRecord.h"
#include "filemap/FileMapping.h"
#include "filemap/PathForms.h"
#include "filemap/ShortcutRewrite.h"
#include "filemap/TaskWalk.h"
#include "filemap/win32/Win32TaskService.h"
#include "filemap/win32/Win32ShellLinkStore.h"
#include "regmap/ProfileHives.h"
#include "regmap/RegistryWalk.h"
#include "regmap/win32/Win32HiveLoader.h"
#include "regmap/win32/Win32RegistryBackend.h"
#include "regmap/win32/Win32EnvironmentValues.h"
#include "regmap/win32/Win32UserAccounts.h"
#include "undo/FileBackupArchive.h"
#include "undo/MoveDir.h"
#include "undo/UndoExecution.h"
#include "undo/UndoStore.h"
#include "undo/win32/Win32ShellMove.h"
#include "undo/win32/Win32UndoPlatform.h"

namespace {
// What a search is made of on this platform: the run has one set, each
// search side by side another (the environment values keep a cache;
// nothing here is shared between threads).
struct SearchAdapters {
  Win32FileSystem fs;
  Win32ShellLinkStore links;
  Win32RegistryBackend registryBackend;
  Win32CodePage ansi{Win32CodePage::Which::Ansi};  // legacy settings files, REGEDIT4 files and those of earlier builds
  Win32EnvironmentValues environmentValues;
  Win32UserAccounts accounts;
  PathForms forms{fs};
};
}  // namespace

struct RunAssembly::Impl : SearchAdapters {
  Impl(const std::string& programFolder, ShellDialogs dialogs)
      : written(fs),
        archive(fs, undoPlatform),
        store(fs, undoPlatform, programFolder),
        shortcuts(archive, links),
        files(fs, forms, archive, shortcuts, ansi),
        taskBackup(fs),
        tasks(taskService, files.Text(), taskBackup),
        registry(registryBackend, fs, ansi),
        mover(fs, shell, dialogs == ShellDialogs::Silent),
        undoer(fs, store, registryBackend, ansi, mover, UndoRails{guard, lock, processes},
               UndoExtras{taskService, offlineHives, environment}) {
    store.SetLock(&lock);
    mover.SetGuard(&guard);
    // The program's own files are no one's settings to re-map.
    ownFolders.push_back(ProgramFolderOfExe());
    places = knownFolders.Places();
    WireWalkers(files, shortcuts, registry, *this, ownFolders, places);
  }

  // What the walkers of the run and those of each search side by side are
  // told alike.
  static void WireWalkers(FileMapping& files, ShortcutRewrite& shortcuts, RegistryWalk& registry,
                          SearchAdapters& adapters, const std::vector<std::string>& ownFolders,
                          const ProtectedPlaces& places) {
    files.Walk().SetWindowsFolder(WindowsFolder());
    for (const std::string& folder : ownFolders) files.Walk().AddOwnFolder(folder);
    // Where programs keep their settings: files there are searched by content.
    for (const std::string& folder : places.programRoots) files.Walk().AddSettingsPlace(folder);
    files.Walk().SetProfilesFolder(places.users);
    registry.SetEnvironment(&adapters.environmentValues);
    registry.SetUserAccounts(&adapters.accounts);
    shortcuts.SetEnvironment(&adapters.environmentValues);
    files.Text().SetEnvironment(&adapters.environmentValues);
  }

  // The Windows folder, whose task files no walk enters; empty when unknown.
  static std::string WindowsFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return {};
    return Utf8Text(std::wstring_view(buffer, length));
  }

  // One search side by side: adapters and walkers of its own, on a thread
  // that joins a COM apartment for the shortcuts.
  struct LaneWalkers : SearchWalkers {
    LaneWalkers(FileBackup& backup, const std::vector<std::string>& ownFolders, const ProtectedPlaces& places)
        : shortcuts(backup, a.links), files(a.fs, a.forms, backup, shortcuts, a.ansi), registry(a.registryBackend, a.fs, a.ansi) {
      WireWalkers(files, shortcuts, registry, a, ownFolders, places);
    }
    RegistryMapper& Registry() override { return registry; }
    FileMapper& Files() override { return files; }

    ComScope apartment;  // first in, last out: COM for this search's thread
    SearchAdapters a;
    ShortcutRewrite shortcuts;
    FileMapping files;
    RegistryWalk registry;
  };

  struct Crew : SearchCrew {
    explicit Crew(Impl& impl) : impl(impl) {}
    std::unique_ptr<SearchWalkers> WalkersFor() override {
      // A search backs nothing up: the run's archive is only named here.
      return std::make_unique<LaneWalkers>(impl.archive, impl.ownFolders, impl.places);
    }
    Impl& impl;
  };

  Win32UndoPlatform undoPlatform;
  Win32RunLock lock;
  Win32KnownFolders knownFolders;
  GuardRails guard{knownFolders};
  Win32EnvironmentNotice environment;
  Win32ShellMove shell;
  Win32TaskService taskService;
  Win32ProcessesAndServices processes;
  Win32HiveLoader hiveLoader;
  ProfileHives offlineHives{registryBackend, hiveLoader, fs, &environmentValues};
  WrittenRecord written;
  FileBackupArchive archive;
  UndoStore store;
  ShortcutRewrite shortcuts;
  FileMapping files;
  TaskBackup taskBackup;
  TaskWalk tasks;
  RegistryWalk registry;
  FolderMove mover;
  UndoExecution undoer;
  std::vector<std::string> ownFolders;  // beside the records folder
  ProtectedPlaces places;               // the system's folders, asked once
  Crew crew{*this};
};

RunAssembly::RunAssembly(const std::string& programFolder, ShellDialogs dialogs)
    : impl_(std::make_unique<Impl>(programFolder, dialogs)) {}
RunAssembly::~RunAssembly() = default;

void RunAssembly::AddEarlierRecordsFolder(const std::string& folder) {
  impl_->store.AddEarlierFolder(folder);
  impl_->files.Walk().AddOwnFolder(folder);
  impl_->ownFolders.push_back(folder);
}

RunParts RunAssembly::Parts() {
  Impl& i = *impl_;
  return RunParts{.undo = i.store,
                  .mover = i.mover,
                  .archive = i.archive,
                  .registry = i.registry,
                  .files = i.files,
                  .shortNames = i.forms,
                  .records = i.fs,
                  .written = i.written,
                  .optionalLock = &i.lock,
                  .optionalEnvironment = &i.environment,
                  .optionalTimeText = [&i] { return i.store.NowText(); },
                  .optionalUtcStamp = [&i] { return i.store.NowUtcStamp(); },
                  .optionalCrew = &i.crew,
                  .optionalTasks = &i.tasks,
                  .optionalRunning = &i.processes,
                  .optionalOfflineHives = &i.offlineHives};
}

FileSystem& RunAssembly::Files() { return impl_->fs; }
UndoStore& RunAssembly::Undo() { return impl_->store; }
UndoExecutor& RunAssembly::Undoer() { return impl_->undoer; }
void RunAssembly::SetOwnerWindow(void* window) { impl_->shell.SetOwner(window); }
