#pragma once
// The rewrite of one shortcut: every occurrence of the old text in its
// target, its arguments and its icon location is replaced, each part in the
// form (long or short) that occurs in it; the
// working folder follows the new target; the file is backed up before the
// link is written.
#include <optional>
#include <string>
#include <vector>

#include "engine/RunPorts.h"
#include "filemap/Rewriters.h"
#include "filemap/ShellLnk.h"

inline constexpr const char* kShortcutsKey = "Shortcuts";
inline constexpr const char* kShortcutTooLong =
    "The shortcut %s was left unchanged: its new target, arguments or working folder cannot be stored in it whole.";

// What a rewrite does to a link as read.
struct ShortcutPlan {
  bool changes = false;
  std::string target;     // the new target, whole (the old one when it keeps it)
  std::string arguments;  // likewise the arguments
  std::string icon;       // and the icon location
  std::string workingDir;  // and the working folder
  LinkChange change;      // only the parts that must be set: those that hold the old place
  std::string targetNote, argumentsNote, iconNote, workingDirNote;  // shown beside each part's new text
};
// Each part is changed as it is written, or not at all: a working folder
// keeps its own spelling (with or without a last "\"), an empty one stays
// empty, so that a switch and its switch back give the same link. With an
// environment, a target's, an icon location's and a working folder's %NAME%
// parts are expanded to be searched.
ShortcutPlan PlanShortcut(const ShellLinkProps& link, const SearchTexts& texts,
                          EnvironmentValues* environment = nullptr);

class ShortcutRewrite : public ShortcutRewriter {
 public:
  ShortcutRewrite(FileBackup& backup, ShellLinkStore& store)
      : backup_(backup), store_(store), linkFile_(store) {}

  void RewriteShortcut(RunPass& run, const std::string& path, const SearchTexts& texts) override;
  void SetEnvironment(EnvironmentValues* environment) { environment_ = environment; }

  // The link's target / arguments: "" when no file of that name exists,
  // nullopt when the file cannot be read as a link.
  std::optional<std::string> CheckTarget(const std::string& path);
  std::optional<std::string> CheckArgument(const std::string& path);

  // Writes a link. With modify and an existing file only the parts given are
  // set on that link (and the working folder when a target is given);
  // otherwise a new link is made from them. Throws ShellLinkError.
  void MakeShortcut(const std::optional<std::string>& target, const std::optional<std::string>& arguments,
                    const std::optional<std::string>& description, const std::string& path, bool modify);

 private:
  std::optional<ShellLinkProps> ReadShortcut(const std::string& path);
  bool Confirmed(const std::string& path, const std::string& from, const std::string& to);
  // One entry for each part of the plan the review keeps; a part left out
  // is taken out of the plan, back to what the link holds.
  std::vector<ChangeEntry> ChosenParts(const std::string& path, const ShellLinkProps& link, ShortcutPlan& plan);
  // Writes the plan to the link (read again, backed up first); a failure
  // passes over the entries recorded from `firstEntry` on.
  void Apply(const std::string& path, const ShellLinkProps& link, const ShortcutPlan& plan, std::size_t firstEntry);

  RunPass* run_ = nullptr;  // the pass of the call under way
  FileBackup& backup_;
  ShellLinkStore& store_;
  ShellLinkFile linkFile_;  // reads the links and makes new ones
  EnvironmentValues* environment_ = nullptr;
};
