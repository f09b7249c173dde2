#include "support/LegacyZip.h"

#include <zlib.h>

#include <cstdint>

namespace {
void Put16(std::string& out, unsigned v) {
  out += char(v & 0xFF);
  out += char((v >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
}  // namespace

std::string ArchiveWithOemNames(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string body, directory;
  for (const auto& [name, data] : entries) {
    std::string common;
    Put16(common, 10);          // version needed
    Put16(common, 0);           // no flags: the name is OEM text
    Put16(common, 0);           // stored
    Put32(common, 0x00210000);  // time and date
    Put32(common, std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size()))));
    Put32(common, std::uint32_t(data.size()));
    Put32(common, std::uint32_t(data.size()));
    Put16(common, unsigned(name.size()));
    Put16(common, 0);
    std::string central;
    Put32(central, 0x02014b50);
    Put16(central, 20);  // MS-DOS
    central += common;
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, 0);
    Put32(central, 0x20);
    Put32(central, std::uint32_t(body.size()));
    directory += central + name;
    Put32(body, 0x04034b50);
    body += common + name + data;
  }
  std::string end;
  Put32(end, 0x06054b50);
  Put16(end, 0);
  Put16(end, 0);
  Put16(end, unsigned(entries.size()));
  Put16(end, unsigned(entries.size()));
  Put32(end, std::uint32_t(directory.size()));
  Put32(end, std::uint32_t(body.size()));
  Put16(end, 0);
  return body + directory + end;
}
