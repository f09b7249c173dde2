// The console front end against damaged and hand-made records: an undo
// gives back what is whole and names the rest, never claims success falsely
// and never lets a record move or delete what no run may.
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <thread>

#include "ConsoleFixture.h"
#include "core/win32/Win32FileSystem.h"
#include "support/TestTree.h"

namespace {
const std::string kHome = "C:\\ostrivane-test-faults";
const std::string kData = "C:\\ostrivane-test-faults-data";
const std::string kZip = kHome + "\\Undo00000.zip";

class FaultsWin : public ConsoleFixture {
 protected:
  FaultsWin() : ConsoleFixture(kHome, kData, "", {"D:\\ostrivane-test-faults"}) {}
  std::string Ini(int i) { return kData + "\\" + std::to_string(i) + ".ini"; }
  // Five settings files mapped by one run, their archive read back.
  std::string MapFive() {
    for (int i = 1; i <= 5; ++i)
      WriteTestFile(fs, Ini(i), "[Paths]\r\nHome=C:\\Old Faults Place\\" + std::to_string(i) + "\r\n");
    const ProcessResult r = Cli({"map", "--find", "C:\\Old Faults Place", "--replace", "D:\\New", "--targets",
                                 "settings", "--drives", "C"});
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_NE(r.out.find("5 links were remapped"), std::string::npos) << r.out;
    return fs.ReadWhole(kZip);
  }
  // Where the local header of the entry saved from `path` stands.
  static std::size_t LocalHeaderOf(const std::string& zip, const std::string& path) {
    std::string name = path;
    for (char& c : name)
      if (c == '\\') c = '/';
    const std::size_t at = zip.find(name);
    return at == std::string::npos ? at : at - 30;
  }
  bool Original(int i) {
    return fs.ReadWhole(Ini(i)) == "[Paths]\r\nHome=C:\\Old Faults Place\\" + std::to_string(i) + "\r\n";
  }
};
}  // namespace

TEST_F(FaultsWin, DamagedAndCutArchivesGiveBackEveryWholeFileAndNameTheRest) {
  const std::string zip = MapFive();
  // Damaged: the data of the third entry, and the directory's size of the first.
  std::string damaged = zip;
  const std::size_t third = LocalHeaderOf(zip, Ini(3));
  ASSERT_NE(third, std::string::npos);
  const std::size_t dataAt = third + 30 + static_cast<unsigned char>(zip[third + 26]) +
                             static_cast<unsigned char>(zip[third + 28]);
  damaged[dataAt + 2] ^= 0x55;
  damaged[zip.find("PK\x01\x02") + 20] ^= 0x7F;
  WriteTestFile(fs, kZip, damaged);
  ProcessResult r = Cli({"undo", "run", "Undo00000"});
  EXPECT_EQ(r.exitCode, 3u) << r.out << r.err;
  EXPECT_EQ(r.out.rfind("4 files restored.  Undo has completed\nNot everything could be undone:\n", 0), 0u) << r.out;
  EXPECT_NE(r.out.find(Ini(3) + " was not restored: its backup in the archive is damaged"), std::string::npos)
      << r.out;
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(Original(i), i != 3) << i;

  // Cut inside the fourth entry: those before it come back, the fourth is named.
  const std::size_t fourth = LocalHeaderOf(zip, Ini(4));
  ASSERT_NE(fourth, std::string::npos);
  WriteTestFile(fs, kZip, zip.substr(0, fourth + 30 + static_cast<unsigned char>(zip[fourth + 26]) + 3));
  for (int i = 1; i <= 5; ++i) WriteTestFile(fs, Ini(i), "changed");
  // Changed after the run, so only forced do they take what the archive still holds.
  r = Cli({"undo", "run", "Undo00000", "--force"});
  EXPECT_EQ(r.exitCode, 3u) << r.out << r.err;
  int before = 0;  // the entries written ahead of the fourth
  for (int i = 1; i <= 5; ++i) before += LocalHeaderOf(zip, Ini(i)) < fourth;
  EXPECT_EQ(r.out.rfind(std::to_string(before) + " files restored.", 0), 0u) << r.out;
  EXPECT_NE(r.out.find(Ini(4) + " was not restored"), std::string::npos) << r.out;

  // Empty (a run stopped before its first backup was whole, so before its
  // first write was announced, and before its change report was written):
  // nothing to give back, no failure.
  WriteTestFile(fs, kZip, "");
  WriteTestFile(fs, kHome + "\\Undo00000.after", "Ostrivane written record 1\r\n");
  ASSERT_TRUE(fs.Remove(kHome + "\\Undo00000.log"));
  r = Cli({"undo", "run", "Undo00000"});
  EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_EQ(r.out, "0 files restored.  Undo has completed\n");
}

TEST_F(FaultsWin, UndoDeleteOfARecordHeldOpenSaysSo) {
  MapFive();
  HANDLE held = CreateFileW(PlatformPath(kZip).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const ProcessResult r = Cli({"undo", "delete", "Undo00000"});
  CloseHandle(held);
  EXPECT_EQ(r.exitCode, 3u) << r.out << r.err;
  EXPECT_EQ(r.out.find("deleted"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find(kZip), std::string::npos) << r.err;
  EXPECT_TRUE(fs.FileExists(kZip));
  EXPECT_EQ(Cli({"undo", "delete", "Undo00000"}).exitCode, 0u);
  EXPECT_FALSE(fs.FileExists(kZip));
}

// Hand-made records naming the system's own places, and runs asking for
// them: refused with their rule, nothing moved, deleted or made.
TEST_F(FaultsWin, GuardRailsHoldForHandMadeRecordsAndForRuns) {
  const std::string etc = "C:\\windows\\system32\\drivers\\etc";
  ASSERT_TRUE(fs.FolderExists(etc));
  WriteTestFile(fs, kHome + "\\Undo00000.bat", "[Move]\r\nTo=" + etc + "\r\nFrom=" + kData + "\\etc\r\n");
  WriteTestFile(fs, kHome + "\\Undo00000.reg",
                "REGEDIT4\r\n\r\n[-HKEY_LOCAL_MACHINE\\Software]\r\n[-HKEY_LOCAL_MACHINE]\r\n");
  WriteTestFile(fs, kHome + "\\Undo00001.bat", "[Move]\r\nTo=" + kHome + "\r\nFrom=" + kData + "\\moved\r\n");
  ProcessResult r = Cli({"undo", "run", "Undo00000"});
  EXPECT_EQ(r.exitCode, 3u) << r.out << r.err;
  EXPECT_NE(r.out.find("the Windows folder and everything in it stay in place"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("2 line(s) of " + kHome + "\\Undo00000.reg could not be imported"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("three levels deep"), std::string::npos) << r.out;
  EXPECT_TRUE(fs.FolderExists(etc));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  r = Cli({"undo", "run", "Undo00001"});
  EXPECT_EQ(r.exitCode, 3u) << r.out << r.err;
  EXPECT_NE(r.out.find("it holds Ostrivane itself"), std::string::npos) << r.out;
  EXPECT_TRUE(fs.FileExists(exe));
  EXPECT_FALSE(fs.FolderExists(kData));

  r = Cli({"move", "C:\\windows", kData + "\\moved"});
  EXPECT_EQ(r.exitCode, 3u) << r.out << r.err;
  EXPECT_NE(r.err.find("the Windows folder"), std::string::npos) << r.err;
  EXPECT_FALSE(fs.FolderExists(kData));
  WriteTestFile(fs, kData + "\\a\\x.txt", "x");
  r = Cli({"move", kData + "\\a", kData + "\\a\\b"});
  EXPECT_EQ(r.exitCode, 2u) << r.out << r.err;
  EXPECT_FALSE(fs.FolderExists(kData + "\\a\\b"));
  r = Cli({"map", "--find", "C:\\Same", "--replace", "C:\\Same"});
  EXPECT_EQ(r.exitCode, 2u) << r.out << r.err;
  EXPECT_FALSE(fs.FileExists(kHome + "\\Undo00002.zip"));
}

// The state a move across volumes killed part way leaves: the folder whole
// at home, a part copy of one file and the only copy of another at the new
// place, the record still "moving". The undo leaves one whole copy at home.
TEST_F(FaultsWin, UndoOfAnInterruptedMoveKeepsOneWholeCopyAtHome) {
  const std::string home = kData + "\\Tool", arrived = "D:\\ostrivane-test-faults\\Tool";
  const std::string big(300000, 'b');
  WriteTestFile(fs, home + "\\big.bin", big);
  WriteTestFile(fs, arrived + "\\big.bin", big.substr(0, 79000));
  WriteTestFile(fs, arrived + "\\sub\\moved.txt", "its original is gone");
  WriteTestFile(fs, kHome + "\\Undo00000.bat",
                "[Move]\r\nTo=" + arrived + "\r\nFrom=" + home +
                    "\r\nCreated=D:\\ostrivane-test-faults\r\nPhase=moving\r\n");
  const ProcessResult r = Cli({"undo", "run", "Undo00000"});
  EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_EQ(fs.ReadWhole(home + "\\big.bin"), big);
  EXPECT_EQ(fs.ReadWhole(home + "\\sub\\moved.txt"), "its original is gone");
  EXPECT_FALSE(fs.FolderExists("D:\\ostrivane-test-faults"));
}

// Kills of a real move across volumes (C: on disk, E: in memory: see
// scripts/wine-ctest.sh). Whenever the run is killed, nothing but a whole
// file stands under the name it moves to, and undo leaves one whole copy at
// home and nothing at the new place.
namespace {
constexpr std::size_t kMiB = 1u << 20;
constexpr std::size_t kBigMiB = 192;

// Each MiB begins with its number and the file's tag, so a copy that lost,
// repeated or zeroed a part reads differently.
std::string BigChunk(char tag, std::size_t index) {
  std::string chunk(kMiB, tag);
  for (std::size_t i = 0; i < 8; ++i) chunk[i] = char(index >> (8 * i));
  return chunk;
}
void WriteBigFile(const std::string& path, char tag) {
  HANDLE h = CreateFileW(PlatformPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  for (std::size_t i = 0; i < kBigMiB; ++i) {
    const std::string chunk = BigChunk(tag, i);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h, chunk.data(), DWORD(chunk.size()), &written, nullptr) && written == chunk.size());
  }
  CloseHandle(h);
}
bool IsWholeBigFile(const std::string& path, char tag) {
  HANDLE h = CreateFileW(PlatformPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool whole = true;
  std::string chunk(kMiB, '\0');
  for (std::size_t i = 0; whole && i <= kBigMiB; ++i) {
    DWORD got = 0;
    whole = ReadFile(h, chunk.data(), DWORD(kMiB), &got, nullptr) &&
            (i == kBigMiB ? got == 0 : got == kMiB && chunk == BigChunk(tag, i));
  }
  CloseHandle(h);
  return whole;
}
// The size of a file, -1 when there is none (asked without opening it).
long long SizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(PlatformPath(path).c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// A program left running: its standard input stays open, so a question it
// asks waits for an answer; what it prints on stderr is collected.
class RunningProgram {
 public:
  RunningProgram(const std::string& exe, const std::vector<std::string>& args) {
    std::string cmd = QuoteArg(exe);
    for (const std::string& a : args) cmd += " " + QuoteArg(a);
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE inR = nullptr, errR = nullptr, errW = nullptr;
    CreatePipe(&inR, &input_, &sa, 0);
    CreatePipe(&errR, &errW, &sa, 0);
    SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errR, HANDLE_FLAG_INHERIT, 0);
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inR;
    si.hStdOutput = nul;
    si.hStdError = errW;
    std::wstring wide = WideText(cmd);
    started_ = CreateProcessW(nullptr, wide.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi_);
    CloseHandle(inR);
    CloseHandle(errW);
    CloseHandle(nul);
    reader_ = std::thread([this, errR] {
      char buf[4096];
      DWORD n = 0;
      while (ReadFile(errR, buf, sizeof buf, &n, nullptr) && n > 0) {
        const std::lock_guard<std::mutex> hold(mutex_);
        err_.append(buf, n);
      }
      CloseHandle(errR);
    });
  }
  ~RunningProgram() {
    if (started_) {
      Kill();
      CloseHandle(pi_.hProcess);
      CloseHandle(pi_.hThread);
    }
    CloseHandle(input_);
    reader_.join();  // the pipe ends with the process
  }
  bool Started() const { return started_; }
  bool Running() const { return started_ && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }
  void Kill() {
    TerminateProcess(pi_.hProcess, 99);
    WaitForSingleObject(pi_.hProcess, INFINITE);
  }
  std::string Err() {
    const std::lock_guard<std::mutex> hold(mutex_);
    return err_;
  }

 private:
  PROCESS_INFORMATION pi_{};
  HANDLE input_ = nullptr;
  bool started_ = false;
  std::thread reader_;
  std::mutex mutex_;
  std::string err_;
};
}  // namespace

// The console's move across volumes copies a file (about 0.3 s for 160 MiB
// here) and then deletes it, so the item killed part way is a large file.
TEST_F(FaultsWin, KilledMovesAcrossVolumesUndoToOneWholeCopyAtHome) {
  const std::string home = kData + "\\big.bin", away = "E:\\ostrivane-test-faults", arrived = away + "\\big.bin";
  // E: must be another volume, or the move would be a rename that cannot be caught part way.
  WriteTestFile(fs, kData + "\\probe.txt", "probe");
  if (!fs.FolderExists("E:\\")) GTEST_SKIP() << "no E: drive (scripts/wine-ctest.sh maps it)";
  ASSERT_FALSE(MoveFileExW(PlatformPath(kData + "\\probe.txt").c_str(), L"E:\\probe.txt", 0));
  ASSERT_EQ(GetLastError(), DWORD(ERROR_NOT_SAME_DEVICE));
  RemoveTree(fs, away);
  WriteBigFile(home, 'a');
  const std::string settings = "[Paths]\r\nHome=" + home + "\r\n";
  WriteTestFile(fs, kData + "\\App.ini", settings);
  const long long full = static_cast<long long>(kBigMiB * kMiB);

  // The record is never opened while the run may write it: only looked at.
  struct KillPoint {
    const char* when;
    std::function<bool(RunningProgram&)> reached;
    bool moved;  // the file had left home when the run was killed
  };
  const std::vector<KillPoint> points = {
      // The copy grows under a temporary name beside the one it is to take.
      {"while the file is copied",
       [&](RunningProgram&) {
         for (const DirEntry& e : fs.ListFolder(away + "\\*"))
           if (IsReplaceTempName(e.name) && e.size > 0 && static_cast<long long>(e.size) < full) return true;
         return false;
       },
       false},
      // The run asks about the settings line once the move is done and recorded.
      {"after the move, before the run ended",
       [&](RunningProgram& run) { return run.Err().find("Entry Found") != std::string::npos; }, true},
  };
  for (const KillPoint& point : points) {
    SCOPED_TRACE(point.when);
    bool killed = false;
    {
      RunningProgram run(exe, {"move", home, away, "--targets", "settings", "--drives", "C", "--verify"});
      ASSERT_TRUE(run.Started());
      while (run.Running() && !killed) {
        if (point.reached(run)) {
          run.Kill();
          killed = true;
        }
      }
    }
    ASSERT_TRUE(killed) << "the run ended before the point was reached";
    if (point.moved) {
      EXPECT_FALSE(fs.FileExists(home));
      EXPECT_TRUE(IsWholeBigFile(arrived, 'a'));
    } else {
      EXPECT_EQ(SizeOf(home), full);
      EXPECT_EQ(SizeOf(arrived), -1) << "a part copy under the final name";
    }
    const ProcessResult r = Cli({"undo", "run", "Undo00000"});
    EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_TRUE(IsWholeBigFile(home, 'a')) << r.out;
    EXPECT_FALSE(fs.FolderExists(away)) << r.out;
    EXPECT_EQ(fs.ReadWhole(kData + "\\App.ini"), settings);
    ASSERT_EQ(Cli({"undo", "delete", "Undo00000"}).exitCode, 0u);  // the next run is Undo00000 again
  }
  RemoveTree(fs, away);
}

// A run killed after a file's new content is written beside it and before
// the rename that puts it in place (the program holds there while the
// variable names a file it makes). The file never lacks its name; the undo
// leaves it as before and takes the temporary file away.
TEST_F(FaultsWin, KilledBeforeTheRenameUndoesToTheFileAndNoTemporaryFile) {
  const std::string marker = kData + "-held.txt", ini = Ini(1);
  DeleteFileW(PlatformPath(marker).c_str());
  const std::string before = "[Paths]\r\nHome=C:\\Old Faults Place\\1\r\n";
  WriteTestFile(fs, ini, before);
  ASSERT_TRUE(SetEnvironmentVariableW(L"OSTRIVANE_TEST_HOLD_BEFORE_RENAME", PlatformPath(marker).c_str()));
  {
    RunningProgram run(exe, {"map", "--find", "C:\\Old Faults Place", "--replace", "D:\\New", "--targets", "settings",
                             "--drives", "C"});
    SetEnvironmentVariableW(L"OSTRIVANE_TEST_HOLD_BEFORE_RENAME", nullptr);
    ASSERT_TRUE(run.Started());
    while (run.Running() && !fs.FileExists(marker)) Sleep(1);
    ASSERT_TRUE(fs.FileExists(marker)) << "the run ended without reaching the rename: " << run.Err();
    run.Kill();
  }
  EXPECT_EQ(fs.ReadWhole(ini), before);
  std::vector<std::string> temps;
  for (const DirEntry& e : fs.ListFolder(kData + "\\*"))
    if (IsReplaceTempName(e.name)) temps.push_back(e.name);
  ASSERT_EQ(temps.size(), 1u) << "the new content waits beside the file";
  EXPECT_EQ(fs.ReadWhole(kData + "\\" + temps[0]), "[Paths]\r\nHome=D:\\New\\1\r\n");

  const ProcessResult r = Cli({"undo", "run", "Undo00000"});
  EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
  EXPECT_EQ(fs.ReadWhole(ini), before) << r.out;
  EXPECT_FALSE(fs.FileExists(kData + "\\" + temps[0])) << r.out;
  EXPECT_EQ(r.out.find("changed after the run"), std::string::npos) << r.out;
  DeleteFileW(PlatformPath(marker).c_str());
}
