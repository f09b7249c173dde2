#pragma once
// One shortcut file read and written whole through the ShellLinkStore port.
#include <string>

#include "filemap/ShellLinkStore.h"

// One link: set FileName, then ReadLink fills the properties from that file
// and WriteLink writes them all to it.
class ShellLinkFile : public ShellLinkProps {
 public:
  explicit ShellLinkFile(ShellLinkStore& store) : store_(store) {}
  std::string FileName;
  void ReadLink();
  void WriteLink();

 private:
  ShellLinkStore& store_;
};
