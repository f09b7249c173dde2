#include "window/win32/EndPagesView.h"

void EndPagesView::AddControls(PageControls& c) {
  using P = Page;
  using K = Kind;
  using B = ButtonRow;
  const Wizard& w = wizard_;
  const auto onEndPage = [&w] { return w.CurrentPage == Page::Finished || w.CurrentPage == Page::Cancelled; };
  c.insert(c.end(), {
      // Finished
      {kFinishedTitle, P::Finished, K::Title, "", 24, 110, 440, 44},
      {kFinishedMoveLine, P::Finished, K::Text, "", 24, 164, 440, 18},
      {kFinishedCount, P::Finished, K::Bold, "", 24, 186, 440, 18},
      {SenderControlId(Sender::GoToStart), P::Finished, K::Button, "&Go to Start", B::backX - 16, B::bottom, B::bw + 16, B::bh},
      {SenderControlId(Sender::Exit), P::Finished, K::DefButton, "E&xit", B::nextX, B::bottom, B::bw, B::bh},
      // Cancelled
      {kCancelledTitle, P::Cancelled, K::Title, "", 24, 110, 440, 44},
      {kCancelledMoveLine, P::Cancelled, K::Text, "", 24, 164, 440, 18},
      {kCancelledCount, P::Cancelled, K::Bold, "", 24, 186, 440, 18},
      // either end page, when the run passed over places
      {kPassedOverLine, P::None, K::Text, "", 24, 214, 330, 18, Zone::Page,
       [&w, onEndPage] { return !w.end.passedOverLine.empty() && onEndPage(); }},
      {kShowPassedOver, P::None, K::Button, "S&how", 360, 209, 88, 26, Zone::Page,
       [&w, onEndPage] { return !w.end.passedOverLine.empty() && onEndPage(); }},
      // either end page, when another start handed an item over during the run
      {kHandOverNotice, P::None, K::Path, "", 24, 244, 354, 114, Zone::Page,
       [&w, onEndPage] { return !w.end.NoticeText().empty() && onEndPage(); }},
      {SenderControlId(Sender::HandOverGo), P::None, K::Button, "G&o", 392, 248, B::bw, B::bh, Zone::Page,
       [&w, onEndPage] { return !w.end.handOverWaiting.empty() && onEndPage(); }},
      // either end page, when the run wrote a change report
      {SenderControlId(Sender::ShowChanges), P::None, K::Button, "Show what &changed", 24, B::bottom, 140, B::bh, Zone::Page,
       [&w, onEndPage] { return w.end.showChangesVisible && onEndPage(); }},
      {SenderControlId(Sender::GoToStartCancelled), P::Cancelled, K::Button, "&Go to Start", B::backX - 16, B::bottom, B::bw + 16, B::bh},
      {SenderControlId(Sender::ExitCancelled), P::Cancelled, K::DefButton, "E&xit", B::nextX, B::bottom, B::bw, B::bh},
  });
}

void EndPagesView::Refresh(bool) {
  const EndPages& end = wizard_.end;
  Text(kFinishedTitle, end.finishedTitle);
  Text(kFinishedMoveLine, end.finishedMoveLineVisible ? end.finishedMoveLine : "");
  Text(kFinishedCount, end.finishedCount);
  Text(kCancelledTitle, end.cancelledTitle);
  Text(kCancelledMoveLine, end.cancelledMoveLineVisible ? end.cancelledMoveLine : "");
  Text(kCancelledCount, end.cancelledCount);
  Text(kPassedOverLine, end.passedOverLine);
  Text(kHandOverNotice, end.NoticeText());
}

bool EndPagesView::Command(int id, int code) {
  if (!Clicked(code) || id != kShowPassedOver) return false;
  host_.Guarded([&] { wizard_.ShowPassedOverClick(); });
  return true;
}
