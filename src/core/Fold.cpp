#include "core/Fold.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <cstring>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/CaseTable.h"
#include "core/Utf8Codec.h"

namespace {

constexpr std::array<unsigned char, 256> MakeAsciiUpper() {
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = (i >= 'a' && i <= 'z') ? (unsigned char)(i - 32) : (unsigned char)i;
  return t;
}
constexpr auto kAsciiUpper = MakeAsciiUpper();

bool EqualAZ(const unsigned char* a, const unsigned char* b, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k)
    if (kAsciiUpper[a[k]] != kAsciiUpper[b[k]]) return false;
  return true;
}

// The character at s[i] in strict UTF-8 (no surrogates) and its length; 0
// when s[i] starts none.
inline int DecodeAt(const unsigned char* s, std::size_t n, std::size_t i, char32_t& cp) {
  const int len = DecodeUtf8At(s, n, i, cp);
  return len == 3 && IsSurrogate(cp) ? 0 : len;
}

// A text is a row of units: a character, standing for its folded form, or a
// byte that starts no valid character, standing for itself (kLiteral + byte,
// which no character reaches).
constexpr std::uint32_t kLiteral = 0x110000;
struct Unit {
  std::uint32_t value;
  int length;
};
inline Unit UnitAt(const unsigned char* s, std::size_t n, std::size_t i) {
  char32_t cp = 0;
  const int len = DecodeAt(s, n, i, cp);
  if (len == 0) return {kLiteral + s[i], 1};
  return {std::uint32_t(casetable::UpperOf(cp)), len};
}

const unsigned char* Bytes(std::string_view s) { return reinterpret_cast<const unsigned char*>(s.data()); }

std::vector<std::uint32_t> UnitsOf(std::string_view s) {
  std::vector<std::uint32_t> units;
  units.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const Unit u = UnitAt(Bytes(s), s.size(), i);
    units.push_back(u.value);
    i += std::size_t(u.length);
  }
  return units;
}

// Length of the part of hay from `at` that spells `units`, or kNotFound. A
// byte unit takes the same byte even where hay goes on to a valid character:
// the part ends there, and on its own that byte starts none.
std::size_t MatchAt(const unsigned char* h, std::size_t n, std::size_t at, const std::vector<std::uint32_t>& units) {
  std::size_t p = at;
  for (const std::uint32_t u : units) {
    if (p >= n) return kNotFound;
    const unsigned b = h[p];
    if (u < 0x80) {  // bytes from 0x80 up stay themselves, so never equal u
      if (kAsciiUpper[b] != u) return kNotFound;
      ++p;
    } else if (u >= kLiteral) {
      if (b != u - kLiteral) return kNotFound;
      ++p;
    } else {
      char32_t cp = 0;
      const int len = b < 0xC2 ? 0 : DecodeAt(h, n, p, cp);
      if (len == 0 || casetable::UpperOf(cp) != u) return kNotFound;
      p += std::size_t(len);
    }
  }
  return p - at;
}

// Every character whose folded form is `upper`.
int MembersOf(std::uint32_t upper, char32_t out[casetable::kClassWidth]) {
  const casetable::CaseClass* end = casetable::kClasses + casetable::kClassCount;
  const auto* c = std::lower_bound(casetable::kClasses, end, upper,
                                   [](const casetable::CaseClass& k, std::uint32_t v) { return k.upper < v; });
  if (c == end || c->upper != upper) {
    out[0] = upper;
    return 1;
  }
  int count = 0;
  while (count < casetable::kClassWidth && c->members[count] != 0) {
    out[count] = c->members[count];
    ++count;
  }
  return count;
}

// A byte test "(x | orMask) == target": one covers a single value, or two
// values that differ in one bit (a/A, and many a letter's other case).
struct ByteTest {
  unsigned char orMask = 0, target = 0;
  bool Matches(unsigned char x) const { return (unsigned char)(x | orMask) == target; }
};
constexpr int kMaxTests = 4;
struct ByteFilter {
  std::size_t offset = 0;  // from the start of a match
  int count = 0;
  ByteTest tests[kMaxTests];
  bool Matches(unsigned char x) const {
    for (int k = 0; k < count; ++k)
      if (tests[k].Matches(x)) return true;
    return false;
  }
};

// The byte values one offset of a match can hold, while they are few.
struct OffsetBytes {
  unsigned char values[kMaxTests];
  int count = 0;
  bool many = false;
  void Add(unsigned char v) {
    if (many) return;
    for (int k = 0; k < count; ++k)
      if (values[k] == v) return;
    if (count == kMaxTests) {
      many = true;
      return;
    }
    values[count++] = v;
  }
};

ByteFilter FilterFor(std::size_t offset, const OffsetBytes& bytes) {
  ByteFilter f;
  f.offset = offset;
  bool used[kMaxTests] = {};
  for (int i = 0; i < bytes.count; ++i) {
    if (used[i]) continue;
    const unsigned v = bytes.values[i];
    ByteTest t{0, (unsigned char)v};
    for (int j = i + 1; j < bytes.count; ++j) {
      const unsigned d = v ^ bytes.values[j];
      if (!used[j] && (d & (d - 1)) == 0) {
        t = {(unsigned char)d, (unsigned char)(v | d)};
        used[j] = true;
        break;
      }
    }
    f.tests[f.count++] = t;
  }
  return f;
}

// How often a byte is expected in text, roughly: lead bytes come with every
// non-ASCII character, each continuation value is comparatively rare. Long
// searches count the bytes of the text itself instead.
int ByteCost(unsigned v) {
  if (v >= 0x80 && v < 0xC0) return 1;
  if (v >= 0xC2 && v < 0xF5) return 5;
  if (v >= 0x80) return 1;
  if (v == ' ') return 6;
  if (v >= 'a' && v <= 'z') return 3;
  return 2;
}

// What the search knows of a needle: its units, the shortest length a match
// can take, and two byte offsets every match has few values at.
struct PreparedNeedle {
  std::vector<std::uint32_t> units;
  std::size_t minLength = 0;
  ByteFilter first, second;
};

// Offsets further than this into the needle are not looked at for filters.
constexpr std::size_t kFilterReach = 64;

// Bytes of a long text that are counted to pick filters on.
constexpr std::size_t kSampleSize = 4096;

PreparedNeedle Prepare(std::string_view needle, std::string_view sample) {
  PreparedNeedle p;
  p.units = UnitsOf(needle);
  // The bytes each offset can hold over every spelling of the needle: a
  // letter may be spelled by characters of different lengths, so the
  // offsets a unit can start at are followed as a set.
  std::array<OffsetBytes, kFilterReach> seen{};
  std::bitset<kFilterReach> starts, next;
  starts.set(0);
  for (const std::uint32_t u : p.units) {
    char32_t members[casetable::kClassWidth];
    int count = 1;
    if (u >= kLiteral)
      members[0] = u - kLiteral;  // stands for the single byte
    else
      count = MembersOf(u, members);
    std::size_t shortest = 4;
    next.reset();
    for (int m = 0; m < count; ++m) {
      unsigned char bytes[4];
      const int len = u >= kLiteral ? (bytes[0] = (unsigned char)members[m], 1) : EncodeUtf8(members[m], bytes);
      shortest = std::min(shortest, std::size_t(len));
      for (std::size_t s = 0; s < kFilterReach; ++s) {
        if (!starts[s]) continue;
        for (int k = 0; k < len && s + std::size_t(k) < kFilterReach; ++k) seen[s + std::size_t(k)].Add(bytes[k]);
        if (s + std::size_t(len) < kFilterReach) next.set(s + std::size_t(len));
      }
    }
    starts = next;
    p.minLength += shortest;
  }
  // Every match covers the offsets below `span`; of those with few enough
  // values, take the cheapest in the first half and in the rest, far apart.
  const std::size_t span = std::min(p.minLength, kFilterReach);
  std::array<int, 256> byteCost;
  if (sample.size() >= kSampleSize) {
    byteCost.fill(1);
    for (const char c : sample) ++byteCost[(unsigned char)c];
  } else {
    for (unsigned v = 0; v < 256; ++v) byteCost[v] = ByteCost(v);
  }
  int cost[kFilterReach];
  for (std::size_t k = 0; k < span; ++k) {
    cost[k] = seen[k].many ? 1 << 30 : 0;
    for (int v = 0; v < seen[k].count; ++v) cost[k] += byteCost[seen[k].values[v]];
  }
  std::size_t a = 0, b = span - 1;
  for (std::size_t k = 1; k <= (span - 1) / 2; ++k)
    if (cost[k] < cost[a]) a = k;
  for (std::size_t k = span - 1; k > (span - 1) / 2; --k)
    if (cost[k] < cost[b]) b = k;
  if (seen[b].many) b = a;
  p.first = FilterFor(a, seen[a]);
  p.second = FilterFor(b, seen[b]);
  return p;
}

// Candidates where the needle's first and last byte match across a-z case,
// for needles of ASCII only: those match only ASCII bytes, one for one.
std::size_t FindAsciiFold(const unsigned char* h, std::size_t n, const unsigned char* nd, std::size_t m,
                          std::size_t from) {
  auto keyOf = [](unsigned char c) {
    return IsLetterAZ(char(c)) ? ByteTest{0x20, (unsigned char)(c | 0x20)} : ByteTest{0, c};
  };
  const ByteTest first = keyOf(nd[0]), last = keyOf(nd[m - 1]);
  const std::size_t lastStart = n - m;
  const std::size_t middle = m > 2 ? m - 2 : 0;
  std::size_t i = from;
#if defined(__SSE2__)
  const __m128i fOr = _mm_set1_epi8((char)first.orMask), fT = _mm_set1_epi8((char)first.target);
  const __m128i lOr = _mm_set1_epi8((char)last.orMask), lT = _mm_set1_epi8((char)last.target);
  auto candidates = [&](std::size_t at) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + at));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + at + m - 1));
    return (unsigned)_mm_movemask_epi8(
        _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(x, fOr), fT), _mm_cmpeq_epi8(_mm_or_si128(y, lOr), lT)));
  };
  auto verify = [&](std::size_t at, unsigned mask) -> std::size_t {
    while (mask) {
      const unsigned bit = (unsigned)__builtin_ctz(mask);
      if (EqualAZ(h + at + bit + 1, nd + 1, middle)) return at + bit;
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
    if (first.Matches(h[i]) && last.Matches(h[i + m - 1]) && EqualAZ(h + i + 1, nd + 1, middle)) return i;
  return kNotFound;
}

#if defined(__SSE2__)
// Lanes of `x` that pass one of the filter's first `kTests` tests (the rest
// repeat the last real one, so padding never widens the filter).
template <int kTests>
inline __m128i Passing(__m128i x, const __m128i (&ors)[kMaxTests], const __m128i (&targets)[kMaxTests]) {
  __m128i r = _mm_cmpeq_epi8(_mm_or_si128(x, ors[0]), targets[0]);
  for (int k = 1; k < kTests; ++k) r = _mm_or_si128(r, _mm_cmpeq_epi8(_mm_or_si128(x, ors[k]), targets[k]));
  return r;
}

template <int kFirstTests, int kSecondTests>
FoldMatch ScanVector(const unsigned char* h, std::size_t n, const PreparedNeedle& p, std::size_t& i) {
  __m128i fOr[kMaxTests], fT[kMaxTests], sOr[kMaxTests], sT[kMaxTests];
  for (int k = 0; k < kMaxTests; ++k) {
    const ByteTest a = p.first.tests[std::min(k, p.first.count - 1)];
    const ByteTest b = p.second.tests[std::min(k, p.second.count - 1)];
    fOr[k] = _mm_set1_epi8((char)a.orMask);
    fT[k] = _mm_set1_epi8((char)a.target);
    sOr[k] = _mm_set1_epi8((char)b.orMask);
    sT[k] = _mm_set1_epi8((char)b.target);
  }
  const std::size_t lastStart = n - p.minLength;
  const unsigned char* a = h + p.first.offset;
  const unsigned char* b = h + p.second.offset;
  auto candidates = [&](std::size_t at) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + at));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + at));
    return (unsigned)_mm_movemask_epi8(
        _mm_and_si128(Passing<kFirstTests>(x, fOr, fT), Passing<kSecondTests>(y, sOr, sT)));
  };
  auto verify = [&](std::size_t at, unsigned mask) -> FoldMatch {
    while (mask) {
      const std::size_t start = at + (unsigned)__builtin_ctz(mask);
      const std::size_t len = MatchAt(h, n, start, p.units);
      if (len != kNotFound) return {start, len};
      mask &= mask - 1;
    }
    return {};
  };
  for (; i + 32 <= lastStart + 1; i += 32) {
    const unsigned lo = candidates(i), hi = candidates(i + 16);
    if (__builtin_expect((lo | hi) == 0, 1)) continue;
    FoldMatch hit = verify(i, lo);
    if (hit.pos == kNotFound) hit = verify(i + 16, hi);
    if (hit.pos != kNotFound) return hit;
  }
  for (; i + 16 <= lastStart + 1; i += 16) {
    const FoldMatch hit = verify(i, candidates(i));
    if (hit.pos != kNotFound) return hit;
  }
  return {};
}
#endif

// Below this many bytes to search, preparing filters costs more than it saves.
constexpr std::size_t kShortSearch = 64;

FoldMatch FindUnicodeFold(const unsigned char* h, std::size_t n, std::string_view needle, std::size_t from) {
  if (n - from < kShortSearch) {
    const std::vector<std::uint32_t> units = UnitsOf(needle);
    for (std::size_t i = from; i < n; ++i) {
      const std::size_t len = MatchAt(h, n, i, units);
      if (len != kNotFound) return {i, len};
    }
    return {};
  }
  const std::size_t sampleSize = std::min(n - from, kSampleSize);
  const PreparedNeedle p = Prepare(needle, {reinterpret_cast<const char*>(h + from), sampleSize});
  if (n - from < p.minLength) return {};
  const std::size_t lastStart = n - p.minLength;
  std::size_t i = from;
#if defined(__SSE2__)
  // Filter 16 candidate starts at once on the two chosen offsets; the
  // number of byte tests each needs picks the loop.
  const bool wideFirst = p.first.count > 2, wideSecond = p.second.count > 2;
  const FoldMatch hit = wideFirst ? (wideSecond ? ScanVector<kMaxTests, kMaxTests>(h, n, p, i)
                                                : ScanVector<kMaxTests, 2>(h, n, p, i))
                                  : (wideSecond ? ScanVector<2, kMaxTests>(h, n, p, i) : ScanVector<2, 2>(h, n, p, i));
  if (hit.pos != kNotFound) return hit;
#endif
  for (; i <= lastStart; ++i) {
    if (!p.first.Matches(h[i + p.first.offset]) || !p.second.Matches(h[i + p.second.offset])) continue;
    const std::size_t len = MatchAt(h, n, i, p.units);
    if (len != kNotFound) return {i, len};
  }
  return {};
}

}  // namespace

std::string UpperAZ(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = UpperAZ(c);
  return r;
}

bool EqualNoCaseAZ(std::string_view a, std::string_view b) {
  return a.size() == b.size() && EqualAZ(Bytes(a), Bytes(b), a.size());
}

bool EqualFold(std::string_view a, std::string_view b) {
  const unsigned char *x = Bytes(a), *y = Bytes(b);
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if ((x[i] | y[j]) < 0x80) {
      if (kAsciiUpper[x[i]] != kAsciiUpper[y[j]]) return false;
      ++i, ++j;
      continue;
    }
    const Unit u = UnitAt(x, a.size(), i), v = UnitAt(y, b.size(), j);
    if (u.value != v.value) return false;
    i += std::size_t(u.length);
    j += std::size_t(v.length);
  }
  return i == a.size() && j == b.size();
}

std::string FoldKey(std::string_view s) {
  std::string key;
  key.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char b = Bytes(s)[i];
    if (b < 0x80) {
      key += char(kAsciiUpper[b]);
      ++i;
      continue;
    }
    const Unit u = UnitAt(Bytes(s), s.size(), i);
    unsigned char bytes[4];
    if (u.value >= kLiteral)
      key += char(b);
    else
      key.append(reinterpret_cast<const char*>(bytes), std::size_t(EncodeUtf8(u.value, bytes)));
    i += std::size_t(u.length);
  }
  return key;
}

std::size_t FoldPrefixLength(std::string_view text, std::string_view prefix) {
  return MatchAt(Bytes(text), text.size(), 0, UnitsOf(prefix));
}

FoldMatch FindFoldMatch(std::string_view hay, std::string_view needle, std::size_t from) {
  const std::size_t n = hay.size(), m = needle.size();
  if (m == 0 || from > n) return {};
  const bool ascii = std::all_of(needle.begin(), needle.end(), [](char c) { return (unsigned char)c < 0x80; });
  if (!ascii) return FindUnicodeFold(Bytes(hay), n, needle, from);
  if (n - from < m) return {};
  const std::size_t pos = FindAsciiFold(Bytes(hay), n, Bytes(needle), m, from);
  return pos == kNotFound ? FoldMatch{} : FoldMatch{pos, m};
}
