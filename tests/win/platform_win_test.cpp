#include <gtest/gtest.h>

#include "engine/win32/Win32Platform.h"
#include "core/win32/WinApi.h"

namespace {
int Pending() {
  MSG m;
  return PeekMessageA(&m, nullptr, WM_APP, WM_APP, PM_NOREMOVE) ? 1 : 0;
}
}  // namespace

// A walk pumps once per item: the queue is drained on the first call and
// then left alone until the interval has passed.
TEST(PlatformWin, PumpDrainsOnlyWhenDue) {
  PumpThrottle throttle(60 * 1000);
  PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
  PumpMessages(throttle);
  EXPECT_EQ(Pending(), 0);
  PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
  PumpMessages(throttle);
  EXPECT_EQ(Pending(), 1);
  PumpThrottle now(0);
  PumpMessages(now);
  EXPECT_EQ(Pending(), 0);
}

// Only one run at a time, also across processes: a second lock on the same
// name is refused until the first is released.
TEST(PlatformWin, RunLockIsExclusive) {
  Win32RunLock a, b;
  ASSERT_TRUE(a.TryAcquire());
  // The mutex belongs to a's thread; another thread stands for another program.
  bool other = true;
  HANDLE t = CreateThread(
      nullptr, 0, [](LPVOID p) -> DWORD {
        Win32RunLock c;
        *static_cast<bool*>(p) = c.TryAcquire();
        return 0;
      },
      &other, 0, nullptr);
  WaitForSingleObject(t, INFINITE);
  CloseHandle(t);
  EXPECT_FALSE(other);
  a.Release();
  EXPECT_TRUE(b.TryAcquire());
}

TEST(PlatformWin, DrivesFolderAndVersion) {
  Win32Drives drives;
  bool sawC = false;
  for (const DriveInfo& d : drives.ListDrives())
    if (d.root == "C:\\") sawC = d.fixed && !d.displayName.empty();
  EXPECT_TRUE(sawC);
  const std::string folder = ProgramFolderOfExe();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
}
