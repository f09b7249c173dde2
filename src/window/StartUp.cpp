#include "window/StartUp.h"

#include "core/ScopeExit.h"
#include "window/Wizard.h"

namespace {
StartAction Command(std::string_view text, std::string_view exit, std::string_view remove, std::string_view add) {
  if (text == exit) return {StartCommand::Exit, ""};
  if (text == remove) return {StartCommand::RemoveVerb, ""};
  if (text == add) return {StartCommand::AddVerb, ""};
  return {StartCommand::OpenPath, std::string(text)};
}

}  // namespace

StartAction FirstStartAction(std::string_view firstArgument) {
  if (firstArgument.empty()) return {};
  return Command(firstArgument, "-d", "-l", "+l");
}

std::string HandOverText(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& a : arguments) text += " " + a;
  return text;
}

StartAction HandOverAction(std::string_view text) {
  StartAction a = Command(text, " -d", " -l", " +l");
  if (a.command != StartCommand::OpenPath) return a;
  if (!a.path.empty() && a.path.front() == ' ') a.path.erase(0, 1);
  // An empty argument, like no argument at all, asks for nothing.
  if (a.path.empty()) return {};
  return a;
}

StartActions::StartActions(Wizard& wizard, std::function<void(bool)> explorerLink)
    : wizard_(wizard), explorerLink_(std::move(explorerLink)) {}

void StartActions::Do(const StartAction& action) {
  switch (action.command) {
    case StartCommand::Nothing: break;
    // As "Exit" on an end page: the settings file is not written.
    case StartCommand::Exit:
      if (action.duringRun)
        wizard_.CloseAskedDuringRun();
      else
        wizard_.Terminated = true;
      break;
    case StartCommand::RemoveVerb: explorerLink_(false); break;
    case StartCommand::AddVerb: explorerLink_(true); break;
    case StartCommand::OpenPath:
      if (action.duringRun)
        wizard_.OfferHandOver(action.path);
      else
        wizard_.OpenMoveGiven(action.path);
      break;
  }
}

HandOverDesk::HandOverDesk(std::function<bool()> busy, std::function<void(const StartAction&)> act,
                           std::function<bool()> runOn)
    : busy_(std::move(busy)), act_(std::move(act)), runOn_(std::move(runOn)) {}

void HandOverDesk::Receive(std::string_view text) {
  StartAction a = HandOverAction(text);
  if (a.command == StartCommand::Nothing) return;
  a.duringRun = runOn_ && runOn_();
  kept_.push_back(std::move(a));
  Resume();
}

void HandOverDesk::Resume() {
  // A hand-over that arrives while one is carried out waits for it.
  if (acting_) return;
  acting_ = true;
  const ScopeExit done{[this] { acting_ = false; }};
  while (!kept_.empty() && !busy_()) {
    const StartAction a = std::move(kept_.front());
    kept_.pop_front();
    act_(a);
    // The window is going. A "-d" from a run's time was asked about and may
    // have been refused: what came after it stays.
    if (a.command == StartCommand::Exit && !a.duringRun) kept_.clear();
  }
}
