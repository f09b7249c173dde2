// The registry and each drive searched on threads of their own: the same
// findings in the same order as one search after the other, and a cancel or
// a failure ends them all.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/Error.h"
#include "support/FakeSearchCrew.h"
#include "support/PortableRun.h"
#include "support/TestRun.h"

namespace {
const RegRoot CU = RegRoot::CurrentUser;

class SideBySide : public ::testing::Test, public PortableRun {
 protected:
  SideBySide() {
    ctx.drives = {{"C", "C:\\", true}, {"D", "D:\\", true}, {"E", "E:\\", false}};
    for (int i = 0; i < 30; ++i) {
      const std::string n = std::to_string(i);
      fs.AddFile("C:\\Cfg" + n + "\\a.ini", "p=C:\\Old\\c" + n + "\r\n");
      fs.AddFile("D:\\Cfg" + n + "\\b.json", "{\"p\": \"C:\\\\Old\\\\d" + n + "\"}");
      reg.PutText(CU, "Software\\K" + n, "p", "C:\\Old\\r" + n);
    }
    fs.AddFile("E:\\x.ini", "p=C:\\Old\\e\r\n");  // not a selected drive
  }
  // What a run found, one line per entry, in its order.
  std::vector<std::string> Found() const {
    std::vector<std::string> lines;
    for (const ChangeEntry& e : ctx.changes)
      lines.push_back(e.where + "|" + e.value + "|" + e.oldText + "|" + e.newText + "|" + std::to_string(int(e.outcome)));
    return lines;
  }
  std::vector<std::string> Previewed() const {
    std::vector<std::string> lines;
    for (const PreviewItem& p : ui.previews) lines.push_back(p.place + "|" + p.name + "|" + p.oldText + "|" + p.newText);
    return lines;
  }
  void Preview() {
    ctx.preview = true;
    ui.previews.clear();
    RunRequest(RunMode::MapOnly, "C:\\Old", "D:\\New");
    ctx.preview = false;
  }
  FakeSearchCrew crew{fs, reg, links, cp, archive};
  std::mutex mutex;
  std::condition_variable changed;
};

TEST_F(SideBySide, FindsAndChangesWhatOneSearchAfterAnotherDoesInTheSameOrder) {
  Preview();
  const std::vector<std::string> alone = Found(), alonePreviews = Previewed();
  ASSERT_EQ(alone.size(), 90u);

  std::set<std::thread::id> searchers;
  crew.beforeSearch = [&](const RunPass&) {
    std::lock_guard<std::mutex> hold(mutex);
    searchers.insert(std::this_thread::get_id());
  };
  parts.optionalCrew = &crew;
  Preview();
  EXPECT_EQ(searchers.size(), 3u);  // the registry, C: and D:
  EXPECT_FALSE(searchers.count(std::this_thread::get_id()));
  EXPECT_EQ(Found(), alone);
  EXPECT_EQ(Previewed(), alonePreviews);
  EXPECT_EQ(ctx.tally.linkCount, 90);

  // A run searches side by side and applies the whole list.
  RunRequest(RunMode::MapOnly, "C:\\Old", "D:\\New");
  EXPECT_EQ(ctx.tally.linkCount, 90);
  EXPECT_EQ(fs.At("D:\\Cfg7\\b.json").data, "{\"p\": \"D:\\\\New\\\\d7\"}");
  EXPECT_EQ(reg.GetText(CU, "Software\\K29", "p"), "D:\\New\\r29");
  EXPECT_EQ(fs.At("E:\\x.ini").data, "p=C:\\Old\\e\r\n");
  RunRequest(RunMode::MapOnly, "C:\\Old", "D:\\New");
  EXPECT_EQ(ctx.tally.linkCount, 0);  // a repeat finds nothing
}

TEST_F(SideBySide, TheRegistryComesFirstEvenWhenItsSearchEndsLast) {
  Preview();
  const std::vector<std::string> alone = Found();
  int drivesEnded = 0;
  crew.beforeSearch = [&](const RunPass& lane) {
    if (lane.settings.SelectedDriveCount() == 1) return;  // a drive's search
    std::unique_lock<std::mutex> hold(mutex);
    changed.wait(hold, [&] { return drivesEnded == 2; });
  };
  crew.afterSearch = [&](const RunPass& lane) {
    if (lane.settings.SelectedDriveCount() != 1) return;
    std::lock_guard<std::mutex> hold(mutex);
    ++drivesEnded;
    changed.notify_all();
  };
  parts.optionalCrew = &crew;
  Preview();
  EXPECT_EQ(Found(), alone);
}

// The first search in the run's order shows its previews while it runs,
// rather than keeping a preview of each finding to its end; the order shown
// is still that of one search after the other.
TEST_F(SideBySide, TheFirstSearchsPreviewsAreShownWhileItStillRuns) {
  Preview();
  const std::vector<std::string> alonePreviews = Previewed();
  struct WatchedUi : FakeUi {
    std::mutex mutex;
    std::condition_variable shown;
    std::size_t count = 0;
    void ReportPreview(const PreviewItem& item) override {
      FakeUi::ReportPreview(item);
      std::lock_guard<std::mutex> hold(mutex);
      ++count;
      shown.notify_all();
    }
  } watched;
  bool shownWhileSearching = false;
  crew.afterSearch = [&](const RunPass& lane) {
    if (lane.settings.SelectedDriveCount() == 1) return;  // a drive's search
    std::unique_lock<std::mutex> hold(watched.mutex);
    // Bounded only so that a front end that is never told fails rather than hangs.
    shownWhileSearching = watched.shown.wait_for(hold, std::chrono::seconds(30), [&] { return watched.count == 30; });
  };
  parts.optionalCrew = &crew;
  ctx.ui = &watched;
  ctx.preview = true;
  RunRequest(RunMode::MapOnly, "C:\\Old", "D:\\New");
  ctx.ui = &ui;
  EXPECT_TRUE(shownWhileSearching);
  std::vector<std::string> lines;
  for (const PreviewItem& p : watched.previews) lines.push_back(p.place + "|" + p.name + "|" + p.oldText + "|" + p.newText);
  EXPECT_EQ(lines, alonePreviews);
}

TEST_F(SideBySide, ACancelOrAFailureEndsEverySearch) {
  // Cancel is pressed while the searches are held back; they go on only once
  // the run's thread has pumped again, so after it passed the cancel on.
  bool release = false;
  ui.onPump = [&] {
    std::lock_guard<std::mutex> hold(mutex);
    if (ctx.tally.cancelled) release = true;
    ctx.tally.cancelled = true;
    changed.notify_all();
  };
  crew.beforeSearch = [&](const RunPass&) {
    std::unique_lock<std::mutex> hold(mutex);
    changed.wait(hold, [&] { return release; });
  };
  parts.optionalCrew = &crew;
  Preview();
  EXPECT_TRUE(ctx.tally.cancelled);
  EXPECT_EQ(ctx.tally.linkCount, 0);
  EXPECT_TRUE(ctx.changes.empty());

  // A search that fails stops the others; the run fails with its reason.
  ui.onPump = nullptr;
  ctx.tally.cancelled = false;
  crew.beforeSearch = [](const RunPass& lane) {
    if (lane.settings.SelectedDriveCount() == 1 && lane.settings.drives[1].selected) throw Error("the disk went away");
  };
  try {
    Preview();
    ADD_FAILURE() << "the failure was lost";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "the disk went away");
  }
}

// A failure on the run's own thread while the searches run (the window went
// away under its pump) leaves through the run once every search has stopped;
// it does not end the program.
TEST_F(SideBySide, AFailureOnTheRunsThreadStopsAndJoinsTheSearches) {
  int waiting = 0;
  bool thrown = false;
  crew.beforeSearch = [&](const RunPass&) {
    std::unique_lock<std::mutex> hold(mutex);
    ++waiting;
    changed.notify_all();
    changed.wait(hold, [&] { return thrown; });
  };
  ui.onPump = [&] {
    std::lock_guard<std::mutex> hold(mutex);
    if (waiting == 0) return;
    thrown = true;
    changed.notify_all();
    throw Error("the window went away");
  };
  parts.optionalCrew = &crew;
  try {
    Preview();
    ADD_FAILURE() << "the failure was lost";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "the window went away");
  }
  EXPECT_TRUE(thrown);
  EXPECT_FALSE(ctx.running);
}

// The backup archive is the run's own: a search thread that reaches it is
// refused, and the run fails with the reason instead of racing the run.
TEST_F(SideBySide, TheArchiveRefusesASearchThread) {
  archive.SetArchiveName(kRecords + "Undo00000.zip");
  crew.beforeSearch = [&](const RunPass&) { archive.BackupFile("C:\\Cfg0\\a.ini"); };
  parts.optionalCrew = &crew;
  try {
    Preview();
    ADD_FAILURE() << "a search made a backup";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("A search backs nothing up"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(fs.Has(kRecords + "Undo00000.zip"));
  EXPECT_TRUE(archive.BackupFile("C:\\Cfg0\\a.ini"));  // the run's own thread may
}
}  // namespace

// Each search fills findings of its own, which join the run's once: nothing
// the run found before reaches a search, nothing a search found is lost or
// counted twice, and the run's drive choice is left as it was.
TEST_F(SideBySide, EachSearchHasFindingsOfItsOwnJoinedOnceToTheRuns) {
  std::size_t laneEntriesBefore = 99;
  crew.beforeSearch = [&](RunPass& lane) {
    if (lane.settings.SelectedDriveCount() != 1 || !lane.settings.drives[1].selected) return;
    std::lock_guard<std::mutex> hold(mutex);
    laneEntriesBefore = lane.findings.changes.size() + lane.findings.passedOver.size();
    lane.PassOver("D:\\Locked", "access denied");
    lane.findings.notes.push_back("a note of D:");
  };
  parts.optionalCrew = &crew;
  // A move's preview names the move before the searches start.
  ctx.preview = true;
  ctx.request = {"C:\\Old", "D:\\New", false, RunMode::MoveAndMap};
  ctx.Run(parts);
  ASSERT_FALSE(ctx.changes.empty());
  EXPECT_EQ(ctx.changes[0].kind, ChangeKind::MovedItem);
  EXPECT_EQ(laneEntriesBefore, 0u);
  const auto named = [&](const std::string& where) {
    return std::count_if(ctx.passedOver.begin(), ctx.passedOver.end(),
                         [&](const PassedOver& p) { return p.where == where; });
  };
  EXPECT_EQ(named("D:\\Locked"), 1);
  EXPECT_EQ(std::count(ctx.notes.begin(), ctx.notes.end(), "a note of D:"), 1);
  EXPECT_EQ(ctx.SelectedDriveCount(), 2);
}
