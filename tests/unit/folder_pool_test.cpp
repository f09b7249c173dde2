// A drive's folders searched by a pool of threads: the same findings, passed
// over places and notes in the same order as one walker, whatever the
// threads' timing; a cancel stops every thread and changes nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include "core/Error.h"
#include "support/FakeSearchCrew.h"
#include "support/PortableRun.h"

namespace {
const std::string kOld = "C:\\Old";

// Some thousands of files in 456 folders, three levels deep: settings and
// configuration files naming the old place or not, files no target picks,
// two too large to search, an interrupted run's temporary files and folders
// that cannot be listed, high and low in the tree.
struct Machine : PortableRun {
  explicit Machine(int walkThreads) {
    ctx.walkThreads = walkThreads;
    for (int a = 0; a < 8; ++a)
      for (int b = 0; b < 8; ++b) {
        const std::string mid = "C:\\Tree\\A" + std::to_string(a) + "\\B" + std::to_string(b) + "\\";
        fs.AddFile(mid + "b.ini", "p=" + kOld + "\\b" + std::to_string(a * 8 + b) + "\r\n");
        for (int c = 0; c < 6; ++c) {
          const std::string leaf = mid + "C" + std::to_string(c) + "\\";
          const std::string n = std::to_string((a * 8 + b) * 6 + c);
          fs.AddFile(leaf + "s.ini", (a + b + c) % 3 == 0 ? "p=" + kOld + "\\s" + n + "\r\n" : "p=C:\\Else\r\n");
          fs.AddFile(leaf + "t.json", (a * b + c) % 4 == 0 ? "{\"p\": \"C:\\\\Old\\\\t" + n + "\"}" : "{}");
          fs.AddFile(leaf + "n.txt", "C:\\Old\\not a target");
          for (const char* other : {"r1.xml", "r2.xml", "r3.xml"}) fs.AddFile(leaf + other, "<r/>");
        }
      }
    fs.AddFile("C:\\Tree\\A2\\B3\\big.ini", std::string(kMaxRewriteSize, 'x'));
    fs.AddFile("C:\\Tree\\A5\\big.ini", std::string(kMaxRewriteSize, 'x'));
    fs.AddFile("C:\\Tree\\A1\\B0\\C4\\~ostrivane-0001.tmp", "half");
    fs.AddFile("C:\\Tree\\A6\\~ostrivane-0002.tmp", "half");
    fs.DenyListing("C:\\Tree\\A3\\B5");
    fs.DenyListing("C:\\Tree\\A7");
    fs.DenyListing("C:\\Tree\\A6\\B1\\C2", "the network name is no longer available");
  }

  void Preview() {
    ctx.preview = true;
    RunRequest(RunMode::MapOnly, kOld, "D:\\New");
    ctx.preview = false;
  }
  void Run() { RunRequest(RunMode::MapOnly, kOld, "D:\\New"); }

  // What the run found, passed over and noted, and what it showed, in order.
  std::vector<std::string> Said() const {
    std::vector<std::string> lines;
    for (const ChangeEntry& e : ctx.changes)
      lines.push_back(e.where + "|" + std::to_string(e.line) + "|" + e.oldText + "|" + e.newText + "|" +
                      std::to_string(int(e.outcome)) + "|" + e.reason);
    for (const PassedOver& p : ctx.passedOver) lines.push_back("passed over " + p.where + "|" + p.reason);
    for (const std::string& note : ctx.AllNotes()) lines.push_back("note " + note);
    for (const PreviewItem& p : ui.previews) lines.push_back("preview " + p.place + "|" + p.oldText + "|" + p.newText);
    lines.push_back("links " + std::to_string(ctx.tally.linkCount));
    return lines;
  }
  // Every file and its content; an interrupted run's temporary files only
  // when `leftovers` (a search clears those it meets).
  std::vector<std::string> Disk(bool leftovers = true) {
    std::vector<std::string> files;
    for (const std::string& path : fs.Paths())
      if (!(fs.At(path).attributes & kAttrFolder) && (leftovers || path.find("~ostrivane-") == std::string::npos))
        files.push_back(path + "|" + fs.At(path).data);
    return files;
  }

  FakeSearchCrew crew{fs, reg, links, cp, archive};
  std::mutex mutex;
  std::condition_variable changed;
  std::set<std::thread::id> searchers;  // the threads that searched a folder
  int begun = 0;                        // folders the pool began
};

TEST(FolderPool, FindsPassesOverAndChangesWhatOneWalkerDoesInItsOrder) {
  // One walker on the run's own thread: the order every run must give.
  Machine one(1);
  one.Preview();
  const std::vector<std::string> previewed = one.Said();
  ASSERT_GT(previewed.size(), 300u);
  one.ui.previews.clear();
  one.Run();
  const std::vector<std::string> ran = one.Said();
  const std::vector<std::string> disk = one.Disk();

  // Four threads, the first folder of the tree held back until a hundred
  // others are under way: joined as they end, its findings would come late.
  Machine four(4);
  four.parts.optionalCrew = &four.crew;
  four.crew.beforeFolder = [&](RunPass&, const std::string& folder) {
    std::unique_lock<std::mutex> hold(four.mutex);
    four.searchers.insert(std::this_thread::get_id());
    ++four.begun;
    four.changed.notify_all();
    if (folder == "C:\\Tree\\A0\\") four.changed.wait(hold, [&] { return four.begun > 100; });
  };
  four.Preview();
  EXPECT_EQ(four.Said(), previewed);
  EXPECT_GE(four.searchers.size(), 2u);
  EXPECT_FALSE(four.searchers.count(std::this_thread::get_id()));

  // A run searches with the pool and applies its list in that order; its
  // report, notes and the files it leaves are one walker's.
  four.ui.previews.clear();
  four.begun = 0;
  four.Run();
  EXPECT_EQ(four.Said(), ran);
  EXPECT_EQ(four.Disk(), disk);
}

TEST(FolderPool, ACancelOrAFailureStopsEveryThreadAndChangesNothing) {
  Machine pool(4);
  pool.parts.optionalCrew = &pool.crew;
  const std::vector<std::string> before = pool.Disk(false);
  // Cancel is pressed once forty folders are under way; from then on each
  // thread, at its next folder, waits until the cancel has reached it.
  std::atomic<bool> press{false};
  pool.ui.onPump = [&] {
    if (press) pool.ctx.tally.cancelled = true;
  };
  pool.crew.beforeFolder = [&](RunPass& folderRun, const std::string&) {
    {
      std::lock_guard<std::mutex> hold(pool.mutex);
      if (++pool.begun == 40) press = true;
    }
    if (press)
      while (!folderRun.PumpCancelled()) std::this_thread::yield();
  };
  pool.Run();
  EXPECT_TRUE(pool.ctx.tally.cancelled);
  EXPECT_LE(pool.begun, 40 + 3);  // each of the other three threads began one more at most
  EXPECT_EQ(pool.Disk(false), before);
  EXPECT_FALSE(pool.fs.Has(PortableRun::kRecords + "Undo00000.log"));

  // A folder whose search fails stops the others; the run fails with why.
  pool.ui.onPump = nullptr;
  pool.ctx.tally.cancelled = false;
  pool.begun = 0;
  pool.crew.beforeFolder = [&](RunPass&, const std::string& folder) {
    std::lock_guard<std::mutex> hold(pool.mutex);
    ++pool.begun;
    if (folder == "C:\\Tree\\A4\\B2\\") throw Error("the disk went away");
  };
  try {
    pool.Preview();
    ADD_FAILURE() << "the failure was lost";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "the disk went away");
  }
  EXPECT_LT(pool.begun, 456);
}
}  // namespace
