#include <gtest/gtest.h>

#include "core/Error.h"
#include "regmap/NTReg.h"
#include "regmap/RegImport.h"
#include "support/MemoryRegistry.h"

namespace {
const RegRoot CU = RegRoot::CurrentUser;

TEST(RegImport, AppliesInFileOrderAndReportsWhatItCouldNot) {
  MemoryRegistry reg;
  reg.PutText(CU, "Gone\\Deep", "x", "1");
  reg.PutText(CU, "Keep", "drop", "1");
  reg.PutText(CU, "Locked", "x", "1");
  reg.DenyWrite(CU, "Locked");
  const RegImportResult r = ImportRegText(reg,
                                          "REGEDIT4\r\n\r\n"
                                          "[-HKEY_CURRENT_USER\\Gone]\r\n"
                                          "[HKEY_CURRENT_USER\\Keep]\r\n"
                                          "\"drop\"=-\r\n"
                                          "\"never there\"=-\r\n"
                                          "@=\"default\"\r\n"
                                          "\"b\"=hex:01,\\\r\n"
                                          "  02\r\n"
                                          "\r\n"
                                          "\"bad\"=hex:0G\r\n"
                                          "; a comment\r\n"
                                          "[HKEY_NOWHERE\\X]\r\n"
                                          "\"orphan\"=\"1\"\r\n"
                                          "[HKEY_CURRENT_USER\\Locked]\r\n"
                                          "\"x\"=\"2\"\r\n");
  EXPECT_FALSE(reg.HasKey(CU, "Gone"));
  EXPECT_FALSE(reg.Get(CU, "Keep", "drop"));
  EXPECT_EQ(reg.Get(CU, "Keep", "")->data, std::string("default\0", 8));
  EXPECT_EQ(reg.Get(CU, "Keep", "b")->data, "\x01\x02");
  EXPECT_EQ(r.keys, 2);    // the removal and Keep
  EXPECT_EQ(r.values, 4);  // two removals, the default value, b
  ASSERT_EQ(r.failed.size(), 5u);
  EXPECT_EQ(r.failed[0].number, 11);
  EXPECT_EQ(r.failed[0].text, "\"bad\"=hex:0G");
  EXPECT_EQ(r.failed[1].text, "[HKEY_NOWHERE\\X]");
  EXPECT_EQ(r.failed[2].text, "\"orphan\"=\"1\"");
  EXPECT_EQ(r.failed[3].reason, "Failed to create key \\Locked");
  EXPECT_EQ(r.failed[4].text, "\"x\"=\"2\"");
  EXPECT_EQ(reg.Get(CU, "Locked", "x")->data, std::string("1\0", 2));
}

TEST(RegImport, RefusesTextWithoutHeader) {
  MemoryRegistry reg;
  EXPECT_THROW(ImportRegText(reg, "[HKEY_CURRENT_USER\\A]\r\n"), Error);
  EXPECT_EQ(ImportRegText(reg, "Windows Registry Editor Version 5.00").values, 0);
}

TEST(NTReg, RenameAndMoveChangeNothingWhenTheyMust) {
  MemoryRegistry reg;
  reg.PutText(CU, "K", "a", "1");
  reg.Put(CU, "K", "empty", kRegSz, "");
  reg.PutText(CU, "K", "taken", "2");
  TNTRegistry r(reg, CU);
  ASSERT_TRUE(r.OpenRegPathForReading("\\K"));
  EXPECT_FALSE(r.RenameRegValue("missing", "x"));
  EXPECT_FALSE(r.RenameRegValue("empty", "x"));
  EXPECT_FALSE(r.RenameRegValue("a", "TAKEN"));
  EXPECT_TRUE(r.RenameRegValue("a", "b"));  // reopens the key for writing by itself
  EXPECT_EQ(reg.Get(CU, "K", "b")->data, std::string("1\0", 2));
  EXPECT_FALSE(reg.Get(CU, "K", "a"));

  reg.PutText(CU, "Src\\Sub", "v", "3");
  reg.AddKey(CU, "Dst");
  EXPECT_FALSE(r.MoveRegKey("\\Missing", "\\New", true));
  EXPECT_FALSE(r.MoveRegKey("\\Src", "\\dst", true));
  EXPECT_FALSE(r.MoveRegKey("\\Src", "\\Src\\Inner", true));  // would copy into itself
  EXPECT_TRUE(r.MoveRegKey("\\Src", "\\New\\Src", true));
  EXPECT_FALSE(reg.HasKey(CU, "Src"));
  EXPECT_EQ(reg.Get(CU, "New\\Src\\Sub", "v")->data, std::string("3\0", 2));
  EXPECT_FALSE(r.KeyExists("\\Src"));
  EXPECT_TRUE(r.KeyExists("\\new"));
}

TEST(RegImport, EntryCutShortByAnInterruptedWriteIsNotApplied) {
  // The backup is appended and flushed before each change: a write cut short
  // leaves the file ending inside an entry whose value was never changed.
  MemoryRegistry reg;
  reg.PutDword(CU, "K", "d", 0x12345678);
  reg.Put(CU, "K", "b", kRegBinary, "ABCD");
  const std::string head = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n";
  for (const std::string tail : {"\"d\"=dword:0000", "\"b\"=hex:41,42,\\\r\n", "\"b\"=hex:41,42,"}) {
    const RegImportResult r = ImportRegText(reg, head + tail);
    EXPECT_EQ(r.failed.size(), 1u) << tail;
    EXPECT_EQ(r.values, 0) << tail;
  }
  EXPECT_EQ(reg.Get(CU, "K", "d")->data, "\x78\x56\x34\x12");
  EXPECT_EQ(reg.Get(CU, "K", "b")->data, "ABCD");
}

TEST(NTReg, MoveThatCannotListTheWholeKeyKeepsTheOldKey) {
  struct Failing : MemoryRegistry {
    long EnumValue(RegKey key, std::uint32_t index, std::string& name, std::uint32_t* type,
                   std::string* data) override {
      if (index == 1 && data) return kRegMoreData;
      return MemoryRegistry::EnumValue(key, index, name, type, data);
    }
  } reg;
  reg.PutText(CU, "Src", "a", "1");
  reg.PutText(CU, "Src", "b", "2");
  TNTRegistry r(reg, CU);
  EXPECT_THROW(r.MoveRegKey("\\Src", "\\Dst", true), Error);
  EXPECT_TRUE(reg.Get(CU, "Src", "b"));
}

TEST(NTReg, ErrorsNameTheValueOrKey) {
  MemoryRegistry reg;
  reg.PutDword(CU, "K", "d", 7);
  reg.Put(CU, "K", "n", kRegNone, "x");
  reg.DenyWrite(CU, "K");
  TNTRegistry r(reg, CU);
  ASSERT_TRUE(r.OpenRegPath("\\K"));  // read only is the last try
  EXPECT_EQ(r.ReadDwordValue("d"), 7u);
  auto message = [](auto&& f) {
    try {
      f();
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { r.ReadTextValue("d"); }), "Invalid data type for 'd'");
  EXPECT_EQ(message([&] { r.ReadTextValue("nothing"); }), "Failed to get data for 'nothing'");
  EXPECT_EQ(message([&] { r.ReadBinaryValue("n"); }), "Invalid data type for 'n'");
  EXPECT_EQ(message([&] { r.WriteTextValue("d", "x"); }), "Failed to set data for 'd'");
  EXPECT_EQ(message([&] { r.CreateRegPath("\\K\\Sub"); }), "Failed to create key \\K\\Sub");
  EXPECT_EQ(message([&] { r.MoveRegKey("\\K", "\\K2", true); }), "Failed to delete key \\K");
}
}  // namespace
