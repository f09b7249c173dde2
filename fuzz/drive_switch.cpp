// A drive switch over any text, as the walks make it: every occurrence the
// search finds, left to right. The first input byte picks how the text writes
// paths; the rest is the text. Properties: a switch writes no character the
// text did not hold (no stand-in), keeps the text's length (a drive letter
// for a drive letter), and a second switch gives the text back (but for the
// case of the drive letters, which come out as typed).
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "engine/SearchTexts.h"

namespace {
std::string Switched(const Spellings& spellings, std::string text) {
  const Spellings::Family family = spellings.Choose(text);
  for (Rewrite r = NextRewrite(spellings, family, text, 0, static_cast<EnvironmentValues*>(nullptr)); r.found();
       r = NextRewrite(spellings, family, text, r.pos + r.newText.size(), static_cast<EnvironmentValues*>(nullptr)))
    text.replace(r.pos, r.length, r.newText);
  return text;
}

std::string DriveLettersUpper(std::string text) {
  for (char& c : text)
    if (c == 'p' || c == 'r') c = char(c - 'a' + 'A');
  return text;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  TextSyntax syntax;
  syntax.properties = data[0] & 1;
  syntax.asciiEscapes = data[0] & 2;
  syntax.powerShell = data[0] & 4;
  SearchTexts texts{"P:\\", "R:\\", "", "", MatchRule::Path};
  texts.exchange = true;
  const Spellings spellings(texts, syntax);
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string once = Switched(spellings, text);
  FUZZ_CHECK(once.size() == text.size());
  for (unsigned char c = 0; c < 128; ++c)
    if (c != 'P' && c != 'R' && c != 'p' && c != 'r')
      FUZZ_CHECK(std::count(once.begin(), once.end(), char(c)) == std::count(text.begin(), text.end(), char(c)));
  FUZZ_CHECK(DriveLettersUpper(Switched(spellings, once)) == DriveLettersUpper(text));
  return 0;
}
