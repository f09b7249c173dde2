// Texts in any script through the whole program, as a user runs the console
// front end: registry values, names and keys, settings files in each of
// their encodings and shortcuts remapped with only the old text's bytes
// changed; the undo, the system's registry editor and other programs' ZIP
// readers all see the same characters.
#include <gtest/gtest.h>

#include <algorithm>

#include "ConsoleFixture.h"
#include "RawLink.h"
#include "core/Unicode.h"
#include "core/win32/WidePath.h"
#include "core/win32/Win32CodePage.h"
#include "core/win32/Win32FileSystem.h"
#include "support/TestTree.h"

namespace {
const std::string kHome = "C:\\ostrivane-test-unicode";
const std::string kData = "D:\\OstrUnicodeData";
const std::string kKey = "Software\\OstrivaneUnicodeTest";

// The Unix path Wine gives a Windows path, for the host's own programs.
std::string UnixPathOf(const std::string& path) {
  using Fn = char*(CDECL*)(LPCWSTR);
  const auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!fn) return "";
  char* unix = fn(WideText(path).c_str());
  std::string s = unix ? unix : "";
  HeapFree(GetProcessHeap(), 0, unix);
  return s;
}

// Runs a program of the host in a UTF-8 locale and gives what it printed.
// Wine starts a Unix program directly but hands it none of the caller's
// handles and gives no process handle back, so the output goes through a
// file, and a second file marks the end.
std::string RunHostProgram(FileSystem& fs, const std::vector<std::string>& args) {
  const std::string out = kHome + "\\host-output.txt", done = kHome + "\\host-done";
  DeleteFileW(WideText(out).c_str());
  DeleteFileW(WideText(done).c_str());
  std::vector<std::string> all = {
      "-c", "LC_ALL=C.UTF-8 \"$@\" >'" + UnixPathOf(out) + "' 2>&1; touch '" + UnixPathOf(done) + "'", "sh"};
  all.insert(all.end(), args.begin(), args.end());
  const ProcessResult started = RunProgram("\\\\?\\unix\\bin\\sh", all);
  if (!started.err.empty()) return started.err;
  while (!fs.FileExists(done)) Sleep(20);
  return fs.ReadWhole(out);
}

std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t p = 0, e; p < text.size(); p = e + 1) {
    e = text.find('\n', p);
    if (e == std::string::npos) e = text.size();
    lines.push_back(text.substr(p, e - p));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

class UnicodeEndToEnd : public ConsoleFixture {
 protected:
  UnicodeEndToEnd() : ConsoleFixture(kHome, kData, kKey) {}
  Win32CodePage cp1252{1252u};
};

// Texts of the kind the platform's ANSI functions turn into "?".
const std::string kOld = "D:\\OstrØld";     // Ø: ANSI holds it, OEM does not
const std::string kOldLower = "d:\\ostrøld";  // the same text, every letter folded
const std::string kNew = "D:\\OstrNy €";
}  // namespace

TEST_F(UnicodeEndToEnd, MapRemapsEveryScriptAndEncodingAndUndoGivesBackEveryByte) {
  ASSERT_EQ(GetACP(), 1252u) << "the ANSI settings file below is written in 1252";
  // Registry: data, value names and key names in many scripts.
  const std::string deepKey = kKey + "\\Paths\\" + kOld + "\\数据😀\\Bjørn";
  SetText(kKey, "数据 path", REG_SZ, kOld + "\\数据\\app.exe");
  SetText(kKey, "Путь", REG_EXPAND_SZ, "%SystemRoot%;" + kOld + "\\Данные;😀 Łódź ø €;" + kOldLower + "\\x");
  SetText(kKey, kOld + "\\Łódź 😀.exe", REG_SZ, "Bjørn €");
  SetText(deepKey, "", REG_SZ, "key 数据");
  SetText(kKey, "untouched", REG_SZ, "D:\\Ostr?ld\\x;D:\\数据\\x;😀");

  // Settings files named in those scripts, in each encoding a file may have.
  struct SettingsFile {
    std::string path, text, encoding;
  };
  const std::vector<SettingsFile> settings = {
      {kData + "\\数据\\数据.ini", "[数据]\r\nHome=" + kOld + "\\数据\\😀.exe\r\nŁ=ø€\r\n", "utf-16"},
      {kData + "\\Данные\\Łódź.ini", "[Данные]\nPath=" + kOld + "\\Данные\\Łódź\nemoji=😀\n", "utf-8"},
      {kData + "\\😀\\😀 bom.ini", "\xEF\xBB\xBF[😀]\r\nA=" + kOldLower + "\\😀\r\n", "utf-8"},
      {kData + "\\Bjørn €\\Cafe€.ini", "[Café]\r\nName=Bjørn €\r\nPath=" + kOldLower + "\\Bjørn\r\n", "ansi"},
      {kData + "\\数据\\other.ini", "a=D:\\Ostr?ld\\x\r\nb=D:\\数据\r\n", "utf-8"},
  };
  auto encode = [&](const SettingsFile& f, const std::string& text) -> std::string {
    if (f.encoding == "utf-16") return "\xFF\xFE" + Utf16LeBytesFromUtf8(text);
    if (f.encoding == "ansi") return cp1252.FromUtf8(text).value_or("<not in 1252>");
    return text;
  };
  for (const SettingsFile& f : settings) WriteTestFile(fs, f.path, encode(f, f.text));
  ASSERT_EQ(fs.ReadWhole(settings[3].path).substr(0, 7), "[Caf\xE9]\r");

  // A shortcut named in those scripts whose target, arguments and working
  // folder hold the old text.
  const std::string lnk = kData + "\\Łódź\\数据 😀.lnk";
  fs.MakeFolders(kData + "\\Łódź");
  MakeLink(lnk, kOld + "\\数据\\😀 app.exe", "/cfg \"" + kOld + "\\Łódź.ini\"", kOld + "\\Данные");

  const std::string regBefore = Registry(), filesBefore = Files(kData);
  ProcessResult r = Cli({"map", "--find", kOld, "--replace", kNew, "--targets", "registry,settings,shortcuts",
                         "--drives", "D"});
  ASSERT_EQ(r.exitCode, 0u) << r.err;
  // The shortcut counts once, though its target, arguments and working folder
  // changed; the change list's three rows are said beside the count.
  EXPECT_EQ(r.out, "Ostrivane has finished\n10 links were remapped (12 changes)\n") << r.err;

  EXPECT_EQ(TextValue(kKey, "数据 path"), kNew + "\\数据\\app.exe");
  EXPECT_EQ(TextValue(kKey, "Путь"), "%SystemRoot%;" + kNew + "\\Данные;😀 Łódź ø €;" + kNew + "\\x");
  EXPECT_EQ(TextValue(kKey, kNew + "\\Łódź 😀.exe"), "Bjørn €");
  EXPECT_EQ(TextValue(kKey, kOld + "\\Łódź 😀.exe"), "<none>");
  EXPECT_EQ(TextValue(kKey + "\\Paths\\" + kNew + "\\数据😀\\Bjørn", ""), "key 数据");
  EXPECT_EQ(TextValue(deepKey, ""), "<none>");
  EXPECT_EQ(TextValue(kKey, "untouched"), "D:\\Ostr?ld\\x;D:\\数据\\x;😀");
  // Nothing else in the key changed: the dump with the old text replaced.
  EXPECT_EQ(Registry(), Replaced(Replaced(regBefore, kOld, kNew), kOldLower, kNew));

  for (const SettingsFile& f : settings) {
    const std::string want = Replaced(Replaced(f.text, kOld, kNew), kOldLower, kNew);
    EXPECT_EQ(fs.ReadWhole(f.path), encode(f, want)) << f.path;
  }
  const RawLinkParts now = ReadRawLink(lnk);
  EXPECT_EQ(now.itemTarget, kNew + "\\数据\\😀 app.exe");
  EXPECT_EQ(now.arguments, "/cfg \"" + kNew + "\\Łódź.ini\"");
  EXPECT_EQ(now.workingDir, kNew + "\\Данные");  // its own folder, as it was written

  // The registry backup holds the real characters, in UTF-16.
  const std::string reg = fs.ReadWhole(kHome + "\\Undo00000.reg");
  ASSERT_EQ(reg.substr(0, 2), "\xFF\xFE");
  const std::string regText = Utf8FromUtf16LeBytes(reg.substr(2));
  EXPECT_NE(regText.find("\"" + Replaced(kOld, "\\", "\\\\") + "\\\\Łódź 😀.exe\"=\"Bjørn €\""), std::string::npos)
      << regText;
  EXPECT_NE(regText.find("\\Paths\\" + kOld + "\\数据😀\\Bjørn]"), std::string::npos) << regText;

  // Other programs read the archive's names as the program wrote them.
  const std::string zip = UnixPathOf(kHome + "\\Undo00000.zip");
  ASSERT_FALSE(zip.empty());
  const std::string unzip = RunHostProgram(fs, {"/usr/bin/unzip", "-Z1", zip});
  const std::string python = RunHostProgram(
      fs, {"/usr/bin/python3", "-c",
           "import sys, zipfile\n"
           "for n in zipfile.ZipFile(sys.argv[1]).namelist(): sys.stdout.buffer.write((n + '\\n').encode('utf-8'))",
           zip});
  // Stored under their full paths with the archive format's "/".
  std::vector<std::string> expected = {Replaced(lnk, "\\", "/")};
  for (const SettingsFile& f : settings)
    if (f.path != settings.back().path) expected.push_back(Replaced(f.path, "\\", "/"));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(SortedLines(unzip), expected) << unzip;
  EXPECT_EQ(SortedLines(python), expected) << python;

  r = Cli({"undo", "run", "Undo00000"});
  ASSERT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(r.out, "5 files restored.  Undo has completed\n5 registry values and 4 registry keys restored.\n");
  EXPECT_EQ(Registry(), regBefore);
  EXPECT_EQ(Files(kData), filesBefore);
}

// A find text in one script matches that text only: other scripts' texts and
// the "?" a lossy conversion would have left stay as they are, at any depth;
// a key path and a file path past MAX_PATH are remapped and restored. The
// system's registry editor reads the run's backup back in.
TEST_F(UnicodeEndToEnd, AFindTextInCjkMatchesOnlyItselfAtAnyDepth) {
  const std::string find = "D:\\数据", replace = "D:\\新数据";
  SetText(kKey, "a", REG_SZ, "D:\\数据\\x");
  SetText(kKey, "b", REG_SZ, "D:\\日本\\x");
  SetText(kKey, "c", REG_SZ, "D:\\Да\\x");
  SetText(kKey, "d", REG_SZ, "D:\\??\\x");
  SetText(kKey, "e", REG_EXPAND_SZ, "d:\\数据;D:\\日本;D:\\??");
  std::string longKey = kKey + "\\Long";
  while (WideText(longKey).size() < 280) longKey += "\\Ключ 数据 " + std::string(20, 'k');
  SetText(longKey, "v", REG_SZ, "D:\\数据\\deep");
  SetText(longKey, "w", REG_SZ, "D:\\日本\\deep");
  // A moved key's subtree lives elsewhere by then: the run does not visit it.
  SetText(longKey + "\\D:\\数据\\Sub", "u", REG_SZ, "D:\\数据\\in a moved key");

  const std::string changed = kData + "\\数据\\a.ini", untouched = kData + "\\日本\\b.ini";
  WriteTestFile(fs, changed, "a=D:\\数据\\x\nb=D:\\日本\\x\nc=D:\\Да\\x\nd=D:\\??\\x\n");
  WriteTestFile(fs, untouched, "b=D:\\日本\\x\r\nd=D:\\??\\x\r\n");
  std::string deep = kData + "\\Deep";
  while (WideText(deep).size() < 280) deep += "\\Папка 数据 – Łódź";
  deep += "\\数据.ini";
  WriteTestFile(fs, deep, "\xFF\xFE" + Utf16LeBytesFromUtf8("p=D:\\数据\\deep\r\nq=D:\\日本\r\n"));

  const std::string regBefore = Registry(), filesBefore = Files(kData);
  ASSERT_NE(regBefore.find("\"w\""), std::string::npos) << "the long key was not made";
  ProcessResult r = Cli({"map", "--find", find, "--replace", replace, "--targets", "registry,settings,shortcuts",
                         "--drives", "D"});
  ASSERT_EQ(r.exitCode, 0u) << r.err;
  EXPECT_EQ(r.out, "Ostrivane has finished\n6 links were remapped\n") << r.err;

  EXPECT_EQ(TextValue(kKey, "a"), "D:\\新数据\\x");
  EXPECT_EQ(TextValue(kKey, "e"), "D:\\新数据;D:\\日本;D:\\??");
  EXPECT_EQ(TextValue(longKey, "v"), "D:\\新数据\\deep");
  EXPECT_EQ(TextValue(longKey + "\\D:\\新数据\\Sub", "u"), "D:\\数据\\in a moved key");
  EXPECT_EQ(Registry(), Replaced(Replaced(Replaced(regBefore, find, replace), "d:\\数据", replace),
                                 "=1:" + replace + "\\in a moved key", "=1:" + find + "\\in a moved key"));
  EXPECT_EQ(fs.ReadWhole(changed), "a=D:\\新数据\\x\nb=D:\\日本\\x\nc=D:\\Да\\x\nd=D:\\??\\x\n");
  EXPECT_EQ(fs.ReadWhole(untouched), "b=D:\\日本\\x\r\nd=D:\\??\\x\r\n");
  EXPECT_EQ(fs.ReadWhole(deep), "\xFF\xFE" + Utf16LeBytesFromUtf8("p=D:\\新数据\\deep\r\nq=D:\\日本\r\n"));

  const ProcessResult imported = RunProgram("C:\\windows\\regedit.exe", {"/s", kHome + "\\Undo00000.reg"});
  EXPECT_EQ(imported.exitCode, 0u);
  EXPECT_EQ(Registry(), regBefore);

  r = Cli({"undo", "run", "Undo00000"});
  ASSERT_EQ(r.exitCode, 0u) << r.err;
  // The registry editor gave the values back already: left, and counted.
  EXPECT_EQ(r.out, "2 files restored.  Undo has completed\n5 places were already as before the run.\n");
  EXPECT_EQ(Files(kData), filesBefore);
  EXPECT_EQ(Registry(), regBefore);
}
