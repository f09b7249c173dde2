#include "window/win32/Win32WindowUi.h"

#include "engine/win32/Win32Platform.h"
#include "core/win32/WidePath.h"
#include "window/win32/ItemInUseDialog.h"

void Win32WindowUi::Pump() {
  if (counting_ && work_) work_->Item();  // the walks pump once per item
  PumpMessages(throttle_);
  // Dispatched messages may have set the arrow; a run keeps the hourglass.
  if (busy_) ::SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
}

Answer Win32WindowUi::Ask(const Question& question, bool& doNotStopAndVerify) {
  ::SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
  const bool wasBusy = busy_;
  busy_ = false;
  // The progress dialog is the window in front during a run.
  HWND owner = progressDialog_.hwnd() && IsWindowVisible(progressDialog_.hwnd()) ? progressDialog_.hwnd() : owner_;
  const Answer a = confirmDialog_.Ask(question, doNotStopAndVerify, owner);
  busy_ = wasBusy;
  return a;
}

InUseAnswer Win32WindowUi::AskItemInUse(const ItemInUse& inUse) {
  ::SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
  const bool wasBusy = busy_;
  busy_ = false;
  const InUseAnswer a = ShowItemInUse(owner_, ItemInUsePageOf(inUse));
  busy_ = wasBusy;
  return a;
}

UINT MessageBoxIconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Error: return MB_ICONERROR;
    case MessageKind::Warning: return MB_ICONWARNING;
    case MessageKind::Question: return MB_ICONQUESTION;
    case MessageKind::Information: break;
  }
  return MB_ICONINFORMATION;
}

void Win32WindowUi::ShowMessage(const std::string& text, const std::string& caption) {
  // The run's own messages: the plain ones report, the titled ones warn.
  Tell(text, caption, caption == kAppTitle ? MessageKind::Information : MessageKind::Warning);
}

void Win32WindowUi::Tell(const std::string& text, const std::string& caption, MessageKind kind) {
  MessageBoxW(owner_, WideText(text).c_str(), WideText(caption).c_str(), MB_OK | MessageBoxIconOf(kind));
}

bool Win32WindowUi::Confirm(const std::string& text, const std::string& caption) {
  // "No" is the default: Enter alone never confirms a change that cannot be taken back.
  return MessageBoxW(owner_, WideText(text).c_str(), WideText(caption).c_str(),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void Win32WindowUi::SetCursor(Cursor cursor) {
  busy_ = cursor == Cursor::Busy;
  ::SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(busy_ ? IDC_WAIT : IDC_ARROW)));
}

void Win32WindowUi::ShowProgress() {
  counting_ = true;
  progressDialog_.Show(owner_);
}
void Win32WindowUi::CloseProgress() {
  counting_ = false;
  progressDialog_.Close();
}
void Win32WindowUi::StartProgressTimer() { progressDialog_.StartTimer(); }

namespace {
// The dialog's timer shows what the undo set; the undo runs on the window's
// thread, so each of its places lets the window's messages through.
class UndoProgressWindow : public UndoProgress {
 public:
  UndoProgressWindow(ProgressDialog& dialog, PumpThrottle& throttle, HWND owner)
      : dialog_(dialog),
        throttle_(throttle),
        shown_(
            dialog.shown, [] { return static_cast<std::int64_t>(GetTickCount64()); },
            [this](bool) { PumpMessages(throttle_); }) {
    dialog_.ShowUndo(owner);
  }
  ~UndoProgressWindow() override { dialog_.Close(); }
  UndoProgressWindow(const UndoProgressWindow&) = delete;
  UndoProgressWindow& operator=(const UndoProgressWindow&) = delete;
  void Begin(UndoStep step, const std::string& item) override { shown_.Begin(step, item); }
  void Done(std::size_t done, std::size_t total, const std::string& place) override { shown_.Done(done, total, place); }

 private:
  ProgressDialog& dialog_;
  PumpThrottle& throttle_;
  UndoProgressShown shown_;
};
}  // namespace

std::unique_ptr<UndoProgress> Win32WindowUi::ShowUndoProgress() {
  return std::make_unique<UndoProgressWindow>(progressDialog_, throttle_, owner_);
}
void Win32WindowUi::StopProgressTimer() { progressDialog_.StopTimer(); }
