#pragma once
// A user interface that records what a run shows and answers questions from
// a script.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/Ui.h"
#include "engine/ProgressDisplay.h"

class FakeUi : public Ui {
 public:
  struct Reply {
    Answer answer;
    bool tickDoNotStop = false;
  };
  std::deque<Reply> replies;  // answers in order; Replace when empty
  std::vector<Question> questions;
  std::vector<bool> boxShown;  // the box's state as each question showed it
  std::vector<std::pair<std::string, std::string>> messages;  // text, caption
  std::vector<PreviewItem> previews;
  std::vector<std::string> events;  // "show", "close", "timer on", "timer off", "busy", "normal"
  ProgressDisplay progress;  // as the run's Ui calls left it
  int pumps = 0;
  std::function<void()> onPump;  // e.g. press Cancel after n pumps
  std::function<void()> onAsk;   // e.g. change a file while the question is up
  std::deque<InUseAnswer> inUseReplies;  // answers in order; Cancel when empty
  std::vector<ItemInUse> inUseQuestions;
  std::function<void()> onInUse;  // e.g. end a program while the question is up

  void Pump() override {
    ++pumps;
    if (onPump) onPump();
  }
  Answer Ask(const Question& q, bool& doNotStopAndVerify) override {
    questions.push_back(q);
    if (onAsk) onAsk();
    boxShown.push_back(doNotStopAndVerify);
    Reply r{Answer::Replace, doNotStopAndVerify};
    if (!replies.empty()) {
      r = replies.front();
      replies.pop_front();
    }
    doNotStopAndVerify = r.tickDoNotStop;
    return r.answer;
  }
  void ShowMessage(const std::string& text, const std::string& caption) override { messages.emplace_back(text, caption); }
  void SetCursor(Cursor c) override { events.push_back(c == Cursor::Busy ? "busy" : "normal"); }
  void ShowProgress() override {
    events.push_back("show");
    progress = ProgressDisplay{};
  }
  void CloseProgress() override { events.push_back("close"); }
  void StartProgressTimer() override { events.push_back("timer on"); }
  void StopProgressTimer() override { events.push_back("timer off"); }
  void ShowPhase(const std::string& phase) override { progress.phase = phase; }
  void ShowPlace(const std::string& place) override { progress.location = place; }
  void BeginStep(int share) override { progress.BeginStep(share); }
  void ReportPreview(const PreviewItem& item) override { previews.push_back(item); }
  InUseAnswer AskItemInUse(const ItemInUse& inUse) override {
    inUseQuestions.push_back(inUse);
    if (onInUse) onInUse();
    if (inUseReplies.empty()) return InUseAnswer::Cancel;
    const InUseAnswer a = inUseReplies.front();
    inUseReplies.pop_front();
    return a;
  }
};
