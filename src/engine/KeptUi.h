#pragma once
// The front end a search on a thread of its own sees: it asks nothing and
// shows nothing; the previews and messages it would report are kept for the
// run's thread to pass on, in order.
#include <string>
#include <utility>
#include <vector>

#include "core/Ui.h"
#include "engine/KeptPreviews.h"

class KeptUi : public Ui {
 public:
  // A search asks nothing; were it to, the answer changes nothing.
  Answer Ask(const Question&, bool&) override { return Answer::Skip; }
  // A search moves nothing.
  InUseAnswer AskItemInUse(const ItemInUse&) override { return InUseAnswer::Cancel; }
  void ShowMessage(const std::string& text, const std::string& caption) override {
    messages.emplace_back(text, caption);
  }
  void SetCursor(Cursor) override {}
  void ShowProgress() override {}
  void CloseProgress() override {}
  void StartProgressTimer() override {}
  void StopProgressTimer() override {}
  // The run's thread gives the bar one step for all the searches.
  void BeginStep(int) override {}
  void ReportPreview(const PreviewItem& item) override { previews.Add(item); }

  // What was kept, told to `ui` (none: dropped) and forgotten.
  void PassOn(Ui* ui) {
    if (ui) {
      previews.ForEach([ui](const PreviewItem& item) { ui->ReportPreview(item); });
      for (const auto& [text, caption] : messages) ui->ShowMessage(text, caption);
    }
    previews.clear();
    messages.clear();
  }
  bool KeptNothing() const { return previews.empty() && messages.empty(); }

  KeptPreviews previews;
  std::vector<std::pair<std::string, std::string>> messages;
};
