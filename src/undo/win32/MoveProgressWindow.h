#pragma once
// The watcher of a move to another volume made in front of its user: the
// system's progress dialog (with its Cancel) and a question before a file
// already at the new place is replaced.
#include <cstdint>
#include <string>

#include "core/win32/Owned.h"
#include "undo/win32/CopyAcross.h"

struct IProgressDialog;

class MoveProgressWindow : public CopyWatcher {
 public:
  // owner: the HWND the dialog and questions belong to (may be none).
  MoveProgressWindow(void* owner, const std::string& source, const std::string& targetFolder);
  ~MoveProgressWindow() override;
  MoveProgressWindow(const MoveProgressWindow&) = delete;
  MoveProgressWindow& operator=(const MoveProgressWindow&) = delete;

  void Begin(std::uint64_t totalBytes) override;
  bool Progress(std::uint64_t doneBytes, const std::string& file) override;
  Clash AskReplace(const std::string& existing, const std::string& incoming) override;

 private:
  void* owner_;
  std::string title_;
  ComRef<IProgressDialog> dialog_;  // none where the system has no such dialog
  std::uint64_t total_ = 0;
  unsigned long lastShown_ = 0;  // the tick count the line was last set at
};
