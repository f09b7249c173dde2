#include "app/win32/RunAssembly.h"

#include "app/win32/Win32Platform.h"
#include "core/Error.h"
#include "core/win32/Win32FileSystem.h"
#include "filemap/FileMapping.h"
#include "filemap/PathForms.h"
#include "filemap/ShortcutRewrite.h"
#include "filemap/win32/Win32ShellLinkStore.h"
#include "regmap/RegistryWalk.h"
#include "regmap/win32/Win32RegistryBackend.h"
#include "undo/FileBackupArchive.h"
#include "undo/UndoStore.h"
#include "undo/win32/Win32UndoPlatform.h"

namespace {
// Undoing a run needs the move back and the registry import, which this
// build does not carry yet.
class UndoNotYet : public UndoExecutor {
 public:
  std::string UndoEntry(const std::string&) override { throw Error("This build cannot undo a run yet."); }
};
}  // namespace

struct RunAssembly::Impl {
  Impl(RunContext& ctx, const std::string& programFolder)
      : forms(fs),
        archive(fs, undoPlatform),
        store(fs, undoPlatform, programFolder),
        shortcuts(ctx, archive, links),
        files(ctx, fs, forms, archive, shortcuts),
        registry(ctx, registryBackend, fs) {}

  Win32FileSystem fs;
  Win32UndoPlatform undoPlatform;
  Win32ShellLinkStore links;
  Win32RegistryBackend registryBackend;
  Win32RunLock lock;
  PathForms forms;
  FileBackupArchive archive;
  UndoStore store;
  ShortcutRewrite shortcuts;
  FileMapping files;
  RegistryWalk registry;
  UndoNotYet undoer;
};

RunAssembly::RunAssembly(RunContext& ctx, const std::string& programFolder)
    : impl_(std::make_unique<Impl>(ctx, programFolder)) {}
RunAssembly::~RunAssembly() = default;

RunParts RunAssembly::Parts() {
  Impl& i = *impl_;
  RunParts p;
  p.undo = &i.store;
  p.archive = &i.archive;
  p.files = &i.files;
  p.registry = &i.registry;
  p.shortNames = &i.forms;
  p.lock = &i.lock;
  return p;
}

FileSystem& RunAssembly::Files() { return impl_->fs; }
UndoStore& RunAssembly::Undo() { return impl_->store; }
UndoExecutor& RunAssembly::Undoer() { return impl_->undoer; }
