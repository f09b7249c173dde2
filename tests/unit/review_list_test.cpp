#include <gtest/gtest.h>

#include "window/ReviewList.h"

namespace {
ChangeEntry Entry(std::string where, int line, ChangeKind kind, std::string oldText, std::string newText,
                  ChangeOutcome outcome = ChangeOutcome::WouldChange) {
  return {std::move(where), "", line, kind, std::move(oldText), std::move(newText), outcome, ""};
}
}  // namespace

TEST(ReviewList, TicksSortsCountsAndHandsOnOnlyTheTickedEntries) {
  ReviewList list;
  list.Load({Entry("c:\\b.ini", 9, ChangeKind::SettingsLine, "x=C:\\Old", "x=D:\\New"),
             Entry("C:\\a.ini", 2, ChangeKind::SettingsLine, "y=C:\\Old", "y=D:\\New"),
             Entry("C:\\l.lnk", 0, ChangeKind::ShortcutTarget, "C:\\Old\\t.exe", "D:\\New\\t.exe"),
             Entry("C:\\busy.ini", 0, ChangeKind::Place, "", "", ChangeOutcome::PassedOver),
             Entry("C:\\B.ini", 3, ChangeKind::SettingsLine, "z=C:\\Old", "z=D:\\New")});
  EXPECT_EQ(list.TickedCount(), 4u);  // the place passed over carries no box
  EXPECT_FALSE(list.Tickable(3));
  list.SetTicked(3, true);
  EXPECT_EQ(list.TickedCount(), 4u);
  EXPECT_EQ(list.CountsPerKind(), "3 settings lines, 1 shortcut target, 1 place");
  // Kinds added after "place" are counted too (and not written past the counts).
  ReviewList later;
  later.Load({Entry("C:\\l.lnk", 0, ChangeKind::ShortcutIcon, "C:\\Old\\i.ico", "D:\\New\\i.ico"),
              Entry("\\Vendor\\Updater", 4, ChangeKind::ScheduledTask, "<Command>C:\\Old</Command>", "")});
  EXPECT_EQ(later.CountsPerKind(), "1 shortcut icon, 1 scheduled task");
  EXPECT_EQ(list.CellText(0, ReviewColumn::Where), "c:\\b.ini, line 9");
  EXPECT_EQ(list.CellText(2, ReviewColumn::Where), "C:\\l.lnk, target");

  // By place across case, then by line; the same column again reverses.
  list.SortBy(ReviewColumn::Where);
  std::vector<std::string> shown;
  for (std::size_t r = 0; r < list.size(); ++r) shown.push_back(list.CellText(r, ReviewColumn::Where));
  EXPECT_EQ(shown, (std::vector<std::string>{"C:\\a.ini, line 2", "C:\\B.ini, line 3", "c:\\b.ini, line 9",
                                             "C:\\busy.ini", "C:\\l.lnk, target"}));
  list.SortBy(ReviewColumn::Where);
  EXPECT_EQ(list.CellText(0, ReviewColumn::Where), "C:\\l.lnk, target");
  list.SortBy(ReviewColumn::Old);
  EXPECT_EQ(list.At(0).kind, ChangeKind::Place);  // no text sorts first
  EXPECT_EQ(list.At(1).oldText, "C:\\Old\\t.exe");

  // A tick follows its entry through a sort, not its row.
  list.SetTicked(1, false);  // the shortcut
  list.SortBy(ReviewColumn::New);
  EXPECT_EQ(list.TickedCount(), 3u);
  ChangeSelection selection = list.Selection();
  EXPECT_EQ(selection.size(), 3u);
  EXPECT_FALSE(selection.Take(Entry("C:\\l.lnk", 0, ChangeKind::ShortcutTarget, "C:\\Old\\t.exe", "D:\\New\\t.exe")));
  EXPECT_TRUE(selection.Take(Entry("C:\\a.ini", 2, ChangeKind::SettingsLine, "y=C:\\Old", "y=D:\\New")));

  // Long data is shown cut; the entry keeps it whole.
  list.Load({Entry("HKEY_CURRENT_USER\\S", 0, ChangeKind::ValueData, std::string(5000, 'a'), "b")});
  EXPECT_LT(list.CellText(0, ReviewColumn::Old).size(), 400u);
  EXPECT_EQ(list.At(0).oldText.size(), 5000u);
}
