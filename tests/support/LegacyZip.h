#pragma once
// An archive as earlier builds wrote it: names in the OEM code page without
// the UTF-8 flag, one stored entry each, made by an MS-DOS host.
#include <string>
#include <utility>
#include <vector>

std::string ArchiveWithOemNames(const std::vector<std::pair<std::string, std::string>>& entries);
