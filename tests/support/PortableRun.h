#pragma once
// A whole run over the portable parts and the fakes, wired as the programs
// wire the real ones (records in C:\Ostrivane\), with its undo: for tests of
// a run and what its undo gives back.
#include <string>

#include "engine/MappingRun.h"
#include "engine/WrittenRecord.h"
#include "filemap/FileMapping.h"
#include "filemap/PathForms.h"
#include "filemap/ShortcutRewrite.h"
#include "filemap/TaskWalk.h"
#include "regmap/RegistryWalk.h"
#include "support/Cp1252.h"
#include "support/FakeFileSystem.h"
#include "support/FakeProcessesAndServices.h"
#include "support/FakeRails.h"
#include "support/FakeShellLinkStore.h"
#include "support/FakeShellMove.h"
#include "support/FakeTaskService.h"
#include "support/FakeUi.h"
#include "support/UndoNames.h"
#include "support/FakeUndoPlatform.h"
#include "support/MemoryRegistry.h"
#include "undo/FileBackupArchive.h"
#include "undo/MoveDir.h"
#include "undo/UndoExecution.h"
#include "undo/UndoStore.h"
#include "engine/UndoWords.h"
#include "support/TestRun.h"

struct PortableRun {
  static inline const std::string kRecords = "C:\\Ostrivane\\";

  PortableRun() {
    fs.AddFolder(RemoveSlash(kRecords));
    ctx.recordsFolder = kRecords;
    ctx.drives = {{"C", "C:\\", true}};
    ctx.ui = &ui;
    known.places.windows = "C:\\Windows";
    known.places.ownFolder = kRecords;
  }
  // Undoes the entry as a user asks it: the words the user reads (`last`
  // keeps what it did).
  std::string UndoSaid(const char* name, bool force = false) {
    last = undoer->UndoEntry(*UndoName::Parse(name), force, watcher);
    return UndoMessage(last);
  }
  void RunRequest(RunMode mode, const std::string& find, const std::string& replace) {
    ctx.request = MappingRequest{};
    ctx.request.Mode = mode;
    ctx.request.FindText = find;
    ctx.request.ReplaceText = replace;
    ctx.stopAndVerify = false;
    ctx.Run(parts);
  }

  FakeFileSystem fs;
  FakeUndoPlatform platform;
  MemoryRegistry reg;
  FakeUi ui;
  TestRun ctx;
  FakeShellLinkStore links{fs};
  FakeShellMove shell{fs};
  UndoStore store{fs, platform, kRecords};
  FileBackupArchive archive{fs, platform};
  WrittenRecord written{fs};
  PathForms forms{fs};
  ShortcutRewrite shortcuts{archive, links};
  Cp1252 cp;
  FileMapping files{fs, forms, archive, shortcuts, cp};
  FakeTaskService tasks;
  TaskBackup taskBackup{fs};
  TaskWalk taskWalk{tasks, files.Text(), taskBackup};
  RegistryWalk walk{reg, fs, cp};
  FolderMove mover{fs, shell, true};
  TestKnownFolders known;
  GuardRails rails{known};
  FreeRunLock lock;
  FakeProcessesAndServices running;
  UndoExecution undo{fs, store, reg, cp, mover, UndoRails{rails, lock, running}, UndoExtras{tasks, std::nullopt, std::nullopt}};
  UndoExecutor* undoer = &undo;  // the one UndoSaid asks
  UndoOutcome last;               // of the last UndoSaid
  UndoProgress* watcher = nullptr;  // told of the undo's progress, where set
  RunParts parts{.undo = store,
                 .mover = mover,
                 .archive = archive,
                 .registry = walk,
                 .files = files,
                 .shortNames = forms,
                 .records = fs,
                 .written = written,
                 .optionalTasks = &taskWalk};
};
