#pragma once
// The three introduction pages: the travelling picture and "Skip Introduction".
#include "window/Pages.h"

struct PicturePos {
  int left = 0;
  int top = 0;
};

struct IntroPages {
  bool skipIntroduction = false;  // "Skip Introduction"
  bool animationOn = false;
  PicturePos picture1{78, 104};  // Intro1's
  PicturePos picture2{46, 104};  // Intro2's

  // The first page of a start: the introduction, unless it is skipped.
  Page StartPage() const { return skipIntroduction ? Page::Front : Page::Intro1; }
  // One tick of the picture of the page on screen.
  void Animate(Page current);
};
