#pragma once
// What the main window's page model needs besides the run and the undo
// records: the system's folder picker, the help viewers and the shell that
// opens a target.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/UndoProgress.h"

class FolderPicker {
 public:
  virtual ~FolderPicker() = default;
  // The chosen folder, or nullopt when the user cancels. `start` may be empty.
  virtual std::optional<std::string> PickFolder(const std::string& title, const std::string& start) = 0;
};

// The system's HTML help viewer. A missing help file is the viewer's to report.
class HelpViewer {
 public:
  virtual ~HelpViewer() = default;
  // Opens the topic of a compiled HTML help file; false when the viewer
  // cannot be loaded or refuses the topic.
  virtual bool HtmlHelpTopic(const std::string& chmPath, const std::string& topic) = 0;
};

class ShellOpener {
 public:
  virtual ~ShellOpener() = default;
  // Opens a web address or a file with the system's default handler; the
  // shell's result (33 and above: success).
  virtual long OpenWithShell(const std::string& target) = 0;
  // Opens a text file in Notepad, which every Windows has; the shell's result.
  virtual long OpenInNotepad(const std::string& file) = 0;
};

// How a message box looks: its icon and sound.
enum class MessageKind { Information, Warning, Error, Question };

// The window's own questions and messages, beside the run's Ui.
class WindowDialogs {
 public:
  virtual ~WindowDialogs() = default;
  virtual void Tell(const std::string& text, const std::string& caption, MessageKind kind) = 0;
  // A yes/no question whose safe answer (No) is the default; true for Yes.
  virtual bool Confirm(const std::string& text, const std::string& caption) = 0;
  // Shows an undo's progress while the watcher lives; none: nothing is shown.
  virtual std::unique_ptr<UndoProgress> ShowUndoProgress() { return nullptr; }
};
