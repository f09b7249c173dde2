#include "core/MapBack.h"

#include <algorithm>

#include "core/Fold.h"

namespace {
// Settings files are long, but a later run changes few places in them; past
// this many byte edits the texts are not compared at all.
constexpr int kMaxEdits = 1000;

// Where the run wrote a new place: ranWrote[at, at + length) replaced `old`.
struct Written {
  std::size_t at = 0, length = 0;
  std::string old;
};

std::string Slashed(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

// The run's new places in ranWrote, told by walking both texts side by side:
// every difference must be the swap (in one spelling); nullopt otherwise.
std::optional<std::vector<Written>> RunsOwnText(std::string_view before, std::string_view ranWrote,
                                                const PlaceSwap& swap) {
  const std::vector<PlaceSwap> spellings{swap, {Slashed(swap.oldPlace), Slashed(swap.newPlace)}};
  std::vector<Written> found;
  std::size_t i = 0, j = 0;
  while (i < before.size() || j < ranWrote.size()) {
    bool swapped = false;
    for (const PlaceSwap& s : spellings) {
      const std::size_t was = FoldPrefixLength(before.substr(i), s.oldPlace);
      const std::size_t wrote = FoldPrefixLength(ranWrote.substr(j), s.newPlace);
      if (was == kNotFound || wrote == kNotFound || was == 0 || wrote == 0) continue;
      // The same text on both sides is no change of the run's.
      if (before.substr(i, was) == ranWrote.substr(j, wrote)) continue;
      found.push_back({j, wrote, std::string(before.substr(i, was))});
      i += was;
      j += wrote;
      swapped = true;
      break;
    }
    if (swapped) continue;
    if (i < before.size() && j < ranWrote.size() && before[i] == ranWrote[j]) {
      ++i;
      ++j;
      continue;
    }
    return std::nullopt;
  }
  return found;
}
}  // namespace

std::vector<std::string> SwappedTexts(std::string_view before, const PlaceSwap& swap) {
  const std::vector<PlaceSwap> spellings{swap, {Slashed(swap.oldPlace), Slashed(swap.newPlace)}};
  // Whether the byte after a match continues the name (then the path does not end there).
  const auto anywhere = [](unsigned char) { return false; };
  const auto nameGoesOn = [](unsigned char c) {
    return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '_' || c == '-' || c == '.' ||
           c >= 0x80;
  };
  const auto wordGoesOn = [&](unsigned char c) { return nameGoesOn(c) || c == ' '; };
  std::vector<std::string> out;
  const auto guess = [&](const auto& goesOn) {
    std::string text;
    for (std::size_t i = 0; i < before.size();) {
      bool swapped = false;
      for (const PlaceSwap& s : spellings) {
        const std::size_t was = FoldPrefixLength(before.substr(i), s.oldPlace);
        if (was == kNotFound || was == 0) continue;
        if (i + was < before.size() && goesOn(static_cast<unsigned char>(before[i + was]))) continue;
        text += s.newPlace;
        i += was;
        swapped = true;
        break;
      }
      if (!swapped) text += before[i++];
    }
    if (std::find(out.begin(), out.end(), text) == out.end()) out.push_back(std::move(text));
  };
  guess(anywhere);
  guess(nameGoesOn);
  guess(wordGoesOn);
  return out;
}

std::optional<std::vector<TextHunk>> DiffHunks(std::string_view a, std::string_view b, int maxEdits) {
  // The common head and tail need no search.
  std::size_t head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  std::size_t tail = 0;
  while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) ++tail;
  const std::string_view x = a.substr(head, a.size() - head - tail), y = b.substr(head, b.size() - head - tail);
  const long n = long(x.size()), m = long(y.size());
  if (n + m == 0) return std::vector<TextHunk>{};

  // The greedy shortest edit search: v[k] is the furthest x reached on
  // diagonal k (x - y) with d edits; each round's diagonals -d..d are kept
  // to trace back.
  const long limit = std::min<long>(maxEdits, n + m);
  const long offset = limit + 1;
  std::vector<long> v(2 * offset + 1, 0);
  std::vector<std::vector<int>> rounds;
  long found = -1;
  for (long d = 0; d <= limit && found < 0; ++d) {
    for (long k = -d; k <= d; k += 2) {
      long px;
      if (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1]))
        px = v[offset + k + 1];
      else
        px = v[offset + k - 1] + 1;
      long py = px - k;
      while (px < n && py < m && x[px] == y[py]) ++px, ++py;
      v[offset + k] = px;
      if (px == n && py == m) found = d;
    }
    rounds.emplace_back(v.begin() + (offset - d), v.begin() + (offset + d + 1));
  }
  if (found < 0) return std::nullopt;

  // Back from the end: each round took one insertion or deletion.
  enum class Step { Same, Delete, Insert };
  std::vector<Step> steps;
  long px = n, py = m;
  for (long d = found; d > 0; --d) {
    const std::vector<int>& prev = rounds[d - 1];  // diagonal k at prev[k + d - 1]
    const long k = px - py;
    const bool down = k == -d || (k != d && prev[k - 1 + d - 1] < prev[k + 1 + d - 1]);
    const long prevK = down ? k + 1 : k - 1;
    const long prevX = prev[prevK + d - 1], prevY = prevX - prevK;
    while (px > prevX && py > prevY) {
      steps.push_back(Step::Same);
      --px, --py;
    }
    steps.push_back(down ? Step::Insert : Step::Delete);
    px = prevX;
    py = prevY;
  }
  std::reverse(steps.begin(), steps.end());

  std::vector<TextHunk> hunks;
  std::size_t ai = head + std::size_t(px), bi = head + std::size_t(py);  // past the first round's common run
  for (std::size_t s = 0; s < steps.size();) {
    if (steps[s] == Step::Same) {
      ++ai, ++bi, ++s;
      continue;
    }
    TextHunk h{ai, ai, bi, bi};
    for (; s < steps.size() && steps[s] != Step::Same; ++s)
      if (steps[s] == Step::Delete)
        ++ai;
      else
        ++bi;
    h.a1 = ai;
    h.b1 = bi;
    hunks.push_back(h);
  }
  return hunks;
}

std::optional<std::string> MapBackInside(std::string_view before, std::string_view ranWrote, std::string_view now,
                                         const PlaceSwap& swap) {
  if (swap.oldPlace.empty() || swap.newPlace.empty()) return std::nullopt;
  const std::optional<std::vector<Written>> written = RunsOwnText(before, ranWrote, swap);
  if (!written || written->empty()) return std::nullopt;
  const std::optional<std::vector<TextHunk>> later = DiffHunks(ranWrote, now, kMaxEdits);
  if (!later) return std::nullopt;

  std::string out;
  std::size_t copied = 0;  // in `now`, up to where out holds it
  std::size_t h = 0;
  long shift = 0;  // now's offset minus ranWrote's, past the later hunks passed
  for (const Written& w : *written) {
    const std::size_t end = w.at + w.length;
    // A later change inside the new place or right beside it: what stands
    // there is no longer plainly the run's.
    for (; h < later->size() && (*later)[h].a1 < w.at; ++h)
      shift += long((*later)[h].b1 - (*later)[h].b0) - long((*later)[h].a1 - (*later)[h].a0);
    if (h < later->size() && (*later)[h].a0 <= end) return std::nullopt;
    const std::size_t at = std::size_t(long(w.at) + shift);
    out.append(now.substr(copied, at - copied));
    out += w.old;
    copied = at + w.length;
  }
  out.append(now.substr(copied));
  return out;
}
