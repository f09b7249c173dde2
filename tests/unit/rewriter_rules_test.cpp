// The rules every rewriter keeps alike: the registry walk, the settings-file
// rewriting and the shortcut rewriting. A preview changes nothing and reports
// each occurrence; the "Entry Found" answers replace, skip the place or stop
// the run; "Do Not Stop and Verify" ends the asking; an entry the review left
// out stays as it is.
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

namespace {
const SearchTexts kOldToNew{"C:\\Old", "D:\\New", "C:\\OLD~1", "D:\\NEW~1"};

std::string Replaced(std::string text) {
  for (std::size_t p = 0; (p = text.find(kOldToNew.oldText, p)) != std::string::npos; p += kOldToNew.newText.size())
    text.replace(p, kOldToNew.oldText.size(), kOldToNew.newText);
  return text;
}

// Places of one kind (a registry value, a settings file, a shortcut), each
// planted with one or two occurrences of C:\Old, and the rewriter over them.
class Places {
 public:
  Places() {
    ctx.ui = &ui;
    ctx.request.Mode = RunMode::MapOnly;
    ctx.programFolder = "C:\\Ost\\";
    ctx.tally.undoName = "Undo00000";
    ctx.targets = Targets{true, false, false, false, false};
    ctx.OsGeneration = 6;
    fs.AddFolder("C:\\Ost");
  }
  virtual ~Places() = default;

  void Plant(const std::string& name, int occurrences = 1) {
    Put(name, occurrences == 1 ? std::vector<std::string>{"C:\\Old\\x"}
                               : std::vector<std::string>{"C:\\Old\\x", "C:\\Old\\y"});
    planted[name] = Read(name);
    order.push_back(name);
  }
  bool Left(const std::string& name) { return Read(name) == planted.at(name); }
  bool Changed(const std::string& name) { return Read(name) == Replaced(planted.at(name)); }
  // What the rewriter's entries and previews name the place by.
  virtual std::string Where(const std::string& name) = 0;
  // The place an "Entry Found" question names.
  virtual std::string Asked(const Question& q) = 0;
  // Everything a run could write: the places and their backups.
  virtual std::string State() = 0;
  // Rewrites every planted place in the order planted.
  virtual void Run() = 0;

  // Every entry recorded for a place, by outcome.
  std::vector<ChangeOutcome> OutcomesAt(const std::string& name) {
    std::vector<ChangeOutcome> found;
    for (const ChangeEntry& e : ctx.changes)
      if (e.where == Where(name)) found.push_back(e.outcome);
    return found;
  }

  FakeFileSystem fs;
  FakeUi ui;
  RunContext ctx;
  Cp1252 ansi;

 protected:
  virtual void Put(const std::string& name, const std::vector<std::string>& occurrences) = 0;
  virtual std::string Read(const std::string& name) = 0;
  std::map<std::string, std::string> planted;
  std::vector<std::string> order;
};

class RegistryPlaces : public Places {
 public:
  std::string Where(const std::string& name) override { return "HKEY_CURRENT_USER\\Software\\" + name; }
  std::string Asked(const Question& q) override { return q.key; }
  std::string State() override { return reg.Dump() + (fs.Has("C:\\Ost\\Undo00000.reg") ? "backup" : ""); }
  void Run() override { walk.FindReplaceProcess(kOldToNew); }

 protected:
  void Put(const std::string& name, const std::vector<std::string>& occurrences) override {
    std::string data;
    for (const auto& o : occurrences) data += (data.empty() ? "" : ";") + o;
    reg.PutText(RegRoot::CurrentUser, "Software\\" + name, "p", data);
  }
  std::string Read(const std::string& name) override {
    return reg.GetText(RegRoot::CurrentUser, "Software\\" + name, "p");
  }
  MemoryRegistry reg;
  RegistryWalk walk{ctx, reg, fs, ansi};
};

// The file rewriters get one file at a time; the file walk hands them none
// after a cancel.
class FilePlaces : public Places {
 public:
  FilePlaces() {
    fs.beforeWrite = [this](const std::string&) { ++writes; };
  }
  std::string Asked(const Question& q) override { return q.value; }
  std::string State() override {
    std::string state = std::to_string(backup.saved.size()) + " backups, " + std::to_string(writes) + " writes\n";
    for (const std::string& path : fs.Paths())
      state += path + " " + std::to_string(fs.At(path).attributes) + " " + fs.At(path).data + "\n";
    return state;
  }
  void Run() override {
    for (const std::string& name : order) {
      if (ctx.PumpCancelled()) return;
      Rewrite(Where(name));
    }
  }

 protected:
  virtual void Rewrite(const std::string& path) = 0;
  RecordingBackup backup{fs};
  int writes = 0;
};

class SettingsFilePlaces : public FilePlaces {
 public:
  std::string Where(const std::string& name) override { return "C:\\Cfg\\" + name + ".ini"; }

 protected:
  void Put(const std::string& name, const std::vector<std::string>& occurrences) override {
    std::string content = "[s]\r\n";
    for (const auto& o : occurrences) content += "k=" + o + "\r\n";
    // Read-only: a preview must not even take the attribute off.
    fs.AddFile(Where(name), content, kAttrReadOnly);
  }
  std::string Read(const std::string& name) override { return fs.ReadWhole(Where(name)); }
  void Rewrite(const std::string& path) override { rewrite.RewriteTextFile(path, kOldToNew); }
  TextFileRewrite rewrite{ctx, fs, backup, ansi};
};

class ShortcutPlaces : public FilePlaces {
 public:
  std::string Where(const std::string& name) override { return "C:\\Links\\" + name + ".lnk"; }

 protected:
  // The first occurrence in the target, a second in the arguments.
  void Put(const std::string& name, const std::vector<std::string>& occurrences) override {
    ShellLinkProps props;
    props.Target = occurrences[0] + ".exe";
    if (occurrences.size() > 1) props.Arguments = occurrences[1];
    store.Put(Where(name), props);
  }
  std::string Read(const std::string& name) override {
    const ShellLinkProps link = store.Load(Where(name));
    return link.Target + " " + link.Arguments;
  }
  void Rewrite(const std::string& path) override { rewrite.RewriteShortcut(path, kOldToNew); }
  FakeShellLinkStore store{fs};
  ShortcutRewrite rewrite{ctx, backup, store};
};

template <class Kind>
class RewriterRules : public ::testing::Test {
 protected:
  Kind places;
  RunContext& ctx = places.ctx;
  FakeUi& ui = places.ui;
};

using Rewriters = ::testing::Types<RegistryPlaces, SettingsFilePlaces, ShortcutPlaces>;
TYPED_TEST_SUITE(RewriterRules, Rewriters);

TYPED_TEST(RewriterRules, APreviewReportsEachOccurrenceAsksNothingAndChangesNothing) {
  auto& places = this->places;
  places.Plant("A");
  places.Plant("B");
  this->ctx.preview = true;
  this->ctx.stopAndVerify = true;
  const std::string before = places.State();
  places.Run();
  EXPECT_EQ(places.State(), before);
  EXPECT_TRUE(this->ui.questions.empty());
  ASSERT_EQ(this->ui.previews.size(), 2u);
  EXPECT_EQ(this->ui.previews[0].place, places.Where("A"));
  EXPECT_EQ(this->ui.previews[1].place, places.Where("B"));
  EXPECT_EQ(this->ctx.tally.linkCount, 2);
  for (const char* name : {"A", "B"})
    for (ChangeOutcome o : places.OutcomesAt(name)) EXPECT_EQ(o, ChangeOutcome::WouldChange) << name;
}

// A skip leaves the whole place, even its occurrences not yet asked about,
// and goes on; a cancel leaves the place asked about and ends the run.
TYPED_TEST(RewriterRules, EntryFoundReplaceChangesSkipLeavesThePlaceCancelStops) {
  auto& places = this->places;
  places.Plant("A");
  places.Plant("B", 2);
  places.Plant("C");
  places.Plant("D");
  this->ctx.stopAndVerify = true;
  this->ui.replies = {{Answer::Replace}, {Answer::Skip}, {Answer::Cancel}};
  places.Run();
  ASSERT_EQ(this->ui.questions.size(), 3u);
  EXPECT_EQ(places.Asked(this->ui.questions[0]), places.Where("A"));
  EXPECT_EQ(places.Asked(this->ui.questions[1]), places.Where("B"));
  EXPECT_EQ(places.Asked(this->ui.questions[2]), places.Where("C"));
  EXPECT_TRUE(places.Changed("A"));
  for (const char* name : {"B", "C", "D"}) EXPECT_TRUE(places.Left(name)) << name;
  EXPECT_TRUE(this->ctx.tally.cancelled);
  EXPECT_EQ(this->ctx.tally.linkCount, 1);
  ASSERT_FALSE(places.OutcomesAt("A").empty());
  for (ChangeOutcome o : places.OutcomesAt("A")) EXPECT_EQ(o, ChangeOutcome::Changed);
  for (const char* name : {"B", "C"}) {
    ASSERT_FALSE(places.OutcomesAt(name).empty()) << name;
    for (ChangeOutcome o : places.OutcomesAt(name)) EXPECT_EQ(o, ChangeOutcome::Skipped) << name;
  }
  EXPECT_TRUE(places.OutcomesAt("D").empty());
}

TYPED_TEST(RewriterRules, DoNotStopAndVerifyEndsTheAskingOnlyWhenTicked) {
  auto& places = this->places;
  places.Plant("A");
  places.Plant("B");
  places.Plant("C");
  this->ctx.request.Mode = RunMode::MoveAndMap;  // which asks as Map Only does
  this->ctx.stopAndVerify = true;
  this->ui.replies = {{Answer::Skip, false}, {Answer::Replace, true}};
  places.Run();
  EXPECT_EQ(this->ui.questions.size(), 2u);
  EXPECT_FALSE(this->ctx.stopAndVerify);
  EXPECT_TRUE(places.Left("A"));
  EXPECT_TRUE(places.Changed("B"));
  EXPECT_TRUE(places.Changed("C"));  // without asking
  EXPECT_FALSE(this->ctx.tally.cancelled);
  ASSERT_FALSE(this->ui.events.empty());
  EXPECT_EQ(this->ui.events.back(), "busy");
}

TYPED_TEST(RewriterRules, AnEntryTheReviewLeftOutStaysAsItIs) {
  auto& places = this->places;
  places.Plant("A");
  places.Plant("B");
  places.Plant("C");
  this->ctx.preview = true;
  places.Run();
  ChangeSelection ticked;
  for (const ChangeEntry& e : this->ctx.changes)
    if (e.where != places.Where("B")) ticked.Tick(e);
  this->ctx.changes.clear();
  this->ctx.tally.linkCount = 0;
  this->ctx.preview = false;
  this->ctx.selection = &ticked;
  places.Run();
  EXPECT_TRUE(places.Changed("A"));
  EXPECT_TRUE(places.Left("B"));
  EXPECT_TRUE(places.Changed("C"));
  EXPECT_EQ(this->ctx.tally.linkCount, 2);
  ASSERT_FALSE(places.OutcomesAt("B").empty());
  for (ChangeOutcome o : places.OutcomesAt("B")) EXPECT_EQ(o, ChangeOutcome::LeftOut);
  EXPECT_TRUE(ticked.NotMet().empty());
}
}  // namespace
