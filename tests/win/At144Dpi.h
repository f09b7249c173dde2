#pragma once
// The system DPI of a Wine prefix is read when a process starts: a test
// that needs 144 DPI runs again in a process of its own, with the prefix's
// setting switched meanwhile and put back after, so other tests keep 96.
#include <gtest/gtest.h>

#include <string>

#include "ProcessRunner.h"
#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"

inline constexpr wchar_t kAt144DpiVariable[] = L"OSTRIVANE_TEST_AT_144_DPI";

// True in the process RunAgainAt144Dpi starts.
inline bool InRunAt144Dpi() { return GetEnvironmentVariableW(kAt144DpiVariable, nullptr, 0) > 0; }

class LogPixelsSwitched {
 public:
  explicit LogPixelsSwitched(DWORD dpi) {
    DWORD size = sizeof old_;
    had_ = RegGetValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &old_, &size) == ERROR_SUCCESS;
    ok_ = RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", REG_DWORD, &dpi, sizeof dpi) == ERROR_SUCCESS;
  }
  ~LogPixelsSwitched() {
    if (had_)
      RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", REG_DWORD, &old_, sizeof old_);
    else
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels");
  }
  LogPixelsSwitched(const LogPixelsSwitched&) = delete;
  LogPixelsSwitched& operator=(const LogPixelsSwitched&) = delete;
  bool ok() const { return ok_; }

 private:
  static constexpr wchar_t kKey[] = L"Control Panel\\Desktop";
  DWORD old_ = 0;
  bool had_ = false, ok_ = false;
};

// Runs the current test again in a process that starts at 144 DPI and
// fails when that run fails; its output goes with the failure.
inline void RunAgainAt144Dpi() {
  LogPixelsSwitched switched(144);
  ASSERT_TRUE(switched.ok());
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  SetEnvironmentVariableW(kAt144DpiVariable, L"1");
  const ProcessResult r =
      RunProgram(OSTRIVANE_WIN_TESTS_EXE, {"--gtest_filter=" + std::string(test->test_suite_name()) + "." + test->name()});
  SetEnvironmentVariableW(kAt144DpiVariable, nullptr);
  EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_NE(r.out.find("[  PASSED  ] 1 test"), std::string::npos) << r.out;
}
