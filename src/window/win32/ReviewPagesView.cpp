#include "window/win32/ReviewPagesView.h"

void ReviewPagesView::AddControls(PageControls& c) {
  using P = Page;
  using K = Kind;
  using B = ButtonRow;
  c.insert(c.end(), {
      // Review
      {kAuto, P::Review, K::Text, "&Changes found (untick what should stay as it is; Space ticks and unticks):", 24, 92, 440, 18},
      {kReviewList, P::Review, K::Review, "", 24, 112, 440, 210},
      {kReviewLine, P::Review, K::Text, "", 24, 326, 440, 34},
      {SenderControlId(Sender::ReviewBack), P::Review, K::Button, "&Back", B::backX, B::bottom, B::bw, B::bh},
      {SenderControlId(Sender::ReviewApply), P::Review, K::DefButton, "&Apply", B::nextX, B::bottom, B::bw, B::bh},
      // Report
      {kReportTitle, P::Report, K::Bold, "", 24, 92, 440, 18},
      {kReportLine, P::Report, K::Path, "", 24, 112, 440, 34},
      {kReportList, P::Report, K::Report, "", 24, 150, 440, 208},
      {kOpenReportAsText, P::Report, K::Button, "Open as &text", 24, B::bottom, 112, B::bh},
      {SenderControlId(Sender::ReportBack), P::Report, K::DefButton, "&Back", B::nextX, B::bottom, B::bw, B::bh},
  });
  for (PageControl& it : c) {
    if (it.id == kReviewList)
      it.make = [this](HWND parent) {
        review_.Create(parent, kReviewList, true);
        return review_.hwnd();
      };
    if (it.id == kReportList)
      it.make = [this](HWND parent) {
        report_.Create(parent, kReportList, false);
        return report_.hwnd();
      };
  }
}

void ReviewPagesView::Laid(int) {
  review_.FitColumns();
  report_.FitColumns();
}

void ReviewPagesView::Refresh(bool pageChanged) {
  Text(kReviewLine, wizard_.review.Line());
  Text(kReportTitle, wizard_.report.title);
  Text(kReportLine, wizard_.report.line);
  EnableWindow(host_.Control(SenderControlId(Sender::ReviewApply)), !wizard_.review.empty);
  // The lists are shown anew with their page: their rows were loaded on the way there.
  if (pageChanged) {
    review_.Show(wizard_.review.list);
    report_.Show(wizard_.report.list);
  }
}

bool ReviewPagesView::Command(int id, int code) {
  if (!Clicked(code) || id != kOpenReportAsText) return false;
  host_.Guarded([&] { wizard_.OpenReportAsTextClick(); });
  return true;
}

bool ReviewPagesView::Notify(const NMHDR& n, LRESULT& result) {
  if (review_.OnNotify(n, result) || report_.OnNotify(n, result)) return true;
  // A box ticked or unticked: the count under the list follows.
  if (n.idFrom == UINT_PTR(kReviewList) && n.code == LVN_ITEMCHANGED) {
    Text(kReviewLine, wizard_.review.Line());
    result = 0;
    return true;
  }
  return false;
}

