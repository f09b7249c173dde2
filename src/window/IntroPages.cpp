#include "window/IntroPages.h"

void IntroPages::Animate(Page current) {
  // The picture travels right in a shallow arc and starts again.
  auto step = [](PicturePos& p, int limit, int turn, PicturePos start) {
    if (p.left >= limit) {
      p = start;
      return;
    }
    p.left += 5;
    p.top += p.left < turn ? -2 : 2;
  };
  if (current == Page::Intro1) step(picture1, 210, 149, {78, 104});
  if (current == Page::Intro2) step(picture2, 178, 117, {46, 104});
}
