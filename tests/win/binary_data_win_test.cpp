// Where programs keep settings, through the console: launcher manifests
// with names no list knows are changed; a REG_BINARY value, a binary
// settings file and a launcher holding the old place are named with their
// reason and left byte for byte; "--targets all" finds what the default
// finds in the registry.
#include <gtest/gtest.h>

#include "ConsoleFixture.h"
#include "core/Unicode.h"
#include "engine/BinaryData.h"

namespace {
using namespace std::literals;

const std::string kHome = "C:\\ostrivane-test-binary";
// ProgramData: a place where programs keep settings.
const std::string kData = "C:\\ProgramData\\OstrivaneTestLauncher";
const std::string kKey = "Software\\OstrivaneTestBinary";
const std::string kOld = "C:\\OstrBinOld";

class BinaryDataWin : public ConsoleFixture {
 protected:
  BinaryDataWin() : ConsoleFixture(kHome, kData, kKey) {}
  static int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
  }
};

void PutBinary(const std::string& key, const std::string& name, const std::string& data) {
  HKEY h;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, WideText(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(h, WideText(name).c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()));
  RegCloseKey(h);
}

std::string BinaryValue(const std::string& key, const std::string& name) {
  std::string data(4096, '\0');
  DWORD size = DWORD(data.size()), type = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, WideText(key).c_str(), WideText(name).c_str(), RRF_RT_ANY, &type, data.data(),
                   &size) != ERROR_SUCCESS)
    return "<none>";
  data.resize(size);
  return data;
}
}  // namespace

TEST_F(BinaryDataWin, ManifestsAreChangedAndBinaryDataNamedAndLeftExactly) {
  const std::string item = "{\r\n  \"InstallLocation\": \"C:\\\\OstrBinOld\\\\Game\"\r\n}\r\n";
  const std::string installed = "\xFF\xFE"s + Utf16LeBytesFromUtf8("{\"InstallLocation\":\"C:\\\\OstrBinOld\\\\Game\"}");
  const std::string launcher = "MZ\x90\0\3\0\0\0\4\0\0\0PE\0\0#!C:\\OstrBinOld\\python.exe\r\n"s;
  const std::string settings = "\x01\0\0\0\x10\0C:\\OstrBinOld\\data\0\xFF\xFE"s;
  const std::string mru = "\x01\0\0\0"s + Utf16LeBytesFromUtf8("C:\\OstrBinOld\\save.dat") + "\0\0\x9C"s;
  WriteTestFile(fs, kData + "\\Manifests\\game.item", item);
  WriteTestFile(fs, kData + "\\LauncherInstalled.dat", installed);
  WriteTestFile(fs, kData + "\\tool.exe", launcher);
  WriteTestFile(fs, kData + "\\settings.bin", settings);
  PutBinary(kKey, "MRUList", mru);
  SetText(kKey, "dir", REG_SZ, kOld + "\\Game");

  const std::vector<std::string> map = {"map", "--find", kOld, "--replace", "D:\\OstrBinNew", "--drives", "C"};
  std::vector<std::string> preview = map;
  preview.insert(preview.end(), {"--preview", "--json"});
  const ProcessResult seen = Cli(preview);
  EXPECT_EQ(seen.exitCode, 4u) << seen.err;
  std::vector<std::string> run = map;
  run.insert(run.end(), {"--json", "--report", kHome + "\\run.log"});
  const ProcessResult made = Cli(run);
  EXPECT_EQ(made.exitCode, 4u) << made.err;

  // Preview and run name the same three, with the reason, in records of their own kind.
  for (const ProcessResult* r : {&seen, &made}) {
    EXPECT_EQ(Count(r->out, "\"kind\":\"binary data\""), 3) << r->out;
    EXPECT_NE(r->err.find(std::string(kBinaryNotRewritten) + " (3):"), std::string::npos) << r->err;
    for (const std::string& place : {kData + "\\tool.exe", kData + "\\settings.bin"})
      EXPECT_NE(r->err.find("  " + place + "\n"), std::string::npos) << place << "\n" << r->err;
    EXPECT_NE(r->err.find("  HKEY_CURRENT_USER\\" + kKey + ", value \"MRUList\"\n"), std::string::npos) << r->err;
  }
  const std::string report = fs.ReadWhole(kHome + "\\run.log");
  EXPECT_EQ(Count(report, "\tbinary data\t"), 3) << report;
  EXPECT_NE(report.find("#!C:\\OstrBinOld\\python.exe"), std::string::npos);

  EXPECT_EQ(fs.ReadWhole(kData + "\\Manifests\\game.item"),
            "{\r\n  \"InstallLocation\": \"D:\\\\OstrBinNew\\\\Game\"\r\n}\r\n");
  EXPECT_EQ(fs.ReadWhole(kData + "\\LauncherInstalled.dat"),
            "\xFF\xFE"s + Utf16LeBytesFromUtf8("{\"InstallLocation\":\"D:\\\\OstrBinNew\\\\Game\"}"));
  EXPECT_EQ(TextValue(kKey, "dir"), "D:\\OstrBinNew\\Game");
  EXPECT_EQ(fs.ReadWhole(kData + "\\tool.exe"), launcher);
  EXPECT_EQ(fs.ReadWhole(kData + "\\settings.bin"), settings);
  EXPECT_EQ(BinaryValue(kKey, "MRUList"), mru);
}

// "all" is everything: what the default finds in the registry is there too.
TEST_F(BinaryDataWin, TargetsAllHoldsTheDefaultsRegistryFindings) {
  SetText(kKey, "dir", REG_SZ, kOld + "\\Game");
  SetText(kKey + "\\Sub", "cmd", REG_SZ, "\"" + kOld + "\\run.exe\" -x");
  const auto registryLines = [&](const std::vector<std::string>& targets) {
    std::vector<std::string> args = {"map", "--find", kOld, "--replace", "D:\\OstrBinNew", "--drives", "C",
                                     "--preview", "--json"};
    args.insert(args.end(), targets.begin(), targets.end());
    const ProcessResult r = Cli(args);
    std::string lines;
    std::size_t at = 0;
    for (std::size_t end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1) {
      const std::string line = r.out.substr(at, end - at);
      if (line.find("\"where\":\"HKEY_") != std::string::npos) lines += line + "\n";
    }
    return lines;
  };
  const std::string byDefault = registryLines({});
  EXPECT_EQ(Count(byDefault, "\"outcome\":\"would change\""), 2) << byDefault;
  EXPECT_EQ(registryLines({"--targets", "all"}), byDefault);
}
