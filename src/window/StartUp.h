#pragma once
// The start of the window program without the platform: what the command
// line asks of a first copy, the text a second copy hands over to the
// running one, and what the running copy does with it (kept back while a run
// is on).
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class Wizard;

inline constexpr const char* kInstanceMutexName = "Ostrivane_is_alive";
// The hand-over message number, also the tag of the long-text channel.
inline constexpr unsigned kHandOverMessage = 0x801B;
// A global atom holds at most this many characters.
inline constexpr std::size_t kAtomTextLimit = 255;

enum class StartCommand {
  Nothing,     // no argument, or an empty hand-over: the window as it is
  Exit,        // "-d"
  RemoveVerb,  // "-l"
  AddVerb,     // "+l"
  OpenPath,    // anything else: the item to move
};

struct StartAction {
  StartCommand command = StartCommand::Nothing;
  std::string path;  // for OpenPath
  // Handed over while a run was on: a path is then offered on the end page
  // rather than opened, and "-d" asks before the window closes.
  bool duringRun = false;
  bool operator==(const StartAction&) const = default;
};

// A first copy's first argument; the commands are compared exactly.
StartAction FirstStartAction(std::string_view firstArgument);
// All arguments of a second copy, in order, each preceded by one blank.
std::string HandOverText(const std::vector<std::string>& arguments);
// What a running copy does with a received text: " -d", " -l" and " +l"
// exactly are commands, any other text less its leading blank is a path.
StartAction HandOverAction(std::string_view text);

// Carries out start actions on the main window's model.
class StartActions {
 public:
  StartActions(Wizard& wizard, std::function<void(bool add)> explorerLink);
  void Do(const StartAction& action);

 private:
  Wizard& wizard_;
  std::function<void(bool)> explorerLink_;
};

// The running copy's side of a hand-over: acted on at once, or kept while
// the window is busy (a run pumps messages, and the page flow must not be
// re-entered from inside it) and acted on, in order of arrival, once it is
// not.
class HandOverDesk {
 public:
  // runOn (may be empty) tells whether a run is on when a text arrives.
  HandOverDesk(std::function<bool()> busy, std::function<void(const StartAction&)> act,
               std::function<bool()> runOn = {});
  void Receive(std::string_view text);
  // Acts on what was kept; called when the window may have become idle.
  void Resume();
  std::size_t Kept() const { return kept_.size(); }

 private:
  std::function<bool()> busy_;
  std::function<void(const StartAction&)> act_;
  std::function<bool()> runOn_;
  std::deque<StartAction> kept_;
  bool acting_ = false;
};
