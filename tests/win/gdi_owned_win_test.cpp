// The owners of drawing's handles give back exactly what they took: the
// object a context held before, the context, the font or brush they made.
#include <gtest/gtest.h>

#include "core/win32/GdiOwned.h"

namespace {
TEST(GdiOwnedTest, SelectedPutsBackWhatTheContextHeldAndOwnersFreeOnce) {
  const OwnedMemoryDc dc(CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  const HGDIOBJ before = GetCurrentObject(dc.get(), OBJ_FONT);
  OwnedFont font(CreateFontW(-14, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
  ASSERT_TRUE(font);
  {
    const Selected inDc(dc.get(), font.get());
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), HGDIOBJ(font.get()));
    // A second selection inside the first gives back the first's.
    const OwnedFont other(CreateFontW(-9, 0, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    {
      const Selected inner(dc.get(), other.get());
      EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), HGDIOBJ(other.get()));
    }
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), HGDIOBJ(font.get()));
  }
  EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), before);
  // Not selected any more, so deleting it works; afterwards it is no object.
  const HFONT made = font.get();
  EXPECT_TRUE(font.Close());
  EXPECT_EQ(GetObjectType(made), 0u);
  EXPECT_FALSE(font);

  // A brush moved to another owner is freed by that one alone.
  OwnedBrush brush(CreateSolidBrush(RGB(1, 2, 3)));
  const HBRUSH held = brush.get();
  OwnedBrush taken(std::move(brush));
  EXPECT_FALSE(brush);
  EXPECT_EQ(GetObjectType(held), DWORD(OBJ_BRUSH));
  taken.reset();
  EXPECT_EQ(GetObjectType(held), 0u);
}

TEST(GdiOwnedTest, ThePaintCycleAndTheWindowContextEndWithTheirScope) {
  const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 40, 40, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(window);
  InvalidateRect(window, nullptr, TRUE);
  {
    const Painting paint(window);
    EXPECT_TRUE(paint.dc());
  }
  // EndPaint validated the window: nothing is left to paint.
  RECT update{};
  EXPECT_FALSE(GetUpdateRect(window, &update, FALSE));
  {
    const WindowDc dc(window);
    EXPECT_TRUE(dc.get());
    EXPECT_EQ(WindowFromDC(dc.get()), window);
  }
  DestroyWindow(window);
}
}  // namespace
