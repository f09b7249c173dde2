#pragma once
// Walkers for searches side by side over a run's shared fakes, as the
// programs make them over the shared platform: each search its own walkers.
#include <functional>

#include "core/ScopeExit.h"
#include "filemap/FileMapping.h"
#include "filemap/PathForms.h"
#include "filemap/ShortcutRewrite.h"
#include "regmap/RegistryWalk.h"

class FakeSearchCrew : public SearchCrew {
 public:
  FakeSearchCrew(FileSystem& fs, RegistryBackend& reg, ShellLinkStore& links, CodePage& cp, FileBackup& backup)
      : fs_(fs), reg_(reg), links_(links), cp_(cp), backup_(backup) {}

  // Called on the searching thread before its walk and after it, with the
  // search's pass: tests hold a search back, or tell which threads searched.
  std::function<void(RunPass&)> beforeSearch, afterSearch;
  // Called on a pool's thread before each folder it searches.
  std::function<void(RunPass&, const std::string& folder)> beforeFolder;

  std::unique_ptr<SearchWalkers> WalkersFor() override { return std::make_unique<Walkers>(*this); }

 private:
  struct Walkers : SearchWalkers, RegistryMapper, FileMapper {
    explicit Walkers(FakeSearchCrew& crew)
        : crew(crew),
          forms(crew.fs_),
          shortcuts(crew.backup_, crew.links_),
          files(crew.fs_, forms, crew.backup_, shortcuts, crew.cp_),
          registry(crew.reg_, crew.fs_, crew.cp_) {}
    RegistryMapper& Registry() override { return *this; }
    FileMapper& Files() override { return *this; }

    void FindReplaceProcess(RunPass& run, const SearchTexts& texts) override {
      Around(run, [&] { registry.FindReplaceProcess(run, texts); });
    }
    void MapKeys(RunPass& run, const SearchTexts& texts, const std::vector<std::string>& keys) override {
      Around(run, [&] { registry.MapKeys(run, texts, keys); });
    }
    void MapFiles(RunPass& run, const SearchTexts& texts) override {
      Around(run, [&] { files.MapFiles(run, texts); });
    }
    void MapListedFiles(RunPass& run, const SearchTexts& texts, const std::vector<std::string>& paths) override {
      Around(run, [&] { files.MapListedFiles(run, texts, paths); });
    }
    std::vector<std::string> SearchFolder(RunPass& run, const std::string& folder, const SearchTexts& texts) override {
      if (crew.beforeFolder) crew.beforeFolder(run, folder);
      return files.SearchFolder(run, folder, texts);
    }
    template <class Walk>
    void Around(RunPass& run, Walk walk) {
      if (crew.beforeSearch) crew.beforeSearch(run);
      const ScopeExit after{[&] {
        if (crew.afterSearch) crew.afterSearch(run);
      }};
      walk();
    }

    FakeSearchCrew& crew;
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
