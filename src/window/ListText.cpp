#include "window/ListText.h"

#include <vector>

namespace {
constexpr std::string_view kGap = "...";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Folded(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }
// Not inside a UTF-8 sequence: a cut there would show a broken letter.
bool StartsLetter(std::string_view s, std::size_t at) {
  return at == 0 || at >= s.size() || (static_cast<unsigned char>(s[at]) & 0xC0) != 0x80;
}

// Where the root ends: "C:\", "\\server\share\", "HKEY_CURRENT_USER\".
std::size_t RootEnd(std::string_view s) {
  if (s.starts_with("\\\\")) {
    std::size_t at = 2;
    for (int seps = 0; seps < 2; ++seps) {
      at = s.find('\\', at);
      if (at == std::string_view::npos) return s.size();
      ++at;
    }
    return at;
  }
  const std::size_t first = s.find('\\');
  return first == std::string_view::npos ? 0 : first + 1;
}

// The start and end of the text, `keep` bytes of it, around "...": a third
// from its start, the rest (where the file name is) from its end.
std::string Around(std::string_view s, std::size_t keep) {
  std::size_t head = keep / 3, tail = keep - head;
  while (head > 0 && !StartsLetter(s, head)) --head;
  std::size_t from = s.size() - tail;
  while (from < s.size() && !StartsLetter(s, from)) ++from;
  return std::string(s.substr(0, head)) + std::string(kGap) + std::string(s.substr(from));
}

int ComparePart(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      std::size_t ei = i, ej = j;
      while (ei < a.size() && IsDigit(a[ei])) ++ei;
      while (ej < b.size() && IsDigit(b[ej])) ++ej;
      std::string_view na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
      while (na.size() > 1 && na.front() == '0') na.remove_prefix(1);
      while (nb.size() > 1 && nb.front() == '0') nb.remove_prefix(1);
      if (na.size() != nb.size()) return na.size() < nb.size() ? -1 : 1;
      if (const int c = na.compare(nb); c != 0) return c < 0 ? -1 : 1;
      i = ei;
      j = ej;
      continue;
    }
    const auto ca = static_cast<unsigned char>(Folded(a[i])), cb = static_cast<unsigned char>(Folded(b[j]));
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
    ++j;
  }
  return int(i < a.size()) - int(j < b.size());
}
}  // namespace

std::string MiddleShortened(std::string_view text, const std::function<bool(std::string_view)>& fits) {
  if (fits(text)) return std::string(text);
  const std::size_t root = RootEnd(text);
  // The last parts that fit behind the root, the most first.
  std::vector<std::size_t> starts;  // where each part after the root begins
  for (std::size_t at = text.find('\\', root); at != std::string_view::npos; at = text.find('\\', at + 1))
    starts.push_back(at + 1);
  for (std::size_t k = 0; k < starts.size(); ++k) {
    std::string candidate = std::string(text.substr(0, root)) + std::string(kGap) + "\\" + std::string(text.substr(starts[k]));
    if (fits(candidate)) return candidate;
  }
  // The root and as much of the end as fits; else letters off the middle.
  // The longest that fits is found by halving.
  const auto longest = [&](std::size_t most, const std::function<std::string(std::size_t)>& make) {
    std::size_t low = 0, high = most;
    while (low < high) {
      const std::size_t mid = (low + high + 1) / 2;
      if (fits(make(mid)))
        low = mid;
      else
        high = mid - 1;
    }
    return low;
  };
  const auto rootAndEnd = [&](std::size_t keep) {
    std::size_t from = text.size() - keep;
    while (from < text.size() && !StartsLetter(text, from)) ++from;
    return std::string(text.substr(0, root)) + std::string(kGap) + std::string(text.substr(from));
  };
  if (root > 0)
    if (const std::size_t keep = longest(text.size() - root, rootAndEnd); keep >= 8) return rootAndEnd(keep);
  return Around(text, longest(text.size(), [&](std::size_t keep) { return Around(text, keep); }));
}

int CompareNatural(std::string_view a, std::string_view b) {
  for (;;) {
    const std::size_t ea = a.find('\\'), eb = b.find('\\');
    if (const int c = ComparePart(a.substr(0, ea), b.substr(0, eb)); c != 0) return c;
    // The same part: the one that ends here comes first.
    if (ea == std::string_view::npos || eb == std::string_view::npos)
      return int(ea != std::string_view::npos) - int(eb != std::string_view::npos);
    a.remove_prefix(ea + 1);
    b.remove_prefix(eb + 1);
  }
}
