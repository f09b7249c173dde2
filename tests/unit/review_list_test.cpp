#include <gtest/gtest.h>

#include "window/ListText.h"
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

TEST(ReviewList, SortsNumbersAsNumbersAndPathsPartByPart) {
  ReviewList list;
  list.Load({Entry("C:\\Logs\\run10.ini", 0, ChangeKind::SettingsLine, "v=10", ""),
             Entry("C:\\Logs b\\a.ini", 0, ChangeKind::SettingsLine, "v=2", ""),
             Entry("C:\\logs\\run2.ini", 0, ChangeKind::SettingsLine, "v=1", ""),
             Entry("C:\\Logs\\Run1\\x.ini", 0, ChangeKind::SettingsLine, "v=02x", "")});
  list.SortBy(ReviewColumn::Where);
  std::vector<std::string> where;
  for (std::size_t r = 0; r < list.size(); ++r) where.push_back(list.At(r).where);
  // A folder's files before the folder beside it whose name only starts alike.
  EXPECT_EQ(where, (std::vector<std::string>{"C:\\Logs\\Run1\\x.ini", "C:\\logs\\run2.ini", "C:\\Logs\\run10.ini",
                                             "C:\\Logs b\\a.ini"}));
  list.SortBy(ReviewColumn::Old);
  std::vector<std::string> old;
  for (std::size_t r = 0; r < list.size(); ++r) old.push_back(list.At(r).oldText);
  EXPECT_EQ(old, (std::vector<std::string>{"v=1", "v=2", "v=02x", "v=10"}));
}

TEST(ReviewList, TickAllAndUntickAllLeaveBoxlessEntriesAloneAndDetailsTellTheWholeEntry) {
  ReviewList list;
  const std::string deep = "C:\\Users\\Someone\\AppData\\Roaming\\Vendor\\Product\\Settings\\app.ini";
  list.Load({Entry(deep, 7, ChangeKind::SettingsLine, "Home=C:\\Old", "Home=D:\\New"),
             Entry("C:\\busy.ini", 0, ChangeKind::Place, "", "", ChangeOutcome::PassedOver),
             Entry("C:\\l.lnk", 0, ChangeKind::ShortcutTarget, "C:\\Old\\t.exe", "D:\\New\\t.exe")});
  list.SetAllTicked(false);
  EXPECT_EQ(list.TickedCount(), 0u);
  EXPECT_EQ(list.Selection().size(), 0u);
  list.SetAllTicked(true);
  EXPECT_EQ(list.TickedCount(), 2u);
  EXPECT_FALSE(list.Ticked(1));
  EXPECT_EQ(list.Details(0), "Where: " + deep + ", line 7\nWhat: settings line\nOld: Home=C:\\Old\nNew: Home=D:\\New\n"
                             "Outcome: would change");
}

TEST(ListText, LongPathsLoseTheirMiddleAndKeepDriveAndFileName) {
  const auto within = [](std::size_t n) { return [n](std::string_view s) { return s.size() <= n; }; };
  const std::string path = "C:\\Program Files\\Vendor\\Product\\Settings\\app-one.ini";
  EXPECT_EQ(MiddleShortened(path, within(200)), path);
  EXPECT_EQ(MiddleShortened(path, within(30)), "C:\\...\\Settings\\app-one.ini");
  // Two paths that differ only in the file name still differ once shortened.
  EXPECT_EQ(MiddleShortened("C:\\Program Files\\Vendor\\Product\\Settings\\app-two.ini", within(24)),
            "C:\\...\\app-two.ini");
  EXPECT_EQ(MiddleShortened("\\\\server\\share\\deep\\deeper\\file.txt", within(30)), "\\\\server\\share\\...\\file.txt");
  // Too narrow for the last part whole: the root stays, then the end.
  EXPECT_EQ(MiddleShortened("HKEY_CURRENT_USER\\Software\\Vendor, value \"Path\"", within(36)),
            "HKEY_CURRENT_USER\\...r, value \"Path\"");
  // Too narrow even for that: letters go from the middle, never half a letter.
  const std::string wide = "C:\\" + std::string(40, 'x') + "\\\xC3\xA9\xC3\xA9\xC3\xA9.ini";
  const std::string cut = MiddleShortened(wide, within(14));
  EXPECT_LE(cut.size(), 14u);
  EXPECT_TRUE(cut.starts_with("C:") && cut.ends_with(".ini") && cut.find("...") != std::string::npos) << cut;
  for (std::size_t i = 1; i < cut.size(); ++i) {
    const bool continued = (static_cast<unsigned char>(cut[i]) & 0xC0) == 0x80;
    EXPECT_TRUE(!continued || static_cast<unsigned char>(cut[i - 1]) >= 0xC0u || (static_cast<unsigned char>(cut[i - 1]) & 0xC0) == 0x80);
  }
}
