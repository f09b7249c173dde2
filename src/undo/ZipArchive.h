#pragma once
// The ZIP container of the backup archives: local headers, central directory
// and end record, entries stored or raw Deflate. Free space is kept between
// the entries and the directory, so an append writes only the new entry and
// one directory record; earlier entries are never rewritten, and a reader
// that finds no sound directory recovers every complete entry from the local
// headers.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/CodePage.h"
#include "core/FileSystem.h"

struct ZipEntry {
  std::string name;  // as stored ("/" separators), in UTF-8 or the OEM code page
  bool utf8Name = true;  // the language encoding flag (bit 11): the name is UTF-8
  std::uint16_t method = 0;  // 0 stored, 8 Deflate
  std::uint16_t dosTime = 0;
  std::uint16_t dosDate = 0;
  std::uint32_t crc = 0;
  std::uint32_t packedSize = 0;
  std::uint32_t size = 0;
  std::uint32_t attributes = 0;  // MS-DOS attribute bits of the file
  std::uint64_t offset = 0;      // of the local header
  // The exact last-write time (UTC) from an NTFS extra field; archives of
  // earlier builds and other tools may have only the MS-DOS time.
  std::optional<FileTicks> lastWrite;
};

struct ZipDirectory {
  std::vector<ZipEntry> entries;  // in the directory's order
  std::uint64_t end = 0;          // where the entries end (the next entry goes here)
  std::uint64_t directoryAt = 0;  // where the central directory starts: end, or later past free space
  std::uint64_t directorySize = 0;  // its bytes on disk (0 when recovered)
  bool recovered = false;         // no sound directory: entries found by scanning
  std::vector<ZipEntry> damaged;  // entries the scan found but had to leave out
};

// The entry's name as UTF-8: as stored when the entry has the UTF-8 flag,
// otherwise decoded from the OEM code page (archives of earlier builds).
std::string EntryNameText(const ZipEntry& entry, CodePage& oem);

// The directory of an archive: from the end record and central directory
// when they are sound, otherwise every complete entry (CRC checked) found by
// walking the local headers from the start. Throws Error when the file cannot be read.
ZipDirectory ReadZipDirectory(RandomFile& file);

// One entry of an archive that may be damaged, as each part of the archive
// that still shows it reads it: its central directory record and its local
// header, when they disagree. Extraction tries each reading in turn.
using ZipEntryReadings = std::vector<ZipEntry>;

// Every entry an undo may still get back from an archive that may be
// damaged or cut short, in archive order: the central directory is read
// record by record as far as its records are whole, and the local headers
// are walked from the start, a damaged one passed over by looking for the
// next header. An entry that cannot be read whole is still listed, so that
// it can be named; a torn append behind a sound directory is not (its
// change never happened). Throws Error when the file cannot be read.
std::vector<ZipEntryReadings> SalvageZipEntries(RandomFile& file);

// The content of the first reading that gives it whole; the first reading's
// Error when none does.
std::string ExtractSalvaged(RandomFile& file, const ZipEntryReadings& readings);

// The entry's content, its sizes and CRC checked. Throws Error when the
// entry is damaged.
std::string ExtractZipEntry(RandomFile& file, const ZipEntry& entry);

// The directory of one archive kept in memory, so that an append writes only
// the new entry and its directory record. It holds no file: each append is handed
// the archive opened for writing.
class ZipAppender {
 public:
  // Continues the archive after `existing` (an empty directory for a new file).
  explicit ZipAppender(ZipDirectory existing);

  const std::vector<ZipEntry>& Entries() const { return entries_; }
  // The size the archive has on disk after the last append.
  std::uint64_t ExpectedSize() const;
  // Adds one entry, its name UTF-8 and flagged so in both headers, and
  // writes the new directory; durable when it returns. lastWrite, when
  // given, goes into an NTFS extra field beside the MS-DOS time.
  // Throws Error; the archive on disk then still holds every earlier entry.
  void Append(RandomFile& file, const std::string& name, const std::string& data, std::uint16_t dosDate,
              std::uint16_t dosTime, std::uint32_t attributes, std::optional<FileTicks> lastWrite = std::nullopt);
  // One file to add, as Append takes it.
  struct NewEntry {
    std::string name;
    std::string data;
    std::uint16_t dosDate = 0, dosTime = 0;
    std::uint32_t attributes = 0;
    std::optional<FileTicks> lastWrite;
  };
  // Adds the entries in order with one write of the entries and one of the
  // directory, each made durable: all of them are in the archive when it
  // returns, and a crash before leaves the archive as it was (or with whole
  // entries the directory does not name yet, which the scan finds).
  void AppendAll(RandomFile& file, const std::vector<NewEntry>& added);

 private:
  std::vector<ZipEntry> entries_;
  std::string directory_;  // the central headers of entries_
  std::uint64_t end_ = 0;  // the next entry goes here
  std::uint64_t directoryAt_ = 0;  // from end_ to here the file is free space
  // The directory on disk is directory_ byte for byte in length, so a record
  // appended after it lands where the end record says. A directory of
  // another writer (extra fields, comments) is written anew instead.
  bool directoryInPlace_ = true;
};

// Raw Deflate at level 6 into packed; false when that would not be smaller than the data.
bool DeflateSmaller(const std::string& data, std::string& packed);
