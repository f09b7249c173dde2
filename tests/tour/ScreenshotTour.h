#pragma once
// The screenshot tour's walks: the window to one page (through TurnPage,
// with sample entries) or one of the two dialogs open over a sample run
// that changes nothing.
#include <string>

#include "engine/RunPorts.h"
#include "window/Wizard.h"

class MainWindow;

// Sample walks: "Finished" finds three links, "Cancelled" is cancelled,
// "ProgressDialog" keeps the progress dialog up, "ConfirmChangeDialog" asks one question.
class ScreenshotRun : public ItemMover, public RegistryMapper, public FileMapper {
 public:
  explicit ScreenshotRun(std::string target) : target_(std::move(target)) {}
  bool MoveDir(RunPass&, const std::string&, const std::string&) override { return true; }
  void FindReplaceProcess(RunPass& run, const SearchTexts&) override;
  void MapFiles(RunPass&, const SearchTexts&) override {}
  void MapKeys(RunPass& run, const SearchTexts& texts, const std::vector<std::string>& keys) override {
    RecordSamples(run, texts, keys);
  }
  void MapListedFiles(RunPass& run, const SearchTexts& texts, const std::vector<std::string>& paths) override {
    RecordSamples(run, texts, paths);
  }

 private:
  // The sample places, all of them or those named.
  void RecordSamples(RunPass& run, const SearchTexts& texts, const std::vector<std::string>& places);
  std::string target_;
};

// The page (a page name, or "ConfirmChangeDialog" / "ProgressDialog") to show.
void ScreenshotTour(MainWindow& window, Wizard& wizard, const std::string& target);
