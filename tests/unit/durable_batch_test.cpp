// Durable before the change, by batch: the registry walk's writes wait until
// their backups and record lines are flushed, once a batch.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "engine/WrittenRecord.h"
#include "regmap/RegImport.h"
#include "regmap/RegRestore.h"
#include "regmap/RegistryWalk.h"
#include "support/Cp1252.h"
#include "support/FakeFileSystem.h"
#include "support/FakeUi.h"
#include "support/MemoryRegistry.h"
#include "support/TestRun.h"

namespace {
const RegRoot CU = RegRoot::CurrentUser;
const char* const kBackup = "C:\\Ost\\Undo00000.reg";
const char* const kRecord = "C:\\Ost\\Undo00000.after";

struct Crash {};  // the process dies here: nothing after it runs

class CrashableRegistry : public MemoryRegistry {
 public:
  std::function<void()> beforeSet;
  long SetValue(RegKey key, const std::string& name, std::uint32_t type, std::string_view data) override {
    if (beforeSet) beforeSet();
    return MemoryRegistry::SetValue(key, name, type, data);
  }
};

// A machine with a run's records folder, and the apply of one mapping.
struct Machine {
  Machine() {
    ctx.ui = &ui;
    ctx.recordsFolder = "C:\\Ost\\";
    ctx.tally.undoName = "Undo00000";
    ctx.request.Mode = RunMode::MapOnly;
    ctx.targets = Targets{true, false, false, false, false};
    ctx.written = &record;
    fs.AddFolder("C:\\Ost");
  }
  // `keys` keys of `values` values naming the old place (the first of each
  // twice), and one that does not.
  void Fill(int keys, int values) {
    for (int k = 0; k < keys; ++k) {
      const std::string key = "Software\\K" + std::to_string(k);
      for (int v = 0; v < values; ++v)
        reg.PutText(CU, key, "v" + std::to_string(v),
                    v == 0 ? "C:\\Old\\a;C:\\Old\\b" : "C:\\Old\\" + std::to_string(v));
      reg.PutText(CU, key, "other", "elsewhere");
    }
    before = reg.Dump();
  }
  void Apply() {
    record.BeginRun(kRecord);
    fs.MarkAllDurable();
    fs.flushes = 0;
    walk.FindReplaceProcess(ctx.Pass(), {"C:\\Old", "D:\\New", "", "", MatchRule::Substring});
  }
  // The undo of the run from its backup and its record, as the undo plans it.
  RegistryRestorePlan Undo() {
    if (!fs.Has(kBackup)) return {};  // nothing was backed up: nothing may have changed
    const ParsedRegFile parsed = ParseRegText(fs.ReadWhole(kBackup), cp);
    const WrittenPlaces written = ReadWrittenRecord(fs.ReadWhole(kRecord));
    RegistryRestorePlan plan = PlanRegistryRestore(reg, parsed, written.registry, false);
    std::size_t i = 0;
    ApplyRegOps(reg, parsed, [&](const RegOp&) { return plan.take[i++]; });
    return plan;
  }
  int Changed() const {
    int n = 0;
    for (const ChangeEntry& e : ctx.changes) n += e.outcome == ChangeOutcome::Changed;
    return n;
  }

  CrashableRegistry reg;
  FakeFileSystem fs;
  FakeUi ui;
  TestRun ctx;
  Cp1252 cp;
  WrittenRecord record{fs};
  RegistryWalk walk{reg, fs, cp};
  std::string before;
};

TEST(DurableBatch, ALargeApplyFlushesOnceABatchAndOpensEachKeyOnceAndItsUndoRestoresIt) {
  Machine m;
  m.Fill(5, 500);
  // One key refuses its writes: they are passed over and withdrawn from the
  // record, the batch's other writes are made.
  m.reg.DenyWrite(CU, "Software\\K2");
  m.Apply();
  const int changes = 4 * 500 + 4;  // the first value of each key holds two
  EXPECT_EQ(m.Changed(), changes);
  EXPECT_EQ(m.record.Count(), changes);
  EXPECT_LE(m.fs.flushes, changes / 100) << "flushes per change above 0.01";
  // Refused opens aside (the key that refuses writes is tried for each).
  EXPECT_LE(m.reg.writeOpens - m.reg.failedOpens, 4 + 4) << "a key opened for writing more than once a batch";
  EXPECT_EQ(m.reg.GetText(CU, "Software\\K0", "v0"), "D:\\New\\a;D:\\New\\b");
  EXPECT_EQ(m.reg.GetText(CU, "Software\\K2", "v7"), "C:\\Old\\7");
  int passedOver = 0;
  for (const ChangeEntry& e : m.ctx.changes) {
    const bool refused = e.where.find("Software\\K2") != std::string::npos;
    EXPECT_EQ(e.outcome, refused ? ChangeOutcome::PassedOver : ChangeOutcome::Changed) << e.where << " " << e.value;
    passedOver += refused;
  }
  EXPECT_GE(passedOver, 500);
  for (const RegistryWrite& w : ReadWrittenRecord(m.fs.ReadWhole(kRecord)).registry)
    EXPECT_EQ(w.key.find("Software\\K2"), std::string::npos) << "an unmade write stayed on record";

  const RegistryRestorePlan plan = m.Undo();
  EXPECT_TRUE(plan.changed.empty()) << plan.changed.size() << " places taken as changed after the run";
  EXPECT_EQ(m.reg.Dump(), m.before);
}

// A value's backup is the value as the key's listing read it: no key is
// opened again for it. After a question the value is read again.
// A batch's backup entries and record lines go to disk in one write each.
TEST(DurableBatch, AValuesBackupTakesItFromTheListingAndABatchIsWrittenAtOnce) {
  Machine m;
  m.Fill(4, 300);
  int writes = 0;
  m.fs.beforeWrite = [&](const std::string&) { ++writes; };
  m.Apply();
  EXPECT_EQ(m.Changed(), 4 * 301);
  EXPECT_LE(m.reg.opens, 40) << "a key opened again for a value's backup";
  EXPECT_LE(writes, 4 * 3) << "a write to the records for each change";
  EXPECT_EQ(m.Undo().changed.size(), 0u);
  EXPECT_EQ(m.reg.Dump(), m.before);

  Machine asking;
  asking.Fill(1, 3);
  asking.ctx.stopAndVerify = true;
  // Changed by another program while the user looked at the first question:
  // the backup keeps what the value held when it was changed.
  asking.ui.onAsk = [&] { asking.reg.PutText(CU, "Software\\K0", "v2", "C:\\Old\\x"); };
  asking.Apply();
  EXPECT_EQ(asking.Changed(), 4);
  asking.Undo();
  EXPECT_EQ(asking.reg.GetText(CU, "Software\\K0", "v2"), "C:\\Old\\x");
}

// The power goes at any write the run makes, to the registry or to its
// records: what reached the disk backs up every change made, and the undo
// gives back exactly those, naming no place as changed after the run.
TEST(DurableBatch, APowerLossBetweenAnyTwoWritesLeavesEveryChangeBackedUpAndUndone) {
  int crashes = 0;
  for (int at = 0;; ++at) {
    Machine m;
    m.Fill(3, 4);
    int writes = 0;
    const auto count = [&] {
      if (writes++ == at) throw Crash{};
    };
    m.reg.beforeSet = count;
    m.fs.beforeWrite = [&](const std::string&) { count(); };
    try {
      m.Apply();
    } catch (const Crash&) {
      ++crashes;
      m.reg.beforeSet = nullptr;
      m.fs.beforeWrite = nullptr;
      m.fs.LosePower();
      if (!m.fs.Has(kRecord)) continue;  // gone before its first line: nothing was changed
      const RegistryRestorePlan plan = m.Undo();
      EXPECT_TRUE(plan.changed.empty()) << "crash at write " << at << ": " << plan.changed.size()
                                        << " places taken as changed after the run";
      EXPECT_EQ(m.reg.Dump(), m.before) << "crash at write " << at;
      continue;
    }
    break;  // the run got through: every write has had its crash
  }
  EXPECT_GT(crashes, 12);
}

TEST(WrittenRecordText, AWithdrawalNamesTheLineItTakesBackAndOldRecordsReadAsBefore) {
  FakeFileSystem fs;
  fs.AddFolder("C:\\R");
  WrittenRecord record(fs);
  record.BeginRun(kRecord);
  const Announcement a = record.Value("HKEY_CURRENT_USER\\K", "a", kRegSz, "1");
  record.Value("HKEY_CURRENT_USER\\K", "b", kRegSz, "2");
  record.Value("HKEY_CURRENT_USER\\K", "a", kRegSz, "1");  // the same write again, later
  record.Withdraw(a);
  EXPECT_EQ(record.Count(), 2);
  const WrittenPlaces places = ReadWrittenRecord(fs.ReadWhole(kRecord));
  ASSERT_EQ(places.registry.size(), 2u);
  EXPECT_EQ(places.registry[0].name, "a");  // the last line of that text went
  EXPECT_EQ(places.registry[1].name, "b");

  // An earlier build's plain withdrawal takes back the line before it.
  const WrittenPlaces old = ReadWrittenRecord(
      "Ostrivane written record 1\r\nvalue\tK\ta\t1\t31\r\nvalue\tK\tb\t1\t32\r\nwithdrawn\r\n");
  ASSERT_EQ(old.registry.size(), 1u);
  EXPECT_EQ(old.registry[0].name, "a");
}
}  // namespace
