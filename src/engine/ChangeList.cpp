#include "engine/ChangeList.h"

#include <functional>
#include <string_view>

#include "core/Fold.h"

namespace {
constexpr const char* kKindWords[] = {"value data",      "value name",         "key path",
                                      "settings line",   "configuration line", "shortcut target",
                                      "shortcut arguments", "shortcut working folder", "moved item",
                                      "place",           "shortcut icon",      "scheduled task",
                                      "binary data"};
static_assert(std::size(kKindWords) == kChangeKindCount);
constexpr const char* kOutcomeWords[] = {"changed", "would change", "left out", "skipped", "passed over"};
}  // namespace

const char* KindWord(ChangeKind kind) { return kKindWords[static_cast<int>(kind)]; }
const char* OutcomeWord(ChangeOutcome outcome) { return kOutcomeWords[static_cast<int>(outcome)]; }

namespace {
// The word's place among `words`, as a person may type it in a spreadsheet:
// in any case, with spaces around it.
template <std::size_t N>
std::optional<std::size_t> WordAt(const char* const (&words)[N], std::string_view word) {
  while (!word.empty() && word.front() == ' ') word.remove_prefix(1);
  while (!word.empty() && word.back() == ' ') word.remove_suffix(1);
  for (std::size_t i = 0; i < N; ++i)
    if (EqualNoCaseAZ(word, words[i])) return i;
  return std::nullopt;
}
}  // namespace

std::optional<ChangeKind> KindFromWord(const std::string& word) {
  const std::optional<std::size_t> i = WordAt(kKindWords, word);
  return i ? std::optional<ChangeKind>(static_cast<ChangeKind>(*i)) : std::nullopt;
}

std::optional<ChangeOutcome> OutcomeFromWord(const std::string& word) {
  const std::optional<std::size_t> i = WordAt(kOutcomeWords, word);
  return i ? std::optional<ChangeOutcome>(static_cast<ChangeOutcome>(*i)) : std::nullopt;
}

bool CountsAsLink(const ChangeEntry& e) {
  return e.kind != ChangeKind::MovedItem && e.kind != ChangeKind::Place &&
         (e.outcome == ChangeOutcome::Changed || e.outcome == ChangeOutcome::WouldChange);
}

bool AddsLink(const ChangeEntry& e) { return CountsAsLink(e) && !e.furtherPart; }

bool IsRegistryPlace(const ChangeEntry& e) {
  switch (e.kind) {
    case ChangeKind::ValueData:
    case ChangeKind::ValueName:
    case ChangeKind::KeyPath: return true;
    case ChangeKind::Place:
    case ChangeKind::BinaryData: return e.where.rfind("HKEY_", 0) == 0;
    default: return false;
  }
}

bool IsTaskPlace(const ChangeEntry& e) {
  if (e.kind == ChangeKind::ScheduledTask) return true;
  // Task paths start at the scheduler's root "\"; files are named from a
  // drive or a share ("\\server"), never so.
  return e.kind == ChangeKind::Place &&
         (e.where == kTaskSchedulerPlace ||
          (!e.where.empty() && e.where[0] == '\\' && (e.where.size() == 1 || e.where[1] != '\\')));
}

std::string PlaceText(const ChangeEntry& e) {
  const bool value = e.kind == ChangeKind::ValueData || e.kind == ChangeKind::ValueName ||
                     (e.kind == ChangeKind::BinaryData && IsRegistryPlace(e));
  if (!value) return e.where;
  return e.where + ", value " + (e.value.empty() ? std::string("(Default)") : "\"" + e.value + "\"");
}

std::string MarkedText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\0')
      out.append(kStringEndMark);
    else
      out.push_back(c);
  }
  return out;
}

std::string UnmarkedText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text.substr(i, kStringEndMark.size()) == kStringEndMark) {
      out.push_back('\0');
      i += kStringEndMark.size();
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

std::string ShortenedText(const std::string& text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  std::size_t cut = maxBytes;
  // Never inside a UTF-8 sequence.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut) + "...";
}

std::size_t ChangeSelection::HashOf(const ChangeEntry& e) {
  std::size_t h = static_cast<std::size_t>(e.kind);
  for (std::string_view part : {std::string_view(e.where), std::string_view(e.value), std::string_view(e.oldText)})
    h = h * 1000003u ^ std::hash<std::string_view>{}(part);
  return h;
}

bool ChangeSelection::SameOccurrence(const ChangeEntry& a, const ChangeEntry& b) {
  return a.kind == b.kind && a.where == b.where && a.value == b.value && a.oldText == b.oldText;
}

void ChangeSelection::Add(ChangeEntry entry, bool ticked) {
  // Only occurrences are chosen: the move itself and places passed over are
  // no choice the apply could meet again.
  const bool occurrence = CountsAsLink(entry);
  ticked = ticked && occurrence;
  if (occurrence) byHash_.emplace(HashOf(entry), entries_.size());
  entries_.push_back(std::move(entry));
  ticked_.push_back(ticked);
  met_.push_back(false);
  tickedCount_ += ticked ? 1 : 0;
}

std::size_t ChangeSelection::TickedLinks() const {
  std::size_t links = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) links += ticked_[i] && !entries_[i].furtherPart;
  return links;
}

ChangeSelection::Choice ChangeSelection::Choose(const ChangeEntry& entry) {
  auto [first, last] = byHash_.equal_range(HashOf(entry));
  bool listed = false;
  for (auto it = first; it != last; ++it) {
    if (!SameOccurrence(entries_[it->second], entry)) continue;
    listed = true;
    if (!ticked_[it->second] || met_[it->second]) continue;
    met_[it->second] = true;
    return Choice::Ticked;
  }
  return listed || unlistedLeftOut_ ? Choice::LeftOut : Choice::Unlisted;
}

std::vector<ChangeEntry> ChangeSelection::NotMet() const {
  std::vector<ChangeEntry> out;
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (ticked_[i] && !met_[i]) out.push_back(entries_[i]);
  return out;
}
