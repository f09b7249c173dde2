#include "window/HelpController.h"

#include "window/HelpLinks.h"
#include "window/PageFlow.h"
#include "window/WizardPorts.h"

HelpController::HelpController(const WizardPorts& ports, std::string programFolder, const WindowTalk& talk)
    : ports_(ports), helpFolder_(std::move(programFolder)), talk_(talk) {}

void HelpController::GoToWebsite(const std::string& address) {
  if (!ports_.shell) return;
  const std::string error = ShellExecuteErrorText(ports_.shell->OpenWithShell(address));
  if (!error.empty()) talk_.ShowMessage(error, kShellExecuteError);
}

void HelpController::ShowHelpTopic(const std::string& topic) {
  if (!ports_.help) return;
  // Only the HTML help is shipped (no WinHelp compiler is to be had), so the
  // older generations open it too; where its viewer is missing, say so.
  if (!ports_.help->HtmlHelpTopic(helpFolder_ + kHelpChm, topic))
    talk_.ShowMessage("The help " + helpFolder_ + kHelpChm + " could not be opened: the HTML help viewer is missing or "
                      "refused it.",
                      kAppTitle, MessageKind::Warning);
}

void HelpController::HelpButtonClick() { ShowHelpTopic(kIntroductionTopic); }
void HelpController::HelpFor(Page page) { ShowHelpTopic(RowOf(page).helpTopic); }

// The links open pages of the program's own help, whatever the Windows
// generation: the pages are only shipped in the HTML form.
void HelpController::MoreInformationClick() { ShowHelpTopic(kIntroductionTopic); }
void HelpController::AskQuestionsClick() { ShowHelpTopic(kQuestionsTopic); }
