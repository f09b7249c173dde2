// 2,000 backups of 10 KB files into one archive: the cost of one backup must
// not grow with the entries already in the archive. Reports the mean time of
// the first and of the last 100 backups and their ratio, once with every
// backup flushed to disk (fsync) and once without, which shows the archive's
// own work alone. On a disk shared with other work single flushes can take
// many times their usual time, so the medians and the bytes written per
// backup (which no other process changes) are reported beside the means.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "core/Error.h"
#include "undo/FileBackupArchive.h"

namespace {

namespace stdfs = std::filesystem;

// Drive paths ("C:\x\y") as files below a temporary folder; just what a backup needs.
class PosixFileSystem : public FileSystem {
 public:
  PosixFileSystem(stdfs::path root, bool durable) : root_(std::move(root)), durable_(durable) {}

  std::string Host(const std::string& path) const {
    std::string rest = path.substr(0, 1) + "/" + path.substr(3);
    for (char& c : rest)
      if (c == '\\') c = '/';
    return (root_ / rest).string();
  }
  std::optional<std::string> ShortPathOf(const std::string&) override { return std::nullopt; }
  std::optional<DirEntry> LookUp(const std::string& path) override {
    struct stat st;
    if (stat(Host(path).c_str(), &st) != 0) return std::nullopt;
    DirEntry e;
    e.name = path.substr(path.rfind('\\') + 1);
    e.attributes = S_ISDIR(st.st_mode) ? kAttrFolder : kAttrArchive;
    e.size = static_cast<std::uint64_t>(st.st_size);
    return e;
  }
  FolderListing ListFolderChecked(const std::string&) override { return {}; }
  FolderHolds HoldsAny(const std::string&, bool) override { return FolderHolds::Nothing; }
  std::optional<std::uint32_t> AttributesOf(const std::string& path) override {
    struct stat st;
    if (stat(Host(path).c_str(), &st) != 0) return std::nullopt;
    return S_ISDIR(st.st_mode) ? kAttrFolder : kAttrArchive;
  }
  bool SetAttributesOf(const std::string&, std::uint32_t) override { return true; }
  std::optional<FileTicks> LastWriteOf(const std::string& path) override {
    struct stat st;
    if (stat(Host(path).c_str(), &st) != 0) return std::nullopt;
    return (static_cast<FileTicks>(st.st_mtime) + 11644473600LL) * 10'000'000;
  }
  bool SetLastWriteOf(const std::string&, FileTicks) override { return false; }
  std::string ReadWhole(const std::string& path) override {
    std::ifstream in(Host(path), std::ios::binary);
    if (!in) throw Error("Cannot open file " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void ReplaceWhole(const std::string&, const std::string&) override { throw Error("not used"); }
  std::unique_ptr<RandomFile> OpenRandom(const std::string& path, OpenMode mode) override {
    const int flags = mode == OpenMode::ReadOnly ? O_RDONLY : mode == OpenMode::ReadWrite ? O_RDWR : O_RDWR | O_CREAT | O_TRUNC;
    const int fd = open(Host(path).c_str(), flags, 0644);
    if (fd < 0) throw Error("Cannot open file " + path);
    return std::make_unique<File>(fd, durable_, written);
  }
  bool Remove(const std::string& path) override { return stdfs::remove(Host(path)); }
  bool MakeFolders(const std::string& path) override { return stdfs::create_directories(Host(path)); }

  std::uint64_t written = 0;  // bytes written into files opened here

 private:
  class File : public RandomFile {
   public:
    File(int fd, bool durable, std::uint64_t& written) : fd_(fd), durable_(durable), written_(written) {}
    ~File() override { close(fd_); }
    std::uint64_t Size() override { return static_cast<std::uint64_t>(lseek(fd_, 0, SEEK_END)); }
    void ReadAt(std::uint64_t offset, void* data, std::size_t size) override {
      if (pread(fd_, data, size, static_cast<off_t>(offset)) != static_cast<ssize_t>(size)) throw Error("Read error");
    }
    void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
      if (pwrite(fd_, data, size, static_cast<off_t>(offset)) != static_cast<ssize_t>(size)) throw Error("Write error");
      written_ += size;
    }
    void Truncate(std::uint64_t size) override {
      if (ftruncate(fd_, static_cast<off_t>(size)) != 0) throw Error("Write error");
    }
    void Flush() override {
      if (durable_ && fsync(fd_) != 0) throw Error("Write error");
    }

   private:
    int fd_;
    bool durable_;
    std::uint64_t& written_;
  };
  stdfs::path root_;
  bool durable_;
};

class IdentityCodePage : public CodePage {
 public:
  std::string ToUtf8(std::string_view bytes) override { return std::string(bytes); }
  std::optional<std::string> FromUtf8(std::string_view text) override { return std::string(text); }
};

class IdentityPlatform : public UndoPlatform {
 public:
  CodePage& OemCodePage() override { return oem_; }
  FileTicks ToLocal(FileTicks utc) override { return utc; }
  FileTicks FromLocal(FileTicks local) override { return local; }
  FileTicks LocalNow() override { return 0; }
  FileTicks UtcNow() override { return 0; }
  std::string ShortDate(FileTicks) override { return ""; }
  std::string LongTime(FileTicks) override { return ""; }
  std::string ShortTime(FileTicks) override { return ""; }

 private:
  IdentityCodePage oem_;
};

constexpr int kFiles = 2000;
constexpr int kWindow = 100;
constexpr std::size_t kFileSize = 10 * 1024;

std::string SettingsText(std::mt19937& rng) {
  std::string t;
  while (t.size() < kFileSize)
    t += "Key" + std::to_string(rng() % 1000) + "=C:\\Program Files\\Tool " + std::to_string(rng() % 50) +
         "\\data" + std::to_string(rng()) + ".bin\r\n";
  t.resize(kFileSize);
  return t;
}

void BM_Backup2000Files(benchmark::State& state) {
  const bool durable = state.range(0) != 0;
  const stdfs::path root = stdfs::temp_directory_path() / ("ostrivane_backup_bench_" + std::to_string(getpid()));
  stdfs::create_directories(root / "C" / "data");
  stdfs::create_directories(root / "C" / "prog");
  std::mt19937 rng(7);
  for (int i = 0; i < kFiles; ++i)
    std::ofstream(root / "C" / "data" / std::string("f").append(std::to_string(i)).append(".ini"), std::ios::binary)
        << SettingsText(rng);

  std::vector<std::string> paths;
  for (int i = 0; i < kFiles; ++i) paths.push_back(std::string("C:\\data\\f").append(std::to_string(i)).append(".ini"));
  PosixFileSystem fs(root, durable);
  IdentityPlatform platform;
  double first = 0, last = 0, firstBytes = 0, lastBytes = 0;
  std::vector<double> firstTimes, lastTimes;
  int rounds = 0;
  for (auto _ : state) {
    FileBackupArchive archive(fs, platform);
    archive.SetArchiveName("C:\\prog\\Undo00000.zip");
    stdfs::remove(root / "C" / "prog" / "Undo00000.zip");
    for (int i = 0; i < kFiles; ++i) {
      const std::uint64_t writtenBefore = fs.written;
      const auto t0 = std::chrono::steady_clock::now();
      if (!archive.BackupFile(paths[i])) state.SkipWithError("backup failed");
      const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count();
      const double bytes = static_cast<double>(fs.written - writtenBefore);
      if (i < kWindow) {
        first += us;
        firstBytes += bytes;
        firstTimes.push_back(us);
      }
      if (i >= kFiles - kWindow) {
        last += us;
        lastBytes += bytes;
        lastTimes.push_back(us);
      }
    }
    ++rounds;
  }
  state.counters["first100_mean_us"] = first / (kWindow * rounds);
  state.counters["last100_mean_us"] = last / (kWindow * rounds);
  state.counters["last_to_first"] = last / first;
  auto median = [](std::vector<double>& v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
  };
  const double firstMedian = median(firstTimes), lastMedian = median(lastTimes);
  state.counters["first100_median_us"] = firstMedian;
  state.counters["last100_median_us"] = lastMedian;
  state.counters["median_last_to_first"] = lastMedian / firstMedian;
  state.counters["first100_written_KB"] = firstBytes / (kWindow * rounds) / 1024;
  state.counters["last100_written_KB"] = lastBytes / (kWindow * rounds) / 1024;
  state.counters["archive_KB"] = static_cast<double>(stdfs::file_size(root / "C" / "prog" / "Undo00000.zip")) / 1024;
  stdfs::remove_all(root);
}
BENCHMARK(BM_Backup2000Files)->Arg(0)->Arg(1)->ArgNames({"fsync"})->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
