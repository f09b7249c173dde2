#include "filemap/TextFileRewrite.h"

#include "engine/WrittenRecord.h"
#include "engine/BinaryData.h"

#include <algorithm>
#include <optional>

#include "core/Text.h"
#include "engine/ChangeVerification.h"
#include "engine/NewTextFit.h"
#include "core/TextEncoding.h"

namespace {
// A preview shows each line once, with every occurrence in it changed, as
// the run will write it: the occurrences of one line are gathered here.
class PreviewLines {
 public:
  explicit PreviewLines(Ui* ui) : ui_(ui) {}
  ~PreviewLines() { Flush(); }
  PreviewLines(const PreviewLines&) = delete;
  PreviewLines& operator=(const PreviewLines&) = delete;
  // The occurrence at `pos` of `text`, in `line` (a view into `text`), becomes `newForm`.
  void Add(const std::string& path, std::string_view line, std::string_view text, std::size_t pos, std::size_t length,
           std::string_view newForm) {
    const std::size_t lineStart = std::size_t(line.data() - text.data());
    if (!held_ || lineStart != lineStart_) {
      Flush();
      item_ = PreviewItem{path, "", std::string(line), std::string(line)};
      held_ = true;
      lineStart_ = lineStart;
      growth_ = 0;
    }
    item_.newText.replace(std::size_t(std::ptrdiff_t(pos - lineStart) + growth_), length, newForm);
    growth_ += std::ptrdiff_t(newForm.size()) - std::ptrdiff_t(length);
  }
  void Flush() {
    if (held_ && ui_) ui_->ReportPreview(item_);
    held_ = false;
  }

 private:
  Ui* ui_;
  PreviewItem item_;
  bool held_ = false;  // item_ waits to be shown
  std::size_t lineStart_ = 0;
  std::ptrdiff_t growth_ = 0;  // what the occurrences before grew the line by
};

constexpr std::size_t kExcerptLeadCharacters = 10;

// The line that holds [pos, pos + len), without its line end; lines end at
// CR, LF or CR LF, as the file has them.
// A new "&" where the old text had none would break markup: it goes in as
// the entity (an old "&" has a spelling of its own for each form). `storage`
// holds the escaped text when there is one.
std::string_view EscapedForMarkup(std::string_view newForm, std::string_view old, std::string& storage) {
  if (newForm.find('&') == std::string_view::npos || old.find('&') != std::string_view::npos) return newForm;
  for (char c : newForm) storage += c == '&' ? std::string_view("&amp;") : std::string_view(&c, 1);
  return storage;
}

std::string_view LineAround(std::string_view text, std::size_t pos, std::size_t len) {
  const std::size_t before = pos == 0 ? kNotFound : text.find_last_of("\r\n", pos - 1);
  const std::size_t start = before == kNotFound ? 0 : before + 1;
  std::size_t end = text.find_first_of("\r\n", pos + len);
  if (end == kNotFound) end = text.size();
  return text.substr(start, end - start);
}

// The line ends in [from, to): CR LF counts once.
int LineEndsIn(std::string_view text, std::size_t from, std::size_t to) {
  int n = 0;
  for (std::size_t i = from; i < to; ++i)
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) ++n;
  return n;
}

// Where the character `count` characters before `pos` starts (UTF-8).
std::size_t CharactersBack(std::string_view text, std::size_t pos, std::size_t count) {
  for (; count > 0 && pos > 0; --count) {
    --pos;
    while (pos > 0 && ((unsigned char)text[pos] & 0xC0) == 0x80) --pos;
  }
  return pos;
}

// A settings file picked as one: a binary one is worth a word to the user,
// while binary files are common among "All Files" and passed over silently.
bool HasIniExtension(std::string_view path) {
  constexpr std::string_view ext = ".ini";
  return path.size() > ext.size() && EqualNoCaseAZ(path.substr(path.size() - ext.size()), ext);
}

// Settings files and Internet shortcuts (.url, INI text the shell reads
// through the profile functions).
bool ReadThroughProfileFunctions(std::string_view path) {
  constexpr std::string_view url = ".url";
  return HasIniExtension(path) ||
         (path.size() > url.size() && EqualNoCaseAZ(path.substr(path.size() - url.size()), url));
}

bool SoughtAsSettingsFile(const RunChoices& settings, std::string_view path) {
  return settings.targets.settingsFiles && !settings.targets.allFiles && HasIniExtension(path);
}

// XML (and HTML) text, where a bare "&" would start an entity: a file that
// begins with markup, or is named as XML.
bool IsMarkup(std::string_view path, std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n\xEF\xBB\xBF");  // and a byte order mark
  if (first != std::string_view::npos && text[first] == '<') return true;
  for (std::string_view ext : {".xml", ".config", ".library-ms"})
    if (path.size() > ext.size() && EqualNoCaseAZ(path.substr(path.size() - ext.size()), ext)) return true;
  return false;
}

bool HasExtension(std::string_view path, std::string_view ext) {
  return path.size() > ext.size() && EqualNoCaseAZ(path.substr(path.size() - ext.size()), ext);
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A text that writes every character beyond ASCII as \uXXXX (JSON as Python
// and PHP write it by default): all ASCII, with at least one such escape.
bool EscapesBeyondAscii(std::string_view text) {
  if (std::any_of(text.begin(), text.end(), [](char c) { return (unsigned char)c >= 0x80; })) return false;
  for (std::size_t at = text.find("\\u"); at != kNotFound; at = text.find("\\u", at + 1))
    if (at + 6 <= text.size() && std::all_of(text.begin() + at + 2, text.begin() + at + 6, IsHexDigit)) return true;
  return false;
}

// What the file's name tells of how it writes a path.
TextSyntax SyntaxOfFile(std::string_view path) {
  TextSyntax syntax;
  syntax.properties = HasExtension(path, ".properties");
  syntax.powerShell = HasExtension(path, ".ps1") || HasExtension(path, ".psm1") || HasExtension(path, ".psd1");
  return syntax;
}

// How the file's lines are read: a script's lines are commands.
TextPlace PlaceOfFile(std::string_view path) {
  if (HasExtension(path, ".cmd") || HasExtension(path, ".bat")) return TextPlace::BatchScript;
  if (HasExtension(path, ".ps1") || HasExtension(path, ".psm1")) return TextPlace::PowerShellScript;
  return TextPlace::Plain;
}

// `path` lies in `folder` or below it.
bool InFolder(std::string_view path, std::string_view folder) {
  const std::size_t n = FoldPrefixLength(path, folder);
  return !folder.empty() && n != kNotFound && n < path.size() && (folder.back() == '\\' || path[n] == '\\');
}

}  // namespace

Question FileChangeQuestion(const std::string& path, std::string_view text, std::size_t pos, std::size_t oldLen,
                            std::string_view newForm) {
  const std::size_t start = CharactersBack(text, pos, kExcerptLeadCharacters);
  const std::string_view before = text.substr(start, pos - start);
  Question q;
  q.key = kSettingFilesKey;
  q.value = path;
  q.from = std::string(text.substr(start));
  q.fromMark = q.toMark = before.size();
  q.fromMarkLength = oldLen;
  q.toMarkLength = newForm.size();
  q.to.reserve(before.size() + newForm.size() + text.size() - pos - oldLen);
  q.to.append(before).append(newForm).append(text.substr(pos + oldLen));
  return q;
}

void TextFileRewrite::RewriteTextFile(RunPass& run, const std::string& path, const SearchTexts& texts) {
  const PassHold hold(run_, run);
  // Its attributes are asked only when it is to be written: most files a
  // walk reads hold nothing to change, and one call less each counts there.
  std::string original;
  try {
    original = fs_.ReadWhole(path);
  } catch (const std::exception& e) {
    if (!fs_.AttributesOf(path)) return;  // vanished since the listing: nothing left to map
    // Held by another program, unreadable: the run goes on without it.
    run_->PassOver(path, std::string("cannot be read: ") + e.what());
    run_->PumpCancelled();
    return;
  }

  TextEncoding encoding = DetectEncoding(original);
  // Programs read a settings file without a byte order mark through the
  // platform's profile functions, in the ANSI code page: new text goes into
  // an all-ASCII one in that code page too, not in UTF-8.
  if (encoding == TextEncoding::Utf8 && ReadThroughProfileFunctions(path) &&
      std::all_of(original.begin(), original.end(), [](char c) { return (unsigned char)c < 0x80; }))
    encoding = TextEncoding::Ansi;
  if (encoding == TextEncoding::Binary) {
    // Named by the search; the apply of its list goes to no binary file.
    const bool searching = !run_->pass.selection || run_->pass.FindsOnly();
    if (const std::optional<BinaryFind> found = searching ? BinaryFor(texts).Find(original) : std::nullopt)
      run_->Record(BinaryEntry(path, "", *found));
    else if (SoughtAsSettingsFile(run_->settings, path))
      run_->PassOver(path, "holds binary data");
    return;
  }
  TextSyntax syntax = SyntaxOfFile(path);
  // Most files hold no form: they are left without being decoded.
  const std::vector<std::string_view> oldForms = spellings_.For(texts, syntax).OldForms();
  const auto mayHold = [&](std::string_view form) { return MayHold(original, encoding, form, ansi_); };
  EnvironmentValues* const environment = EnvironmentFor(path, texts);
  const bool mayNameVariables = environment && (mayHold("%") || (syntax.powerShell && mayHold("$env:")) ||
                                                (syntax.powerShell && mayHold("${env:")) || mayHold("$USER_HOME$"));
  if (!mayNameVariables && std::none_of(oldForms.begin(), oldForms.end(), mayHold)) return;
  const std::optional<DecodedText> decoded = DecodeText(original, encoding, ansi_);
  if (!decoded) {
    run_->PassOver(path, "its text is not valid " + EncodingName(encoding, ansi_));
    return;
  }
  const std::string_view text = decoded->Text();
  TextSearch search;
  BeginSearch(search, path, text, texts, syntax);
  const Spellings& spellings = *search.spellings;
  const Spellings::Family& family = search.family;
  const Rewrite& first = search.first;
  if (!first.found()) return;
  // Known before the user is asked anything: a file whose encoding lacks a
  // character of the new text is left as it is rather than damaged.
  const auto cannotHold = [&] {
    run_->PassOver(path, "its encoding (" + EncodingName(encoding, ansi_) + ") cannot hold the new text");
  };
  if (!EncodeText(first.newText, encoding, ansi_)) return cannotHold();
  if (family.pairs)
    for (const Spellings::Pair& p : *family.pairs)
      if (!EncodeText(p.newText, encoding, ansi_)) return cannotHold();

  int changes = 0;
  const std::size_t firstEntry = run_->findings.changes.size();
  const ChangeKind kind = ReadThroughProfileFunctions(path) ? ChangeKind::SettingsLine : ChangeKind::ConfigurationLine;
  std::string replaced = Replace(path, text, spellings, family, first, search.variables ? &*search.variables : nullptr,
                                 IsMarkup(path, text), kind, changes);
  if (changes == 0 || run_->pass.FindsOnly()) return;
  WriteRewritten(path, original, std::move(replaced), encoding, firstEntry);
}

void TextFileRewrite::WriteRewritten(const std::string& path, const std::string& original, std::string replaced,
                                     TextEncoding encoding, std::size_t firstEntry) {
  // The changes recorded from firstEntry on are not made after all.
  const auto giveUp = [&](const std::string& reason) { run_->PassOverSince(firstEntry, path, reason); };
  const std::optional<std::string> bytes = EncodeText(std::move(replaced), encoding, ansi_);
  if (!bytes) return giveUp("its encoding (" + EncodingName(encoding, ansi_) + ") cannot hold the new text");
  if (const std::optional<std::string> why = ChangedSinceRead(path, original)) return giveUp(*why);
  const std::optional<std::uint32_t> attributes = fs_.AttributesOf(path);
  if (!attributes) return giveUp(kChangedSinceSearch);
  if (!backup_.BackupFile(path)) return giveUp("its backup could not be made");
  if (!backup_.BackedUpAs(path, original)) return giveUp(kChangedSinceSearch);
  // What the file will hold is on record before it is written, so that an
  // undo can tell whether it changed after the run.
  Announcement announced;
  if (run_->pass.written) {
    announced = run_->pass.written->File(path, *bytes);
    run_->pass.written->MakeDurable();
  }
  // One file that cannot be written (in use, refused) does not stop the run;
  // its backup holds what it still holds, so undo restores nothing wrong.
  try {
    Write(path, *attributes, *bytes);
  } catch (const std::exception& e) {
    if (run_->pass.written) run_->pass.written->Withdraw(announced);
    giveUp(e.what());
  }
}

const BinarySearch& TextFileRewrite::BinaryFor(const SearchTexts& texts) {
  if (!binary_ || binaryTexts_ != texts) {
    binary_.emplace(Spellings(texts), ansi_);
    binaryTexts_ = texts;
  }
  return *binary_;
}

void TextFileRewrite::BeforeRewrites(const RunPass& run, const std::vector<std::string>& paths) {
  if (!run.pass.FindsOnly()) backup_.BackupFiles(paths);
}

void TextFileRewrite::BeginSearch(TextSearch& search, const std::string& path, std::string_view text,
                                  const SearchTexts& texts, TextSyntax syntax) {
  syntax.asciiEscapes = EscapesBeyondAscii(text);
  places_.ForRun(run_->pass.runNumber);
  search.spellings = &spellings_.For(texts, syntax);
  search.family = search.spellings->Choose(text);
  if (EnvironmentValues* const environment = EnvironmentFor(path, texts))
    search.variables.emplace(*search.spellings, text, *environment);
  search.first = FittedToPlace(
      text, NextRewrite(*search.spellings, search.family, text, 0, search.variables ? &*search.variables : nullptr),
      PlaceOfFile(path));
}

std::optional<std::string> TextFileRewrite::RewriteText(RunPass& run, const std::string& place, std::string_view text,
                                                        const SearchTexts& texts, ChangeKind kind) {
  const PassHold hold(run_, run);
  TextSearch search;
  BeginSearch(search, place, text, texts, SyntaxOfFile(place));
  if (!search.first.found()) return std::nullopt;
  int changes = 0;
  std::string replaced = Replace(place, text, *search.spellings, search.family, search.first,
                                 search.variables ? &*search.variables : nullptr, IsMarkup(place, text), kind, changes);
  if (changes == 0) return std::nullopt;
  return replaced;
}

bool TextFileRewrite::HoldsOccurrence(RunPass& run, const std::string& place, std::string_view text,
                                      const SearchTexts& texts) {
  const PassHold hold(run_, run);
  TextSearch search;
  BeginSearch(search, place, text, texts, SyntaxOfFile(place));
  return search.first.found();
}

std::optional<std::string> TextFileRewrite::ChangedSinceRead(const std::string& path, const std::string& original) {
  try {
    if (fs_.ReadWhole(path) == original) return std::nullopt;
  } catch (const std::exception& e) {
    return std::string("cannot be read: ") + e.what();
  }
  return std::string("it was changed by another program while the run waited for an answer");
}

EnvironmentValues* TextFileRewrite::EnvironmentFor(const std::string& path, const SearchTexts& texts) {
  // Only a path is looked for behind variables: a drive switch would write
  // out every %SystemRoot% it met.
  if (!environment_ || texts.rule != MatchRule::Path || run_->settings.request.Mode == RunMode::SwitchDrives) return nullptr;
  // A file in another user's profile means that user's folders by
  // %APPDATA% and the like, which this process cannot expand.
  const std::optional<std::string> profile = environment_->Value("USERPROFILE");
  if (profile && InFolder(path, *profile)) return environment_;
  sharedOnly_.emplace(*environment_);
  return &*sharedOnly_;
}

std::string TextFileRewrite::Replace(const std::string& path, std::string_view text, const Spellings& spellings,
                                     const Spellings::Family& family, const Rewrite& first,
                                     const VariablesExpanded* variables, bool markup, ChangeKind kind,
                                     int& changes) {
  // Built from left to right: `out` holds the text up to `cursor` with its
  // occurrences replaced, so inserted text is never searched again.
  std::string out;
  out.reserve(text.size());
  std::size_t cursor = 0;
  // A match may be longer or shorter than its form: a letter's other case
  // can take another number of bytes. Each is replaced in its own spelling.
  int lineNumber = 1;
  std::size_t counted = 0;  // line ends before it are in lineNumber
  bool skipping = false;    // answered Skip: the rest of the place stays as it is
  const TextPlace place = PlaceOfFile(path);
  PreviewLines shown(run_->ui);
  for (Rewrite m = first; m.found();
       m = FittedToPlace(text, NextRewrite(spellings, family, text, cursor, variables), place)) {
    const std::size_t pos = m.pos;
    std::string escaped;
    const std::string_view newForm =
        markup ? EscapedForMarkup(m.newText, text.substr(pos, m.length), escaped) : std::string_view(m.newText);
    lineNumber += LineEndsIn(text, counted, pos);
    counted = pos;
    const std::string_view line = LineAround(text, pos, m.length);
    std::string replacedLine(line);
    replacedLine.replace(pos - std::size_t(line.data() - text.data()), m.length, newForm);
    ChangeEntry entry{path, "", lineNumber, kind, std::string(line), replacedLine, ChangeOutcome::WouldChange,
                      spellings.NoteOn(m.shortForm)};
    const auto leave = [&] {
      out.append(text.substr(cursor, pos + m.length - cursor));
      cursor = pos + m.length;
    };
    // Named by the search; the apply meets it again and leaves it as it is.
    if (m.undecided) {
      if (!run_->pass.selection || run_->pass.FindsOnly()) {
        entry.outcome = ChangeOutcome::PassedOver;
        entry.reason = kPathEndUnknown;
        run_->Record(std::move(entry));
      }
      leave();
      continue;
    }
    if (!run_->Chosen(entry)) {
      leave();
      continue;
    }
    // Skip leaves every further occurrence of the place too: each is named
    // as skipped, not as one the apply failed to meet.
    if (skipping) {
      entry.outcome = ChangeOutcome::Skipped;
      run_->Record(std::move(entry));
      leave();
      continue;
    }
    if (VerificationOn(*run_)) {
      // Shown in the text as it stands, the occurrences before it replaced.
      std::string current = out;
      current.append(text.substr(cursor));
      if (Ask(path, current, out.size() + (pos - cursor), m.length, newForm, kind) != Answer::Replace) {
        entry.outcome = ChangeOutcome::Skipped;
        run_->Record(std::move(entry));
        if (run_->findings.tally.cancelled) break;
        skipping = true;
        leave();
        continue;
      }
    }
    if (!run_->pass.FindsOnly())
      entry.outcome = ChangeOutcome::Changed;
    else if (run_->pass.IsPreview())
      shown.Add(path, line, text, pos, m.length, newForm);
    run_->Record(std::move(entry));
    out.append(text.substr(cursor, pos - cursor)).append(newForm);
    cursor = pos + m.length;
    run_->PumpCancelled();
    ++changes;
  }
  out.append(text.substr(cursor));
  return out;
}

Answer TextFileRewrite::Ask(const std::string& path, const std::string& current, std::size_t at, std::size_t length,
                            std::string_view newForm, ChangeKind kind) {
  Question question = FileChangeQuestion(path, current, at, length, newForm);
  if (kind == ChangeKind::ScheduledTask) question.key = kScheduledTasksKey;
  return OfferChange(*run_, question, WalkKind::Files);
}

void TextFileRewrite::Write(const std::string& path, std::uint32_t attributes, const std::string& bytes) {
  // The replacement keeps what the old file had (its attributes among it).
  if (!(attributes & kAttrReadOnly)) return fs_.ReplaceWhole(path, bytes);
  // A read-only file cannot be replaced; its attributes come back in any case.
  fs_.SetAttributesOf(path, 0);
  try {
    fs_.ReplaceWhole(path, bytes);
  } catch (...) {
    fs_.SetAttributesOf(path, attributes);
    throw;
  }
  fs_.SetAttributesOf(path, attributes);
}
