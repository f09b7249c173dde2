#include <gtest/gtest.h>

#include "core/Error.h"
#include "core/Unicode.h"
#include "regmap/NTReg.h"
#include "regmap/RegImport.h"
#include "support/Cp1252.h"
#include "support/MemoryRegistry.h"

namespace {
const RegRoot CU = RegRoot::CurrentUser;
Cp1252 cp;

TEST(RegImport, AppliesInFileOrderAndReportsWhatItCouldNot) {
  MemoryRegistry reg;
  reg.PutText(CU, "Software\\Gone\\Deep", "x", "1");
  reg.PutText(CU, "Keep", "drop", "1");
  reg.PutText(CU, "Locked", "x", "1");
  reg.DenyWrite(CU, "Locked");
  const RegImportResult r = ImportRegText(reg,
                                          "REGEDIT4\r\n\r\n"
                                          "[-HKEY_CURRENT_USER\\Software\\Gone]\r\n"
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
                                          "\"x\"=\"2\"\r\n",
                                          cp);
  EXPECT_FALSE(reg.HasKey(CU, "Software\\Gone"));
  EXPECT_FALSE(reg.Get(CU, "Keep", "drop"));
  EXPECT_EQ(reg.Get(CU, "Keep", "")->data, Utf16Data(u"default"));
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
  EXPECT_EQ(reg.GetText(CU, "Locked", "x"), "1");
}

TEST(RegImport, RefusesTextWithoutHeader) {
  MemoryRegistry reg;
  EXPECT_THROW(ImportRegText(reg, "[HKEY_CURRENT_USER\\A]\r\n", cp), Error);
  EXPECT_EQ(ImportRegText(reg, "Windows Registry Editor Version 5.00", cp).values, 0);
}

TEST(NTReg, RenameAndMoveChangeNothingWhenTheyMust) {
  MemoryRegistry reg;
  reg.PutText(CU, "K", "a", "1");
  reg.Put(CU, "K", "empty", kRegSz, "");
  reg.PutText(CU, "K", "taken", "2");
  RegistryCursor r(reg, CU);
  ASSERT_TRUE(r.OpenRegPathForReading("\\K"));
  EXPECT_FALSE(r.RenameRegValue("missing", "x"));
  EXPECT_FALSE(r.RenameRegValue("empty", "x"));
  EXPECT_FALSE(r.RenameRegValue("a", "TAKEN"));
  EXPECT_TRUE(r.RenameRegValue("a", "b"));  // reopens the key for writing by itself
  EXPECT_EQ(reg.GetText(CU, "K", "b"), "1");
  EXPECT_FALSE(reg.Get(CU, "K", "a"));

  reg.PutText(CU, "Src\\Sub", "v", "3");
  reg.AddKey(CU, "Dst");
  EXPECT_FALSE(r.MoveRegKey("\\Missing", "\\New", true));
  EXPECT_FALSE(r.MoveRegKey("\\Src", "\\dst", true));
  EXPECT_FALSE(r.MoveRegKey("\\Src", "\\Src\\Inner", true));  // would copy into itself
  EXPECT_TRUE(r.MoveRegKey("\\Src", "\\New\\Src", true));
  EXPECT_FALSE(reg.HasKey(CU, "Src"));
  EXPECT_EQ(reg.GetText(CU, "New\\Src\\Sub", "v"), "3");
  EXPECT_FALSE(r.KeyExists("\\Src"));
  EXPECT_TRUE(r.KeyExists("\\new"));
}

TEST(RegImport, EntryCutShortByAnInterruptedWriteIsNotAppliedNorCountedAsFailed) {
  // The backup is appended and flushed before each change: a write cut short
  // leaves the file ending inside an entry whose value was never changed.
  MemoryRegistry reg;
  reg.PutDword(CU, "K", "d", 0x12345678);
  reg.Put(CU, "K", "b", kRegBinary, "ABCD");
  const std::string head = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n";
  for (const std::string tail : {"\"d\"=dword:0000", "\"b\"=hex:41,42,\\\r\n", "\"b\"=hex:41,42,"}) {
    const RegImportResult r = ImportRegText(reg, head + tail, cp);
    EXPECT_TRUE(r.failed.empty()) << tail;  // a change that never happened is no failure
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
  RegistryCursor r(reg, CU);
  EXPECT_THROW(r.MoveRegKey("\\Src", "\\Dst", true), Error);
  EXPECT_TRUE(reg.Get(CU, "Src", "b"));
}

TEST(NTReg, ErrorsNameTheValueOrKey) {
  MemoryRegistry reg;
  reg.PutDword(CU, "K", "d", 7);
  reg.Put(CU, "K", "n", kRegNone, "x");
  reg.DenyWrite(CU, "K");
  RegistryCursor r(reg, CU);
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
// What earlier builds wrote, from the registry's ANSI view (code page 1252
// here): "Version 5.00" files first in ANSI, then stored as UTF-16 one
// character a byte, string hex lists two bytes an ANSI byte either way;
// REGEDIT4 files in ANSI with one byte a character. Each restores the
// characters it meant.
TEST(RegImport, RecordsOfEarlierBuildsRestoreTheirCharacters) {
  const std::string body5 =
      "[HKEY_CURRENT_USER\\Old\xE9]\r\n"
      "\"\x80 name\"=\"C:\\\\Caf\xE9\\\\\x80\"\r\n"
      "\"exp\"=hex(2):25,00,80,00,25,00,00,00\r\n"
      "\r\n";
  std::string widened = "\xFF\xFE";
  for (char c : "Windows Registry Editor Version 5.00\r\n\r\n" + body5) {
    widened += c;
    widened += '\0';
  }
  const std::string ansi5 = "Windows Registry Editor Version 5.00\r\n\r\n" + body5;
  const std::string ansi4 =
      "REGEDIT4\r\n\r\n"
      "[HKEY_CURRENT_USER\\Old\xE9]\r\n"
      "\"\x80 name\"=\"C:\\\\Caf\xE9\\\\\x80\"\r\n"
      "\"exp\"=hex(2):25,80,25,00\r\n"
      "\r\n";
  for (const std::string& file : {widened, ansi5, ansi4}) {
    MemoryRegistry reg;
    const RegImportResult r = ImportRegText(reg, file, cp);
    EXPECT_TRUE(r.failed.empty());
    EXPECT_EQ(reg.GetText(CU, "Old\u00E9", "\u20AC name"), "C:\\Caf\u00E9\\\u20AC") << file.substr(0, 12);
    ASSERT_TRUE(reg.Get(CU, "Old\u00E9", "exp"));
    EXPECT_EQ(reg.Get(CU, "Old\u00E9", "exp")->data, Utf16Data(u"%\u20AC%")) << file.substr(0, 12);
  }
}

TEST(RegImport, UnicodeFilesHoldTheRealCharacters) {
  MemoryRegistry reg;
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\数据\\日本]\r\n"
      "\"Москва\"=\"C:\\\\Łódź\\\\😀\"\r\n"
      "\"raw\"=hex(2):80,00,AC,20,00,00\r\n";
  // As the registry editor writes it, without this program's mark: a
  // character above U+00FF tells it from an earlier build's file.
  const RegImportResult r = ImportRegText(reg, std::string("\xFF\xFE", 2) + Utf16LeBytesFromUtf8(text), cp);
  EXPECT_TRUE(r.failed.empty());
  EXPECT_EQ(reg.GetText(CU, "数据\\日本", "Москва"), "C:\\Łódź\\😀");
  EXPECT_EQ(reg.Get(CU, "数据\\日本", "raw")->data, Utf16Data(u"\u0080\u20AC"));
}

TEST(NTReg, TextIsUtf16InTheRegistry) {
  MemoryRegistry reg;
  RegistryCursor r(reg, CU);
  r.CreateRegPath("\\数据\\日本");
  r.WriteTextValue("Ł", "ø € 😀", kRegExpandSz);
  EXPECT_EQ(reg.Get(CU, "数据\\日本", "Ł")->data, Utf16Data(u"ø € \U0001F600"));
  EXPECT_EQ(r.ReadTextValue("Ł"), "ø € 😀");
  reg.Put(CU, "数据\\日本", "multi", kRegMultiSz, Utf16Data(u"один") + Utf16Data(u"два") + std::string(2, '\0'));
  EXPECT_EQ(r.ReadTextValue("multi"), "один");
  EXPECT_EQ(TextListFromRegData(reg.Get(CU, "数据\\日本", "multi")->data), (std::vector<std::string>{"один", "два"}));
  EXPECT_EQ(TextListFromRegData(Utf16Data(u"x", false)), std::vector<std::string>{"x"});
  EXPECT_EQ(TextFromRegData(std::string("\x00\x01\x00\x00", 4)), "\u0100");  // a zero byte is no NUL character
  EXPECT_TRUE(IsExactRegText(Utf16Data(u"")));
  EXPECT_FALSE(IsExactRegText(""));
  EXPECT_FALSE(IsExactRegText(std::string("a\0\0", 3)));
  EXPECT_FALSE(IsExactRegText(Utf16Data(u"a") + Utf16Data(u"b")));
}

TEST(NTReg, PathsTooLongForOneCallAreFollowedKeyByKey) {
  MemoryRegistry reg;
  reg.maxPathInOneCall = 255;
  std::string deep = "Deep";
  for (int i = 0; deep.size() < 430; ++i) deep += "\\Ключ" + std::to_string(i) + std::string(20, 'k');
  RegistryCursor r(reg, CU);
  r.CreateRegPath("\\" + deep);
  r.WriteTextValue("v", "1");
  ASSERT_TRUE(reg.HasKey(CU, deep));
  EXPECT_TRUE(r.KeyExists("\\" + deep));
  ASSERT_TRUE(r.OpenRegPathForReading("\\" + deep));
  EXPECT_EQ(r.ReadTextValue("v"), "1");
  EXPECT_TRUE(r.MoveRegKey("\\Deep", "\\Moved", true));
  const std::string moved = "Moved" + deep.substr(4);
  EXPECT_EQ(reg.GetText(CU, moved, "v"), "1");
  EXPECT_FALSE(reg.HasKey(CU, "Deep"));
  EXPECT_TRUE(r.DeleteRegKey("\\" + moved));
  EXPECT_FALSE(reg.HasKey(CU, moved));
  r.CloseKey();
  EXPECT_EQ(reg.openHandles(), 0);  // no key of the way is left open
}

TEST(NTReg, AFailedKeyCopyIsTakenAwayAgain) {
  struct Failing : MemoryRegistry {
    long SetValue(RegKey key, const std::string& name, std::uint32_t type, std::string_view data) override {
      if (name == "日本") return kRegAccessDenied;
      return MemoryRegistry::SetValue(key, name, type, data);
    }
  } reg;
  reg.PutText(CU, "Src\\Sub", "数据", "1");
  reg.PutText(CU, "Src\\Sub", "日本", "2");
  RegistryCursor r(reg, CU);
  EXPECT_THROW(r.MoveRegKey("\\Src", "\\Dst", true), Error);
  EXPECT_FALSE(reg.HasKey(CU, "Dst"));
  EXPECT_EQ(reg.GetText(CU, "Src\\Sub", "日本"), "2");
}

// A copy or a delete that fails deep in the tree lets go of every key it
// opened on the way, as the failure leaves each level.
TEST(NTReg, AFailedCopyOrDeleteLeavesNoKeyOpen) {
  struct Failing : MemoryRegistry {
    long SetValue(RegKey key, const std::string& name, std::uint32_t type, std::string_view data) override {
      if (name == "refused") return kRegAccessDenied;
      return MemoryRegistry::SetValue(key, name, type, data);
    }
    long DeleteKey(RegKey parent, const std::string& subKey) override {
      if (subKey == "Kept") return kRegAccessDenied;
      return MemoryRegistry::DeleteKey(parent, subKey);
    }
  } reg;
  reg.PutText(CU, "Src\\A\\B", "refused", "1");
  reg.PutText(CU, "Old\\A\\Kept", "v", "1");
  RegistryCursor r(reg, CU);
  EXPECT_THROW(r.MoveRegKey("\\Src", "\\Dst", true), Error);
  EXPECT_EQ(reg.openHandles(), 0);
  EXPECT_THROW(r.DeleteRegKey("\\Old\\A"), Error);
  EXPECT_EQ(reg.openHandles(), 0);
}
}  // namespace
