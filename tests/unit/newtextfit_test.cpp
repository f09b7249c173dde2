// The new text written as the place it goes into reads it: a path with a new
// space quoted on a command line, an address percent-encoded, "%" doubled in
// a batch script; and a new place no path could be refused before a run.
#include <gtest/gtest.h>

#include "engine/MappingRequest.h"
#include "engine/NewTextFit.h"

namespace {
using namespace std::literals;

struct Case {
  TextPlace place;
  const char *before, *oldText, *newText, *after;
};

// `before` with its first `oldText` replaced by `newText` as fitted there.
std::string Fitted(const Case& c, bool encoded = false, bool throughVariables = false) {
  const std::string text = c.before;
  Rewrite r{text.find(c.oldText), std::string_view(c.oldText).size(), c.newText};
  r.encoded = encoded;
  r.throughVariables = throughVariables;
  r = FittedToPlace(text, r, c.place);
  return text.substr(0, r.pos) + r.newText + text.substr(r.pos + r.length);
}

constexpr TextPlace kLine = TextPlace::CommandLine, kBatch = TextPlace::BatchScript,
                    kPowerShell = TextPlace::PowerShellScript, kPlain = TextPlace::Plain;
constexpr const char* kSpaced = "D:\\New Folder\\W6Svc";

TEST(NewTextFit, APathGivenASpaceIsQuotedWholeWhereItStartsOrStandsInACommand) {
  const Case cases[] = {
      // The program: the quote closes where its word ends, past the occurrence.
      {kLine, "C:\\W6Svc\\svc.exe -k netsvcs", "C:\\W6Svc", kSpaced, "\"D:\\New Folder\\W6Svc\\svc.exe\" -k netsvcs"},
      {kLine, "  C:\\W6Svc\\svc.exe", "C:\\W6Svc", kSpaced, "  \"D:\\New Folder\\W6Svc\\svc.exe\""},
      // A name inside the program's path: quoted from the word's start, as
      // the program name ends at the first blank unless it opens quoted.
      {kLine, "C:\\Apps\\W6Svc\\svc.exe -k", "W6Svc", "W6 Svc", "\"C:\\Apps\\W6 Svc\\svc.exe\" -k"},
      // Arguments: from the occurrence on, the same word to the C runtime.
      {kLine, "C:\\T\\app.exe --cfg C:\\W6Svc\\x.ini -v", "C:\\W6Svc", kSpaced,
       "C:\\T\\app.exe --cfg \"D:\\New Folder\\W6Svc\\x.ini\" -v"},
      {kLine, "app.exe --cfg=C:\\W6Svc\\x.ini", "C:\\W6Svc", kSpaced, "app.exe --cfg=\"D:\\New Folder\\W6Svc\\x.ini\""},
      {kLine, "rundll32.exe C:\\W6Svc\\x.dll,Run", "C:\\W6Svc", kSpaced,
       "rundll32.exe \"D:\\New Folder\\W6Svc\\x.dll\",Run"},
      // The old path again in the word is left to be found on its own.
      {kLine, "x.exe /a=C:\\W6Svc\\a=c:\\w6svc\\b", "C:\\W6Svc", kSpaced,
       "x.exe /a=\"D:\\New Folder\\W6Svc\\a=\"c:\\w6svc\\b"},
      {kLine, "java -cp C:\\W6Svc\\a.jar;x.jar Main", "C:\\W6Svc", kSpaced,
       "java -cp \"D:\\New Folder\\W6Svc\\a.jar\";x.jar Main"},
  };
  for (const Case& c : cases) EXPECT_EQ(Fitted(c), c.after) << c.before;
  // The end of a string in a list of strings ends the word.
  const std::string list = "a\0C:\\W6Svc\\b.exe\0c"s;
  Rewrite r{2, 8, kSpaced};
  r = FittedToPlace(list, r, kLine);
  EXPECT_EQ(list.substr(0, r.pos) + r.newText + list.substr(r.pos + r.length),
            "a\0\"D:\\New Folder\\W6Svc\\b.exe\"\0c"s);
}

TEST(NewTextFit, WhatNeedsNoQuotesIsWrittenAsItIs) {
  const Case cases[] = {
      // Already quoted.
      {kLine, "\"C:\\W6Svc\\svc.exe\" -k", "C:\\W6Svc", kSpaced, "\"D:\\New Folder\\W6Svc\\svc.exe\" -k"},
      {kLine, "x.exe /p \"C:\\W6Svc\\a b\" C:\\W6Svc", "C:\\W6Svc", kSpaced,
       "x.exe /p \"D:\\New Folder\\W6Svc\\a b\" C:\\W6Svc"},
      // No space brought by the new place; a space the old word had already.
      {kLine, "C:\\W6Svc\\svc.exe -k", "C:\\W6Svc", "D:\\W7Svc", "D:\\W7Svc\\svc.exe -k"},
      {kLine, "C:\\Old Dir\\a.exe -x", "C:\\Old Dir", "D:\\New Dir", "D:\\New Dir\\a.exe -x"},
      // A list or a setting is no command line.
      {kPlain, "C:\\W6Svc;C:\\Other", "C:\\W6Svc", kSpaced, "D:\\New Folder\\W6Svc;C:\\Other"},
      // A word with a quote of its own is left rather than guessed at.
      {kLine, "C:\\W6Svc\\a\"b c\" -x", "C:\\W6Svc", kSpaced, "D:\\New Folder\\W6Svc\\a\"b c\" -x"},
  };
  for (const Case& c : cases) EXPECT_EQ(Fitted(c), c.after) << c.before;
}

TEST(NewTextFit, AnAddressGetsTheNewTextPercentEncodedOnce) {
  const Case cases[] = {
      {kPlain, "file:///C:/W6Svc/y", "C:/W6Svc", "D:/New Folder/W6Svc", "file:///D:/New%20Folder/W6Svc/y"},
      {kPlain, "u=file:///C:/W6Svc/y", "C:/W6Svc", "D:/R&D 100%/#1/Jörg",
       "u=file:///D:/R&D%20100%25/%231/J%C3%B6rg/y"},
      {kPlain, "http://host/C:/W6Svc", "C:/W6Svc", "D:/a b", "http://host/D:/a%20b"},
      // Not quoted on a command line either: the address has no space left.
      {kLine, "explorer.exe file:///C:/W6Svc/y", "C:/W6Svc", "D:/a b", "explorer.exe file:///D:/a%20b/y"},
      // No address: a drive is no scheme, a path after a blank is no part of one.
      {kPlain, "C://W6Svc", "W6Svc", "a b", "C://a b"},
      {kPlain, "http://host/ C:/W6Svc", "C:/W6Svc", "D:/a b", "http://host/ D:/a b"},
  };
  for (const Case& c : cases) EXPECT_EQ(Fitted(c), c.after) << c.before;
  // The spelling that is percent-encoded already is written as it is.
  EXPECT_EQ(Fitted({kPlain, "file:///C:/Old%20Dir/y", "C:/Old%20Dir", "D:/New%20Folder", ""}, true),
            "file:///D:/New%20Folder/y");
}

TEST(NewTextFit, BatchScriptsDoubleThePercentAndQuoteWhatCmdActsOn) {
  const Case cases[] = {
      {kBatch, "C:\\W6Svc\\tool.exe -x\r\n", "C:\\W6Svc", kSpaced, "\"D:\\New Folder\\W6Svc\\tool.exe\" -x\r\n"},
      {kBatch, "cd /d C:\\W6Svc\r\n", "C:\\W6Svc", "D:\\R&D 100%", "cd /d \"D:\\R&D 100%%\"\r\n"},
      {kBatch, "@C:\\W6Svc\\t.exe", "C:\\W6Svc", "D:\\(x)", "@\"D:\\(x)\\t.exe\""},
      {kBatch, "copy a C:\\W6Svc\\b>nul", "C:\\W6Svc", "D:\\A^B", "copy a \"D:\\A^B\\b\">nul"},
      {kBatch, "echo \"C:\\W6Svc\"", "C:\\W6Svc", "D:\\100%", "echo \"D:\\100%%\""},
      // "start" would take the first quoted word for a window title.
      {kBatch, "start /min C:\\W6Svc\\x.exe", "C:\\W6Svc", "D:\\A B", "start /min \"\" \"D:\\A B\\x.exe\""},
      {kBatch, "start \"T\" C:\\W6Svc\\x.exe", "C:\\W6Svc", "D:\\A B", "start \"T\" \"D:\\A B\\x.exe\""},
      {kLine, "cmd /c start C:\\W6Svc\\x.exe", "C:\\W6Svc", "D:\\A B", "cmd /c start \"\" \"D:\\A B\\x.exe\""},
      // A set command takes the spaces; "^" keeps what cmd would act on.
      {kBatch, "set PATH=C:\\W6Svc;%PATH%", "C:\\W6Svc", "D:\\R&D 100%", "set PATH=D:\\R^&D 100%%;%PATH%"},
      {kBatch, "set \"P=C:\\W6Svc\"", "C:\\W6Svc", "D:\\R&D", "set \"P=D:\\R&D\""},
  };
  for (const Case& c : cases) EXPECT_EQ(Fitted(c), c.after) << c.before;
  // A variable's reference brought by the search stays a reference.
  EXPECT_EQ(Fitted({kBatch, "cd C:\\W6Svc", "C:\\W6Svc", "%ProgramFiles%\\W6", ""}, false, true),
            "cd %ProgramFiles%\\W6");
}

TEST(NewTextFit, PowerShellCallsAQuotedCommandAndQuotesSingly) {
  const Case cases[] = {
      {kPowerShell, "C:\\W6Svc\\tool.exe -x\n", "C:\\W6Svc", kSpaced, "& 'D:\\New Folder\\W6Svc\\tool.exe' -x\n"},
      {kPowerShell, "$a = 1; C:\\W6Svc\\t.exe", "C:\\W6Svc", kSpaced, "$a = 1; & 'D:\\New Folder\\W6Svc\\t.exe'"},
      {kPowerShell, "& C:\\W6Svc\\t.exe", "C:\\W6Svc", kSpaced, "& 'D:\\New Folder\\W6Svc\\t.exe'"},
      // "$" stays itself in single quotes; a quote in them is doubled.
      {kPowerShell, "Set-Location C:\\W6Svc", "C:\\W6Svc", "D:\\Bob's $Dir", "Set-Location 'D:\\Bob''s $Dir'"},
      {kPowerShell, "Get-Item -Path:C:\\W6Svc\\x", "C:\\W6Svc", kSpaced, "Get-Item -Path:'D:\\New Folder\\W6Svc\\x'"},
      {kPowerShell, "$p = \"C:\\W6Svc\"", "C:\\W6Svc", kSpaced, "$p = \"D:\\New Folder\\W6Svc\""},
      {kPowerShell, "$p = 'C:\\W6Svc'", "C:\\W6Svc", kSpaced, "$p = 'D:\\New Folder\\W6Svc'"},
  };
  for (const Case& c : cases) EXPECT_EQ(Fitted(c), c.after) << c.before;
}

TEST(NewTextFit, ANewPlaceNoWindowsPathCouldHoldIsRefusedNamingTheCharacter) {
  const auto refusal = [](RunMode mode, const char* find, const char* replace) {
    const std::optional<EngineRefusal> r = RequestRefusal({find, replace, false, mode});
    return r ? RefusalText(*r) : std::string();
  };
  EXPECT_EQ(refusal(RunMode::MapOnly, "C:\\Old", "D:\\a\"b"),
            "The new place D:\\a\"b holds the character \" (quotation mark), which no Windows path may hold.");
  EXPECT_NE(refusal(RunMode::MoveAndMap, "C:\\Old", "D:\\x?").find("? (question mark)"), std::string::npos);
  EXPECT_NE(refusal(RunMode::MapOnly, "C:\\Old", "D:\\a|b").find("| (vertical bar)"), std::string::npos);
  EXPECT_NE(refusal(RunMode::MapOnly, "C:\\Old", "D:\\a*").find("* (asterisk)"), std::string::npos);
  EXPECT_NE(refusal(RunMode::MapOnly, "C:\\Old", "D:\\<a>").find("< (less-than sign)"), std::string::npos);
  EXPECT_NE(refusal(RunMode::MapOnly, "C:\\Old", "D:\\a:b").find(": (colon)"), std::string::npos);
  EXPECT_NE(refusal(RunMode::MapOnly, "C:\\Old", "D:\\a\tb").find("a control character (U+0009)"),
            std::string::npos);
  // What a path may be.
  for (const char* fine : {"D:\\New Folder\\R&D 100% (x)", "\\\\server\\share\\a", "\\\\?\\D:\\long", "D:", "Jörg"})
    EXPECT_EQ(refusal(RunMode::MapOnly, "C:\\Old", fine), "") << fine;
  // Plain text may be replaced by any text.
  EXPECT_EQ(refusal(RunMode::MapOnly, "Acme", "\"Acme\" <x>"), "");
}

}  // namespace
