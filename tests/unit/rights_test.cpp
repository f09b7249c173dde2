// Before a run: which rights it lacks; and where a copy keeps its records.
#include <gtest/gtest.h>

#include <set>

#include "core/Text.h"
#include "engine/Rights.h"
#include "wiring/RecordsPlace.h"
#include "support/TestRun.h"

namespace {

// Folders the user may write, by prefix; everything else is refused.
struct FakeRights : RightsPort {
  bool elevated = false;
  bool machineRegistry = false;
  std::vector<std::string> writable = {"C:\\Users\\", "D:\\", "C:\\ProgramData\\"};
  bool Elevated() override { return elevated; }
  bool CanWriteFolder(const std::string& folder) override {
    for (const std::string& w : writable)
      if (AddSlash(folder).rfind(w, 0) == 0) return true;
    return false;
  }
  bool FolderExists(const std::string& folder) override { return folder != "C:\\ProgramData\\Ostrivane\\"; }
  bool CanWriteMachineRegistry() override { return machineRegistry; }
  std::vector<std::string> ProtectedFolders() override { return {"C:\\Program Files\\", "C:\\Windows\\"}; }
};

TestRun RunOf(RunMode mode, const std::string& find, const std::string& replace) {
  TestRun ctx;
  ctx.recordsFolder = "C:\\Users\\ann\\Ostrivane\\";
  ctx.request.Mode = mode;
  ctx.request.FindText = find;
  ctx.request.ReplaceText = replace;
  ctx.drives = {{"C", "C:\\", true}, {"D", "D:\\", true}};
  return ctx;
}

}  // namespace

TEST(Rights, WhatARunLacksWithoutElevation) {
  FakeRights rights;
  // A move out of Program Files, registry and files searched on C: and D:.
  TestRun ctx = RunOf(RunMode::MoveAndMap, "C:\\Program Files\\Tool", "D:\\Apps\\Tool");
  RightsCheck check = CheckRights(ctx, ctx.preview, rights);
  EXPECT_EQ(check.lacking, (std::vector<std::string>{
                               "registry values under HKEY_LOCAL_MACHINE",
                               "the item's folder C:\\Program Files (for the move)",
                               "files under C:\\Program Files",
                               "files under C:\\Windows",
                           }));
  EXPECT_FALSE(check.recordsBlocked);
  const std::string text = RightsWarningText(check);
  EXPECT_NE(text.find("  - files under C:\\Windows\n"), std::string::npos);
  EXPECT_NE(text.find("passed over"), std::string::npos);

  // Elevated, or only looking: nothing is lacking.
  rights.elevated = true;
  EXPECT_FALSE(CheckRights(ctx, ctx.preview, rights).NeedsMore());
  rights.elevated = false;
  ctx.preview = true;
  EXPECT_FALSE(CheckRights(ctx, ctx.preview, rights).NeedsMore());
  ctx.preview = false;

  // Only the registry target, C: not searched, a destination under
  // Program Files: the protected folders of unsearched drives do not count,
  // the destination does.
  ctx = RunOf(RunMode::MoveAndMap, "D:\\Tool", "C:\\Program Files\\Tool");
  ctx.targets = Targets{true, false, false, false, false};
  rights.machineRegistry = true;
  EXPECT_EQ(CheckRights(ctx, ctx.preview, rights).lacking,
            std::vector<std::string>{"the destination folder C:\\Program Files (for the move)"});
  ctx.targets = Targets{false, true, true, false, true};
  ctx.drives[0].selected = false;
  ctx.request.ReplaceText = "D:\\Elsewhere\\Tool";
  EXPECT_FALSE(CheckRights(ctx, ctx.preview, rights).NeedsMore());

  // Records that cannot be written block every change.
  ctx = RunOf(RunMode::MapOnly, "C:\\Old", "D:\\New");
  ctx.recordsFolder = "C:\\Program Files\\Ostrivane\\";
  ctx.targets = Targets{false, false, false, false, false};
  check = CheckRights(ctx, ctx.preview, rights);
  EXPECT_TRUE(check.recordsBlocked);
  EXPECT_EQ(check.lacking, std::vector<std::string>{"the undo records folder C:\\Program Files\\Ostrivane"});
  EXPECT_NE(RightsWarningText(check).find("nothing can be changed"), std::string::npos);
  ctx.recordsFolder = "C:\\ProgramData\\Ostrivane\\";  // writable parent, folder not made yet
  EXPECT_TRUE(CheckRights(ctx, ctx.preview, rights).recordsBlocked);
}

namespace {
struct FakeRecordsPlatform : RecordsPlatform {
  std::string program = "C:\\Program Files\\Ostrivane\\";
  std::optional<std::string> installedAt = "c:\\program files\\ostrivane";
  bool elevated = false;
  std::set<std::string> folders = {"C:\\Program Files\\Ostrivane\\"};
  std::set<std::string> withRecords;
  std::set<std::string> open;  // folders others may change
  bool guardWorks = true;
  std::vector<std::string> guarded;

  std::string ProgramFolder() override { return program; }
  std::optional<std::string> InstalledFolder() override { return installedAt; }
  std::string MachineDataFolder() override { return "C:\\ProgramData\\Ostrivane\\"; }
  bool FolderExists(const std::string& f) override { return folders.count(f) > 0; }
  bool HoldsRecords(const std::string& f) override { return withRecords.count(f) > 0; }
  bool GuardFolder(const std::string& f) override {
    guarded.push_back(f);
    if (!guardWorks) return false;
    folders.insert(f);
    open.erase(f);
    return true;
  }
  bool OthersMayChange(const std::string& f) override { return open.count(f) > 0; }
  bool Elevated() override { return elevated; }
};
const std::string kData = "C:\\ProgramData\\Ostrivane\\";
const std::string kProgram = "C:\\Program Files\\Ostrivane\\";
}  // namespace

TEST(RecordsPlace, InstalledCopiesUseTheDataFolderPortableOnesTheirOwn) {
  FakeRecordsPlatform p;
  // Installed, not elevated: the data folder, never made by a user;
  // earlier records beside the program still listed.
  p.withRecords = {kProgram};
  RecordsPlace place = ChooseRecordsPlace(p);
  EXPECT_TRUE(place.installed);
  EXPECT_EQ(place.folder, kData);
  EXPECT_EQ(place.earlier, std::vector<std::string>{kProgram});
  EXPECT_TRUE(p.guarded.empty());
  EXPECT_FALSE(place.refusal);

  // Elevated: made guarded; earlier records others may change are left out.
  p.elevated = true;
  p.open = {kProgram};
  place = ChooseRecordsPlace(p);
  EXPECT_EQ(p.guarded, std::vector<std::string>{kData});
  EXPECT_FALSE(place.refusal);
  EXPECT_TRUE(place.earlier.empty());
  ASSERT_EQ(place.notes.size(), 1u);
  EXPECT_NE(place.notes[0].find("C:\\Program Files\\Ostrivane are not listed"), std::string::npos);

  // An open data folder is guarded while empty, refused once it holds records.
  p.guarded.clear();
  p.open = {kData};
  EXPECT_FALSE(ChooseRecordsPlace(p).refusal);
  EXPECT_EQ(p.guarded, std::vector<std::string>{kData});
  p.open = {kData};
  p.withRecords = {kData};
  place = ChooseRecordsPlace(p);
  EXPECT_NE(RefusalText(*place.refusal).find("will not use the undo records in C:\\ProgramData\\Ostrivane: other users can change"),
            std::string::npos);
  p.open = {kData};
  p.withRecords.clear();
  p.guardWorks = false;
  EXPECT_TRUE(ChooseRecordsPlace(p).refusal);

  // A copy of the installed files elsewhere, or no install record: portable.
  // Its folder is refused only when elevated and others may change it.
  p = FakeRecordsPlatform{};
  p.program = "E:\\Stick\\Ostrivane\\";
  place = ChooseRecordsPlace(p);
  EXPECT_FALSE(place.installed);
  EXPECT_EQ(place.folder, p.program);
  p.installedAt.reset();
  p.folders.insert(p.program);
  p.open = {p.program};
  EXPECT_FALSE(ChooseRecordsPlace(p).refusal);
  p.elevated = true;
  place = ChooseRecordsPlace(p);
  EXPECT_NE(RefusalText(*place.refusal).find("in E:\\Stick\\Ostrivane:"), std::string::npos);
  EXPECT_TRUE(p.guarded.empty()) << "a portable folder is never changed";
}
