#include <gtest/gtest.h>

#include "core/Error.h"
#include "regmap/RegBackup.h"
#include "regmap/RegImport.h"
#include "support/FakeFileSystem.h"
#include "support/MemoryRegistry.h"

namespace {
using Lines = std::vector<std::string>;
const RegRoot CU = RegRoot::CurrentUser;
const std::string kFile = "C:\\Ost\\Undo00003.reg";

std::string Dword(std::uint32_t v) {
  std::string d(4, '\0');
  for (int i = 0; i < 4; ++i) d[i] = char(v >> (8 * i));
  return d;
}

TEST(RegBackupLines, QuotedTextAndNamesAreEscaped) {
  EXPECT_EQ(ConvertSt("C:\\Dir\\\"a\"\r\n"), "C:\\\\Dir\\\\\\\"a\\\"\\r\\n");
  EXPECT_EQ(ValueLines("", kRegSz, std::string("C:\\Dir\\\"a\"\0", 11), true), Lines{"@=\"C:\\\\Dir\\\\\\\"a\\\"\""});
  EXPECT_EQ(ValueLines("say \"x\"\\", kRegSz, std::string("\0", 1), false), Lines{"\"say \\\"x\\\"\\\\\"=\"\""});
  // Accented letters are written as they are.
  EXPECT_EQ(ValueLines("n", kRegSz, std::string("caf\xE9\0", 5), true), Lines{"\"n\"=\"caf\xE9\""});
}

TEST(RegBackupLines, ExpandableTextWrapsPastSeventyFiveCharacters) {
  const Lines v5 = ValueLines("Path", kRegExpandSz, std::string("%SystemRoot%\0", 13), true);
  ASSERT_EQ(v5.size(), 3u);
  EXPECT_EQ(v5[0], "\"Path\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6D,00,52,00,6F,00,6F,00,74,00,\\");
  EXPECT_EQ(v5[0].size(), 81u);  // 80 characters and the continuation mark
  EXPECT_EQ(v5[1], "25,00,00,00");   // the last character and a two-byte NUL
  EXPECT_EQ(v5[2], "");
  EXPECT_EQ(ValueLines("P", kRegExpandSz, std::string("%a%\0", 4), false), (Lines{"\"P\"=hex(2):25,61,25,00", ""}));
  EXPECT_EQ(ValueLines("P", kRegExpandSz, std::string("\0", 1), false), (Lines{"\"P\"=hex(2):00", ""}));
}

TEST(RegBackupLines, DwordIsHexInBothGenerations) {
  EXPECT_EQ(ValueLines("d", kRegDword, Dword(4294967295u), true), Lines{"\"d\"=dword:FFFFFFFF"});
  EXPECT_EQ(ValueLines("d", kRegDword, Dword(4294967295u), false), Lines{"\"d\"=dword:FFFFFFFF"});
  EXPECT_EQ(ValueLines("d", kRegDword, Dword(0x1A), false), Lines{"\"d\"=dword:0000001A"});
  EXPECT_EQ(ValueLines("d", kRegDword, "\x01\x02", true), (Lines{"\"d\"=hex(4):01,02", ""}));
}

TEST(RegBackupLines, BinaryAndOtherTypesWhole) {
  EXPECT_EQ(ValueLines("b", kRegBinary, "", true), (Lines{"\"b\"=hex:", ""}));
  // 25 bytes bring the line to 81 characters only with its last byte: no wrap.
  const std::string prefix = "\"bb\"=hex:";  // 9 characters, then 3 a byte
  EXPECT_EQ(ValueLines("bb", kRegBinary, std::string(23, '\x11'), true).size(), 2u);
  const Lines wrapped = ValueLines("bb", kRegBinary, std::string(24, '\x11'), true);
  ASSERT_EQ(wrapped.size(), 3u);
  EXPECT_EQ(wrapped[1], "11");
  EXPECT_EQ(ValueLines("m", kRegMultiSz, std::string("a\0b\0\0", 5), true),
            (Lines{"\"m\"=hex(7):61,00,00,00,62,00,00,00,00,00", ""}));
  EXPECT_EQ(ValueLines("m", kRegMultiSz, std::string("a\0b\0\0", 5), false), (Lines{"\"m\"=hex(7):61,00,62,00,00", ""}));
  EXPECT_EQ(ValueLines("q", kRegQword, "\x01\x02\x03\x04\x05\x06\x07\x08", true),
            (Lines{"\"q\"=hex(b):01,02,03,04,05,06,07,08", ""}));
  EXPECT_EQ(ValueLines("n", kRegNone, "", true), (Lines{"\"n\"=hex(0):", ""}));
  EXPECT_EQ(ValueLines("s", kRegSz, std::string("a\0b", 3), true), (Lines{"\"s\"=hex(1):61,00,00,00,62,00", ""}));
}

TEST(RegBackupFile, HeaderByGenerationAndAppendRules) {
  FakeFileSystem fs;
  WriteReg(fs, kFile, "\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=\"1\"", true);
  WriteReg(fs, kFile, "\"y\"=\"2\"", false);  // appended in the file's own form
  EXPECT_EQ(DecodeRegText(fs.ReadWhole(kFile)),
            "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=\"1\"\r\n\"y\"=\"2\"\r\n");
  EXPECT_EQ(RegFileKind(fs, kFile), 5);
  // Stored as the registry editor stores it: UTF-16 with its byte order mark.
  EXPECT_EQ(fs.ReadWhole(kFile).substr(0, 6), std::string("\xFF\xFEW\0i\0", 6));
  fs.AddFile(kFile, "regedit4\r\n\r\n");
  WriteReg(fs, kFile, "z", true);
  EXPECT_EQ(fs.ReadWhole(kFile), "regedit4\r\n\r\nz\r\n");
  fs.AddFile(kFile, "something else\r\nkept?\r\n");
  WriteReg(fs, kFile, "z", false);
  EXPECT_EQ(DecodeRegText(fs.ReadWhole(kFile)), "REGEDIT4\r\n\r\nz\r\n");
  fs.AddFile(kFile, "");
  WriteReg(fs, kFile, "z", true);
  EXPECT_EQ(DecodeRegText(fs.ReadWhole(kFile)), "Windows Registry Editor Version 5.00\r\n\r\nz\r\n");
}

class RegBackupTest : public ::testing::Test {
 protected:
  RegBackupTest() {
    fs.AddFolder("C:\\Ost");
    backup.BeginRun(kFile, 6);
  }
  MemoryRegistry reg;
  FakeFileSystem fs;
  RegBackup backup{reg, fs};
};

TEST_F(RegBackupTest, EveryValueLineStandsUnderItsOwnKey) {
  reg.PutText(CU, "A", "a1", "1");
  reg.PutText(CU, "A", "a2", "2");
  reg.PutText(CU, "B", "b", "3");
  backup.BackupRegistryValue(CU, "\\A", "a1");
  backup.BackupRegistryValue(CU, "\\A", "missing");  // nothing to read: the file removes it on undo
  backup.BackupRegistryValue(CU, "\\B", "b");
  backup.BackupRegistryValue(CU, "\\A", "a2");
  backup.BackupRegistryValue(CU, "\\A", "a1");  // settled already
  EXPECT_EQ(DecodeRegText(fs.ReadWhole(kFile)),
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\A]\r\n\"a1\"=\"1\"\r\n\"missing\"=-\r\n"
            "[HKEY_CURRENT_USER\\B]\r\n\"b\"=\"3\"\r\n"
            "[HKEY_CURRENT_USER\\A]\r\n\"a2\"=\"2\"\r\n");
}

TEST_F(RegBackupTest, UnreadableKeyLeavesNoLineAndNoFile) {
  backup.BackupRegistryValue(CU, "\\Nowhere", "x");
  EXPECT_FALSE(fs.Has(kFile));
}

TEST_F(RegBackupTest, FailedWriteForgetsTheEntry) {
  reg.PutText(CU, "A", "a", "1");
  fs.beforeWrite = [](const std::string&) { throw Error("disk full"); };
  EXPECT_THROW(backup.BackupRegistryValue(CU, "\\A", "a"), Error);
  fs.beforeWrite = nullptr;
  backup.BackupRegistryValue(CU, "\\A", "a");
  EXPECT_EQ(DecodeRegText(fs.ReadWhole(kFile)), "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"1\"\r\n");
}

TEST_F(RegBackupTest, EveryLineFormImportsBackExactly) {
  for (int generation : {4, 6}) {
    MemoryRegistry r;
    FakeFileSystem f;
    RegBackup b(r, f);
    b.BeginRun(kFile, generation);
    const std::vector<std::pair<std::uint32_t, std::string>> forms = {
        {kRegSz, std::string("C:\\Dir\\\"a\"\r\n\xE9\0", 15)},
        {kRegSz, std::string("a\0b\0", 4)},
        {kRegExpandSz, std::string("%SystemRoot%\\x\0", 15)},
        {kRegMultiSz, std::string("one\0two\0\0", 9)},
        {kRegBinary, std::string(33000, '\x7F')},
        {kRegBinary, ""},
        {kRegDword, Dword(4294967295u)},
        {kRegDword, "\x01\x02"},
        {kRegQword, "\x01\x02\x03\x04\x05\x06\x07\x08"},
        {kRegNone, "\x00\x01"},
        {kRegSz, ""},
        {kRegSz, "no terminator"},
        {kRegExpandSz, ""},
        {kRegExpandSz, "%a%"},
        {kRegExpandSz, std::string("%a%\0%b%\0", 8)},
        {0x123, "odd type"}};
    for (std::size_t i = 0; i < forms.size(); ++i) r.Put(CU, "K", "v" + std::to_string(i) + "\"\\", forms[i].first, forms[i].second);
    const std::string before = r.Dump();
    for (std::size_t i = 0; i < forms.size(); ++i) b.BackupRegistryValue(CU, "\\K", "v" + std::to_string(i) + "\"\\");
    for (std::size_t i = 0; i < forms.size(); ++i) r.Put(CU, "K", "v" + std::to_string(i) + "\"\\", kRegSz, "changed");
    const RegImportResult result = ImportRegFile(f, r, kFile);
    EXPECT_TRUE(result.failed.empty()) << generation;
    EXPECT_EQ(result.values, int(forms.size()));
    EXPECT_TRUE(r.Dump() == before) << "generation " << generation;
  }
}
}  // namespace
