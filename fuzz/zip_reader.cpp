// The backup archive's reader: the directory from the end record, the
// recovery scan of the local headers when there is none, and the extraction
// of each entry, and the undo's salvage of a damaged archive, over an
// archive held in memory. After reading, an append
// must keep the archive readable and give back what was appended.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "core/Error.h"
#include "undo/ZipArchive.h"

namespace {
class MemoryFile : public RandomFile {
 public:
  explicit MemoryFile(std::string data) : data_(std::move(data)) {}
  std::uint64_t Size() override { return data_.size(); }
  void ReadAt(std::uint64_t offset, void* data, std::size_t size) override {
    if (offset > data_.size() || size > data_.size() - offset) throw Error("short read");
    std::memcpy(data, data_.data() + offset, size);
  }
  void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
    // A file system fills a gap with zeros.
    if (offset + size > data_.size()) data_.resize(offset + size, '\0');
    std::memcpy(data_.data() + offset, data, size);
  }
  void Truncate(std::uint64_t size) override { data_.resize(size); }
  void Flush() override {}
  const std::string& Data() const { return data_; }

 private:
  std::string data_;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  MemoryFile file(std::string(reinterpret_cast<const char*>(bytes), size));
  ZipDirectory dir;
  try {
    dir = ReadZipDirectory(file);
  } catch (const Error&) {
    return 0;  // an unreadable file is reported, not a fault
  }
  FUZZ_CHECK(dir.end <= dir.directoryAt);
  FUZZ_CHECK(dir.directoryAt <= size || dir.recovered);
  FUZZ_CHECK(dir.entries.size() <= 0xFFFF || dir.recovered);
  std::size_t readable = 0;
  std::vector<std::string> contents(dir.entries.size());
  std::vector<bool> read(dir.entries.size());
  for (std::size_t k = 0; k < dir.entries.size(); ++k) {
    const ZipEntry& e = dir.entries[k];
    FUZZ_CHECK(e.offset < size);
    try {
      contents[k] = ExtractZipEntry(file, e);
      FUZZ_CHECK(contents[k].size() == e.size);
      read[k] = true;
      ++readable;
    } catch (const Error&) {
      // A damaged entry in a sound directory: reported by the caller.
    }
  }
  // The recovery scan keeps only entries whose data checks out.
  if (dir.recovered) FUZZ_CHECK(readable == dir.entries.size());

  // The undo's salvage: every entry it lists has a reading, in archive
  // order, and one that extracts gives data of a size it states; an entry
  // that does not extract is named by the caller.
  std::uint64_t lastOffset = 0;
  for (const ZipEntryReadings& readings : SalvageZipEntries(file)) {
    FUZZ_CHECK(!readings.empty());
    FUZZ_CHECK(readings.front().offset >= lastOffset);  // a directory may name offsets past the end
    lastOffset = readings.front().offset;
    try {
      const std::string data = ExtractSalvaged(file, readings);
      bool stated = false;
      for (const ZipEntry& e : readings) stated |= data.size() == e.size;
      FUZZ_CHECK(stated);
    } catch (const Error&) {
    }
  }

  // Appending goes on after what was read; the new entry must come back, and
  // so must the entries that could be read before.
  if (dir.entries.size() >= 0xFFFF || size > (1u << 20)) return 0;
  ZipAppender appender(dir);
  const std::string added = "appended after the fuzzed archive";
  try {
    appender.Append(file, "added.txt", added, 0x5A21, 0x6000, 0x20);
  } catch (const Error&) {
    return 0;
  }
  FUZZ_CHECK(file.Size() == appender.ExpectedSize());
  const ZipDirectory after = ReadZipDirectory(file);
  FUZZ_CHECK(!after.recovered);
  FUZZ_CHECK(after.entries.size() == dir.entries.size() + 1);
  FUZZ_CHECK(after.entries.back().name == "added.txt");
  FUZZ_CHECK(ExtractZipEntry(file, after.entries.back()) == added);
  for (std::size_t k = 0; k < dir.entries.size(); ++k)
    if (read[k]) FUZZ_CHECK(ExtractZipEntry(file, after.entries[k]) == contents[k]);
  return 0;
}
