#pragma once
// What the main window's page model needs besides the run: the undo store
// behind the undo page, the system's folder picker, the help viewers and the
// shell that opens a target.
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

// The system's help viewers. A missing help file is the viewer's to report.
class HelpViewer {
 public:
  virtual ~HelpViewer() = default;
  // Opens the topic of a compiled HTML help file; false when the viewer
  // cannot be loaded or refuses the topic.
  virtual bool HtmlHelpTopic(const std::string& chmPath, const std::string& topic) = 0;
  // The older help format: jump to a topic, or show contents and index.
  virtual void WinHelpTopic(const std::string& hlpPath, const std::string& topic) = 0;
  virtual void WinHelpContents(const std::string& hlpPath) = 0;
};

class ShellOpener {
 public:
  virtual ~ShellOpener() = default;
  // Opens a web address or a file with the system's default handler; the
  // shell's result (33 and above: success).
  virtual long OpenWithShell(const std::string& target) = 0;
};
