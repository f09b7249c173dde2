#pragma once
// "Undo Changes": brings an undo entry's changes back. Its order gives back
// the state before the run: first the backed-up files, written to the paths
// they were saved from (inside the moved folder, at its new place), then the
// move back, which carries them home with the folder, then the registry
// backup, imported by the program itself (it touches neither of the others).
// Each step runs whatever became of the one before; the closing message says
// in further lines what did not work, so a failed undo never reads as done,
// and then what did. An item no longer where the record says gets nothing
// restored into its place and is not moved; folders the run's move made go
// again once they are empty.
#include <string>

#include "engine/GuardRails.h"
#include "engine/RunPorts.h"
#include "engine/UndoPorts.h"
#include "core/CodePage.h"
#include "core/FileSystem.h"
#include "regmap/RegistryBackend.h"
#include "undo/MoveDir.h"
#include "undo/UndoStore.h"

inline constexpr const char* kUndoCompleted = " files restored.  Undo has completed";
inline constexpr const char* kUndoIncomplete = "Not everything could be undone:";
inline constexpr const char* kUndoDone = "What was undone:";

class UndoExecution : public UndoExecutor {
 public:
  // `ansi` reads registry backups stored in the ANSI code page.
  UndoExecution(FileSystem& fs, UndoStore& store, RegistryBackend& registry, CodePage& ansi, FolderMove& mover,
                RunLock* lock = nullptr)
      : fs_(fs),
        store_(store),
        registry_(registry),
        ansi_(ansi),
        mover_(mover),
        lock_(lock) {}

  // Throws Error only when another run holds the run lock.
  std::string UndoEntry(const std::string& name) override;
  // Told when an undo set an environment value back.
  void SetEnvironmentNotice(EnvironmentNotice* notice) { environment_ = notice; }
  // The rails a record is obeyed within: no file is written back over the
  // program or its records (the move back keeps to the mover's own).
  void SetGuard(GuardRails* guard) { guard_ = guard; }

 private:
  FileSystem& fs_;
  UndoStore& store_;
  RegistryBackend& registry_;
  CodePage& ansi_;
  FolderMove& mover_;
  RunLock* lock_;
  EnvironmentNotice* environment_ = nullptr;
  GuardRails* guard_ = nullptr;
};
