// The registry layer, walk, backup and reader on the real (Wine) registry,
// under keys the tests make and remove, with old texts no other key holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>

#include "core/Error.h"
#include "core/Text.h"
#include "regmap/NTReg.h"
#include "regmap/RegImport.h"
#include "regmap/RegistryWalk.h"
#include "regmap/win32/Win32RegistryBackend.h"
#include "regmap/win32/Win32EnvironmentValues.h"
#include "regmap/win32/Win32UserAccounts.h"
#include "ProcessRunner.h"
#include "core/Unicode.h"
#include "core/win32/Win32CodePage.h"
#include "support/FakeFileSystem.h"
#include "support/FakeUi.h"
#include "support/TestRun.h"

namespace {
const RegRoot CU = RegRoot::CurrentUser;
const RegRoot LM = RegRoot::LocalMachine;
const char* const kBackup = "C:\\Ost\\Undo00000.reg";

std::string Token() {
  std::random_device rd;
  return std::to_string(rd() % 1000000) + "q" + std::to_string(rd() % 1000000);
}

std::string DwordBytes(std::uint32_t v) {
  std::string d(4, '\0');
  for (int i = 0; i < 4; ++i) d[i] = char(v >> (8 * i));
  return d;
}

// A key and everything below it, names sorted, for comparing states.
void DumpKey(RegistryBackend& backend, RegRoot root, const std::string& path, std::string& out) {
  RegistryCursor reg(backend, root);
  if (!reg.OpenRegPathForReading(path)) return;
  out += "[" + UpperAZ(path) + "]\n";
  std::vector<RawValue> values = reg.ListRawValues();
  std::sort(values.begin(), values.end(), [](auto& a, auto& b) { return UpperAZ(a.name) < UpperAZ(b.name); });
  for (const RawValue& v : values) {
    char buf[16];
    std::snprintf(buf, sizeof buf, " %u:%zu:", unsigned(v.type), v.data.size());
    out += "  \"" + v.name + "\"" + buf + v.data + "\n";
  }
  std::vector<std::string> subs = reg.ListSubkeyNames();
  std::sort(subs.begin(), subs.end(), [](auto& a, auto& b) { return UpperAZ(a) < UpperAZ(b); });
  reg.CloseKey();
  for (const std::string& s : subs) DumpKey(backend, root, path + "\\" + s, out);
}

class WinRegistryTest : public ::testing::Test {
 protected:
  WinRegistryTest() : token(Token()), base("\\Software\\OstrivaneTest" + token) {
    ctx.ui = &ui;
    ctx.recordsFolder = "C:\\Ost\\";
    ctx.tally.undoName = "Undo00000";
    ctx.request.Mode = RunMode::MapOnly;
    ctx.targets = Targets{true, false, false, false, false};
    fs.AddFolder("C:\\Ost");
  }
  ~WinRegistryTest() override {
    for (RegRoot root : {CU, LM}) RegistryCursor(backend, root).DeleteRegKey(base);
  }
  void Put(RegRoot root, const std::string& path, const std::string& name, std::uint32_t type, const std::string& data) {
    RegistryCursor reg(backend, root);
    reg.CreateRegPath(base + path);
    reg.WriteRawValue(name, type, data);
  }
  void PutText(RegRoot root, const std::string& path, const std::string& name, const std::string& text,
               std::uint32_t type = kRegSz) {
    Put(root, path, name, type, RegDataFromText(text));
  }
  std::string Text(RegRoot root, const std::string& path, const std::string& name) {
    RegistryCursor reg(backend, root);
    if (!reg.OpenRegPathForReading(base + path) || !reg.QueryValueInfo(name)) return "<none>";
    return reg.ReadTextValue(name);
  }
  std::string Dump() {
    std::string out;
    DumpKey(backend, LM, base, out);
    DumpKey(backend, CU, base, out);
    return out;
  }
  // Nothing outside the test's keys may hold the texts a test searches for.
  bool OnlyTestKeysMatch(const std::string& oldText) { return OnlyTestKeysMatch(SearchTexts{oldText, "x", "", ""}); }
  bool OnlyTestKeysMatch(const SearchTexts& texts) {
    TestRun c = ctx;
    FakeUi quiet;
    c.ui = &quiet;
    c.preview = true;
    RegistryWalk w(backend, fs, ansi);
    w.FindReplaceProcess(c.Pass(), texts);
    for (const PreviewItem& p : quiet.previews)
      if (p.place.find("OstrivaneTest" + token) == std::string::npos) return false;
    return true;
  }
  void ExpectUndoRestores(const std::string& before) {
    ASSERT_NE(Dump(), before) << "the run changed nothing";
    const RegImportResult r = ImportRegFile(fs, backend, kBackup, ansi);
    for (const auto& f : r.failed) ADD_FAILURE() << "line " << f.number << " " << f.text << ": " << f.reason;
    EXPECT_EQ(Dump(), before) << DecodeRegText(fs.ReadWhole(kBackup));
  }

  std::string token, base;
  Win32RegistryBackend backend;
  Win32CodePage ansi{Win32CodePage::Which::Ansi};
  FakeFileSystem fs;
  FakeUi ui;
  TestRun ctx;
};

TEST_F(WinRegistryTest, AccessLayerOverAdvapi) {
  const std::string big(40000, '\x42');
  Put(CU, "\\K", "big", kRegBinary, big);
  Put(CU, "\\K", "multi", kRegMultiSz, RegDataFromText("a") + RegDataFromText("b") + std::string(2, '\0'));
  PutText(CU, "\\K", "", "default", kRegExpandSz);
  Put(CU, "\\K", "d", kRegDword, DwordBytes(0xFFFFFFFF));
  PutText(CU, "\\K\\Sub", "s", "sub");

  RegistryCursor reg(backend, CU);
  ASSERT_TRUE(reg.OpenRegPathForReading(base + "\\K"));
  EXPECT_EQ(reg.ListSubkeyNames(), std::vector<std::string>{"Sub"});
  const std::vector<RawValue> values = reg.ListRawValues();
  ASSERT_EQ(values.size(), 4u);
  const auto listedBig = std::find_if(values.begin(), values.end(), [](const RawValue& v) { return v.name == "big"; });
  ASSERT_NE(listedBig, values.end());
  EXPECT_EQ(listedBig->data, big);  // larger than the first buffer
  EXPECT_EQ(reg.ReadTextValue("multi"), "a");
  EXPECT_EQ(reg.ReadTextValue(""), "default");
  EXPECT_EQ(reg.ReadDwordValue("d"), 0xFFFFFFFFu);
  EXPECT_EQ(reg.ReadBinaryValue("big"), big);
  EXPECT_THROW(reg.ReadDwordValue("multi"), Error);

  EXPECT_TRUE(reg.RenameRegValue("d", "d2"));  // from a read-only open
  EXPECT_FALSE(reg.QueryValueInfo("d"));
  EXPECT_EQ(reg.ReadDwordValue("d2"), 0xFFFFFFFFu);

  EXPECT_TRUE(reg.MoveRegKey(base + "\\K", base + "\\Moved\\K", true));
  EXPECT_TRUE(reg.ListSubkeyNames().empty());  // the open key is gone
  EXPECT_FALSE(reg.KeyExists(base + "\\K"));
  RegistryCursor moved(backend, CU);
  ASSERT_TRUE(moved.OpenRegPath(base + "\\Moved\\K\\Sub"));
  EXPECT_EQ(moved.ReadTextValue("s"), "sub");
  EXPECT_FALSE(moved.MoveRegKey(base + "\\Moved", base + "\\Moved\\Inner", true));
}

TEST_F(WinRegistryTest, WalkOfTheWholeRegistryAndUndo) {
  const std::string oldText = "C:\\OstOld" + token, newText = "D:\\OstNew" + token;
  ASSERT_TRUE(OnlyTestKeysMatch(oldText));
  PutText(CU, "\\App", "path", oldText + "\\a.exe;" + oldText + "\\b");
  PutText(CU, "\\App", "exp", "%X%;" + oldText, kRegExpandSz);
  PutText(CU, "\\App", oldText + "\\name", "named");
  Put(CU, "\\App", "multi", kRegMultiSz, RegDataFromText(oldText) + std::string(2, '\0'));
  PutText(LM, "\\App", "", oldText);
  // A key whose path holds the old text: the text is no key name of its own
  // (a key name can't hold "\"), so the old text here is a plain word.
  const std::string word = "OstWord" + token;
  PutText(CU, "\\" + word + "\\Sub", "v", "1");
  Put(CU, "\\" + word, "bin", kRegBinary, "\x01\x02");
  const std::string before = Dump();

  {
    RegistryWalk walk(backend, fs, ansi);
    walk.FindReplaceProcess(ctx.Pass(), {oldText, newText, "", ""});
    EXPECT_EQ(Text(CU, "\\App", "path"), newText + "\\a.exe;" + newText + "\\b");
    EXPECT_EQ(Text(CU, "\\App", "exp"), "%X%;" + newText);
    EXPECT_EQ(Text(CU, "\\App", newText + "\\name"), "named");
    EXPECT_EQ(Text(LM, "\\App", ""), newText);
    EXPECT_EQ(Text(CU, "\\App", "multi"), newText);  // each string of a list is mapped too
    EXPECT_EQ(ctx.tally.linkCount, 6);
    ASSERT_TRUE(OnlyTestKeysMatch(word));
    walk.FindReplaceProcess(ctx.Pass(), {word, "OstMoved" + token, "", ""});
    EXPECT_EQ(Text(CU, "\\OstMoved" + token + "\\Sub", "v"), "1");
    EXPECT_EQ(ctx.tally.linkCount, 7);
  }
  const std::string stored = fs.ReadWhole(kBackup);
  EXPECT_EQ(DecodeRegText(stored).rfind("Windows Registry Editor Version 5.00\r\n\r\n", 0), 0u);
  // For trying the file with the system's own registry editor.
  if (const char* keep = std::getenv("OSTRIVANE_KEEP_REG")) std::ofstream(keep, std::ios::binary) << stored;
  ExpectUndoRestores(before);
}

TEST_F(WinRegistryTest, DriveSwitchAndUndo) {
  const std::string a = "Q:\\", b = "R:\\";
  SearchTexts texts{a, b, "", "", MatchRule::Path};
  texts.exchange = true;
  if (!OnlyTestKeysMatch(texts)) GTEST_SKIP() << "this registry refers to Q: or R: already";
  PutText(CU, "\\S", "both", "Q:\\x;R:/y");
  PutText(CU, "\\S", "Q:\\name", "Q:\\data");
  PutText(CU, "\\S", "R:\\name", "file:///R:/data");
  PutText(CU, "\\S\\Q:\\Dir", "in", "R:\\z");
  const std::string before = Dump();
  ctx.request.Mode = RunMode::SwitchDrives;
  RegistryWalk walk(backend, fs, ansi);
  walk.FindReplaceProcess(ctx.Pass(), texts);
  EXPECT_EQ(Text(CU, "\\S", "both"), "R:\\x;Q:/y");
  // Names that are each other's switch keep theirs; keys keep theirs too.
  EXPECT_EQ(Text(CU, "\\S", "Q:\\name"), "R:\\data");
  EXPECT_EQ(Text(CU, "\\S", "R:\\name"), "file:///Q:/data");
  EXPECT_EQ(Text(CU, "\\S\\Q:\\Dir", "in"), "Q:\\z");
  ExpectUndoRestores(before);
}

// Names, data and keys in characters no one code page holds, on the real
// registry: changed, backed up, restored by the program's own import and by
// the system's registry editor.
TEST_F(WinRegistryTest, UnicodeEntriesChangedAndRestoredByUndoAndByRegedit) {
  const std::string oldText = "D:\\Old" + token + "\\数据", newText = "D:\\New" + token + "\\данные";
  ASSERT_TRUE(OnlyTestKeysMatch(oldText));
  PutText(CU, "\\U", "path", oldText + "\\app.exe;Ł ø € 😀");
  PutText(CU, "\\U", oldText + "\\app.exe", "named");
  PutText(CU, "\\U", "数据", "left alone");
  PutText(CU, "\\U", "exp", "%X%\\€;" + oldText, kRegExpandSz);
  const std::string word = "Old" + token + "数据";
  PutText(CU, "\\U\\" + word, "数据", "1");
  PutText(CU, "\\U\\" + word, "日本", "2");
  PutText(CU, "\\U\\" + word + "\\日本", "ø", "3");
  const std::string before = Dump();
  {
    RegistryWalk walk(backend, fs, ansi);
    walk.FindReplaceProcess(ctx.Pass(), {oldText, newText, "", ""});
    EXPECT_EQ(Text(CU, "\\U", "path"), newText + "\\app.exe;Ł ø € 😀");
    EXPECT_EQ(Text(CU, "\\U", newText + "\\app.exe"), "named");
    EXPECT_EQ(Text(CU, "\\U", oldText + "\\app.exe"), "<none>");
    EXPECT_EQ(Text(CU, "\\U", "数据"), "left alone");
    EXPECT_EQ(Text(CU, "\\U", "exp"), "%X%\\€;" + newText);
    ASSERT_TRUE(OnlyTestKeysMatch(word));
    walk.FindReplaceProcess(ctx.Pass(), {word, "New" + token + "日本", "", ""});
    const std::string moved = "\\U\\New" + token + "日本";
    EXPECT_EQ(Text(CU, moved, "数据"), "1");
    EXPECT_EQ(Text(CU, moved, "日本"), "2");
    EXPECT_EQ(Text(CU, moved + "\\日本", "ø"), "3");
    EXPECT_EQ(ctx.tally.linkCount, 4);
    EXPECT_TRUE(ctx.passedOver.empty());
  }
  const std::string stored = fs.ReadWhole(kBackup);
  EXPECT_NE(DecodeRegText(stored).find("\"path\"=\"" + ConvertSt(oldText) + "\\\\app.exe;Ł ø € 😀\""),
            std::string::npos);
  const std::string changed = Dump();

  // The system's registry editor imports the same file back.
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring wideFile = std::wstring(temp) + L"ostrivane" + std::wstring(token.begin(), token.end()) + L".reg";
  std::ofstream(wideFile.c_str(), std::ios::binary) << stored;
  const std::string file = Utf8FromUtf16(std::u16string(wideFile.begin(), wideFile.end()));
  const ProcessResult imported = RunProgram("C:\\windows\\regedit.exe", {"/s", file});
  DeleteFileW(wideFile.c_str());
  EXPECT_EQ(imported.exitCode, 0u) << imported.err;
  EXPECT_EQ(Dump(), before);

  // And the program's own import, from the changed state again.
  {
    RegistryWalk again(backend, fs, ansi);
    ctx.tally.undoName = "Undo00001";
    again.FindReplaceProcess(ctx.Pass(), {oldText, newText, "", ""});
    again.FindReplaceProcess(ctx.Pass(), {word, "New" + token + "日本", "", ""});
  }
  EXPECT_EQ(Dump(), changed);
  const RegImportResult r = ImportRegFile(fs, backend, "C:\\Ost\\Undo00001.reg", ansi);
  EXPECT_TRUE(r.failed.empty());
  EXPECT_EQ(Dump(), before);
}

// Key paths past 260 characters (one of about 430): walked key by key,
// changed, moved and restored.
TEST_F(WinRegistryTest, DeepKeysChangedAndRestored) {
  const std::string oldText = "C:\\OstDeep" + token, newText = "D:\\OstDeeper" + token;
  ASSERT_TRUE(OnlyTestKeysMatch(oldText));
  std::string deep = "\\D";
  while (base.size() + deep.size() < 270) deep += "\\Ключ" + std::string(40, 'k');
  PutText(CU, deep, "p", oldText + "\\a");
  std::string deeper = deep;
  while (base.size() + deeper.size() < 430) deeper += "\\数据" + std::string(40, 'd');
  PutText(CU, deeper, "q", oldText + "\\b");
  const std::string word = "OstDeepKey" + token;
  PutText(CU, deeper + "\\" + word, "r", "1");
  ASSERT_GT(base.size() + deeper.size(), 420u);
  const std::string before = Dump();
  ASSERT_NE(before.find("\"r\""), std::string::npos) << "the deep keys were not all made";
  {
    RegistryWalk walk(backend, fs, ansi);
    walk.FindReplaceProcess(ctx.Pass(), {oldText, newText, "", ""});
    walk.FindReplaceProcess(ctx.Pass(), {word, "OstMovedKey" + token, "", ""});
  }
  EXPECT_EQ(Text(CU, deep, "p"), newText + "\\a");
  EXPECT_EQ(Text(CU, deeper, "q"), newText + "\\b");
  EXPECT_EQ(Text(CU, deeper + "\\OstMovedKey" + token, "r"), "1");
  EXPECT_TRUE(ctx.passedOver.empty()) << ctx.passedOver[0].where << ": " << ctx.passedOver[0].reason;
  EXPECT_EQ(ctx.tally.linkCount, 3);
  ExpectUndoRestores(before);
}

// Registry links: Wine's own (HKLM\Software\Wow6432Node\Classes leads to
// HKLM\Software\Classes\Wow6432Node) and one made here. A value reachable
// through a link is changed once, where it lives, and restored exactly; a
// tree holding a link is neither moved nor, when deleted, emptied through it.
TEST_F(WinRegistryTest, ValuesBehindRegistryLinksAreChangedOnceAndRestored) {
  HKEY wineLink = nullptr;
  const bool hasWineLink = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node\\Classes", REG_OPTION_OPEN_LINK,
                                         KEY_QUERY_VALUE, &wineLink) == ERROR_SUCCESS;
  DWORD linkType = 0;
  if (hasWineLink) {
    RegQueryValueExW(wineLink, L"SymbolicLinkValue", nullptr, &linkType, nullptr, nullptr);
    RegCloseKey(wineLink);
  }
  const std::string behind = "\\Software\\Classes\\Wow6432Node\\OstrivaneTest" + token;
  struct Cleanup {
    RegistryBackend& backend;
    std::string path;
    ~Cleanup() { RegistryCursor(backend, LM).DeleteRegKey(path); }
  } cleanup{backend, behind};

  // The old text is part of the new one: a second visit would add "2" again.
  const std::string oldText = "D:\\OstTools" + token, newText = oldText + "2";
  ASSERT_TRUE(OnlyTestKeysMatch(oldText));
  if (linkType == REG_LINK) {
    RegistryCursor reg(backend, LM);
    reg.CreateRegPath(behind + "\\Svc");
    reg.WriteTextValue("path", oldText + "\\svc.exe");
    RegistryCursor through(backend, LM);
    ASSERT_TRUE(through.OpenRegPathForReading("\\Software\\Wow6432Node\\Classes\\OstrivaneTest" + token + "\\Svc"));
    ASSERT_EQ(through.ReadTextValue("path"), oldText + "\\svc.exe");
  } else {
    std::printf("no registry link at HKLM\\Software\\Wow6432Node\\Classes here; only the link made below is walked\n");
  }
  // A link of this test's own: base\Holder\Link leads to base\Target.
  PutText(LM, "\\Target", "path", oldText + "\\tool.exe");
  PutText(LM, "\\Holder", "keep", "1");
  HKEY holder = nullptr, link = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (L"Software\\OstrivaneTest" + std::wstring(token.begin(), token.end()) +
                                               L"\\Holder").c_str(),
                          0, KEY_ALL_ACCESS, &holder),
            ERROR_SUCCESS);
  ASSERT_EQ(RegCreateKeyExW(holder, L"Link", 0, nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                            KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr),
            ERROR_SUCCESS);
  const std::u16string target = Utf16FromUtf8("\\Registry\\Machine" + base + "\\Target");
  ASSERT_EQ(RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                           DWORD(target.size() * 2)),
            ERROR_SUCCESS);
  RegCloseKey(link);
  RegCloseKey(holder);
  ASSERT_EQ(Text(LM, "\\Holder\\Link", "path"), oldText + "\\tool.exe");  // the link leads there

  std::string before = Dump();
  if (linkType == REG_LINK) DumpKey(backend, LM, behind, before);
  {
    RegistryWalk walk(backend, fs, ansi);
    walk.FindReplaceProcess(ctx.Pass(), {oldText, newText, "", ""});
  }
  EXPECT_EQ(Text(LM, "\\Target", "path"), newText + "\\tool.exe");
  if (linkType == REG_LINK) {
    RegistryCursor reg(backend, LM);
    ASSERT_TRUE(reg.OpenRegPathForReading(behind + "\\Svc"));
    EXPECT_EQ(reg.ReadTextValue("path"), newText + "\\svc.exe");
  }
  EXPECT_EQ(ctx.tally.linkCount, linkType == REG_LINK ? 2 : 1);
  EXPECT_TRUE(ctx.passedOver.empty());
  {
    const RegImportResult r = ImportRegFile(fs, backend, kBackup, ansi);
    EXPECT_TRUE(r.failed.empty());
    std::string after = Dump();
    if (linkType == REG_LINK) DumpKey(backend, LM, behind, after);
    EXPECT_EQ(after, before) << DecodeRegText(fs.ReadWhole(kBackup));
  }

  // A key holding the link is not moved; deleting it takes the link, not
  // what it leads to.
  ctx.tally.undoName = "Undo00001";
  {
    RegistryWalk walk(backend, fs, ansi);
    walk.FindReplaceProcess(ctx.Pass(), {"OstrivaneTest" + token + "\\Holder", "OstrivaneTest" + token + "\\Moved", "", ""});
  }
  EXPECT_EQ(Text(LM, "\\Holder", "keep"), "1");
  EXPECT_EQ(Text(LM, "\\Moved", "keep"), "<none>");
  ASSERT_EQ(ctx.passedOver.size(), 1u);
  EXPECT_NE(ctx.passedOver[0].reason.find("registry link"), std::string::npos);
  EXPECT_TRUE(RegistryCursor(backend, LM).DeleteRegKey(base + "\\Holder"));
  EXPECT_EQ(Text(LM, "\\Holder", "keep"), "<none>");
  EXPECT_EQ(Text(LM, "\\Target", "path"), oldText + "\\tool.exe");
}

// Run by hand: --gtest_also_run_disabled_tests --gtest_filter=*WalkSpeed*
// A hive of another user, made as a key under HKEY_USERS (Wine loads no
// second profile), is walked; the own one, shown as HKEY_CURRENT_USER, is not
// walked again. Variables in REG_EXPAND_SZ data expand as the process has them.
TEST_F(WinRegistryTest, OtherUsersHiveWalkedOwnHiveOnceVariablesExpanded) {
  Win32UserAccounts accounts;
  Win32EnvironmentValues environment;
  const std::string own = accounts.CurrentUserSid();
  ASSERT_EQ(own.rfind("S-1-5-", 0), 0u) << own;
  const std::string other = "S-1-5-21-7-7-7-" + token.substr(0, token.find('q'));
  const RegRoot US = RegRoot::Users;
  const std::string old = "C:\\windows\\OstrHku" + token, now = "C:\\windows\\OstrNew" + token;
  PutText(CU, "", "mine", old + "\\x");
  PutText(CU, "", "expand", "%SystemRoot%\\OstrHku" + token + "\\y", kRegExpandSz);
  ASSERT_EQ(RegistryCursor(backend, US).KeyExists("\\" + own + base), true) << "HKEY_CURRENT_USER is not " << own;
  RegistryCursor theirs(backend, US);
  theirs.CreateRegPath("\\" + other + base);
  theirs.WriteTextValue("theirs", old);
  theirs.CloseKey();
  const auto dumpAll = [&] {
    std::string out = Dump();
    DumpKey(backend, US, "\\" + other, out);
    return out;
  };
  const std::string before = dumpAll();
  std::vector<std::string> phases;
  ui.onPump = [&] {
    if (phases.empty() || phases.back() != ui.progress.phase) phases.push_back(ui.progress.phase);
  };
  RegistryWalk walk(backend, fs, ansi);
  walk.SetUserAccounts(&accounts);
  walk.SetEnvironment(&environment);
  walk.FindReplaceProcess(ctx.Pass(), {old, now, "", "", MatchRule::Path});

  EXPECT_EQ(Text(CU, "", "mine"), now + "\\x");
  EXPECT_EQ(Text(CU, "", "expand"), "%SystemRoot%\\OstrNew" + token + "\\y");
  RegistryCursor check(backend, US);
  ASSERT_TRUE(check.OpenRegPathForReading("\\" + other + base));
  EXPECT_EQ(check.ReadTextValue("theirs"), now);
  check.CloseKey();
  EXPECT_EQ(ctx.tally.linkCount, 3);
  EXPECT_NE(std::find(phases.begin(), phases.end(), "Scanning User Registry: " + other), phases.end());
  for (const std::string& p : phases) EXPECT_EQ(p.find(own), std::string::npos) << p;
  const RegImportResult r = ImportRegFile(fs, backend, kBackup, ansi);
  EXPECT_TRUE(r.failed.empty());
  EXPECT_EQ(dumpAll(), before);
  RegistryCursor(backend, US).DeleteRegKey("\\" + other);
}
}  // namespace
