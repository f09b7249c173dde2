#include "window/MoveController.h"

#include "core/FileSystem.h"
#include "core/PathText.h"
#include "window/WizardPorts.h"

namespace {
constexpr const char* kSelectPair =
    "Select the item to move in \"Move From...\" and the folder to move it to in \"Move To...\".";
constexpr const char* kCannotMoveThere =
    "The selected item cannot be moved to that folder: choose a folder on a drive that can take it.";
}  // namespace

MoveController::MoveController(const WizardPorts& ports, MovePages& move, Field& focusField, const WindowTalk& talk,
                               std::function<void()> dropped)
    : ports_(ports), move(move), focusField(focusField), talk_(talk), dropped_(std::move(dropped)) {}

void MoveController::DropOnMoveTo(const std::string& source, const std::string& destination) {
  if (const Check refused = move.Drop(source, destination, *ports_.fs)) {
    talk_.Refuse(*refused, focusField);
    return;
  }
  dropped_();
}

std::vector<TreeEntry> MoveController::TreeChildrenOf(TreeSide side, const NodeChain& node) {
  return TreeChildren(side, node, *ports_.drives, *ports_.fs);
}

bool MoveController::TreeFolderShowsAnything(TreeSide side, const NodeChain& folder) {
  return FolderShowsAnything(side, folder, *ports_.fs);
}

bool MoveController::MayDropOnMoveTo(TreeSide from, TreeSide over, const NodeChain& dragged, const NodeChain* target) {
  return ports_.driveTypes && AcceptsDrop(from, over, dragged, target, *ports_.driveTypes);
}

void MoveController::DropOnMoveTo(TreeSide from, const NodeChain& dragged, const NodeChain& target) {
  // Only where the drag was shown as accepted: from the left tree, between drives that can take a move.
  if (!MayDropOnMoveTo(from, TreeSide::MoveTo, dragged, &target)) return;
  DropOnMoveTo(NodePath(dragged), AddSlash(NodePath(target)));
}

void MoveController::MoveSelectedPair(const NodeChain* dragged, const NodeChain* target) {
  if (!dragged || !target || dragged->size() < 2) {
    talk_.ShowMessage(kSelectPair, "Move to", MessageKind::Warning);
    return;
  }
  if (dragged->size() == 2) {  // a drive node under "My Computer"
    talk_.ShowMessage(kWholeDrive, "Whole Drive", MessageKind::Warning);
    return;
  }
  if (!MayDropOnMoveTo(TreeSide::MoveFrom, TreeSide::MoveTo, *dragged, target)) {
    talk_.ShowMessage(kCannotMoveThere, "Move to", MessageKind::Warning);
    return;
  }
  DropOnMoveTo(TreeSide::MoveFrom, *dragged, *target);
}

void MoveController::BrowseDestinationClick() {
  const std::string start = ports_.fs->FolderExists(move.givenSourceFolder) ? move.givenSourceFolder : std::string();
  if (auto chosen = ports_.picker->PickFolder("Select Destination", start)) move.givenDestination = *chosen;
}
