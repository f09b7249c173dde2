#pragma once
// Shortcut (.lnk) files as a record of plain properties, through the
// ShellLinkStore port: the Win32 adapter works through the shell-link
// objects, the tests through a reader and writer of their own.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/Error.h"

inline constexpr const char* kLinkNotFound = "Link not found.";
inline constexpr const char* kLinkCreateFailed = "\"CoCreateInstance\" failed.";
inline constexpr const char* kLinkQueryFailed = "\"PersistFile QueryInterface\" failed.";
inline constexpr const char* kLinkReadError = "Read error.";
inline constexpr const char* kLinkWriteError = "Write error.";
inline constexpr const char* kLinkTooLong = "Value too long for a shortcut.";

// The failures of shell-link access; the message is shown as it stands.
class ShellLinkError : public Error {
 public:
  using Error::Error;
};

// No link file at the path (kLinkNotFound).
class ShellLinkNotFound : public ShellLinkError {
 public:
  ShellLinkNotFound() : ShellLinkError(kLinkNotFound) {}
};

// A value the link cannot hold whole. Thrown before anything is written, so
// the link on disk is still the one that was there.
class ShellLinkTooLong : public ShellLinkError {
 public:
  ShellLinkTooLong() : ShellLinkError(kLinkTooLong) {}
};

inline constexpr int kShowNormal = 1;  // the show command of a new link

// What a link holds of interest here; show command and hot key are carried
// as the link holds them.
struct ShellLinkProps {
  std::string Target;
  std::string Arguments;
  std::string WorkingDir;
  std::string Description;
  int WindowState = kShowNormal;
  std::uint16_t HotKey = 0;
  std::string IconPath;  // the file the icon comes from; "" when the link shows its target's
  int IconIndex = 0;     // which icon of that file
};

// The parts of an existing link to set; a part left out keeps what the link
// holds, and so does everything outside the record (item list, extra data).
struct LinkChange {
  std::optional<std::string> Target;
  std::optional<std::string> Arguments;
  std::optional<std::string> WorkingDir;
  std::optional<std::string> Description;
  std::optional<std::string> IconPath;  // set with the icon index the link has
};

// An existing link loaded afresh with a change applied and checked, not yet written.
class PendingLinkChange {
 public:
  virtual ~PendingLinkChange() = default;
  // The link as it was when loaded for this change.
  virtual const ShellLinkProps& Before() const = 0;
  // Puts the changed link in place of the old one, whole or not at all.
  // Throws ShellLinkError (kLinkWriteError).
  virtual void Commit() = 0;
};

class ShellLinkStore {
 public:
  virtual ~ShellLinkStore() = default;
  // Every property of the link at path. Throws ShellLinkNotFound when no
  // such file exists, ShellLinkError: kLinkReadError when it is no readable link,
  // kLinkCreateFailed / kLinkQueryFailed when the platform refuses.
  virtual ShellLinkProps Load(const std::string& path) = 0;
  // A link built from the record alone, replacing any file at path. Throws
  // ShellLinkTooLong before writing when a value does not fit, otherwise
  // ShellLinkError as Load and kLinkWriteError.
  virtual void Save(const std::string& path, const ShellLinkProps& props) = 0;
  // Loads the existing link and applies the change. Throws like Load, and
  // ShellLinkTooLong when a changed value does not fit.
  virtual std::unique_ptr<PendingLinkChange> Prepare(const std::string& path, const LinkChange& change) = 0;
};
