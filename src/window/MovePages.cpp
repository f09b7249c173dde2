#include "window/MovePages.h"

#include "core/FileSystem.h"
#include "core/Text.h"
#include "core/Error.h"
#include "core/PathText.h"
#include "core/Ui.h"

namespace {
constexpr const char* kNotEnoughInformation = "Not enough information to proceed";
constexpr const char* kClickNext = "Click on the Next button to Continue";
constexpr const char* kClickMoveFiles = "Click on the \"Move Files\" button to start Moving Files";
constexpr const char* kSourceMissing = "%s does not exist.  Please correct.";
}  // namespace

void MovePages::FollowAdvanced(bool on) {
  if (on) {
    confirmStart = givenStart = {"&Next", Glyph::Forward};
    confirmHint = givenHint = kClickNext;
  } else {
    // Not M: Alt+M is "Show Advanced Map Options" beside it.
    confirmStart = givenStart = {"Move &Files", Glyph::Start};
    confirmHint = givenHint = kClickMoveFiles;
  }
}

void MovePages::Give(const std::string& path) {
  const ItemPath item = SplitItemPath(path);
  givenSourceFolder = item.folder;
  givenItemName = item.name;
}

Check MovePages::Drop(const std::string& source, const std::string& destination, FileSystem& fs) {
  const ItemPath item = SplitItemPath(source);
  if (item.name.empty()) return Refusal{kWholeDrive, "Whole Drive"};
  confirmItemName = item.name;
  confirmSourceFolder = item.folder;
  confirmDestination = AddSlash(destination);
  confirmFromLine = fs.FolderExists(confirmSourceFolder + confirmItemName)
                        ? "and all files and folders in it will be moved from"
                        : "will be moved from";
  confirmToLine = "to";
  return std::nullopt;
}

Check MovePages::Start(bool given, FileSystem& fs) {
  if (given) {
    confirmSourceFolder = givenSourceFolder;
    confirmItemName = givenItemName;
    // A typed or pasted destination: line breaks and outer blanks are not part of it.
    std::string d = givenDestination;
    std::erase_if(d, [](char c) { return c == '\r' || c == '\n'; });
    confirmDestination = std::string(Trim(d, " "));
  }
  if (!Complete()) {
    const Field field = given && confirmDestination.empty() ? Field::GivenDestination : Field::None;
    return Refusal{kNotEnoughInformation, kAppTitle, field};
  }
  // Checked here, so the user corrects it on this page rather than meeting a
  // cancelled run.
  if (!fs.AttributesOf(FindText()).has_value()) return Refusal{Format1(kSourceMissing, FindText()), kAppTitle, Field::None, MessageKind::Error};
  return std::nullopt;
}

std::string MovePages::FindText() const { return AddSlash(confirmSourceFolder) + confirmItemName; }
std::string MovePages::ReplaceText() const { return AddSlash(confirmDestination) + confirmItemName; }
