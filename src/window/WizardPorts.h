#pragma once
// Everything the main window's page model reaches outside itself.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/MappingRun.h"
#include "engine/Rights.h"
#include "engine/UndoPorts.h"
#include "window/MoveSelection.h"
#include "window/RightsWarningPage.h"
#include "window/WindowPorts.h"

class DriveSource;
class FileSystem;
class Ui;

struct WizardPorts {
  Ui* ui = nullptr;
  FileSystem* fs = nullptr;
  DriveSource* drives = nullptr;
  UndoList* undo = nullptr;
  UndoExecutor* undoRun = nullptr;
  FolderPicker* picker = nullptr;
  std::optional<RunParts> parts;  // wired before a run; parts->undo is normally the same store as `undo`
  DriveTypeSource* driveTypes = nullptr;  // drag acceptance on the move page
  HelpViewer* help = nullptr;
  ShellOpener* shell = nullptr;
  // Before a run: the rights it may lack, the warning that asks what to do,
  // and the restart as administrator with the given arguments (true when
  // the elevated copy was started). Without them no check is made.
  RightsPort* rights = nullptr;
  std::function<RightsChoice(const RightsWarningPage&)> askRights = nullptr;
  std::function<bool(const std::vector<std::string>&)> restartElevated = nullptr;
  WindowDialogs* dialogs = nullptr;  // questions and messages by kind; ui's messages without it
};
