#pragma once
// What the file walk hands each file to: shortcuts (".lnk" by extension) to
// the shortcut rewriting, every other file to the text rewriting.
#include <string>
#include <vector>

#include "engine/RunPass.h"
#include "engine/SearchTexts.h"

class TextFileRewriter {
 public:
  virtual ~TextFileRewriter() = default;
  virtual void RewriteTextFile(RunPass& run, const std::string& path, const SearchTexts& texts) = 0;
  // The files an apply is about to rewrite, in order, before the first.
  virtual void BeforeRewrites(const RunPass& /*run*/, const std::vector<std::string>& /*paths*/) {}
};

class ShortcutRewriter {
 public:
  virtual ~ShortcutRewriter() = default;
  virtual void RewriteShortcut(RunPass& run, const std::string& path, const SearchTexts& texts) = 0;
};
