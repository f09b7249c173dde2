#include "filemap/TextFileRewrite.h"

#include <algorithm>

#include "core/Text.h"
#include "regmap/ChangeVerification.h"

namespace {

constexpr std::size_t kExcerptLead = 10;

// The line of the joined text (CR LF after every line) that holds [pos, pos + len).
std::string_view LineAround(std::string_view text, std::size_t pos, std::size_t len) {
  const std::size_t lf = text.rfind('\n', pos == 0 ? 0 : pos - 1);
  const std::size_t start = (lf == std::string_view::npos || lf >= pos) ? 0 : lf + 1;
  std::size_t end = text.find("\r\n", pos + len);
  if (end == std::string_view::npos) end = text.size();
  return text.substr(start, end - start);
}

}  // namespace

Question FileChangeQuestion(const std::string& path, std::string_view text, std::size_t pos, std::size_t oldLen,
                            std::string_view newForm) {
  const std::size_t lead = std::min(pos, kExcerptLead);
  const std::string_view before = text.substr(pos - lead, lead);
  Question q;
  q.key = kSettingFilesKey;
  q.value = path;
  q.from = std::string(text.substr(pos - lead));
  q.to.reserve(lead + newForm.size() + text.size() - pos - oldLen);
  q.to.append(before).append(newForm).append(text.substr(pos + oldLen));
  return q;
}

void TextFileRewrite::RewriteTextFile(const std::string& path, const RewriteTexts& texts) {
  const std::optional<std::uint32_t> attributes = fs_.AttributesOf(path);
  if (!attributes) return;  // vanished since the listing
  std::string original;
  try {
    original = fs_.ReadWhole(path);
  } catch (const std::exception&) {
    // Held by another program, vanished, unreadable: passed over silently.
    ctx_.PumpCancelled();
    return;
  }
  // A NUL byte means this is no text: the line model would corrupt it.
  if (original.find('\0') != std::string::npos) return;

  int changes = 0;
  const std::string text = Replace(path, JoinCrLf(original), texts, changes);
  if (changes == 0 || ctx_.preview) return;

  // The user may have taken minutes over the questions: a file that changed
  // meanwhile is passed over rather than overwritten with stale text.
  bool unchanged = false;
  try {
    unchanged = fs_.ReadWhole(path) == original;
  } catch (const std::exception&) {
  }
  if (!unchanged || !backup_.BackupFile(path)) {
    ctx_.request.LinkCount -= changes;
    return;
  }
  Write(path, *attributes, JoinCrLf(text));
}

std::string TextFileRewrite::Replace(const std::string& path, const std::string& text, const RewriteTexts& texts,
                                     int& changes) {
  const PairChoice choice =
      ChoosePair(text, {texts.oldText, texts.newText}, {texts.oldShort, texts.newShort});
  if (!choice.found) return text;
  const std::string_view oldForm = choice.pair.oldText, newForm = choice.pair.newText;

  // Built from left to right: `out` holds the text up to `cursor` with its
  // occurrences replaced, so inserted text is never searched again.
  std::string out;
  std::size_t cursor = 0;
  // A match may be longer or shorter than oldForm: a letter's other case
  // can take another number of bytes.
  for (FoldMatch m{choice.pos, choice.length}; m.pos != kNotFound; m = FindFoldMatch(text, oldForm, cursor)) {
    const std::size_t pos = m.pos;
    if (VerificationOn(ctx_)) {
      const std::string current = out + text.substr(cursor);
      const std::size_t at = out.size() + (pos - cursor);
      if (OfferChange(ctx_, FileChangeQuestion(path, current, at, m.length, newForm), WalkKind::Files) !=
          Answer::Replace)
        break;
    }
    if (ctx_.preview) {
      const std::string_view line = LineAround(text, pos, m.length);
      const std::size_t inLine = pos - std::size_t(line.data() - text.data());
      std::string replaced(line);
      replaced.replace(inLine, m.length, newForm);
      ctx_.ui->ReportPreview({path, "", std::string(line), replaced});
    }
    out.append(text, cursor, pos - cursor).append(newForm);
    cursor = pos + m.length;
    ctx_.PumpCancelled();
    ++changes;
    ++ctx_.request.LinkCount;
  }
  out.append(text, cursor);
  return out;
}

void TextFileRewrite::Write(const std::string& path, std::uint32_t attributes, const std::string& text) {
  // A read-only file cannot be replaced; its attributes come back in any case.
  fs_.SetAttributesOf(path, 0);
  try {
    fs_.ReplaceWhole(path, text);
  } catch (...) {
    fs_.SetAttributesOf(path, attributes);
    throw;
  }
  fs_.SetAttributesOf(path, attributes);
}
