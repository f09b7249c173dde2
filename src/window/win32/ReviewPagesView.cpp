#include "window/win32/ReviewPagesView.h"

void ReviewPagesView::AddControls(PageControls& c) {
  using P = Page;
  using K = Kind;
  using B = ButtonRow;
  c.insert(c.end(), {
      // Review
      {kAuto, P::Review, K::Text, "&Changes found (untick what should stay as it is; Space ticks and unticks):", 24, 92, 440, 18},
      {kReviewList, P::Review, K::Review, "", 24, 112, 440, 150},
      {kReviewDetails, P::Review, K::Details, "", 24, 266, 440, 56},
      {kReviewLine, P::Review, K::Text, "", 24, 326, 440, 34},
      {kTickAll, P::Review, K::Button, "Tic&k All", 24, B::bottom, B::bw, B::bh},
      {kUntickAll, P::Review, K::Button, "&Untick All", 114, B::bottom, B::bw, B::bh},
      {SenderControlId(Sender::ReviewBack), P::Review, K::Button, "&Back", B::backX, B::bottom, B::bw, B::bh},
      // Not the default: Enter never changes the machine, only a click or Alt+A does.
      {SenderControlId(Sender::ReviewApply), P::Review, K::Button, "&Apply", B::nextX, B::bottom, B::bw, B::bh},
      // Report
      {kReportTitle, P::Report, K::Bold, "", 24, 92, 440, 18},
      {kReportLine, P::Report, K::Path, "", 24, 112, 440, 50},
      {kReportList, P::Report, K::Report, "", 24, 166, 440, 96},
      {kReportDetails, P::Report, K::Details, "", 24, 266, 440, 92},
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
    ShowDetails();
  }
}

void ReviewPagesView::ShowDetails() {
  const auto details = [](const ReviewListView& view, const ReviewList& list) -> std::string {
    const int row = view.FocusedRow();
    if (row < 0 || std::size_t(row) >= list.size()) return list.size() ? "Select a row to read it whole here." : "";
    return EditLines(list.Details(std::size_t(row)));
  };
  Text(kReviewDetails, details(review_, wizard_.review.list));
  Text(kReportDetails, details(report_, wizard_.report.list));
}

bool ReviewPagesView::Command(int id, int code) {
  if (!Clicked(code)) return false;
  switch (id) {
    case kOpenReportAsText: host_.Guarded([&] { wizard_.OpenReportAsTextClick(); }); return true;
    case kTickAll:
    case kUntickAll:
      wizard_.review.list.SetAllTicked(id == kTickAll);
      review_.Redraw();
      Text(kReviewLine, wizard_.review.Line());
      return true;
    default: return false;
  }
}

HWND ReviewPagesView::Details(HWND list) const {
  if (list == review_.hwnd()) return Control(kReviewDetails);
  if (list == report_.hwnd()) return Control(kReportDetails);
  return nullptr;
}

bool ReviewPagesView::Notify(const NMHDR& n, LRESULT& result) {
  if (review_.OnNotify(n, result) || report_.OnNotify(n, result)) return true;
  // A box ticked or unticked, or another row focused: the count under the
  // list and the pane follow.
  if ((n.idFrom == UINT_PTR(kReviewList) || n.idFrom == UINT_PTR(kReportList)) && n.code == LVN_ITEMCHANGED) {
    Text(kReviewLine, wizard_.review.Line());
    ShowDetails();
    result = 0;
    return true;
  }
  return false;
}

