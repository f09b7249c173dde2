#pragma once
// The change list: one entry per occurrence a run found, with where it is,
// what it was, what it becomes and what became of it. Every run and every
// preview makes one; the end pages, the review page, the change report
// (UndoNNNNN.log) and the console's --report and --json read it.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

enum class ChangeKind {
  ValueData,
  ValueName,
  KeyPath,
  SettingsLine,
  ConfigurationLine,
  ShortcutTarget,
  ShortcutArguments,
  ShortcutWorkingFolder,
  MovedItem,
  Place,  // a whole place passed over before any occurrence in it was known
  ShortcutIcon,  // the file a shortcut takes its icon from (new words go last: stored reports still read)
  ScheduledTask,  // a line of a scheduled task's definition, changed through the Task Scheduler
  BinaryData,     // binary data holding the old place (a REG_BINARY value, a program): named, never rewritten
};
inline constexpr std::size_t kChangeKindCount = static_cast<std::size_t>(ChangeKind::BinaryData) + 1;

enum class ChangeOutcome {
  Changed,
  WouldChange,  // a preview's occurrence
  LeftOut,      // unticked by the user on the review page
  Skipped,      // answered Skip (or Cancel) in verification; a file too large to search
  PassedOver,   // could not be changed; `reason` says why
};

struct ChangeEntry {
  std::string where;  // registry key, file path, shortcut path, moved item, task path ("\Vendor\Updater")
  std::string value;  // a registry value's name ("" for the default value and for key paths)
  int line = 0;       // a file line's number, from 1; 0 where there are no lines
  ChangeKind kind = ChangeKind::Place;
  std::string oldText;  // the occurrence with its context, in the spelling found
  std::string newText;
  ChangeOutcome outcome = ChangeOutcome::Changed;
  std::string reason;  // of a passed-over entry, or a note on what is shown
  // Another part of the link the entry before it changes (a shortcut's
  // arguments after its target): the link counts once, with that entry.
  bool furtherPart = false;
};

// Stable words, used in the report, the JSON Lines and the review page.
const char* KindWord(ChangeKind kind);          // "value data", "settings line" ...
const char* OutcomeWord(ChangeOutcome outcome);  // "changed", "left out" ...
std::optional<ChangeKind> KindFromWord(const std::string& word);
std::optional<ChangeOutcome> OutcomeFromWord(const std::string& word);

// Whether the entry is a remapped link's occurrence: every changed (or, in a
// preview, to-be-changed) one; the moved item itself is no link.
bool CountsAsLink(const ChangeEntry& entry);
// Whether the entry adds one to the count of links remapped: a link that
// counts, but a shortcut only once however many of its parts change.
bool AddsLink(const ChangeEntry& entry);
// A registry key or value, or a key or binary value passed over; else a
// file or the moved item.
bool IsRegistryPlace(const ChangeEntry& entry);
// A scheduled task, or a task folder or the Task Scheduler passed over.
bool IsTaskPlace(const ChangeEntry& entry);
// The place as the list of passed-over places names it: a registry value as
// "KEY, value "name"" (or (Default)), everything else by its path.
std::string PlaceText(const ChangeEntry& entry);
// A list of strings (REG_MULTI_SZ) is held with a NUL after each string but
// the last. Where people read it (the change report, the console, the
// window) each NUL is shown as this mark, and the report's reader takes the
// mark back for a NUL.
inline constexpr std::string_view kStringEndMark = "\xE2\x90\x80";  // U+2400, the symbol for NUL
std::string MarkedText(std::string_view text);
std::string UnmarkedText(std::string_view text);
// A text only shown whole up to a point: long data is cut with "..." so a
// list of many entries stays small; the report keeps it whole.
std::string ShortenedText(const std::string& text, std::size_t maxBytes);

// What a run applies: the list its search made (or the review page showed),
// each occurrence ticked or left out. The apply goes only to the places it
// names, finds each occurrence again and changes it only when it is ticked.
class ChangeSelection {
 public:
  // Every entry of the list, in its order; only occurrences can be ticked.
  void Add(ChangeEntry entry, bool ticked);
  void Tick(const ChangeEntry& entry) { Add(entry, true); }
  void Leave(const ChangeEntry& entry) { Add(entry, false); }
  // A list its user may have cut rows from (an edited report): an
  // occurrence it does not hold is left out rather than taken as new.
  void CountUnlistedAsLeftOut() { unlistedLeftOut_ = true; }

  enum class Choice { Ticked, LeftOut, Unlisted };
  // What the list says of an occurrence found again: ticked (once per
  // ticked entry), left out, or not in the list at all (it changed since
  // the search).
  Choice Choose(const ChangeEntry& entry);
  // True (once per ticked entry) when an occurrence found again was ticked.
  bool Take(const ChangeEntry& entry) { return Choose(entry) == Choice::Ticked; }
  // The ticked entries that the apply did not meet again.
  std::vector<ChangeEntry> NotMet() const;
  // Every entry added, in order, and whether it is ticked.
  const std::vector<ChangeEntry>& Listed() const { return entries_; }
  bool Ticked(std::size_t index) const { return ticked_[index] != 0; }
  std::size_t size() const { return tickedCount_; }  // the ticked entries
  // The links the ticked entries make (a shortcut's further parts with its first).
  std::size_t TickedLinks() const;
  // What the search that made the list could not reach: its apply says it too.
  void KeepSearchNotes(std::vector<std::string> notes) { searchNotes_ = std::move(notes); }
  const std::vector<std::string>& SearchNotes() const { return searchNotes_; }

 private:
  // An occurrence is the same when its place, value, kind and old text are:
  // the new text of a place that does not exist yet (a move's destination)
  // is only known once it does.
  static std::size_t HashOf(const ChangeEntry& entry);
  static bool SameOccurrence(const ChangeEntry& a, const ChangeEntry& b);
  std::vector<ChangeEntry> entries_;
  std::vector<char> ticked_, met_;
  std::size_t tickedCount_ = 0;
  bool unlistedLeftOut_ = false;
  std::vector<std::string> searchNotes_;
  std::unordered_multimap<std::size_t, std::size_t> byHash_;  // occurrence hash -> index
};

// Where a failure of the Task Scheduler as a whole (not reached) is named.
inline constexpr const char* kTaskSchedulerPlace = "Task Scheduler";

// The reason an occurrence is passed over when the apply finds it otherwise
// than the search did.
inline constexpr const char* kChangedSinceSearch = "it changed since the search";
