#pragma once
// The new text as the place it goes into needs it written: quoted where a
// space would split a command line, percent-encoded inside an address, with
// "%" doubled in a batch script.
#include <string>
#include <string_view>

#include "engine/SearchTexts.h"

// How the text a rewrite goes into is read.
enum class TextPlace {
  Plain,        // a value, a list, a setting: only addresses in it are fitted
  CommandLine,  // a program and its arguments, split as CreateProcess and the C runtime split them
  BatchScript,  // a .cmd or .bat file: every line a command of cmd.exe
  PowerShellScript,
};

// The rewrite found in `text`, fitted to `place`. Where its path token must
// be quoted, the rewrite grows to take in the rest of that token (and, at the
// start of a command, the part of it before the occurrence): a caller that
// goes on after `pos + length` in `text`, or after `pos + newText.size()` in
// the rewritten text, goes on after the closing quote.
Rewrite FittedToPlace(std::string_view text, Rewrite rewrite, TextPlace place);
