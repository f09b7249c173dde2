#pragma once
// The user-interaction port: what a run needs of the window program or of
// the console front end while it works.
#include <cstddef>
#include <string>

#include "core/ItemInUse.h"

// The application title: the caption of plain message boxes.
inline constexpr const char* kAppTitle = "Ostrivane";

enum class Answer { Replace = 1, Cancel = 2, Skip = 5 };

// The four fields of the "Entry Found" question.
struct Question {
  std::string key;
  std::string value;
  std::string from;
  std::string to;
  // The found part in `from` and what replaces it in `to` (byte offsets and
  // lengths); zero lengths when no single place is marked.
  std::size_t fromMark = 0, fromMarkLength = 0;
  std::size_t toMark = 0, toMarkLength = 0;
};

// One change a preview run reports instead of making it.
struct PreviewItem {
  std::string place;  // file path, or root name + key path
  std::string name;   // value name for the registry, empty otherwise
  std::string oldText;
  std::string newText;
};

enum class Cursor { Normal, Busy };

class Ui {
 public:
  virtual ~Ui() = default;
  // Lets the user interface run: called once per item by the walks. Must be
  // cheap when called very often.
  virtual void Pump() = 0;
  // Modal "Entry Found" question; doNotStopAndVerify is the dialog's box,
  // shown as given and handed back as the user left it.
  virtual Answer Ask(const Question& question, bool& doNotStopAndVerify) = 0;
  virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
  virtual void SetCursor(Cursor cursor) = 0;
  // The progress dialog and its refresh timer.
  virtual void ShowProgress() = 0;
  virtual void CloseProgress() = 0;
  virtual void StartProgressTimer() = 0;
  virtual void StopProgressTimer() = 0;
  // What the run is doing, for the progress display: each call replaces
  // what it names. The phase ("Scanning C Drive"), the folder or key being
  // searched, and the share of the bar the step now beginning takes.
  virtual void ShowPhase(const std::string& phase) = 0;
  virtual void ShowPlace(const std::string& place) = 0;
  virtual void BeginStep(int share) = 0;
  virtual void ReportPreview(const PreviewItem& item) = 0;
  // Items that searches on other threads walked since the last call, which
  // pumped no front end: counted as if each had.
  virtual void Walked(long /*items*/) {}
  // Before a move: programs or services run from the item (inUse.Holds()).
  // Asked again after Retry; StopServices only when no program runs.
  virtual InUseAnswer AskItemInUse(const ItemInUse& inUse) = 0;
};
