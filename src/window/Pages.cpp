#include "window/Pages.h"

#include "window/PageFlow.h"

std::string_view PageName(Page page) { return RowOf(page).name; }

Page PageNamed(std::string_view name) {
  for (int i = 1; i < kPageCount; ++i)
    if (RowOf(Page(i)).name == name) return Page(i);
  return Page::None;
}
