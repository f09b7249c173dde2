#pragma once
// For the screenshot script only: walks the window to one page (through
// TurnPage, with sample entries) or opens one of the two dialogs over a
// sample run that changes nothing.
#include <string>

#include "app/RunPorts.h"
#include "app/TForm1.h"

class MainWindow;

inline constexpr const char* kScreenshotSwitch = "--screenshot-page=";

// Sample walks: "pnlFinish" finds three links, "pnlCancelFinish" is cancelled,
// "TForm3" keeps the progress dialog up, "TForm2" asks one question.
class ScreenshotRun : public ItemMover, public RegistryMapper, public FileMapper {
 public:
  explicit ScreenshotRun(std::string target) : target_(std::move(target)) {}
  RunContext* ctx = nullptr;
  bool MoveDir(const std::string&, const std::string&) override { return true; }
  void FindReplaceProcess(const std::string&, const std::string&, const std::string&, const std::string&) override;
  void IniProcess(const std::string&, const std::string&) override {}

 private:
  std::string target_;
};

// The page (a page name, or "TForm2" / "TForm3") to show.
void ScreenshotTour(MainWindow& window, TForm1& form, const std::string& target);
