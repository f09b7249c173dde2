#include <gtest/gtest.h>

#include "core/Error.h"
#include "regmap/RegBackup.h"
#include "regmap/RegImport.h"
#include "support/Cp1252.h"
#include "support/FakeFileSystem.h"
#include "support/MemoryRegistry.h"

namespace {
using Lines = std::vector<std::string>;
const RegRoot CU = RegRoot::CurrentUser;
const std::string kFile = "C:\\Ost\\Undo00003.reg";
const RegFileForm kV5{5, RegTextStorage::Unicode};
const RegFileForm kV4{4, RegTextStorage::Ansi};

std::string Dword(std::uint32_t v) {
  std::string d(4, '\0');
  for (int i = 0; i < 4; ++i) d[i] = char(v >> (8 * i));
  return d;
}

class RegBackupLines : public ::testing::Test {
 protected:
  Lines V(std::string_view name, std::uint32_t type, std::string_view data, RegFileForm form) {
    return ValueLines(name, type, data, form, &cp);
  }
  Cp1252 cp;
};

TEST_F(RegBackupLines, QuotedTextAndNamesAreEscaped) {
  EXPECT_EQ(ConvertSt("C:\\Dir\\\"a\"\r\n"), "C:\\\\Dir\\\\\\\"a\\\"\\r\\n");
  EXPECT_EQ(V("", kRegSz, Utf16Data(u"C:\\Dir\\\"a\""), kV5), Lines{"@=\"C:\\\\Dir\\\\\\\"a\\\"\""});
  EXPECT_EQ(V("say \"x\"\\", kRegSz, Utf16Data(u""), kV4), Lines{"\"say \\\"x\\\"\\\\\"=\"\""});
  // Every character is written as it is (the file's storage encodes it).
  EXPECT_EQ(V("数据", kRegSz, Utf16Data(u"café €"), kV5), Lines{"\"数据\"=\"café €\""});
  EXPECT_EQ(V("n", kRegSz, Utf16Data(u"café €"), kV4), Lines{"\"n\"=\"café €\""});
}

TEST_F(RegBackupLines, ExpandableTextWrapsPastSeventyFiveCharactersOnWholeCharacters) {
  const Lines v5 = V("Path", kRegExpandSz, Utf16Data(u"%SystemRoot%"), kV5);
  ASSERT_EQ(v5.size(), 3u);
  EXPECT_EQ(v5[0], "\"Path\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6D,00,52,00,6F,00,6F,00,74,00,\\");
  EXPECT_EQ(v5[0].size(), 81u);  // 80 characters and the continuation mark
  EXPECT_EQ(v5[1], "25,00,00,00");   // the last character and a two-byte NUL
  EXPECT_EQ(v5[2], "");
  // The registry's own bytes: a character beyond one byte keeps its high byte.
  EXPECT_EQ(V("P", kRegExpandSz, Utf16Data(u"%a%€"), kV5), (Lines{"\"P\"=hex(2):25,00,61,00,25,00,AC,20,00,00", ""}));
  // REGEDIT4 lists hold ANSI bytes.
  EXPECT_EQ(V("P", kRegExpandSz, Utf16Data(u"%a%€"), kV4), (Lines{"\"P\"=hex(2):25,61,25,80,00", ""}));
  EXPECT_EQ(V("P", kRegExpandSz, Utf16Data(u""), kV4), (Lines{"\"P\"=hex(2):00", ""}));
}

TEST_F(RegBackupLines, DwordBinaryAndOtherTypesWhole) {
  EXPECT_EQ(V("d", kRegDword, Dword(4294967295u), kV5), Lines{"\"d\"=dword:FFFFFFFF"});
  EXPECT_EQ(V("d", kRegDword, Dword(0x1A), kV4), Lines{"\"d\"=dword:0000001A"});
  EXPECT_EQ(V("d", kRegDword, "\x01\x02", kV5), (Lines{"\"d\"=hex(4):01,02", ""}));
  EXPECT_EQ(V("b", kRegBinary, "", kV5), (Lines{"\"b\"=hex:", ""}));
  // 25 bytes bring the line to 81 characters only with its last byte: no wrap.
  EXPECT_EQ(V("bb", kRegBinary, std::string(23, '\x11'), kV5).size(), 2u);
  const Lines wrapped = V("bb", kRegBinary, std::string(24, '\x11'), kV5);
  ASSERT_EQ(wrapped.size(), 3u);
  EXPECT_EQ(wrapped[1], "11");
  EXPECT_EQ(V("m", kRegMultiSz, std::string(Utf16Data(u"a")) + Utf16Data(u"b") + std::string(2, '\0'), kV5),
            (Lines{"\"m\"=hex(7):61,00,00,00,62,00,00,00,00,00", ""}));
  EXPECT_EQ(V("m", kRegMultiSz, std::string(Utf16Data(u"a")) + Utf16Data(u"b") + std::string(2, '\0'), kV4),
            (Lines{"\"m\"=hex(7):61,00,62,00,00", ""}));
  EXPECT_EQ(V("q", kRegQword, "\x01\x02\x03\x04\x05\x06\x07\x08", kV5),
            (Lines{"\"q\"=hex(b):01,02,03,04,05,06,07,08", ""}));
  EXPECT_EQ(V("n", kRegNone, "", kV5), (Lines{"\"n\"=hex(0):", ""}));
}

TEST_F(RegBackupLines, StringsNotExactlyOneTerminatedStringGoAsTheirBytes) {
  // Bytes after the NUL, an odd length, no NUL at all.
  EXPECT_EQ(V("s", kRegSz, std::string("a\0\0\0b\0", 6), kV5), (Lines{"\"s\"=hex(1):61,00,00,00,62,00", ""}));
  EXPECT_EQ(V("s", kRegSz, std::string("a\0b", 3), kV5), (Lines{"\"s\"=hex(1):61,00,62", ""}));
  EXPECT_EQ(V("s", kRegSz, Utf16Data(u"ab", false), kV5), (Lines{"\"s\"=hex(1):61,00,62,00", ""}));
  // A NUL byte that is half of a character is no terminator.
  EXPECT_EQ(V("s", kRegSz, Utf16Data(u"\u0100"), kV5), (Lines{"\"s\"=\"\u0100\""}));
  EXPECT_EQ(V("e", kRegExpandSz, std::string("a\0b", 3), kV5), (Lines{"\"e\"=hex(2):61,00,62", ""}));
  EXPECT_EQ(V("s", kRegSz, Utf16Data(u"ab", false), kV4), (Lines{"\"s\"=hex(1):61,62", ""}));
}

TEST_F(RegBackupLines, AnsiFileRefusesWhatItCannotHold) {
  EXPECT_THROW(V("s", kRegSz, Utf16Data(u"数据"), kV4), BackupRefused);
  EXPECT_THROW(V("s", kRegExpandSz, Utf16Data(u"Łódź"), kV4), BackupRefused);
  EXPECT_THROW(V("s", kRegSz, std::string("a\0b", 3), kV4), BackupRefused);  // half a character
  EXPECT_NO_THROW(V("s", kRegSz, Utf16Data(u"Ærø €"), kV4));
}

TEST(RegBackupFile, HeaderByGenerationAndAppendRules) {
  FakeFileSystem fs;
  Cp1252 cp;
  WriteReg(fs, kFile, "\r\n[HKEY_CURRENT_USER\\数据]\r\n\"x\"=\"€\"", kV5, &cp);
  WriteReg(fs, kFile, "\"y\"=\"2\"", kV4, &cp);  // appended in the file's own form
  const std::string v5 = "Windows Registry Editor Version 5.00\r\n\r\n; Unicode\r\n[HKEY_CURRENT_USER\\数据]\r\n"
                         "\"x\"=\"€\"\r\n\"y\"=\"2\"\r\n";
  EXPECT_EQ(DecodeRegText(fs.ReadWhole(kFile)), v5);
  EXPECT_EQ(RegFileKind(fs, kFile), 5);
  // Stored as the registry editor stores it: UTF-16 with its byte order mark,
  // the real characters (数 is U+6570, € U+20AC).
  const std::string stored = fs.ReadWhole(kFile);
  EXPECT_EQ(stored.substr(0, 6), std::string("\xFF\xFEW\0i\0", 6));
  EXPECT_NE(stored.find(std::string("\x70\x65\x6E\x63", 4)), std::string::npos);
  EXPECT_NE(stored.find(std::string("\"\0\xAC\x20\"\0", 6)), std::string::npos);

  fs.AddFile(kFile, "regedit4\r\n\r\n");
  WriteReg(fs, kFile, "\"z\"=\"€\"", kV5, &cp);
  EXPECT_EQ(fs.ReadWhole(kFile), "regedit4\r\n\r\n\"z\"=\"\x80\"\r\n");
  EXPECT_THROW(WriteReg(fs, kFile, "\"数据\"=\"1\"", kV5, &cp), BackupRefused);
  EXPECT_EQ(fs.ReadWhole(kFile), "regedit4\r\n\r\n\"z\"=\"\x80\"\r\n");  // nothing of it written
  fs.AddFile(kFile, "something else\r\nkept?\r\n");
  WriteReg(fs, kFile, "z", kV4, &cp);
  EXPECT_EQ(fs.ReadWhole(kFile), "REGEDIT4\r\n\r\nz\r\n");
  fs.AddFile(kFile, "");
  WriteReg(fs, kFile, "z", kV5, &cp);
  EXPECT_EQ(DecodeRegText(fs.ReadWhole(kFile)), "Windows Registry Editor Version 5.00\r\n\r\n; Unicode\r\nz\r\n");
  // An earlier build's UTF-16 file, one character a byte: appended the same way.
  fs.AddFile(kFile, std::string("\xFF\xFE", 2) + std::string("R\0E\0G\0E\0D\0I\0T\0" "4\0\r\0\n\0", 20));
  WriteReg(fs, kFile, "\"z\"=\"€\"", kV5, &cp);
  EXPECT_EQ(fs.ReadWhole(kFile).substr(22), std::string("\"\0z\0\"\0=\0\"\0\x80\0\"\0\r\0\n\0", 18));
}

class RegBackupTest : public ::testing::Test {
 protected:
  RegBackupTest() {
    fs.AddFolder("C:\\Ost");
    backup.BeginRun(kFile);
  }
  // A batch's entries are in the file once it is made durable.
  std::string File() {
    backup.MakeDurable();
    return DecodeRegText(fs.ReadWhole(kFile));
  }
  MemoryRegistry reg;
  FakeFileSystem fs;
  Cp1252 cp;
  RegBackup backup{reg, fs, cp};
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
  EXPECT_EQ(File(),
            "Windows Registry Editor Version 5.00\r\n\r\n; Unicode\r\n"
            "[HKEY_CURRENT_USER\\A]\r\n\"a1\"=\"1\"\r\n\"missing\"=-\r\n"
            "[HKEY_CURRENT_USER\\B]\r\n\"b\"=\"3\"\r\n"
            "[HKEY_CURRENT_USER\\A]\r\n\"a2\"=\"2\"\r\n");
}

TEST_F(RegBackupTest, UnreadableKeyLeavesNoLineAndNoFile) {
  backup.BackupRegistryValue(CU, "\\Nowhere", "x");
  EXPECT_FALSE(fs.Has(kFile));
}

TEST_F(RegBackupTest, FailedWriteOrRefusedEntryIsForgotten) {
  reg.PutText(CU, "A", "a", "1");
  fs.beforeWrite = [](const std::string&) { throw Error("disk full"); };
  EXPECT_THROW(backup.BackupRegistryValue(CU, "\\A", "a"), Error);
  fs.beforeWrite = nullptr;
  backup.BackupRegistryValue(CU, "\\A", "a");
  EXPECT_EQ(File(), "Windows Registry Editor Version 5.00\r\n\r\n; Unicode\r\n[HKEY_CURRENT_USER\\A]\r\n\"a\"=\"1\"\r\n");

  // A key move whose old key can't be listed whole is refused, and leaves nothing behind.
  struct Failing : MemoryRegistry {
    long EnumValue(RegKey key, std::uint32_t index, std::string& name, std::uint32_t* type,
                   std::string* data) override {
      if (index == 1) return kRegMoreData;
      return MemoryRegistry::EnumValue(key, index, name, type, data);
    }
  } failing;
  FakeFileSystem f;
  RegBackup b(failing, f, cp);
  b.BeginRun(kFile);
  failing.PutText(CU, "Src", "x", "1");
  failing.PutText(CU, "Src", "y", "2");
  EXPECT_THROW(b.BackupKeyMove(CU, "\\Src", "\\Dst"), BackupRefused);
  EXPECT_FALSE(f.Has(kFile));
}

TEST_F(RegBackupTest, EveryLineFormImportsBackExactly) {
  // A new backup (Version 5.00), and one an earlier build began in REGEDIT4.
  for (int generation : {4, 5}) {
    MemoryRegistry r;
    FakeFileSystem f;
    if (generation == 4) f.AddFile(kFile, "REGEDIT4\r\n\r\n");
    RegBackup b(r, f, cp);
    b.BeginRun(kFile);
    std::vector<std::pair<std::uint32_t, std::string>> forms = {
        {kRegSz, Utf16Data(u"C:\\Dir\\\"a\"\r\n\u00E9 Ærø €")},
        {kRegSz, std::string("a\0\0\0b\0\0\0", 8)},
        {kRegExpandSz, Utf16Data(u"%SystemRoot%\\x")},
        {kRegMultiSz, Utf16Data(u"one") + Utf16Data(u"two") + std::string(2, '\0')},
        {kRegBinary, std::string(33000, '\x7F')},
        {kRegBinary, ""},
        {kRegDword, Dword(4294967295u)},
        {kRegDword, "\x01\x02"},
        {kRegQword, "\x01\x02\x03\x04\x05\x06\x07\x08"},
        {kRegNone, "\x00\x01"},
        {kRegSz, ""},
        {kRegSz, Utf16Data(u"no terminator", false)},
        {kRegExpandSz, ""},
        {kRegExpandSz, Utf16Data(u"%a%", false)},
        {kRegExpandSz, Utf16Data(u"%a%") + Utf16Data(u"%b%")},
        {0x123, "odd type"}};
    if (generation >= 5) {
      // Only Unicode files hold these.
      forms.push_back({kRegSz, Utf16Data(u"数据 日本 Москва Łódź 😀")});
      forms.push_back({kRegExpandSz, Utf16Data(u"%X%\\数据")});
      forms.push_back({kRegSz, std::string("a\0b", 3)});
      forms.push_back({kRegSz, Utf16Data(u"\xD800 lone")});
    }
    for (std::size_t i = 0; i < forms.size(); ++i)
      r.Put(CU, "K", "v" + std::to_string(i) + "\"\\ø", forms[i].first, forms[i].second);
    const std::string before = r.Dump();
    for (std::size_t i = 0; i < forms.size(); ++i) b.BackupRegistryValue(CU, "\\K", "v" + std::to_string(i) + "\"\\ø");
    b.MakeDurable();
    for (std::size_t i = 0; i < forms.size(); ++i) r.Put(CU, "K", "v" + std::to_string(i) + "\"\\ø", kRegSz, "changed");
    const RegImportResult result = ImportRegFile(f, r, kFile, cp);
    EXPECT_TRUE(result.failed.empty()) << generation;
    EXPECT_EQ(result.values, int(forms.size()));
    EXPECT_TRUE(r.Dump() == before) << "generation " << generation;
  }
}

TEST_F(RegBackupTest, AnsiBackupRefusesAValueItCannotHold) {
  FakeFileSystem f;
  f.AddFile(kFile, "REGEDIT4\r\n\r\n");  // begun by an earlier build
  RegBackup b(reg, f, cp);
  b.BeginRun(kFile);
  reg.PutText(CU, "K", "ok", "C:\\Old\\€");
  reg.PutText(CU, "K", "数据", "C:\\Old");
  reg.PutText(CU, "K", "data", "C:\\Old\\数据");
  b.BackupRegistryValue(CU, "\\K", "ok");
  EXPECT_THROW(b.BackupRegistryValue(CU, "\\K", "数据"), BackupRefused);
  EXPECT_THROW(b.BackupRegistryValue(CU, "\\K", "data"), BackupRefused);
  EXPECT_EQ(f.ReadWhole(kFile), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"ok\"=\"C:\\\\Old\\\\\x80\"\r\n");
}
}  // namespace
