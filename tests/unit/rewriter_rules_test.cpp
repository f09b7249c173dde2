// The rules every rewriter keeps alike (the registry walk, settings files,
// shortcuts): a preview changes nothing and reports each occurrence; the
// "Entry Found" answers replace, skip the place or stop the run; "Do Not Stop
// and Verify" ends the asking; an entry the review left out stays as it is.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "filemap/ShortcutRewrite.h"
#include "filemap/TextFileRewrite.h"
#include "regmap/RegistryWalk.h"
#include "support/Cp1252.h"
#include "support/FakeFileSystem.h"
#include "support/FakeShellLinkStore.h"
#include "support/FakeUi.h"
#include "support/MemoryRegistry.h"
#include "support/RecordingBackup.h"
#include "support/TestRun.h"

namespace {
const SearchTexts kOldToNew{"C:\\Old", "D:\\New", "C:\\OLD~1", "D:\\NEW~1"};

// Places of one kind planted with one or two occurrences of C:\Old, and the
// rewriter over them.
class Places {
 public:
  Places() {
    ctx.ui = &ui;
    ctx.request.Mode = RunMode::MapOnly;
    ctx.recordsFolder = "C:\\Ost\\";
    ctx.tally.undoName = "Undo00000";
    fs.AddFolder("C:\\Ost");
  }
  virtual ~Places() = default;
  void Plant(const std::string& name, int occurrences = 1) {
    Put(name, "C:\\Old\\x", occurrences == 1 ? "" : "C:\\Old\\y");
    planted[name] = Read(name);
    order.push_back(name);
  }
  bool Left(const std::string& name) { return Read(name) == planted.at(name); }
  bool Changed(const std::string& name) {
    std::string now = planted.at(name);
    for (std::size_t at = 0; (at = now.find("C:\\Old", at)) != std::string::npos;) now.replace(at, 6, "D:\\New");
    return Read(name) == now;
  }
  // Every entry recorded for the place has this outcome, and there is one.
  bool AllAre(const std::string& name, ChangeOutcome outcome) {
    int found = 0;
    for (const ChangeEntry& e : ctx.changes)
      if (e.where == Where(name)) found += e.outcome == outcome ? 1 : -1000;
    return found > 0;
  }
  virtual std::string Where(const std::string& name) = 0;  // as entries and previews name it
  virtual std::string Asked(const Question& q) = 0;        // the place a question names
  virtual std::string State() = 0;                         // all a run could write, backups too
  virtual void Run() = 0;                                  // every place, in the order planted

  FakeFileSystem fs;
  FakeUi ui;
  TestRun ctx;
  Cp1252 ansi;

 protected:
  virtual void Put(const std::string& name, const std::string& first, const std::string& second) = 0;
  virtual std::string Read(const std::string& name) = 0;
  std::map<std::string, std::string> planted;
  std::vector<std::string> order;
};

class RegistryValues : public Places {
 public:
  std::string Where(const std::string& name) override { return "HKEY_CURRENT_USER\\Software\\" + name; }
  std::string Asked(const Question& q) override { return q.key; }
  std::string State() override { return reg.Dump() + (fs.Has("C:\\Ost\\Undo00000.reg") ? "backup" : ""); }
  void Run() override { walk.FindReplaceProcess(ctx.Pass(), kOldToNew); }

 protected:
  void Put(const std::string& name, const std::string& first, const std::string& second) override {
    reg.PutText(RegRoot::CurrentUser, "Software\\" + name, "p", second.empty() ? first : first + ";" + second);
  }
  std::string Read(const std::string& name) override {
    return reg.GetText(RegRoot::CurrentUser, "Software\\" + name, "p");
  }
  MemoryRegistry reg;
  RegistryWalk walk{reg, fs, ansi};
};

// The file walk hands the file rewriters one file at a time, and none after
// a cancel.
class Files : public Places {
 public:
  Files() { fs.beforeWrite = [this](const std::string&) { ++writes; }; }
  std::string Asked(const Question& q) override { return q.value; }
  std::string State() override {
    std::string state = std::to_string(backup.saved.size()) + " backups, " + std::to_string(writes) + " writes\n";
    for (const std::string& path : fs.Paths())
      state += path + " " + std::to_string(fs.At(path).attributes) + " " + fs.At(path).data + "\n";
    return state;
  }
  void Run() override {
    for (const std::string& name : order)
      if (!ctx.Pass().PumpCancelled()) Rewrite(Where(name));
  }

 protected:
  virtual void Rewrite(const std::string& path) = 0;
  RecordingBackup backup{fs};
  int writes = 0;
};

class SettingsFiles : public Files {
 public:
  std::string Where(const std::string& name) override { return "C:\\Cfg\\" + name + ".ini"; }

 protected:
  // Read-only: a preview must not even take the attribute off.
  void Put(const std::string& name, const std::string& first, const std::string& second) override {
    fs.AddFile(Where(name), "[s]\r\nk=" + first + "\r\n" + (second.empty() ? "" : "k=" + second + "\r\n"),
               kAttrReadOnly);
  }
  std::string Read(const std::string& name) override { return fs.ReadWhole(Where(name)); }
  void Rewrite(const std::string& path) override { rewrite.RewriteTextFile(ctx.Pass(), path, kOldToNew); }
  TextFileRewrite rewrite{fs, backup, ansi};
};

class Shortcuts : public Files {
 public:
  std::string Where(const std::string& name) override { return "C:\\Links\\" + name + ".lnk"; }

 protected:
  void Put(const std::string& name, const std::string& first, const std::string& second) override {
    ShellLinkProps props;
    props.Target = first + ".exe";
    props.Arguments = second;
    store.Put(Where(name), props);
  }
  std::string Read(const std::string& name) override {
    const ShellLinkProps link = store.Load(Where(name));
    return link.Target + " " + link.Arguments;
  }
  void Rewrite(const std::string& path) override { rewrite.RewriteShortcut(ctx.Pass(), path, kOldToNew); }
  FakeShellLinkStore store{fs};
  ShortcutRewrite rewrite{backup, store};
};

template <class Kind>
class RewriterRules : public ::testing::Test, public Kind {};
using Rewriters = ::testing::Types<RegistryValues, SettingsFiles, Shortcuts>;
TYPED_TEST_SUITE(RewriterRules, Rewriters);

TYPED_TEST(RewriterRules, APreviewReportsEachOccurrenceAsksNothingAndChangesNothing) {
  TypeParam& p = *this;
  p.Plant("A");
  p.Plant("B");
  p.ctx.preview = p.ctx.stopAndVerify = true;
  const std::string before = p.State();
  p.Run();
  EXPECT_EQ(p.State(), before);
  EXPECT_TRUE(p.ui.questions.empty());
  ASSERT_EQ(p.ui.previews.size(), 2u);
  EXPECT_EQ(p.ui.previews[0].place, p.Where("A"));
  EXPECT_EQ(p.ui.previews[1].place, p.Where("B"));
  EXPECT_EQ(p.ctx.tally.linkCount, 2);
  EXPECT_TRUE(p.AllAre("A", ChangeOutcome::WouldChange) && p.AllAre("B", ChangeOutcome::WouldChange));
}

// A skip leaves the whole place, even what is not asked about yet, and goes
// on; a cancel leaves the place asked about and ends the run.
TYPED_TEST(RewriterRules, EntryFoundReplaceChangesSkipLeavesThePlaceCancelStops) {
  TypeParam& p = *this;
  p.Plant("A");
  p.Plant("B", 2);
  p.Plant("C");
  p.Plant("D");
  p.ctx.stopAndVerify = true;
  p.ui.replies = {{Answer::Replace}, {Answer::Skip}, {Answer::Cancel}};
  p.Run();
  ASSERT_EQ(p.ui.questions.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(p.Asked(p.ui.questions[i]), p.Where(std::string(1, char('A' + i))));
  EXPECT_TRUE(p.Changed("A") && p.AllAre("A", ChangeOutcome::Changed));
  EXPECT_TRUE(p.Left("B") && p.AllAre("B", ChangeOutcome::Skipped));
  EXPECT_TRUE(p.Left("C") && p.AllAre("C", ChangeOutcome::Skipped));
  EXPECT_TRUE(p.Left("D") && !p.AllAre("D", ChangeOutcome::Skipped));  // not even met
  EXPECT_TRUE(p.ctx.tally.cancelled);
  EXPECT_EQ(p.ctx.tally.linkCount, 1);
}

TYPED_TEST(RewriterRules, DoNotStopAndVerifyEndsTheAskingOnlyWhenTicked) {
  TypeParam& p = *this;
  for (const char* name : {"A", "B", "C"}) p.Plant(name);
  p.ctx.request.Mode = RunMode::MoveAndMap;  // which asks as Map Only does
  p.ctx.stopAndVerify = true;
  p.ui.replies = {{Answer::Skip, false}, {Answer::Replace, true}};
  p.Run();
  EXPECT_EQ(p.ui.questions.size(), 2u);
  EXPECT_FALSE(p.ctx.Asking());
  EXPECT_TRUE(p.Left("A"));
  EXPECT_TRUE(p.Changed("B"));
  EXPECT_TRUE(p.Changed("C"));  // without asking
  EXPECT_FALSE(p.ctx.tally.cancelled);
  ASSERT_FALSE(p.ui.events.empty());
  EXPECT_EQ(p.ui.events.back(), "busy");
}

TYPED_TEST(RewriterRules, AnEntryTheReviewLeftOutStaysAsItIs) {
  TypeParam& p = *this;
  for (const char* name : {"A", "B", "C"}) p.Plant(name);
  p.ctx.preview = true;
  p.Run();
  ChangeSelection ticked;
  for (const ChangeEntry& e : p.ctx.changes) ticked.Add(e, e.where != p.Where("B"));
  p.ctx.changes.clear();
  p.ctx.tally.linkCount = 0;
  p.ctx.preview = false;
  p.ctx.selection = &ticked;
  p.Run();
  EXPECT_TRUE(p.Changed("A") && p.Changed("C"));
  EXPECT_TRUE(p.Left("B") && p.AllAre("B", ChangeOutcome::LeftOut));
  EXPECT_EQ(p.ctx.tally.linkCount, 2);
  EXPECT_TRUE(ticked.NotMet().empty());
}
}  // namespace
