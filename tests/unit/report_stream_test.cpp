// What a run of many findings holds: its change report is handed on a block
// at a time as it is made, with the bytes the whole text had; a search's
// findings join the run's without being held twice; the previews a search
// keeps come back whole and in order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ChangeReport.h"
#include "engine/KeptPreviews.h"
#include "support/TestRun.h"

namespace {

std::vector<std::string> Pieces(const TestRun& ctx) {
  std::vector<std::string> pieces;
  WriteChangeReport(ctx, ctx, [&pieces](std::string_view piece) { pieces.emplace_back(piece); });
  return pieces;
}

std::string Joined(const std::vector<std::string>& pieces) {
  std::string all;
  for (const std::string& piece : pieces) all += piece;
  return all;
}

TEST(ChangeReportStream, TheBytesOfEveryFieldAsTheWholeTextHadThem) {
  TestRun ctx;
  ctx.request.Mode = RunMode::MapOnly;
  ctx.request.FindText = "C:\\Old";
  ctx.request.ReplaceText = "D:\\Neu \xC3\xA9";
  ctx.drives = {{"C", "C:\\", true}, {"D", "D:\\", false}, {"E", "E:\\", true}};
  ctx.startedAt = "12/8/2026 10:40:47 PM";
  ctx.endedAt = "12/8/2026 10:41:02 PM";
  ctx.startedUtc = "2026-12-08T20:40:47.125Z";
  ctx.tally.linkCount = 1;
  ctx.searchNotes = {"The Task Scheduler could not list its tasks"};
  ctx.changes.push_back({"HKEY_CURRENT_USER\\Software\\A", "list", 0, ChangeKind::ValueData,
                         std::string("C:\\Old\0C:\\b", 11), std::string("D:\\Neu \xC3\xA9\0C:\\b", 14),
                         ChangeOutcome::Changed, ""});
  ctx.changes.push_back({"C:\\x \"y\".ini", "", 12, ChangeKind::SettingsLine, "p=C:\\Old\tz", "", ChangeOutcome::PassedOver,
                         "access denied"});
  const std::string expected =
      "\xEF\xBB\xBF"
      "Ostrivane change report\r\n"
      "Mode\tMap Only\r\n"
      "Find\tC:\\Old\r\n"
      "Replace\tD:\\Neu \xC3\xA9\r\n"
      "Targets\tregistry,settings,shortcuts,config\r\n"
      "Drives\tC:\\,E:\\\r\n"
      "Started\t12/8/2026 10:40:47 PM\r\n"
      "Ended\t12/8/2026 10:41:02 PM\r\n"
      "Result\tfinished\r\n"
      "Links remapped\t1\r\n"
      "Started (UTC)\t2026-12-08T20:40:47.125Z\r\n"
      "Substring\tno\r\n"
      "Changes made\t1\r\n"
      "Search note\tThe Task Scheduler could not list its tasks\r\n"
      "\r\n"
      "Where\tValue\tLine\tKind\tOld\tNew\tOutcome\tReason\r\n"
      "HKEY_CURRENT_USER\\Software\\A\tlist\t\tvalue data\tC:\\Old\xE2\x90\x80" "C:\\b\t"
      "D:\\Neu \xC3\xA9\xE2\x90\x80" "C:\\b\tchanged\t\r\n"
      "\"C:\\x \"\"y\"\".ini\"\t\t12\tsettings line\t\"p=C:\\Old\tz\"\t\tpassed over\taccess denied\r\n";
  EXPECT_EQ(Joined(Pieces(ctx)), expected);
  EXPECT_EQ(ChangeReportText(ctx, ctx), expected);
}

// A report of every finding of a large run is never one piece: what is
// handed on at once stays within a block and the row that filled it.
TEST(ChangeReportStream, AReportOfManyRowsIsHandedOnABlockAtATime) {
  TestRun ctx;
  ctx.request.FindText = "C:\\Old";
  ctx.preview = true;
  const std::string longPath = "C:\\" + std::string(70'000, 'p') + "\\\xE6\x97\xA5\xE6\x9C\xAC.ini";
  for (int i = 0; i < 5'000; ++i)
    ctx.changes.push_back({"HKEY_CURRENT_USER\\Software\\K" + std::to_string(i / 100), "v" + std::to_string(i), 0,
                           ChangeKind::ValueData, "C:\\Old\\v" + std::to_string(i), "D:\\New\\v" + std::to_string(i),
                           ChangeOutcome::WouldChange, ""});
  ctx.changes.insert(ctx.changes.begin() + 2'500, {longPath, "", 3, ChangeKind::SettingsLine, "p=C:\\Old",
                                                   "p=D:\\New", ChangeOutcome::WouldChange, "a note\ton it"});
  const std::vector<std::string> pieces = Pieces(ctx);
  const std::string all = Joined(pieces);
  ASSERT_GT(all.size(), 300'000u);
  EXPECT_GT(pieces.size(), 3u);
  for (const std::string& piece : pieces) EXPECT_LT(piece.size(), 64u * 1024 + 72'000) << pieces.size();
  const ReadReport read = ReadChangeReport(all);
  ASSERT_EQ(read.entries.size(), ctx.changes.size());
  EXPECT_EQ(read.entries[2'500].where, longPath);
  EXPECT_EQ(read.entries[2'500].reason, "a note\ton it");
  EXPECT_EQ(read.entries.back().newText, "D:\\New\\v4999");
  EXPECT_EQ(read.Field("Changes that would be made"), "5001");
}

// Into a run that found nothing yet a search's list moves as it is: its
// entries are not moved one by one into a second list grown to hold them.
TEST(FindingsJoin, ASearchsListMovesWholeIntoAnEmptyRunAndJoinsInOrderAfter) {
  Findings run, first, second;
  for (int i = 0; i < 1'000; ++i)
    first.Record({"C:\\f" + std::to_string(i) + ".ini", "", 1, ChangeKind::SettingsLine, "a", "b",
                  ChangeOutcome::WouldChange, ""});
  first.Record({"C:\\locked.ini", "", 0, ChangeKind::Place, "", "", ChangeOutcome::PassedOver, "access denied"});
  const ChangeEntry* held = first.changes.data();
  run.Join(first);
  EXPECT_EQ(run.changes.data(), held);
  EXPECT_TRUE(first.changes.empty());
  EXPECT_TRUE(first.passedOver.empty());
  second.Record({"HKEY_CURRENT_USER\\S", "v", 0, ChangeKind::ValueData, "a", "b", ChangeOutcome::WouldChange, ""});
  second.PassOver("HKEY_CURRENT_USER\\Denied", "access denied");
  run.Join(second);
  ASSERT_EQ(run.changes.size(), 1'003u);
  EXPECT_EQ(run.changes[999].where, "C:\\f999.ini");
  EXPECT_EQ(run.changes[1'000].where, "C:\\locked.ini");
  EXPECT_EQ(run.changes[1'001].where, "HKEY_CURRENT_USER\\S");
  EXPECT_EQ(run.changes[1'002].where, "HKEY_CURRENT_USER\\Denied");
  ASSERT_EQ(run.passedOver.size(), 2u);
  EXPECT_EQ(run.passedOver[1].where, "HKEY_CURRENT_USER\\Denied");
  EXPECT_EQ(run.tally.linkCount, 1'001);
}

// Kept packed, a preview comes back with every text whole: empty ones, NULs,
// lengths past one and two bytes, one larger than a block, across blocks.
TEST(KeptPreviews, EveryPreviewComesBackWholeAndInOrder) {
  std::vector<PreviewItem> given;
  for (int i = 0; i < 3'000; ++i)
    given.push_back({"HKEY_CURRENT_USER\\Software\\K" + std::to_string(i), i % 3 ? "v" : "",
                     std::string("C:\\Old\0x", 8) + std::string(std::size_t(i % 400), 'o'), ""});
  given.insert(given.begin() + 1'234, {"C:\\big.ini", "", std::string(200'000, 'b'), std::string(70'000, 'n')});
  KeptPreviews kept;
  for (const PreviewItem& item : given) kept.Add(item);
  EXPECT_EQ(kept.size(), given.size());
  std::size_t at = 0;
  kept.ForEach([&](const PreviewItem& item) {
    ASSERT_LT(at, given.size());
    const PreviewItem& want = given[at++];
    EXPECT_EQ(item.place, want.place);
    EXPECT_EQ(item.name, want.name);
    EXPECT_EQ(item.oldText, want.oldText);
    EXPECT_EQ(item.newText, want.newText);
  });
  EXPECT_EQ(at, given.size());
  kept.clear();
  EXPECT_TRUE(kept.empty());
  kept.ForEach([](const PreviewItem&) { ADD_FAILURE() << "kept after clear"; });
}

}  // namespace
