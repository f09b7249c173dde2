// The quick test a registry search makes on a value's UTF-16 data before
// converting it: it may let through data that holds nothing, never turn
// down data in which the full search finds something.
#include <gtest/gtest.h>

#include <random>

#include "core/Unicode.h"
#include "engine/WidePrefilter.h"
#include "regmap/NTReg.h"

namespace {

std::string LeBytes(const std::u16string& units) {
  std::string out;
  for (char16_t u : units) {
    out += char(u & 0xFF);
    out += char(u >> 8);
  }
  return out;
}

// Data made of pieces of the search's own forms (whole, cut, across case),
// separators, look-alike letters beyond ASCII, NULs, lone surrogates and
// variables, so that many pieces hold a form and many only nearly.
class Corpus {
 public:
  Corpus(const Spellings& spellings, unsigned seed) : random_(seed) {
    for (std::string_view form : spellings.OldForms()) forms_.push_back(Utf16FromUtf8(form));
    pieces_ = {u"\\", u"/", u"\\\\", u"\\/", u"%20", u"&amp;", u"&#38;", u"~1", u" ", u";", u"\"", u"x", u"7",
               u"\u00F6", u"\u00D6", u"\u212A", u"\u017F", u"\u0131", u"\u0130", u"\uFF21", u"\U0001F600",
               std::u16string(1, u'\0'), std::u16string(1, char16_t(0xD800)), std::u16string(1, char16_t(0xDC05)),
               u"%ProgramFiles%", u"%", u"C:"};
  }
  std::string Next() {
    std::u16string units;
    const int count = Pick(8) + 1;
    for (int i = 0; i < count; ++i) {
      if (!forms_.empty() && Pick(2) == 0) {
        std::u16string form = forms_[Pick(int(forms_.size()))];
        // Cut at either end, or not.
        const std::size_t from = Pick(3) == 0 ? Pick(int(form.size())) : 0;
        const std::size_t to = Pick(3) == 0 ? from + Pick(int(form.size() - from) + 1) : form.size();
        form = form.substr(from, to - from);
        for (char16_t& c : form)
          if (c < 0x80 && ((c | 0x20) >= u'a' && (c | 0x20) <= u'z') && Pick(2) == 0) c ^= 0x20;
        units += form;
      } else {
        units += pieces_[Pick(int(pieces_.size()))];
      }
    }
    std::string data = LeBytes(units);
    if (Pick(10) == 0) data += char(Pick(256));  // an odd last byte
    return data;
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  std::mt19937 random_;
  std::vector<std::u16string> forms_, pieces_;
};

struct Tally {
  int found = 0, turnedDown = 0;
};

// Every text the walk could take from the data (a string up to its NUL, a
// list of strings, a list that would not come back exactly).
Tally Check(const SearchTexts& texts, unsigned seed, int count) {
  const Spellings spellings(texts);
  const WidePrefilter filter(spellings);
  Corpus corpus(spellings, seed);
  Tally tally;
  for (int i = 0; i < count; ++i) {
    const std::string data = corpus.Next();
    const bool mayHold = filter.MayHold(data);
    tally.turnedDown += mayHold ? 0 : 1;
    std::vector<std::string> readings = {TextFromRegData(data), Utf8FromUtf16LeBytes(data)};
    if (const auto list = MultiTextFromRegData(data)) readings.push_back(*list);
    for (const std::string& text : readings) {
      if (!spellings.Choose(text).first.found()) continue;
      ++tally.found;
      if (!mayHold) {
        ADD_FAILURE() << texts.oldText << ": turned down data in which the search finds \"" << text << "\"";
        return tally;
      }
    }
  }
  return tally;
}

TEST(WidePrefilter, NeverTurnsDownDataTheSearchFindsSomethingIn) {
  const SearchTexts cases[] = {
      {"C:\\Program Files\\Acme & Co", "D:\\Acme", "C:\\PROGRA~1\\ACMECO~1", "D:\\ACME", MatchRule::Path},
      {"D:\\Data2024\\x64", "E:\\Data", "", "", MatchRule::Path},
      {"\\\\server\\share\\tools", "\\\\other\\tools", "", "", MatchRule::Path},
      {"Prog", "MyProg", "", "", MatchRule::Substring},
  };
  unsigned seed = 1;
  for (const SearchTexts& texts : cases) {
    const Tally tally = Check(texts, seed++, 6000);
    // The corpus means something: the search found much and the filter spared much.
    EXPECT_GT(tally.found, 1000) << texts.oldText;
    EXPECT_GT(tally.turnedDown, 1000) << texts.oldText;
  }
}

TEST(WidePrefilter, LetsEverythingThroughWhereItCannotTell) {
  // A form beyond ASCII (matched across case beyond ASCII), or one without a
  // run of letters long enough to mean something.
  for (const SearchTexts& texts : {SearchTexts{"C:\\Users\\Jörg", "D:\\J", "C:\\Users\\JRG~1", "", MatchRule::Path},
                                   SearchTexts{"C:\\", "D:\\", "", "", MatchRule::Path}}) {
    const Spellings spellings(texts);
    EXPECT_TRUE(WidePrefilter(spellings).PassesAll()) << texts.oldText;
    const Tally tally = Check(texts, 7, 2000);
    EXPECT_EQ(tally.turnedDown, 0) << texts.oldText;
  }
  // Nothing to look for: nothing can hold it.
  const Spellings none(SearchTexts{"", "D:\\", "", "", MatchRule::Path});
  EXPECT_FALSE(WidePrefilter(none).MayHold(LeBytes(u"C:\\anything")));
}

}  // namespace
