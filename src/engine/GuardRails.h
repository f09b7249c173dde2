#pragma once
// Places no run and no undo record may touch, whatever it asks: the system's
// own folders, drive roots, the program and its records, the registry's top
// keys. A hand-made or damaged record is obeyed only inside these rails.
#include <optional>
#include <string>
#include <vector>

#include "engine/Refusal.h"

struct ProtectedPlaces {
  std::string windows;                    // C:\Windows
  std::vector<std::string> programRoots;  // the Program Files folders and ProgramData
  std::string users;                      // C:\Users, whose every child is a profile's root
  std::string ownFolder;                  // the program's folder, where its records are
  std::vector<std::string> ownFiles;      // the program's executables
};

// Where the system keeps those places (the Win32 adapter asks the shell).
class KnownFolders {
 public:
  virtual ~KnownFolders() = default;
  virtual ProtectedPlaces Places() = 0;
  // The path with every short (8.3) component in its long form, so that a
  // short name cannot slip past a rule; as given when unknown.
  virtual std::string LongForm(const std::string& path) { return path; }
};

// The path with "/" as "\", no doubled or trailing "\" (a drive root keeps
// its own) and "." and ".." components resolved.
std::string NormalPath(const std::string& path);

// Why `item` must not be moved, or none.
std::optional<EngineRefusal> MoveRule(const ProtectedPlaces& places, const std::string& item);
// Why a file must not be written back at `target`, or none.
std::optional<EngineRefusal> RestoreRule(const ProtectedPlaces& places, const std::string& target);
// Why a registry file's deletion of `key` (its full name, root first) must
// not be applied, or none: a hive, or a key less than three levels deep.
std::optional<EngineRefusal> RegDeletionRule(const std::string& key);

// The rules with the places the system names, asked once.
class GuardRails {
 public:
  explicit GuardRails(KnownFolders& known) : known_(known) {}
  std::optional<EngineRefusal> MoveRefusal(const std::string& item);
  std::optional<EngineRefusal> RestoreRefusal(const std::string& target);

 private:
  const ProtectedPlaces& Places();

  KnownFolders& known_;
  bool asked_ = false;
  ProtectedPlaces places_;
};
