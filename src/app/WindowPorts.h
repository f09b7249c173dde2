#pragma once
// What the main window's page model needs besides the run: the undo store
// behind the undo page and the system's folder picker.
#include <optional>
#include <string>
#include <vector>

#include "app/RunPorts.h"
#include "undo/UndoTexts.h"


// The undo list and the records behind it. FillUndoBox (from UndoNumbers)
// runs the age cleanup and, with false, rebuilds the lines.
class UndoList : public UndoNumbers {
 public:
  // The list's lines, oldest first; the single line "No Changes to Undo"
  // when there is no entry.
  virtual std::vector<std::string> Lines() = 0;
  // The age list's selected index, 0 to 3, or -1 for none.
  virtual void SetAgeIndex(int index) = 0;
  // Deletes the records of the entry with that undo name.
  virtual void DeleteEntry(const std::string& name) = 0;
};

class UndoExecutor {
 public:
  virtual ~UndoExecutor() = default;
  // Undoes the entry; returns the closing message ("N files restored.  Undo
  // has completed"). Throws Error.
  virtual std::string UndoEntry(const std::string& name) = 0;
};

class FolderPicker {
 public:
  virtual ~FolderPicker() = default;
  // The chosen folder, or nullopt when the user cancels. `start` may be empty.
  virtual std::optional<std::string> PickFolder(const std::string& title, const std::string& start) = 0;
};
