#pragma once
// The old place held in binary data (a REG_BINARY value, a program, a
// database): found in its UTF-16LE and its 8-bit (UTF-8 or ANSI) spellings,
// never rewritten, and named with why.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/CodePage.h"
#include "engine/ChangeList.h"
#include "engine/SearchTexts.h"

// The reason every binary occurrence is named with.
inline constexpr const char* kBinaryNotRewritten =
    "binary data: not rewritten (a length or checksum in it would no longer fit)";

struct BinaryFind {
  std::size_t offset = 0;  // of the first byte of the occurrence
  bool wide = false;       // UTF-16LE, else 8-bit
  std::string context;     // the readable run of characters around it, as UTF-8
};

class BinarySearch {
 public:
  // Every old form of `spellings`, as UTF-8, as the ANSI code page writes it
  // (when that differs) and as UTF-16LE.
  BinarySearch(const Spellings& spellings, CodePage& ansi);
  // The first occurrence that stands as the spellings' rule asks; none when
  // the data holds none.
  std::optional<BinaryFind> Find(std::string_view bytes) const;

 private:
  struct Needle {
    std::string bytes;
    bool wide;
  };
  // Whether an occurrence of `n` at `pos` is the whole path rather than the
  // start of a longer name.
  bool StandsWhole(std::string_view bytes, const Needle& n, std::size_t pos) const;
  std::vector<Needle> needles_;
  // Runs of ASCII letters and digits every needle holds (8-bit and wide): a
  // quick test that passes most data by; empty when none can be told.
  std::vector<std::string> runs_;
  CodePage* ansi_;
  MatchRule rule_;
};

// The change-list entry naming binary data at `where` (and a registry
// value's name) that holds the old place.
ChangeEntry BinaryEntry(std::string where, std::string value, const BinaryFind& found);
