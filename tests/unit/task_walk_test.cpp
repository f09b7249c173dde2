// Scheduled tasks are searched with the configuration files and changed
// through the Task Scheduler: their definitions registered again, backed up
// first, undone only where they still hold what the run registered.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/Text.h"
#include "engine/TaskBackup.h"
#include "support/PortableRun.h"

namespace {
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
  return text;
}

const std::string kOld = "C:\\Program Files\\Acme Tools";
const std::string kNew = "D:\\R&D\\Acme Tools";  // "&" must go into the XML as "&amp;"
const std::string kUpdater = "\\Vendor\\Updater";

// A definition as the service gives it: the principal first, then the actions.
std::string TaskXml(const std::string& command, const std::string& directory, const std::string& account = "S-1-5-18") {
  return "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
         "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
         "  <Principals>\r\n"
         "    <Principal id=\"Author\">\r\n"
         "      <UserId>" + account + "</UserId>\r\n"
         "    </Principal>\r\n"
         "  </Principals>\r\n"
         "  <Actions Context=\"Author\">\r\n"
         "    <Exec>\r\n"
         "      <Command>\"" + command + "\\upd.exe\"</Command>\r\n"
         "      <Arguments>/log \"C:\\Program Files\\Acme Tools2\\log.txt\"</Arguments>\r\n"
         "      <WorkingDirectory>" + directory + "</WorkingDirectory>\r\n"
         "    </Exec>\r\n"
         "  </Actions>\r\n"
         "</Task>\r\n";
}

class TaskWalkTest : public ::testing::Test, public PortableRun {
 protected:
  TaskWalkTest() {
    ctx.targets = {false, false, false, false, true};  // the configuration files alone
    tasks.Add(kUpdater, TaskXml(kOld, kOld), TaskLogon::ServiceAccount);
    tasks.Add("\\Other", TaskXml("C:\\Elsewhere", "C:\\Elsewhere"));
    // The service keeps a definition in its own form, not byte for byte as given.
    tasks.storedForm = [](const std::string& xml) { return Replaced(xml, "version=\"1.2\"", "version=\"1.4\""); };
  }
  void Map() { RunRequest(RunMode::MapOnly, kOld, kNew); }
  // The run asking before each change.
  void MapAsking() {
    ctx.request = MappingRequest{};
    ctx.request.Mode = RunMode::MapOnly;
    ctx.request.FindText = kOld;
    ctx.request.ReplaceText = kNew;
    ctx.stopAndVerify = true;
    ctx.Run(parts);
  }
  std::vector<ChangeEntry> OfKind(ChangeKind kind) const {
    std::vector<ChangeEntry> out;
    for (const ChangeEntry& e : ctx.changes)
      if (e.kind == kind) out.push_back(e);
    return out;
  }
  // The review's list, every occurrence ticked.
  ChangeSelection Previewed() {
    ctx.preview = true;
    Map();
    ctx.preview = false;
    ChangeSelection list;
    for (const ChangeEntry& e : ctx.changes) list.Tick(e);
    return list;
  }
  std::string UndoMessage(bool force = false) { return UndoSaid("Undo00000", force); }
};

TEST_F(TaskWalkTest, ATaskIsRegisteredAgainWhollyBackedUpAndUndoneExactly) {
  const std::string before = tasks.Find(kUpdater)->xml;
  Map();
  // The whole definition goes back, its principal and the sibling's path as they were.
  ASSERT_EQ(tasks.updates.size(), 1u);
  EXPECT_EQ(tasks.updates[0].first, kUpdater);
  EXPECT_EQ(tasks.updates[0].second, TaskXml("D:\\R&amp;D\\Acme Tools", "D:\\R&amp;D\\Acme Tools"));
  const std::vector<ChangeEntry> found = OfKind(ChangeKind::ScheduledTask);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].where, kUpdater);
  EXPECT_EQ(found[0].line, 10);
  EXPECT_EQ(found[1].line, 12);
  EXPECT_EQ(found[0].outcome, ChangeOutcome::Changed);
  EXPECT_EQ(ctx.tally.linkCount, 2);
  // The search listed the tasks once; the apply read only the one its list names.
  EXPECT_EQ(tasks.listings, 1);
  EXPECT_EQ(tasks.reads.count("\\Other"), 0u);
  EXPECT_GE(tasks.reads[kUpdater], 1);
  // Its old definition is on record, under the run's name.
  const auto saved = ReadTaskBackup(fs.ReadWhole(kRecords + "Undo00000.tasks"));
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved.begin()->second.xml, before);
  EXPECT_NE(fs.ReadWhole(kRecords + "Undo00000.log").find(kUpdater + "\t\t10\tscheduled task\t"), std::string::npos);

  // A second run finds nothing left to change.
  RunRequest(RunMode::MapOnly, kOld, kNew);
  EXPECT_EQ(tasks.updates.size(), 1u);
  EXPECT_EQ(ctx.tally.linkCount, 0);

  // The undo compares with what the service kept, and gives back every byte.
  EXPECT_NE(UndoMessage().find("1 scheduled task restored."), std::string::npos);
  EXPECT_EQ(tasks.Find(kUpdater)->xml, tasks.storedForm(before));
  EXPECT_EQ(tasks.updates.back().second, before);
  EXPECT_EQ(last.tasks, 1);
  tasks.Find(kUpdater)->xml = before;
  EXPECT_NE(UndoMessage().find(kUndoAllAsBefore), std::string::npos);
  // Deleting the entry takes its task backup along.
  store.DeleteEntry(Entry("Undo00000"));
  EXPECT_FALSE(fs.Has(kRecords + "Undo00000.tasks"));
}

// What another program changed between the search and the apply, a task
// that keeps its account's password and a registration the service refuses
// are each named, and none of them changed.
TEST_F(TaskWalkTest, WhatCannotBeRegisteredAgainIsNamedAndLeft) {
  tasks.Add("\\Nightly", TaskXml(kOld, "C:\\"), TaskLogon::Password);
  tasks.Add("\\Refused", TaskXml(kOld, "C:\\"), TaskLogon::S4U);
  tasks.Add("\\Later", TaskXml(kOld, "C:\\"), TaskLogon::Group);
  tasks.refusals["\\Refused"] = "Access is denied.";
  ChangeSelection list = Previewed();
  // The preview names the password task with its reason too.
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].where, "\\Nightly");
  EXPECT_EQ(ctx.passedOver[0].reason, kTaskPasswordReason);
  EXPECT_TRUE(tasks.updates.empty());

  tasks.Find("\\Later")->xml = TaskXml(kOld + "\\v2", "C:\\");
  ctx.selection = &list;
  Map();
  ctx.selection = nullptr;
  ASSERT_EQ(tasks.updates.size(), 1u);
  EXPECT_EQ(tasks.updates[0].first, kUpdater);
  std::map<std::string, std::string> named;
  for (const PassedOver& p : ctx.passedOver) named[p.where] = p.reason;
  EXPECT_EQ(named, (std::map<std::string, std::string>{{"\\Nightly", kTaskPasswordReason},
                                                       {"\\Refused", "Access is denied."},
                                                       {"\\Later", kChangedSinceSearch}}));
  EXPECT_EQ(ctx.tally.linkCount, 2);
  // The refused one was never the run's doing: the undo leaves it alone.
  tasks.updates.clear();
  UndoMessage();
  ASSERT_EQ(tasks.updates.size(), 1u);
  EXPECT_EQ(tasks.updates[0].first, kUpdater);
}

TEST_F(TaskWalkTest, UndoNamesATaskChangedOrDeletedAfterTheRun) {
  tasks.Add("\\Second", TaskXml(kOld, "C:\\"));
  Map();
  ASSERT_EQ(tasks.updates.size(), 2u);
  // Changed by hand, and deleted, after the run.
  tasks.Find(kUpdater)->xml = TaskXml("C:\\Hand", "C:\\Hand");
  tasks.Remove("\\Second");
  tasks.updates.clear();
  const std::string message = UndoMessage();
  EXPECT_TRUE(tasks.updates.empty());
  EXPECT_NE(message.find("Scheduled task \\Vendor\\Updater was changed after the run"), std::string::npos) << message;
  EXPECT_NE(message.find("Scheduled task \\Second was deleted after the run: not created again."), std::string::npos)
      << message;
  EXPECT_EQ(int(last.changed.size()), 1);
  // Forced, the changed one goes back; the deleted one is not made again.
  UndoMessage(true);
  ASSERT_EQ(tasks.updates.size(), 1u);
  EXPECT_EQ(tasks.updates[0].first, kUpdater);
  EXPECT_EQ(tasks.Find("\\Second"), nullptr);
}

// A folder that could not be listed is named, the rest searched; the
// "Entry Found" question names the task, and Skip leaves the whole task. A
// service that cannot list at all fails nothing and is told of once.
TEST_F(TaskWalkTest, AFolderNotListedIsNamedAndEachChangeIsOfferedByTask) {
  tasks.listingFailures.push_back({"\\Locked", "Access is denied."});
  ui.replies = {{Answer::Skip}};
  MapAsking();
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0].key, kScheduledTasksKey);
  EXPECT_EQ(ui.questions[0].value, kUpdater);
  EXPECT_TRUE(tasks.updates.empty());
  EXPECT_EQ(OfKind(ChangeKind::ScheduledTask).size(), 2u);
  for (const ChangeEntry& e : OfKind(ChangeKind::ScheduledTask)) EXPECT_EQ(e.outcome, ChangeOutcome::Skipped);
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].where, "\\Locked");
  EXPECT_EQ(ctx.passedOver[0].reason, "not searched: Access is denied.");

  tasks.unlisted = "Not implemented.";
  Map();
  EXPECT_TRUE(ctx.passedOver.empty());
  EXPECT_EQ(ctx.AllNotes(), (std::vector<std::string>{
                           "The Task Scheduler here cannot list its tasks (Not implemented.): no scheduled task was "
                           "searched."}));
}

// The progress count says what the phase it shows does: a search finds,
// even the one a run makes before it changes anything; an apply remaps.
TEST_F(TaskWalkTest, TheProgressCountSaysFoundWhileSearchingAndRemappedWhileChanging) {
  std::vector<std::pair<std::string, std::string>> seen;  // phase, count
  ui.onPump = [this, &seen] {
    ProgressDisplay shown;
    RefreshProgress(shown, ctx);
    seen.emplace_back(ui.progress.phase, shown.count);
  };
  tasks.Add("\\Second", TaskXml(kOld, kOld));
  Map();
  ASSERT_EQ(ctx.tally.linkCount, 4);
  bool searched = false, changed = false;
  for (const auto& [phase, count] : seen) {
    const bool searching = phase.rfind("Changing", 0) != 0;  // "Scanning C Drive", "Searching scheduled tasks"
    EXPECT_EQ(count.find(searching ? "found" : "remapped") != std::string::npos, true) << phase << ": " << count;
    (searching ? searched : changed) = true;
  }
  EXPECT_TRUE(searched && changed);
  EXPECT_EQ(ProgressTitle(true), "Searching...");
}

// Another program may change the task while the question is up: it is left.
TEST_F(TaskWalkTest, ATaskChangedWhileTheRunAskedIsLeft) {
  ui.onAsk = [this] { tasks.Find(kUpdater)->xml = TaskXml(kOld, kOld, "S-1-5-19"); };
  MapAsking();
  EXPECT_TRUE(tasks.updates.empty());
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_EQ(ctx.passedOver[0].reason, "it was changed by another program while the run waited for an answer");
  EXPECT_EQ(ctx.tally.linkCount, 0);
}

TEST(TaskBackupRecord, KeepsTheFirstDefinitionOfEachTaskWholeAndPassesATornLineBy) {
  FakeFileSystem fs;
  fs.AddFolder("C:\\R");
  TaskBackup backup(fs);
  const std::string xml = std::string("<Task>\r\n\t<Command>100%\0</Command>\n</Task>", 41);
  backup.Save("C:\\R\\Undo00000.tasks", "\\A", xml);
  backup.Save("C:\\R\\Undo00000.tasks", "\\a", "what an earlier pass made");
  backup.Save("C:\\R\\Undo00000.tasks", "\\B", "<B/>");
  std::string bytes = fs.ReadWhole("C:\\R\\Undo00000.tasks");
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 3);  // the title and one line per task
  auto saved = ReadTaskBackup(bytes);
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved.at(FoldKey("\\A")).xml, xml);
  bytes.resize(bytes.size() - 2);  // the last line's end never reached the disk
  saved = ReadTaskBackup(bytes);
  EXPECT_EQ(saved.size(), 1u);
}
}  // namespace
