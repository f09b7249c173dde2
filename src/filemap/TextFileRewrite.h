#pragma once
// The rewrite of one settings file or plain file as text: every occurrence of
// the old text (long form, else short form) replaced once, each one offered
// first when the user confirms changes, the file backed up and then replaced
// whole.
#include <string>
#include <string_view>

#include "engine/MappingRequest.h"
#include "engine/RunPorts.h"
#include "core/FileSystem.h"
#include "core/Ui.h"
#include "filemap/Rewriters.h"

inline constexpr const char* kSettingFilesKey = "Setting Files";

// The "Entry Found" excerpts for an occurrence at `pos` of `oldLen` bytes in
// `text`: from up to 10 characters before it to the end, and the same with
// the occurrence replaced by `newForm`.
Question FileChangeQuestion(const std::string& path, std::string_view text, std::size_t pos, std::size_t oldLen,
                            std::string_view newForm);

class TextFileRewrite : public TextFileRewriter {
 public:
  TextFileRewrite(RunContext& ctx, FileSystem& fs, FileBackup& backup) : ctx_(ctx), fs_(fs), backup_(backup) {}

  void RewriteTextFile(const std::string& path, const RewriteTexts& texts) override;

 private:
  // The file's text with the occurrences the user agreed to replaced;
  // `changes` counts them.
  std::string Replace(const std::string& path, const std::string& text, const RewriteTexts& texts, int& changes);
  void Write(const std::string& path, std::uint32_t attributes, const std::string& text);

  RunContext& ctx_;
  FileSystem& fs_;
  FileBackup& backup_;
};
