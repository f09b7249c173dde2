#include "core/Text.h"

#include <array>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::array<unsigned char, 256> MakeFoldTable() {
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = (i >= 'a' && i <= 'z') ? (unsigned char)(i - 32) : (unsigned char)i;
  return t;
}
constexpr auto kFold = MakeFoldTable();


bool EqualFold(const unsigned char* a, const unsigned char* b, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k)
    if (kFold[a[k]] != kFold[b[k]]) return false;
  return true;
}

// For a letter, (x | 0x20) == lower(c) holds exactly for both cases of it;
// for any other byte the comparison must be exact.
struct ByteKey {
  unsigned char orMask, target;
  explicit ByteKey(unsigned char c) : orMask(IsLetterAZ(char(c)) ? 0x20 : 0), target(IsLetterAZ(char(c)) ? (c | 0x20) : c) {}
  bool Matches(unsigned char x) const { return (unsigned char)(x | orMask) == target; }
};

}  // namespace

std::string UpperAZ(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = UpperAZ(c);
  return r;
}

bool EqualNoCaseAZ(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         EqualFold(reinterpret_cast<const unsigned char*>(a.data()), reinterpret_cast<const unsigned char*>(b.data()), a.size());
}

std::size_t FindFold(std::string_view hay, std::string_view needle, std::size_t from) {
  const std::size_t n = hay.size(), m = needle.size();
  if (m == 0 || from > n || n - from < m) return kNotFound;
  const auto* h = reinterpret_cast<const unsigned char*>(hay.data());
  const auto* nd = reinterpret_cast<const unsigned char*>(needle.data());
  const ByteKey first(nd[0]), last(nd[m - 1]);
  const std::size_t lastStart = n - m;
  const std::size_t middle = m > 2 ? m - 2 : 0;
  std::size_t i = from;
#if defined(__SSE2__)
  // Filter 16 candidate starts at once on the first and the last byte of the
  // needle, then verify the few that pass.
  const __m128i fOr = _mm_set1_epi8((char)first.orMask), fT = _mm_set1_epi8((char)first.target);
  const __m128i lOr = _mm_set1_epi8((char)last.orMask), lT = _mm_set1_epi8((char)last.target);
  auto candidates = [&](std::size_t at) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + at));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + at + m - 1));
    return (unsigned)_mm_movemask_epi8(
        _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, fOr), fT), _mm_cmpeq_epi8(_mm_or_si128(b, lOr), lT)));
  };
  auto verify = [&](std::size_t at, unsigned mask) -> std::size_t {
    while (mask) {
      const unsigned bit = (unsigned)__builtin_ctz(mask);
      if (EqualFold(h + at + bit + 1, nd + 1, middle)) return at + bit;
      mask &= mask - 1;
    }
    return kNotFound;
  };
  // Two blocks a round: most rounds find no candidate at all.
  for (; i + 32 <= lastStart + 1; i += 32) {
    const unsigned lo = candidates(i), hi = candidates(i + 16);
    if (__builtin_expect((lo | hi) == 0, 1)) continue;
    std::size_t hit = verify(i, lo);
    if (hit == kNotFound) hit = verify(i + 16, hi);
    if (hit != kNotFound) return hit;
  }
  for (; i + 16 <= lastStart + 1; i += 16) {
    const std::size_t hit = verify(i, candidates(i));
    if (hit != kNotFound) return hit;
  }
#endif
  for (; i <= lastStart; ++i)
    if (first.Matches(h[i]) && last.Matches(h[i + m - 1]) && EqualFold(h + i + 1, nd + 1, middle)) return i;
  return kNotFound;
}

std::string AddSlash(std::string_view path) {
  std::string r(path);
  if (!r.empty() && r.back() != '\\') r += '\\';
  return r;
}

std::string RemoveSlash(std::string_view text) {
  if (!text.empty() && text.back() == '\\') text.remove_suffix(1);
  return std::string(text);
}

ItemPath SplitItemPath(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\:");
  if (cut == std::string_view::npos) return {"", std::string(path)};
  return {std::string(path.substr(0, cut + 1)), std::string(path.substr(cut + 1))};
}

PairChoice ChoosePair(std::string_view text, SearchPair longPair, SearchPair shortPair) {
  PairChoice c;
  std::size_t pos = FindFold(text, longPair.oldText);
  if (pos != kNotFound) {
    c.pair = longPair;
  } else {
    pos = FindFold(text, shortPair.oldText);
    if (pos == kNotFound) return c;
    c.pair = shortPair;
  }
  c.found = true;
  c.pos = pos;
  return c;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end;
    if (start < text.size()) start += (text[start] == '\r' && start + 1 < text.size() && text[start + 1] == '\n') ? 2 : 1;
  }
  return lines;
}

std::string JoinCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  for (std::string_view line : SplitLines(text)) {
    out.append(line);
    out += "\r\n";
  }
  return out;
}

std::string ZeroPad5(int n) {
  std::string digits = std::to_string(n);
  if (digits.size() >= 5) return digits;
  return std::string(5 - digits.size(), '0') + digits;
}
