#pragma once
// The console front end as a user runs it, for end-to-end tests: a copy in a
// records folder of its own on a plain drive (so its records land there), a
// data folder for the files a test plants, and clean-up of both, of any
// further folders the test builds and of its registry key under
// HKEY_CURRENT_USER, before and after each test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProcessRunner.h"
#include "RegistryDump.h"
#include "core/win32/WidePath.h"
#include "core/win32/Win32FileSystem.h"
#include "support/TestTree.h"

class ConsoleFixture : public ::testing::Test {
 protected:
  // home: the program's copy and its records; data: "" when the test has
  // none; key: below HKEY_CURRENT_USER, "" when the test has none; further:
  // other folders the test builds.
  ConsoleFixture(std::string home, std::string data, std::string key = "", std::vector<std::string> further = {})
      : home_(std::move(home)), data_(std::move(data)), key_(std::move(key)), further_(std::move(further)) {}

  void SetUp() override {
    Clean();
    exe = InstallCopy(OSTRIVANE_CLI_EXE, home_, "ostrivane-cli.exe");
  }
  void TearDown() override { Clean(); }
  // Fixtures that leave more behind extend this.
  virtual void Clean() {
    for (const std::string& folder : {home_, data_})
      if (!folder.empty()) RemoveTree(fs, folder);
    for (const std::string& folder : further_) RemoveTree(fs, folder);
    if (!key_.empty()) RegDeleteTreeW(HKEY_CURRENT_USER, WideText(key_).c_str());
  }

  ProcessResult Cli(const std::vector<std::string>& args, const std::string& input = "") {
    return RunProgram(exe, args, input);
  }
  // The test's registry key and everything below it (see DumpRegistryKey).
  std::string Registry() const {
    std::string out;
    DumpRegistryKey(HKEY_CURRENT_USER, key_, out);
    return out;
  }
  // A text value under HKEY_CURRENT_USER, and its text ("<none>" when absent).
  static void SetText(const std::string& key, const std::string& name, DWORD type, const std::string& text) {
    SetRegistryText(HKEY_CURRENT_USER, key, name, type, text);
  }
  static std::string TextValue(const std::string& key, const std::string& name) {
    return RegistryText(HKEY_CURRENT_USER, key, name);
  }
  std::string Files(const std::string& folder) { return FilesBelow(fs, folder); }

  Win32FileSystem fs;
  std::string exe;

 private:
  std::string home_, data_, key_;
  std::vector<std::string> further_;
};
