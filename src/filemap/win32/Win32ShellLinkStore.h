#pragma once
// Shortcuts through the platform's shell-link objects (IShellLinkW with
// IPersistFile; UTF-8 inside, UTF-16 at the object). Links are read through buffers larger than any value a link
// file can hold; a value the object does not keep whole is refused before
// anything is written; a changed link is saved beside the old one and moved
// into its place, so a crash never leaves a half-written shortcut.
#include "filemap/ShellLinkStore.h"

class Win32ShellLinkStore : public ShellLinkStore {
 public:
  ShellLinkProps Load(const std::string& path) override;
  void Save(const std::string& path, const ShellLinkProps& props) override;
  std::unique_ptr<PendingLinkChange> Prepare(const std::string& path, const LinkChange& change) override;
};
