#include "engine/NewTextFit.h"

#include <algorithm>

#include "core/Fold.h"
#include "core/Text.h"

namespace {

bool IsLineBreak(char c) { return c == '\r' || c == '\n' || c == '\0'; }  // "\0" parts a list of strings
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsAny(char c, std::string_view set) { return set.find(c) != std::string_view::npos; }

std::string EachDoubled(std::string_view text, char c) {
  std::string out;
  for (char x : text) {
    out += x;
    if (x == c) out += c;
  }
  return out;
}

// How a kind of command line splits and quotes its words.
struct CommandSyntax {
  std::string_view needsQuotes;    // characters that would end or break a bare path
  std::string_view endsToken;      // besides blanks: what ends a word after the path
  std::string_view beginsCommand;  // what a command may follow on its line
  char quote;
};

CommandSyntax SyntaxOf(TextPlace place) {
  switch (place) {
    case TextPlace::BatchScript:
      return {" \t&^()", ",;&|<>", "@&|(", '"'};
    case TextPlace::PowerShellScript:
      // A bare word ends at these, and "$" in it names a variable.
      return {" \t&();,{}$'`|<>\"@#", ",;|)}", ";{|(=", '\''};
    default:
      return {" \t", ",;", "", '"'};
  }
}

std::size_t LineStart(std::string_view text, std::size_t pos) {
  while (pos > 0 && !IsLineBreak(text[pos - 1])) --pos;
  return pos;
}

// Whether `pos` lies inside a quoted part of its line.
bool InsideQuotes(std::string_view text, std::size_t lineStart, std::size_t pos, bool singleQuotesToo) {
  char open = 0;
  for (std::size_t i = lineStart; i < pos; ++i) {
    if (open) {
      if (text[i] == open) open = 0;
    } else if (text[i] == '"' || (singleQuotesToo && text[i] == '\'')) {
      open = text[i];
    }
  }
  return open != 0;
}

bool IsSchemeCharacter(char c) {
  return IsLetterAZ(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// Whether `pos` lies in an address ("file:///C:/x", "http://host/C:/x"):
// its word holds a scheme and "://" before it. A drive letter ("C://") is no scheme.
bool InAddress(std::string_view text, std::size_t pos) {
  std::size_t start = pos;
  while (start > 0 && !IsBlank(text[start - 1]) && !IsLineBreak(text[start - 1]) && !IsAny(text[start - 1], "\"'<>;|"))
    --start;
  const std::string_view word = text.substr(start, pos - start);
  for (std::size_t at = word.find("://"); at != std::string_view::npos; at = word.find("://", at + 1)) {
    std::size_t scheme = at;
    while (scheme > 0 && IsSchemeCharacter(word[scheme - 1])) --scheme;
    while (scheme < at && !IsLetterAZ(word[scheme])) ++scheme;
    if (at - scheme >= 2) return true;
  }
  return false;
}

// A "set NAME=value" line of a batch script: its value takes spaces as they
// are, and "^" keeps the characters cmd.exe acts on.
bool InSetCommand(std::string_view text, std::size_t lineStart, std::size_t pos) {
  std::size_t i = lineStart;
  while (i < pos && (IsBlank(text[i]) || text[i] == '@')) ++i;
  return i + 4 <= pos && EqualNoCaseAZ(text.substr(i, 3), "set") && IsBlank(text[i + 3]);
}

std::string CaretEscaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (IsAny(c, "&^|<>()")) out += '^';
    out += c;
  }
  return out;
}

// Whether the word at `wordStart` is the first of a "start" command
// (switches aside): "start" takes a first quoted word for the new window's
// title, so a quoted program needs an empty title before it.
bool FirstAfterStart(std::string_view text, std::size_t lineStart, std::size_t wordStart) {
  for (std::size_t end = wordStart;;) {
    while (end > lineStart && IsBlank(text[end - 1])) --end;
    std::size_t begin = end;
    while (begin > lineStart && !IsBlank(text[begin - 1]) && !IsAny(text[begin - 1], "\"&|(@")) --begin;
    const std::string_view word = text.substr(begin, end - begin);
    if (word.empty()) return false;
    if (word[0] != '/') return EqualNoCaseAZ(word, "start");
    end = begin;
  }
}

}  // namespace

Rewrite FittedToPlace(std::string_view text, Rewrite r, TextPlace place) {
  if (!r.found() || r.encoded) return r;  // a spelling of its own is written as found
  // What a variable's reference brought stays as it is written.
  const bool literal = !r.throughVariables;
  const bool address = literal && InAddress(text, r.pos);
  std::string fitted = address ? PercentEncoded(r.newText) : r.newText;
  if (place == TextPlace::BatchScript && literal) fitted = EachDoubled(fitted, '%');
  const auto done = [&] {
    r.newText = std::move(fitted);
    return r;
  };
  if (place == TextPlace::Plain || address) return done();

  // Only what the new text brings needs quotes: a word that held a space
  // before stood as its writer meant it.
  const CommandSyntax syntax = SyntaxOf(place);
  const std::string_view replaced = text.substr(r.pos, r.length);
  const auto brought = [&](char c) { return IsAny(c, syntax.needsQuotes) && !IsAny(c, replaced); };
  if (std::none_of(r.newText.begin(), r.newText.end(), brought)) return done();
  const std::size_t lineStart = LineStart(text, r.pos);
  if (InsideQuotes(text, lineStart, r.pos, place == TextPlace::PowerShellScript)) return done();
  if (place == TextPlace::BatchScript && InSetCommand(text, lineStart, r.pos)) {
    fitted = CaretEscaped(fitted);
    return done();
  }
  // The path's word: its start, and its end after the occurrence. A word
  // that holds a quote of its own is left as it is.
  const auto isQuote = [](char c) { return c == '"' || c == '\''; };
  std::size_t wordStart = r.pos;
  while (wordStart > lineStart && !IsBlank(text[wordStart - 1]) && !isQuote(text[wordStart - 1]) &&
         !IsAny(text[wordStart - 1], syntax.beginsCommand))
    --wordStart;
  if (wordStart > lineStart && isQuote(text[wordStart - 1])) return done();
  std::size_t wordEnd = r.pos + r.length;
  for (; wordEnd < text.size() && !IsBlank(text[wordEnd]) && !IsLineBreak(text[wordEnd]) &&
         !IsAny(text[wordEnd], syntax.endsToken);
       ++wordEnd)
    if (isQuote(text[wordEnd])) return done();
  // The old text again in the same word is an occurrence of its own, quoted
  // when it comes: this quote closes before it.
  if (const FoldMatch again = FindFoldMatch(text.substr(0, wordEnd), replaced, r.pos + r.length);
      again.pos != kNotFound)
    wordEnd = again.pos;
  // A command's own path is quoted from the start of its word (the program
  // name ends at the first blank unless it opens with a quote); an argument
  // from the occurrence on, which the C runtime reads as the same word
  // ("--cfg=\"D:\New Folder\x.ini\"").
  std::size_t before = wordStart;
  while (before > lineStart && IsBlank(text[before - 1])) --before;
  const bool command = before == lineStart || IsAny(text[before - 1], syntax.beginsCommand);
  const std::size_t open = command ? wordStart : r.pos;
  std::string word = std::string(text.substr(open, r.pos - open)) + fitted +
                     std::string(text.substr(r.pos + r.length, wordEnd - r.pos - r.length));
  if (syntax.quote == '\'') {
    // In PowerShell a quoted word that begins a statement is a string, not a
    // call: "&" calls it. "$" stays itself within single quotes.
    fitted = (command ? "& '" : "'") + EachDoubled(word, '\'') + "'";
  } else {
    fitted = (open == wordStart && FirstAfterStart(text, lineStart, wordStart) ? "\"\" \"" : "\"") + word + '"';
  }
  r.pos = open;
  r.length = wordEnd - open;
  return done();
}
