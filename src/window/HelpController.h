#pragma once
// The window's help: the "?" button, F1 on a page, the introduction's links
// and addresses opened with the shell.
#include <string>

#include "window/Pages.h"
#include "window/WindowTalk.h"

struct WizardPorts;

class HelpController {
 public:
  // The help file is beside the program, in programFolder.
  HelpController(const WizardPorts& ports, std::string programFolder, const WindowTalk& talk);

  void GoToWebsite(const std::string& address);
  void HelpButtonClick();       // "?"
  void MoreInformationClick();  // "More information about Ostrivane"
  void AskQuestionsClick();     // "Ask a question"
  void HelpFor(Page page);      // F1: the help topic of the page on screen

 private:
  void ShowHelpTopic(const std::string& topic);

  const WizardPorts& ports_;
  std::string helpFolder_;
  const WindowTalk& talk_;
};
