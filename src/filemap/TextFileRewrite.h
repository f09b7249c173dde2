#pragma once
// The rewrite of one settings file or plain file as text: every occurrence of
// the old text (long form, else short form) replaced once, each one offered
// first when the user confirms changes, the file backed up and then replaced
// whole. The file is read and written in its own encoding (UTF-8, UTF-16,
// the ANSI code page) and keeps its byte order mark and line ends: only the
// bytes of the replaced text change. A file that is no text is searched
// for the old place in binary form, and named when it holds it, never changed.
#include <optional>
#include <string>
#include <string_view>

#include "engine/BinaryData.h"
#include "engine/RunPorts.h"
#include "core/CodePage.h"
#include "core/FileSystem.h"
#include "core/FileSystemPlaces.h"
#include "core/Text.h"
#include "core/TextEncoding.h"
#include "core/Ui.h"
#include "filemap/Rewriters.h"

inline constexpr const char* kSettingFilesKey = "Setting Files";
inline constexpr const char* kScheduledTasksKey = "Scheduled Tasks";

// The "Entry Found" excerpts for an occurrence at `pos` of `oldLen` bytes in
// the UTF-8 `text`: from up to 10 characters before it to the end, and the
// same with the occurrence replaced by `newForm`.
Question FileChangeQuestion(const std::string& path, std::string_view text, std::size_t pos, std::size_t oldLen,
                            std::string_view newForm);

class TextFileRewrite : public TextFileRewriter {
 public:
  // `ansi` decodes and encodes the files that are in no Unicode encoding.
  TextFileRewrite(FileSystem& fs, FileBackup& backup, CodePage& ansi)
      : fs_(fs), backup_(backup), ansi_(ansi), places_(fs), spellings_(&places_) {}

  void RewriteTextFile(RunPass& run, const std::string& path, const SearchTexts& texts) override;
  // An apply's files are backed up together before the first is rewritten.
  void BeforeRewrites(const RunPass& run, const std::vector<std::string>& paths) override;
  // A text that is no file (a scheduled task's definition, named by its
  // `place`), searched as a file of its syntax is: each occurrence recorded
  // as `kind` and, outside a search, offered when the run asks. The text
  // with those taken replaced; nullopt when none is.
  std::optional<std::string> RewriteText(RunPass& run, const std::string& place, std::string_view text, const SearchTexts& texts,
                                         ChangeKind kind);
  // Whether the text holds an occurrence; nothing is recorded.
  bool HoldsOccurrence(RunPass& run, const std::string& place, std::string_view text, const SearchTexts& texts);
  // The variables behind %NAME% (and $env:NAME in PowerShell scripts), to
  // find the old path where a file names it through one; none by default.
  void SetEnvironment(EnvironmentValues* environment) { environment_ = environment; }

 private:
  // The text with the occurrences the user agreed to replaced, from `first`
  // on; `changes` counts them. In `markup` a new "&" is written as "&amp;".
  std::string Replace(const std::string& path, std::string_view text, const Spellings& spellings,
                      const Spellings::Family& family, const Rewrite& first, const VariablesExpanded* variables,
                      bool markup, ChangeKind kind, int& changes);
  // One decoded text's search: its spellings, its variables and its first
  // occurrence (not found when it holds none).
  struct TextSearch {
    const Spellings* spellings = nullptr;
    Spellings::Family family;
    std::optional<VariablesExpanded> variables;
    Rewrite first;
  };
  void BeginSearch(TextSearch& search, const std::string& path, std::string_view text, const SearchTexts& texts,
                   TextSyntax syntax);
  // Why the file no longer holds what was read (the user having possibly
  // taken minutes over the questions); nullopt when it still does.
  // The variables the file is read with, or none.
  EnvironmentValues* EnvironmentFor(const std::string& path, const SearchTexts& texts);
  std::optional<std::string> ChangedSinceRead(const std::string& path, const std::string& original);
  void Write(const std::string& path, std::uint32_t attributes, const std::string& bytes);
  // The rewritten text made durable: backed up, on record, written; each
  // change from firstEntry on passed over with the reason when it cannot be.
  void WriteRewritten(const std::string& path, const std::string& original, std::string replaced,
                      TextEncoding encoding, std::size_t firstEntry);
  // Asks about one occurrence at `at` in `current` (the text as it stands).
  Answer Ask(const std::string& path, const std::string& current, std::size_t at, std::size_t length,
             std::string_view newForm, ChangeKind kind);
  // The search of binary data for the texts, made once for a pass.
  const BinarySearch& BinaryFor(const SearchTexts& texts);

  RunPass* run_ = nullptr;  // the pass of the call under way
  FileSystem& fs_;
  FileBackup& backup_;
  CodePage& ansi_;
  EnvironmentValues* environment_ = nullptr;
  std::optional<SharedValuesOnly> sharedOnly_;
  // Where a space ends a path: asked of the file system once a run.
  FileSystemPlaces places_;
  SpellingsCache spellings_;
  std::optional<BinarySearch> binary_;
  std::optional<SearchTexts> binaryTexts_;
};
