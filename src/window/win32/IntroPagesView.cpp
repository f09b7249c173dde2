#include "window/win32/IntroPagesView.h"

#include <shellapi.h>

IntroPagesView::IntroPagesView(Wizard& wizard, PageHost& host) : PageView(wizard, host) {
  // Pictures of the introduction pages: the system's folder and document icons.
  for (int i : {0, 1, 2}) ExtractIconExW(L"shell32.dll", kPictureIcons[i], pictures_[i].out(), nullptr, 1);
}

void IntroPagesView::AddControls(PageControls& c) {
  using P = Page;
  using K = Kind;
  using B = ButtonRow;
  c.insert(c.end(), {
      // Intro1
      {kAuto, P::Intro1, K::Heading, "Without", 24, 44, 200, 26},
      {kAuto, P::Intro1, K::Title, "Ostrivane", 24, 70, 300, 44},
      {kAuto, P::Intro1, K::Text, "Moving files without Ostrivane leaves broken shortcuts and settings behind, causes errors, and leaves programs not knowing where the file went.", 24, 124, 440, 48},
      {kAuto, P::Intro1, K::Bold, "Move it the correct way with Ostrivane.", 24, 304, 440, 20},
      {SenderControlId(Sender::Intro1Next), P::Intro1, K::DefButton, "&Next", B::nextX, B::bottom, B::bw, B::bh},
      // Intro2
      {kAuto, P::Intro2, K::Heading, "With", 24, 44, 200, 26},
      {kAuto, P::Intro2, K::Title, "Ostrivane", 24, 70, 300, 44},
      {kAuto, P::Intro2, K::Bold, "Move it the correct way with Ostrivane.", 24, 124, 440, 20},
      {kAuto, P::Intro2, K::Text, "Ostrivane moves the shortcuts, links, references, and registry entries with the moved file", 24, 304, 440, 36},
      {SenderControlId(Sender::Intro2Back), P::Intro2, K::Button, "&Back", B::backX, B::bottom, B::bw, B::bh},
      {SenderControlId(Sender::Intro2Next), P::Intro2, K::DefButton, "&Next", B::nextX, B::bottom, B::bw, B::bh},
      // Intro3
      {kAuto, P::Intro3, K::Title, "Ostrivane", 24, 44, 300, 44},
      {kMoreInformationLink, P::Intro3, K::Link, "More &information about Ostrivane", 24, 120, 300, 20},
      {kAskQuestionsLink, P::Intro3, K::Link, "&Ask a question", 24, 148, 300, 20},
      {kSkipIntroduction, P::Intro3, K::Check, "&Skip Introduction", 24, 330, 200, 22},
      {SenderControlId(Sender::Intro3Back), P::Intro3, K::Button, "&Back", B::backX, B::bottom, B::bw, B::bh},
      {SenderControlId(Sender::Intro3Next), P::Intro3, K::DefButton, "&Next", B::nextX, B::bottom, B::bw, B::bh},
      // Front
      {kAuto, P::Front, K::Title, "Ostrivane", 24, 38, 300, 44},
      {kAuto, P::Front, K::Text, "Moving files without Ostrivane causes errors, leaves broken links behind, and leaves programs not knowing where the file went.", 24, 86, 440, 34},
      {kAuto, P::Front, K::Bold, "Move it the correct way with Ostrivane.", 24, 124, 440, 18},
      {kAuto, P::Front, K::Text, "Ostrivane not only moves files, but it also re-maps system links that point to the moved files.", 24, 146, 440, 34},
      {SenderControlId(Sender::MoveAndMap), P::Front, K::DefButton, "&Move and Map", 24, 196, 120, 34},
      {kAuto, P::Front, K::Text, "Click this button to move items and map them.", 156, 205, 310, 20},
      {SenderControlId(Sender::SwitchDrives), P::Front, K::Button, "&Switch Drives", 24, 246, 120, 34},
      {kAuto, P::Front, K::Text, "Click this button to map the drive letters of drives that you have switched.", 156, 248, 250, 32},
      {kAuto, P::Front, K::Small, "Advanced", 410, 255, 64, 16},
      {SenderControlId(Sender::MapOnly), P::Front, K::Button, "Map &Only", 24, 296, 120, 34},
      {kAuto, P::Front, K::Text, "Click this button if you have already moved items but would like to map them.", 156, 298, 250, 32},
      {kAuto, P::Front, K::Small, "Advanced", 410, 305, 64, 16},
      {SenderControlId(Sender::FrontBack), P::Front, K::Button, "&Back", B::backX, B::bottom, B::bw, B::bh},
  });
}

void IntroPagesView::Refresh(bool) { SetCheck(Control(kSkipIntroduction), wizard_.intro.skipIntroduction); }

bool IntroPagesView::Command(int id, int code) {
  if (!Clicked(code)) return false;
  switch (id) {
    case kSkipIntroduction: wizard_.intro.skipIntroduction = Checked(Control(id)); return true;
    case kMoreInformationLink: host_.Guarded([&] { wizard_.help.MoreInformationClick(); }); return true;
    case kAskQuestionsLink: host_.Guarded([&] { wizard_.help.AskQuestionsClick(); }); return true;
    default: return false;
  }
}

void IntroPagesView::Paint(HDC dc, int dpi) {
  // The introduction pages' pictures: an item travelling from one folder to another.
  const int icon = Scale(32, dpi);
  auto draw = [&](const OwnedIcon& i, int x, int y) {
    if (i) DrawIconEx(dc, Scale(x, dpi), Scale(y, dpi), i.get(), icon, icon, 0, nullptr, DI_NORMAL);
  };
  const IntroPages& intro = wizard_.intro;
  if (wizard_.CurrentPage == Page::Intro1) {
    draw(pictures_[0], 40, 230);
    draw(pictures_[0], 250, 230);
    draw(pictures_[2], intro.picture1.left, intro.picture1.top + 126);
  } else if (wizard_.CurrentPage == Page::Intro2) {
    draw(pictures_[0], 20, 230);
    draw(pictures_[0], 220, 230);
    draw(pictures_[1], intro.picture2.left, intro.picture2.top + 126);
  }
}
