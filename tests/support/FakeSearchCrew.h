#pragma once
// Walkers for searches side by side over a run's shared fakes, as the
// programs make them over the shared platform: each search its own walkers,
// bound to its own context.
#include <functional>

#include "filemap/FileMapping.h"
#include "filemap/PathForms.h"
#include "filemap/ShortcutRewrite.h"
#include "regmap/RegistryWalk.h"

class FakeSearchCrew : public SearchCrew {
 public:
  FakeSearchCrew(FileSystem& fs, RegistryBackend& reg, ShellLinkStore& links, CodePage& cp, FileBackup& backup)
      : fs_(fs), reg_(reg), links_(links), cp_(cp), backup_(backup) {}

  // Called on the searching thread before its walk and after it: tests hold
  // a search back, or tell which threads searched.
  std::function<void(const RunContext&)> beforeSearch, afterSearch;

  std::unique_ptr<SearchWalkers> WalkersFor(RunContext& ctx) override {
    if (beforeSearch) beforeSearch(ctx);
    return std::make_unique<Walkers>(*this, ctx);
  }

 private:
  struct Walkers : SearchWalkers {
    Walkers(FakeSearchCrew& crew, RunContext& ctx)
        : crew(crew),
          ctx(ctx),
          forms(crew.fs_),
          shortcuts(ctx, crew.backup_, crew.links_),
          files(ctx, crew.fs_, forms, crew.backup_, shortcuts, crew.cp_),
          registry(ctx, crew.reg_, crew.fs_, crew.cp_) {}
    ~Walkers() override {
      if (crew.afterSearch) crew.afterSearch(ctx);
    }
    RegistryMapper& Registry() override { return registry; }
    FileMapper& Files() override { return files; }

    FakeSearchCrew& crew;
    RunContext& ctx;
    PathForms forms;
    ShortcutRewrite shortcuts;
    FileMapping files;
    RegistryWalk registry;
  };

  FileSystem& fs_;
  RegistryBackend& reg_;
  ShellLinkStore& links_;
  CodePage& cp_;
  FileBackup& backup_;
};
