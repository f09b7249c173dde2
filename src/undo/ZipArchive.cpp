#include "undo/ZipArchive.h"

#include <zlib.h>

#include <algorithm>
#include <optional>
#include <iterator>
#include <limits>
#include <map>

#include "core/Error.h"

namespace {

constexpr std::uint32_t kLocalSig = 0x04034b50;
constexpr std::uint32_t kCentralSig = 0x02014b50;
constexpr std::uint32_t kEndSig = 0x06054b50;
constexpr std::size_t kLocalSize = 30;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kEndSize = 22;
constexpr std::uint16_t kFlagEncrypted = 0x1;
constexpr std::uint16_t kFlagDescriptor = 0x8;
constexpr std::uint16_t kFlagUtf8 = 0x800;  // language encoding flag: name and comment in UTF-8
constexpr std::size_t kMaxEntries = 0xFFFF;  // the end record's count is 16 bits
constexpr std::uint64_t kMaxOffset = 0xFFFFFFFFull;
constexpr std::uint64_t kMaxFreeSpace = 4u << 20;
constexpr std::uint16_t kNtfsExtraTag = 0x000a;
constexpr std::uint16_t kNtfsTimesTag = 0x0001;
constexpr std::size_t kNtfsTimesSize = 24;  // last write, last access, creation

void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Put64(std::string& out, std::uint64_t v) {
  Put32(out, static_cast<std::uint32_t>(v & 0xFFFFFFFF));
  Put32(out, static_cast<std::uint32_t>(v >> 32));
}
std::uint16_t Get16(const std::string& s, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) | (static_cast<unsigned char>(s[at + 1]) << 8));
}
std::uint32_t Get32(const std::string& s, std::size_t at) {
  return Get16(s, at) | (static_cast<std::uint32_t>(Get16(s, at + 2)) << 16);
}
std::uint64_t Get64(const std::string& s, std::size_t at) {
  return Get32(s, at) | (static_cast<std::uint64_t>(Get32(s, at + 4)) << 32);
}

// The NTFS extra field of the ZIP application note, with its one attribute
// of file times. Only the last write is known; access and creation repeat it
// rather than claim a time in 1601 to a tool that restores them.
std::string ExtraField(const ZipEntry& e) {
  if (!e.lastWrite) return "";
  std::string out;
  Put16(out, kNtfsExtraTag);
  Put16(out, 4 + 4 + kNtfsTimesSize);
  Put32(out, 0);  // reserved
  Put16(out, kNtfsTimesTag);
  Put16(out, kNtfsTimesSize);
  for (int i = 0; i < 3; ++i) Put64(out, static_cast<std::uint64_t>(*e.lastWrite));
  return out;
}

// The last-write time of an NTFS extra field among the extra blocks; every
// length is checked, so a damaged field gives nothing rather than a wrong time.
std::optional<FileTicks> NtfsLastWrite(const std::string& extra) {
  for (std::size_t at = 0; at + 4 <= extra.size();) {
    const std::uint16_t tag = Get16(extra, at), size = Get16(extra, at + 2);
    const std::size_t end = at + 4 + size;
    if (end > extra.size()) return std::nullopt;
    if (tag == kNtfsExtraTag) {
      for (std::size_t a = at + 8; a + 4 <= end;) {
        const std::uint16_t attrTag = Get16(extra, a), attrSize = Get16(extra, a + 2);
        if (a + 4 + attrSize > end) return std::nullopt;
        if (attrTag == kNtfsTimesTag && attrSize >= kNtfsTimesSize) {
          const std::uint64_t t = Get64(extra, a + 4);
          if (t == 0 || t > static_cast<std::uint64_t>(std::numeric_limits<FileTicks>::max())) return std::nullopt;
          return static_cast<FileTicks>(t);
        }
        a += 4 + attrSize;
      }
    }
    at = end;
  }
  return std::nullopt;
}

// The fields shared by the local and the central header.
void PutCommon(std::string& out, const ZipEntry& e) {
  Put16(out, e.method == 8 ? 20 : 10);  // version needed
  Put16(out, e.utf8Name ? kFlagUtf8 : 0);  // sizes known, so no descriptor
  Put16(out, e.method);
  Put16(out, e.dosTime);
  Put16(out, e.dosDate);
  Put32(out, e.crc);
  Put32(out, e.packedSize);
  Put32(out, e.size);
  Put16(out, static_cast<std::uint32_t>(e.name.size()));
  Put16(out, static_cast<std::uint32_t>(ExtraField(e).size()));
}

std::string LocalHeader(const ZipEntry& e) {
  std::string out;
  Put32(out, kLocalSig);
  PutCommon(out, e);
  return out + e.name + ExtraField(e);
}

std::string CentralHeader(const ZipEntry& e) {
  std::string out;
  Put32(out, kCentralSig);
  // Made by a FAT host, so the external attributes are DOS attribute bits:
  // VFAT for UTF-8 names, as tools that would otherwise take every name
  // from a plain MS-DOS host for OEM text (Info-ZIP's) read the flag only then.
  Put16(out, e.utf8Name ? (14 << 8) | 20 : 20);
  PutCommon(out, e);
  Put16(out, 0);  // comment length
  Put16(out, 0);  // disk
  Put16(out, 0);  // internal attributes
  Put32(out, e.attributes);
  Put32(out, static_cast<std::uint32_t>(e.offset));
  return out + e.name + ExtraField(e);
}

std::string EndRecord(std::size_t count, std::uint64_t dirSize, std::uint64_t dirAt) {
  std::string out;
  Put32(out, kEndSig);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<std::uint32_t>(count));
  Put16(out, static_cast<std::uint32_t>(count));
  Put32(out, static_cast<std::uint32_t>(dirSize));
  Put32(out, static_cast<std::uint32_t>(dirAt));
  Put16(out, 0);
  return out;
}

std::string ReadBytes(RandomFile& file, std::uint64_t offset, std::size_t size) {
  std::string out(size, '\0');
  if (size) file.ReadAt(offset, out.data(), size);
  return out;
}

std::uint32_t Crc(const std::string& data) {
  uLong crc = crc32(0L, Z_NULL, 0);
  const auto* p = reinterpret_cast<const Bytef*>(data.data());
  std::size_t left = data.size();
  while (left) {  // crc32 takes a 32-bit length
    const uInt n = static_cast<uInt>(std::min<std::size_t>(left, 1u << 30));
    crc = crc32(crc, p, n);
    p += n;
    left -= n;
  }
  return static_cast<std::uint32_t>(crc);
}

// Inflates raw Deflate data into exactly `size` bytes; false when the data is
// damaged or does not give that size.
bool InflateExact(const std::string& packed, std::uint32_t size, std::string& out) {
  // Deflate shrinks by at most about 1032 to 1: a larger stated size is a
  // damaged header, not a reason to allocate gigabytes.
  if (size > packed.size() * 1032 + 1024) return false;
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
  out.assign(size, '\0');
  char spare = 0;  // catches output beyond the stated size
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  z.avail_in = static_cast<uInt>(packed.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = size;
  int rc = inflate(&z, Z_FINISH);
  if (rc != Z_STREAM_END && z.avail_out == 0) {
    z.next_out = reinterpret_cast<Bytef*>(&spare);
    z.avail_out = 1;
    rc = inflate(&z, Z_FINISH);
  }
  const bool ok = rc == Z_STREAM_END && z.total_out == size;
  inflateEnd(&z);
  return ok;
}

// The fields shared by the local and the central header, from `at` on.
void ParseCommon(const std::string& h, std::size_t at, ZipEntry& e, std::uint16_t& flags) {
  flags = Get16(h, at);
  e.method = Get16(h, at + 2);
  e.dosTime = Get16(h, at + 4);
  e.dosDate = Get16(h, at + 6);
  e.crc = Get32(h, at + 8);
  e.packedSize = Get32(h, at + 12);
  e.size = Get32(h, at + 16);
  e.utf8Name = (flags & kFlagUtf8) != 0;
}

// The content of an entry from its stored data; throws Error saying what is wrong.
std::string Unpack(const std::string& packed, const ZipEntry& e, std::uint16_t flags) {
  if (flags & kFlagEncrypted) throw Error("it is encrypted");
  std::string data;
  if (e.method == 0) {
    if (e.packedSize != e.size) throw Error("its sizes do not agree");
    data = packed;
  } else if (e.method == 8) {
    if (!InflateExact(packed, e.size, data)) throw Error("its compressed data is damaged");
  } else {
    throw Error("it uses an unknown compression method");
  }
  if (Crc(data) != e.crc) throw Error("its checksum does not match its data");
  return data;
}

// Where the entries' data ends, so that the free space between it and the
// directory takes the next entry; the directory's start when that is not
// certain (a data descriptor, a header that does not agree). None when an
// entry's data, as its own header places it, runs into the directory: an
// append would write over it.
std::optional<std::uint64_t> EntriesEnd(RandomFile& file, const std::vector<ZipEntry>& entries, std::uint64_t dirAt) {
  if (entries.empty()) return dirAt;
  const auto last = std::max_element(entries.begin(), entries.end(),
                                     [](const ZipEntry& a, const ZipEntry& b) { return a.offset < b.offset; });
  std::uint64_t end = 0;
  bool uncertain = false;
  for (const ZipEntry& e : entries) {
    end = std::max(end, e.offset + kLocalSize + e.name.size() + e.packedSize);
    const std::string h = ReadBytes(file, e.offset, kLocalSize);
    const bool isLast = &e == &*last;
    if (Get32(h, 0) != kLocalSig) {
      uncertain = uncertain || isLast;
      continue;
    }
    const std::uint64_t dataEnd = e.offset + kLocalSize + Get16(h, 26) + Get16(h, 28) + e.packedSize;
    if (dataEnd > dirAt) return std::nullopt;
    uncertain = uncertain || (isLast && (Get16(h, 6) & kFlagDescriptor));
    end = std::max(end, dataEnd);
  }
  return uncertain ? dirAt : std::min(end, dirAt);
}

bool ReadCentralDirectory(RandomFile& file, std::uint64_t fileSize, ZipDirectory& dir) {
  if (fileSize < kEndSize) return false;
  const std::uint64_t tailSize = std::min<std::uint64_t>(fileSize, kEndSize + 0xFFFF);
  const std::uint64_t tailAt = fileSize - tailSize;
  const std::string tail = ReadBytes(file, tailAt, static_cast<std::size_t>(tailSize));
  // The end record is the last signature whose comment reaches exactly to the end.
  std::size_t endAt = std::string::npos;
  for (std::size_t i = tail.size() - kEndSize + 1; i-- > 0;) {
    if (Get32(tail, i) == kEndSig && i + kEndSize + Get16(tail, i + 20) == tail.size()) {
      endAt = i;
      break;
    }
  }
  if (endAt == std::string::npos) return false;
  const std::uint16_t disk = Get16(tail, endAt + 4), dirDisk = Get16(tail, endAt + 6);
  const std::uint16_t onDisk = Get16(tail, endAt + 8), count = Get16(tail, endAt + 10);
  const std::uint32_t dirSize = Get32(tail, endAt + 12), dirAt = Get32(tail, endAt + 16);
  // A stale end record left by an interrupted append points at a directory
  // that no longer stands where it says: every field must agree.
  if (disk != 0 || dirDisk != 0 || onDisk != count) return false;
  if (static_cast<std::uint64_t>(dirAt) + dirSize != tailAt + endAt) return false;
  const std::string cd = ReadBytes(file, dirAt, dirSize);
  std::size_t p = 0;
  std::vector<ZipEntry> entries;
  for (std::uint16_t k = 0; k < count; ++k) {
    if (p + kCentralSize > cd.size() || Get32(cd, p) != kCentralSig) return false;
    ZipEntry e;
    std::uint16_t flags = 0;
    ParseCommon(cd, p + 8, e, flags);
    const std::size_t nameLen = Get16(cd, p + 28), extraLen = Get16(cd, p + 30), commentLen = Get16(cd, p + 32);
    e.attributes = Get32(cd, p + 38) & 0xFF;
    e.offset = Get32(cd, p + 42);
    const std::size_t next = p + kCentralSize + nameLen + extraLen + commentLen;
    if (next > cd.size()) return false;
    e.name = cd.substr(p + kCentralSize, nameLen);
    e.lastWrite = NtfsLastWrite(cd.substr(p + kCentralSize + nameLen, extraLen));
    if (e.offset + kLocalSize + nameLen + e.packedSize > dirAt) return false;
    entries.push_back(std::move(e));
    p = next;
  }
  if (p != cd.size()) return false;
  dir.entries = std::move(entries);
  dir.directoryAt = dirAt;
  dir.directorySize = dirSize;
  // Such a directory does not describe the file soundly: its entries are
  // read from their local headers instead, and nothing is appended over them.
  const std::optional<std::uint64_t> end = EntriesEnd(file, dir.entries, dirAt);
  if (!end) return false;
  dir.end = *end;
  // Appends write their end record where this one stands: a comment after
  // it would be left behind, so the directory is rather moved.
  if (Get16(tail, endAt + 20) != 0) dir.directoryAt = dir.end;
  return true;
}

// Walks the local headers from the start and keeps every complete entry
// whose data matches its checksum; stops where no further header stands.
void ScanLocalHeaders(RandomFile& file, std::uint64_t fileSize, ZipDirectory& dir) {
  std::uint64_t pos = 0;
  while (pos + kLocalSize <= fileSize) {
    const std::string h = ReadBytes(file, pos, kLocalSize);
    if (Get32(h, 0) != kLocalSig) break;
    ZipEntry e;
    std::uint16_t flags = 0;
    ParseCommon(h, 6, e, flags);
    if (flags & kFlagDescriptor) break;  // sizes unknown here: the next header cannot be found
    const std::size_t nameLen = Get16(h, 26), extraLen = Get16(h, 28);
    const std::uint64_t dataAt = pos + kLocalSize + nameLen + extraLen;
    if (dataAt + e.packedSize > fileSize) break;
    e.name = ReadBytes(file, pos + kLocalSize, nameLen);
    e.lastWrite = NtfsLastWrite(ReadBytes(file, pos + kLocalSize + nameLen, extraLen));
    e.offset = pos;
    try {
      Unpack(ReadBytes(file, dataAt, e.packedSize), e, flags);
      dir.entries.push_back(e);
    } catch (const Error&) {
      dir.damaged.push_back(e);  // its sizes still lead to the next entry
    }
    pos = dataAt + e.packedSize;
  }
  dir.end = pos;
  dir.directoryAt = pos;  // whatever follows is torn: the next append cuts it off
  dir.recovered = true;
}

// The central records as far as they are whole. Only the end record's
// pointer to the directory is trusted, none of its counts: a directory
// damaged part way still gives the records before the damage.
std::vector<ZipEntry> WholeCentralRecords(RandomFile& file, std::uint64_t fileSize) {
  std::vector<ZipEntry> out;
  if (fileSize < kEndSize) return out;
  const std::uint64_t tailSize = std::min<std::uint64_t>(fileSize, kEndSize + 0xFFFF);
  const std::uint64_t tailAt = fileSize - tailSize;
  const std::string tail = ReadBytes(file, tailAt, static_cast<std::size_t>(tailSize));
  const std::size_t endAt = tail.rfind("PK\x05\x06", tail.size() - kEndSize, 4);
  if (endAt == std::string::npos) return out;
  const std::uint64_t dirAt = Get32(tail, endAt + 16), dirEnd = tailAt + endAt;
  constexpr std::uint64_t kMaxDirectory = 64u << 20;  // far beyond 65535 records of real names
  if (dirAt >= dirEnd || dirEnd - dirAt > kMaxDirectory) return out;
  const std::string cd = ReadBytes(file, dirAt, static_cast<std::size_t>(dirEnd - dirAt));
  for (std::size_t p = 0; p + kCentralSize <= cd.size() && Get32(cd, p) == kCentralSig;) {
    ZipEntry e;
    std::uint16_t flags = 0;
    ParseCommon(cd, p + 8, e, flags);
    const std::size_t nameLen = Get16(cd, p + 28), extraLen = Get16(cd, p + 30), commentLen = Get16(cd, p + 32);
    const std::size_t next = p + kCentralSize + nameLen + extraLen + commentLen;
    if (next > cd.size()) break;
    e.attributes = Get32(cd, p + 38) & 0xFF;
    e.offset = Get32(cd, p + 42);
    e.name = cd.substr(p + kCentralSize, nameLen);
    e.lastWrite = NtfsLastWrite(cd.substr(p + kCentralSize + nameLen, extraLen));
    out.push_back(std::move(e));
    p = next;
  }
  return out;
}

// The next local header signature at or after `from`; fileSize when none.
std::uint64_t NextLocalSignature(RandomFile& file, std::uint64_t from, std::uint64_t fileSize) {
  constexpr std::uint64_t kBlock = 1u << 16;
  while (from + 4 <= fileSize) {
    const std::string block = ReadBytes(file, from, static_cast<std::size_t>(std::min(kBlock + 3, fileSize - from)));
    const std::size_t at = block.find("PK\x03\x04", 0, 4);
    if (at != std::string::npos) return from + at;
    from += block.size() - 3;  // a signature across the block's end is found in the next one
  }
  return fileSize;
}

struct LocalReading {
  ZipEntry entry;
  bool whole = false;  // its data matched its checksum
};

// Every local header from the start: a whole entry is passed by its size; a
// damaged or cut one (its size may be what is wrong) by a search for the
// next signature just past its name.
std::vector<LocalReading> AllLocalHeaders(RandomFile& file, std::uint64_t fileSize) {
  std::vector<LocalReading> out;
  // Each damaged header is checked against all the data it claims; a file
  // made of nothing but such headers must not take the square of its size.
  std::uint64_t budget = 8 * fileSize + (16u << 20);
  for (std::uint64_t pos = NextLocalSignature(file, 0, fileSize); pos + kLocalSize <= fileSize;) {
    const std::string h = ReadBytes(file, pos, kLocalSize);
    LocalReading r;
    std::uint16_t flags = 0;
    ParseCommon(h, 6, r.entry, flags);
    const std::size_t nameLen = Get16(h, 26), extraLen = Get16(h, 28);
    const std::uint64_t nameAt = pos + kLocalSize;
    if (nameAt + nameLen > fileSize) break;  // cut inside its name: nothing to name it by
    r.entry.name = ReadBytes(file, nameAt, nameLen);
    r.entry.offset = pos;
    const std::uint64_t dataAt = nameAt + nameLen + extraLen;
    if (!(flags & kFlagDescriptor) && dataAt + r.entry.packedSize <= fileSize) {
      if (r.entry.packedSize > budget) break;
      budget -= r.entry.packedSize;
      r.entry.lastWrite = NtfsLastWrite(ReadBytes(file, nameAt + nameLen, extraLen));
      try {
        Unpack(ReadBytes(file, dataAt, r.entry.packedSize), r.entry, flags);
        r.whole = true;
        budget += r.entry.packedSize;  // a whole entry is passed by: read once
      } catch (const Error&) {
      }
    }
    const std::uint64_t next = r.whole ? dataAt + r.entry.packedSize : nameAt + nameLen;
    out.push_back(std::move(r));
    pos = NextLocalSignature(file, next, fileSize);
  }
  return out;
}

bool SameReading(const ZipEntry& a, const ZipEntry& b) {
  return a.method == b.method && a.crc == b.crc && a.packedSize == b.packedSize && a.size == b.size &&
         a.name == b.name;
}

}  // namespace

std::string EntryNameText(const ZipEntry& entry, CodePage& oem) {
  return entry.utf8Name ? entry.name : oem.ToUtf8(entry.name);
}

bool DeflateSmaller(const std::string& data, std::string& packed) {
  z_stream z{};
  if (deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw Error("Out of memory");
  packed.assign(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(packed.data());
  z.avail_out = static_cast<uInt>(packed.size());
  const int rc = deflate(&z, Z_FINISH);
  packed.resize(z.total_out);
  deflateEnd(&z);
  return rc == Z_STREAM_END && packed.size() < data.size();
}

ZipDirectory ReadZipDirectory(RandomFile& file) {
  const std::uint64_t size = file.Size();
  ZipDirectory dir;
  if (!ReadCentralDirectory(file, size, dir)) {
    dir = ZipDirectory{};
    ScanLocalHeaders(file, size, dir);
  }
  return dir;
}

std::string ExtractZipEntry(RandomFile& file, const ZipEntry& entry) {
  const std::uint64_t fileSize = file.Size();
  if (entry.offset + kLocalSize > fileSize) throw Error("it lies beyond the end of the archive");
  const std::string h = ReadBytes(file, entry.offset, kLocalSize);
  if (Get32(h, 0) != kLocalSig) throw Error("its header is damaged");
  ZipEntry local;
  std::uint16_t flags = 0;
  ParseCommon(h, 6, local, flags);
  const std::uint64_t dataAt = entry.offset + kLocalSize + Get16(h, 26) + Get16(h, 28);
  // The directory's sizes and checksum rule; the local ones may be zero after a descriptor.
  if (dataAt + entry.packedSize > fileSize) throw Error("it lies beyond the end of the archive");
  if (local.method != entry.method) throw Error("its header is damaged");
  return Unpack(ReadBytes(file, dataAt, entry.packedSize), entry, flags);
}

ZipAppender::ZipAppender(ZipDirectory existing)
    : entries_(std::move(existing.entries)), end_(existing.end), directoryAt_(existing.directoryAt) {
  for (const ZipEntry& e : entries_) directory_ += CentralHeader(e);
  directoryInPlace_ = directory_.size() == existing.directorySize;
}

std::uint64_t ZipAppender::ExpectedSize() const {
  return entries_.empty() ? 0 : directoryAt_ + directory_.size() + kEndSize;
}

void ZipAppender::Append(RandomFile& file, const std::string& name, const std::string& data, std::uint16_t dosDate,
                         std::uint16_t dosTime, std::uint32_t attributes, std::optional<FileTicks> lastWrite) {
  AppendAll(file, {NewEntry{name, data, dosDate, dosTime, attributes, lastWrite}});
}

void ZipAppender::AppendAll(RandomFile& file, const std::vector<NewEntry>& added) {
  if (added.empty()) return;
  if (entries_.size() + added.size() > kMaxEntries) throw Error("The backup archive cannot hold more than 65535 files.");
  std::vector<ZipEntry> made;
  std::string entry, central;  // every new entry's bytes, and their central headers
  for (const NewEntry& n : added) {
    if (n.data.size() > kMaxOffset || n.name.size() > 0xFFFF) throw Error("The file is too large for the backup archive.");
    ZipEntry e;
    e.name = n.name;
    e.utf8Name = true;
    e.dosDate = n.dosDate;
    e.dosTime = n.dosTime;
    e.crc = Crc(n.data);
    e.size = static_cast<std::uint32_t>(n.data.size());
    e.attributes = n.attributes & 0xFF;
    e.lastWrite = n.lastWrite;
    e.offset = end_ + entry.size();
    if (e.offset > kMaxOffset) throw Error("The backup archive cannot grow beyond 4 GB.");
    std::string packed;
    const bool deflated = DeflateSmaller(n.data, packed);
    e.method = deflated ? 8 : 0;
    const std::string& stored = deflated ? packed : n.data;
    e.packedSize = static_cast<std::uint32_t>(stored.size());
    entry += LocalHeader(e);
    entry += stored;
    central += CentralHeader(e);
    made.push_back(std::move(e));
  }
  const std::size_t count = entries_.size() + made.size();
  const std::uint64_t entryEnd = end_ + entry.size();
  const std::uint64_t dirSize = directory_.size() + central.size();
  const std::uint64_t tableSize = dirSize + kEndSize;
  if (entryEnd + tableSize > kMaxOffset) throw Error("The backup archive cannot grow beyond 4 GB.");

  // Every step is flushed before the next, so that a crash leaves either the
  // old directory sound or every complete entry for the local-header scan.
  std::uint64_t dirAt = directoryAt_;
  if (directoryInPlace_ && entryEnd <= dirAt && dirAt + tableSize <= kMaxOffset) {
    // Into the free space: readers go on by the old directory meanwhile.
    file.WriteAt(end_, entry.data(), entry.size());
    file.Flush();
    // Their records go over the old end record, a new end record after them.
    const std::string tail = central + EndRecord(count, dirSize, dirAt);
    file.WriteAt(dirAt + directory_.size(), tail.data(), tail.size());
    file.Flush();
  } else {
    // No room: the directory moves out, leaving free space that grows with
    // the archive, so a move comes the rarer the more entries it copies.
    // Cutting it off first leaves nothing stale behind the entries; the
    // file system gives zeros in the free space, where the scan stops.
    const std::uint64_t room = std::min(entryEnd / 2, kMaxFreeSpace);
    dirAt = entryEnd + std::min(room, kMaxOffset - entryEnd - tableSize);
    file.Truncate(end_);
    file.Flush();
    file.WriteAt(end_, entry.data(), entry.size());
    file.Flush();
    const std::string table = directory_ + central + EndRecord(count, dirSize, dirAt);
    file.WriteAt(dirAt, table.data(), table.size());
    file.Flush();
  }
  directory_ += central;
  directoryInPlace_ = true;
  for (ZipEntry& e : made) entries_.push_back(std::move(e));
  end_ = entryEnd;
  directoryAt_ = dirAt;
}

std::vector<ZipEntryReadings> SalvageZipEntries(RandomFile& file) {
  const std::uint64_t fileSize = file.Size();
  std::map<std::uint64_t, ZipEntryReadings> byOffset;
  // Where each directory record says its entry's data runs: a header found
  // inside it belongs to a stored file (an archive backed up), not to us.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> spans;
  for (ZipEntry& e : WholeCentralRecords(file, fileSize)) {
    spans.emplace_back(e.offset, e.offset + kLocalSize + e.name.size() + e.packedSize);
    byOffset[e.offset].push_back(std::move(e));
  }
  // Sorted by start, each with the farthest end up to it: one search per header.
  std::sort(spans.begin(), spans.end());
  for (std::size_t i = 1; i < spans.size(); ++i) spans[i].second = std::max(spans[i].second, spans[i - 1].second);
  const auto insideASpan = [&](std::uint64_t offset) {
    const auto after = std::lower_bound(spans.begin(), spans.end(), std::make_pair(offset, std::uint64_t(0)));
    return after != spans.begin() && std::prev(after)->second > offset;
  };
  // A sound directory is the last word on which entries were completed: a
  // header it does not list is an append torn before its directory record,
  // whose change never happened.
  ZipDirectory sound;
  const bool directorySound = ReadCentralDirectory(file, fileSize, sound);
  for (LocalReading& r : AllLocalHeaders(file, fileSize)) {
    auto found = byOffset.find(r.entry.offset);
    if (found == byOffset.end()) {
      if (directorySound) continue;
      if (!insideASpan(r.entry.offset)) byOffset[r.entry.offset].push_back(std::move(r.entry));
      continue;
    }
    ZipEntryReadings& readings = found->second;
    const bool known = std::any_of(readings.begin(), readings.end(),
                                   [&](const ZipEntry& e) { return SameReading(e, r.entry); });
    if (known) continue;
    // A whole local reading goes first: it is known to give the data. Only
    // the directory holds the attributes.
    r.entry.attributes = readings.front().attributes;
    if (!r.entry.lastWrite) r.entry.lastWrite = readings.front().lastWrite;
    readings.insert(r.whole ? readings.begin() : readings.end(), std::move(r.entry));
  }
  std::vector<ZipEntryReadings> out;
  out.reserve(byOffset.size());
  for (auto& [offset, readings] : byOffset) out.push_back(std::move(readings));
  return out;
}

std::string ExtractSalvaged(RandomFile& file, const ZipEntryReadings& readings) {
  std::optional<Error> first;
  for (const ZipEntry& e : readings) {
    try {
      return ExtractZipEntry(file, e);
    } catch (const Error& err) {
      if (!first) first = err;
    }
  }
  throw first.value_or(Error("it has no readable header"));
}
