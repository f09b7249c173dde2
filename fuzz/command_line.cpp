// The console front end's command line and the window program's start-up
// commands. The input is the argument list, NUL between arguments.
// Properties: a parse either fails with a reason or gives options that hold
// together (full paths for a move, one drive letter each for a switch, an
// undo name of five digits, a report to apply and none of the options it
// takes from the report, --stop-services only where something moves); a
// second copy's hand-over of one argument means what that argument means to
// a first copy; hand-overs kept while the window
// is busy are acted on in the order they came; and the Explorer verb holds
// the executable it was given and goes again on removal.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "CliArgs.h"
#include "FuzzCheck.h"
#include "core/Text.h"
#include "core/Unicode.h"
#include "support/MemoryRegistry.h"
#include "window/ExplorerVerb.h"
#include "window/StartUp.h"

namespace {
bool IsFull(const std::string& p) { return p.size() >= 3 && IsLetterAZ(p[0]) && p[1] == ':' && p[2] == '\\'; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(bytes), size);
  std::vector<std::string> args;
  for (std::size_t start = 0; start <= input.size();) {
    std::size_t end = input.find('\0', start);
    if (end == std::string_view::npos) end = input.size();
    args.emplace_back(input.substr(start, end - start));
    start = end + 1;
  }
  if (args.size() == 1 && args[0].empty()) args.clear();

  const CliParse parse = ParseCommandLine(args);
  FUZZ_CHECK(parse.options.has_value() != !parse.error.empty());
  if (parse.options) {
    const CliOptions& o = *parse.options;
    const MappingRequest request = RequestOf(o);
    switch (o.command) {
      case CliCommand::Map:
        FUZZ_CHECK(!o.find.empty() && !o.replace.empty());
        FUZZ_CHECK(request.Mode == RunMode::MapOnly && request.FindText == o.find);
        break;
      case CliCommand::Move:
        FUZZ_CHECK(IsFull(o.source) && IsFull(o.destinationFolder));
        FUZZ_CHECK(!SplitItemPath(o.source).name.empty());
        FUZZ_CHECK(request.Mode == RunMode::MoveAndMap && request.FindText == o.source);
        FUZZ_CHECK(FindFold(request.ReplaceText, SplitItemPath(o.source).name) != kNotFound);
        break;
      case CliCommand::Switch:
        FUZZ_CHECK(o.first.size() == 1 && o.second.size() == 1);
        FUZZ_CHECK(IsLetterAZ(o.first[0]) && IsLetterAZ(o.second[0]));
        FUZZ_CHECK(request.Mode == RunMode::SwitchDrives && request.FindText.size() == 3 && request.ReplaceText.size() == 3);
        break;
      case CliCommand::Apply:
        FUZZ_CHECK(!o.previewReport.empty() && !o.preview && !o.substring && !o.drives && !o.exitCode);
        break;
      case CliCommand::UndoRun:
      case CliCommand::UndoDelete:
        // A name the program reads back as the same name.
        FUZZ_CHECK(o.undoName && UndoName::Parse(o.undoName->Text()) == o.undoName);
        break;
      case CliCommand::Help:
      case CliCommand::UndoList: break;
    }
    if (o.drives)
      for (char d : *o.drives) FUZZ_CHECK(d >= 'A' && d <= 'Z');
    // Services are stopped only for a move (apply runs a previewed one).
    if (o.stopServices) FUZZ_CHECK(o.command == CliCommand::Move || o.command == CliCommand::Apply);
  }

  // The window program: a first copy and a second one handing over.
  const StartAction first = FirstStartAction(args.empty() ? "" : args[0]);
  if (first.command == StartCommand::OpenPath) FUZZ_CHECK(!first.path.empty());
  if (args.size() == 1) FUZZ_CHECK(HandOverAction(HandOverText(args)) == first);
  const StartAction handed = HandOverAction(HandOverText(args));
  if (handed.command == StartCommand::OpenPath) FUZZ_CHECK(!handed.path.empty());

  // Each argument handed over alone, the window busy at every other one,
  // against a plain queue: kept in order, acted on once the window is idle,
  // and dropped after an exit (the window is going).
  std::vector<StartAction> acted, expected, queue;
  bool busy = false;
  auto drain = [&] {
    for (std::size_t k = 0; k < queue.size(); ++k) {
      expected.push_back(queue[k]);
      if (queue[k].command == StartCommand::Exit) break;
    }
    queue.clear();
  };
  HandOverDesk desk([&] { return busy; }, [&](const StartAction& a) { acted.push_back(a); });
  for (std::size_t k = 0; k < args.size() && k < 64; ++k) {
    busy = k % 2 == 1;
    const StartAction a = HandOverAction(" " + args[k]);
    if (a.command != StartCommand::Nothing) queue.push_back(a);
    desk.Receive(" " + args[k]);
    // The window resumes the desk whenever it may have become idle.
    if (!busy) {
      desk.Resume();
      drain();
    }
  }
  busy = false;
  desk.Resume();
  drain();
  FUZZ_CHECK(desk.Kept() == 0);
  FUZZ_CHECK(acted == expected);

  // The verb, named after the first argument as the executable (text the
  // platform can hold: the registry keeps UTF-16).
  if (!args.empty() && !args[0].empty() && Utf8FromUtf16(Utf16FromUtf8(args[0])) == args[0]) {
    MemoryRegistry reg;
    CreateExplorerLink(reg, true, args[0]);
    FUZZ_CHECK(reg.GetText(RegRoot::ClassesRoot, "Folder\\shell\\Move with Ostrivane...\\command", "") ==
               VerbCommandLine(args[0]));
    CreateExplorerLink(reg, false, args[0]);
    FUZZ_CHECK(!reg.HasKey(RegRoot::ClassesRoot, "Folder\\shell\\Move with Ostrivane..."));
    FUZZ_CHECK(reg.openHandles() == 0);
  }
  return 0;
}
