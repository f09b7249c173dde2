#pragma once
// The texts one pass of a run looks for, what takes their place, and every
// spelling in which a path is found.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Occurrence.h"

struct SearchTexts {
  std::string oldText, newText;    // long forms, as the user gave them
  std::string oldShort, newShort;  // 8.3 forms; empty when there is none
  MatchRule rule = MatchRule::Substring;
  // A move's preview: the new place is not there yet, so its short form is
  // unknown and newShort holds its long form.
  bool newShortAfterMove = false;
  // Two drives switched: each old form becomes its new form and each new
  // form its old one, in the one pass over a text, so what the preview shows
  // is what the run writes and no stand-in is ever written.
  bool exchange = false;
  bool operator==(const SearchTexts&) const = default;
};

// What an occurrence found in the short form shows, in a move's preview, as
// its new text's reason.
inline constexpr const char* kShortFormAfterMove =
    "found in the short (8.3) form; the new place is shown in its long form, as its short form is set by the move";

// Why an occurrence followed by a space and a word is left: the file system
// could not say whether the longer name ("C:\Tools Old") is another place.
inline constexpr const char* kPathEndUnknown = "left: cannot tell where the path ends";

// One occurrence, and what replaces it in the spelling it was found in.
struct Occurrence {
  std::size_t pos = kNotFound;
  std::size_t length = 0;       // in the text searched (a letter's other case may be longer)
  std::string_view oldText;     // the form that was looked for
  std::string_view newText;
  bool shortForm = false;       // found in the 8.3 form
  bool encoded = false;         // see Spellings::Pair
  bool caseAsFound = false;     // see Spellings::Pair
  // A space and a word follow, and whether they continue the path's name
  // could not be told: named, never changed.
  bool undecided = false;
  bool found() const { return pos != kNotFound; }
};

// How the text at hand writes a path, where that decides a spelling.
struct TextSyntax {
  bool properties = false;    // Java .properties: "\\", "\:", "\=", "\#", "\!" and \uXXXX
  bool asciiEscapes = false;  // a JSON text that writes non-ASCII as \uXXXX: new text goes in so too
  bool powerShell = false;    // $env:NAME and ${env:NAME} name variables, as %NAME% does
  bool operator==(const TextSyntax&) const = default;
};

// A path is written in more ways than one: as given ("C:\App"), with forward
// slashes ("C:/App", also inside file:/// addresses), in JSON and C strings
// (doubled backslashes, or escaped forward slashes "C:\/App", either with
// non-ASCII as \uXXXX), percent-encoded UTF-8 in addresses ("%20",
// "J%C3%B6rg"; the colon too, "file:///c%3A/App" as editors write it, and
// every separator in a query, "C%3A%5CApp", "C%3A%2FApp"), with &amp; or
// character references for "&" and for non-ASCII (XML: "&#38;", "&#xF6;"),
// and, in .properties files only, as Properties.store writes it
// ("C\:\\App"). Plain text that is no path is looked for as given. A drive
// alone ("E:") is found only where a drive stands.
//
// A path followed by a space ends there when a switch follows ("C:\Tools
// /x") or when no longer name it may be part of ("C:\Tools Old") is there;
// the file system is asked through `places`. Without it, a space and a word
// continue the name, as they may.
//
// Where the new text extends the old one (C:\Data -> C:\Data\Old), a place
// that already reads as the new text is no occurrence: it is what an earlier
// run made, and changed again it would grow on every repeat
// (C:\Data\Old\Old). C:\Data\Oldies is another item and still found.
class Spellings {
 public:
  explicit Spellings(const SearchTexts& texts, TextSyntax syntax = {}, PlaceLookup* places = nullptr);

  struct Pair {
    std::string oldText, newText;
    // A backslash starts an escape here: "\u00e9" after the path continues its
    // last name rather than ending it.
    bool escapes = false;
    // The new text is spelled in an encoding of its own (percent-encoded,
    // character references): written as it is wherever it is found.
    bool encoded = false;
    // A drive named by its letter alone ("P:" of a switch): found only where
    // it stands as a value or list item of its own, not in "TYPE:P:".
    bool driveAlone = false;
    // An address spelling: the new text takes the case the text writes its
    // drive letter and its escapes in ("file:///c%3a/...").
    bool caseAsFound = false;
    // The old place as Windows writes it, for asking after a longer name.
    std::string place;
  };
  // The forms one text is searched for: the long path's spellings when any of
  // them occurs in it, else the short form's; `first` is their first occurrence.
  struct Family {
    const std::vector<Pair>* pairs = nullptr;
    Occurrence first;
  };
  Family Choose(std::string_view text) const;
  // The first occurrence at or after `from` of any spelling of the family.
  Occurrence Next(const Family& family, std::string_view text, std::size_t from) const;
  // The reason shown beside the new text of an entry found in the short form
  // (or not); "" for most.
  std::string NoteOn(bool shortForm) const;

  // Every old form, long and short, each spelling once (for quick pre-checks).
  std::vector<std::string_view> OldForms() const;
  // Every new form (to check that a file's encoding can hold each of them).
  std::vector<std::string_view> NewForms() const;
  MatchRule Rule() const { return rule_; }
  const TextSyntax& Syntax() const { return syntax_; }

 private:
  enum class Standing { Whole, Not, Undecided };
  Standing StandingOf(const Pair& p, std::string_view text, const FoldMatch& m) const;
  // What the path `text` spells up to `at` (`place` and then text[placeEnd,
  // at)) becomes past a space there: part of a longer name that is there
  // (There), ended by it (Absent), or not known.
  PlaceIs LongerNameAt(std::string_view place, std::string_view text, std::size_t placeEnd, std::size_t at) const;
  // Whether the occurrence `m` of an old form is followed by what a new form
  // adds to it, so that the place reads as the new text standing whole.
  bool AlreadyNew(const Pair& p, std::string_view text, const FoldMatch& m) const;
  // Whether a \uXXXX escape follows the path's last name, so that it goes on.
  bool EscapeContinuesName(std::string_view text, const FoldMatch& m) const;

  std::vector<Pair> long_, short_;
  MatchRule rule_;
  TextSyntax syntax_;
  bool newShortAfterMove_;
  PlaceLookup* places_;
  struct Addition {
    std::string tail;  // "\Old" of C:\Data -> C:\Data\Old
    bool path;         // ends where a path name ends, else anywhere
  };
  std::vector<Addition> additions_;
};

// The values behind %NAME% in a REG_EXPAND_SZ, a shortcut's stored target or
// a script or configuration file, as the system expands them.
class EnvironmentValues {
 public:
  virtual ~EnvironmentValues() = default;
  // nullopt when no such variable is set.
  virtual std::optional<std::string> Value(const std::string& name) = 0;
};

// Another user's variables that name their own places: expanded with this
// process's values they would point at the wrong user's folders.
class SharedValuesOnly : public EnvironmentValues {
 public:
  explicit SharedValuesOnly(EnvironmentValues& all) : all_(all) {}
  std::optional<std::string> Value(const std::string& name) override;

 private:
  EnvironmentValues& all_;
};

// The text with every %NAME% part expanded; none when a name in it is not
// set (a path made with it names no folder to trust).
std::optional<std::string> ExpandedWhole(std::string_view text, EnvironmentValues& environment);

// One change to a text: the part at pos (length bytes) becomes newText.
struct Rewrite {
  std::size_t pos = kNotFound;
  std::size_t length = 0;
  std::string newText;
  bool shortForm = false;  // found in the 8.3 form
  bool encoded = false;    // see Spellings::Pair
  bool throughVariables = false;  // found behind a variable's value
  bool undecided = false;  // see Occurrence: to be named, not changed
  bool found() const { return pos != kNotFound; }
};

// A text read with its %NAME% parts (and $env:NAME in PowerShell, and the
// profile folder's macro $USER_HOME$ that IDEs write, with forward slashes)
// expanded, once for every search in it (a long file holds many occurrences).
class VariablesExpanded {
 public:
  // `spellings` and `text` must outlive it.
  VariablesExpanded(const Spellings& spellings, std::string_view text, EnvironmentValues& environment);
  ~VariablesExpanded();
  // The first occurrence at or after `from` of the old path in the expanded
  // text that begins with a variable holding one folder above the old place
  // (the plain search finds the others; a list such as %PATH% is never read
  // through). The variable and the text after it are replaced; a new place
  // still under the variable keeps it ("%ProgramFiles%\Old" ->
  // "%ProgramFiles%\New"), any other is written out. Unset variables stay
  // text, as the system leaves them.
  Rewrite Next(std::size_t from) const;

 private:
  struct Impl;
  std::unique_ptr<const Impl> impl_;
};

// The same for one search in a text.
Rewrite FindBehindVariables(const Spellings& spellings, std::string_view text, std::size_t from,
                            EnvironmentValues& environment);

// The earlier of the family's next plain occurrence and, with the text's
// variables, the next one behind them.
Rewrite NextRewrite(const Spellings& spellings, const Spellings::Family& family, std::string_view text,
                    std::size_t from, const VariablesExpanded* behind);
Rewrite NextRewrite(const Spellings& spellings, const Spellings::Family& family, std::string_view text,
                    std::size_t from, EnvironmentValues* environment);

// The spellings of the texts a walk hands over file after file, made once.
class SpellingsCache {
 public:
  explicit SpellingsCache(PlaceLookup* places = nullptr) : places_(places) {}
  const Spellings& For(const SearchTexts& texts, TextSyntax syntax = {});

 private:
  PlaceLookup* places_;
  SearchTexts texts_;
  TextSyntax syntax_;
  std::optional<Spellings> spellings_;
};
