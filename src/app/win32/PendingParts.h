#pragma once
// Stand-ins for the parts of a run that this build does not carry yet: each
// says so in the words the console front end uses, and the window stays
// usable. A run with every target off completes (and changes nothing).
#include "app/WindowPorts.h"
#include "core/Error.h"

class PendingParts : public UndoList, public ItemMover, public BackupArchive, public RegistryMapper, public FileMapper {
 public:
  int FillUndoBox(bool) override { return 0; }
  std::vector<std::string> Lines() override { return {kNoChangesToUndo}; }
  void SetAgeIndex(int) override {}
  void DeleteEntry(const std::string&) override { Missing("the undo store"); }
  std::string UndoEntry(const std::string&) override { Missing("the undo store"); }
  bool MoveDir(const std::string&, const std::string&) override { Missing("moving"); }
  void SetArchiveName(const std::string&) override {}
  void FindReplaceProcess(const std::string&, const std::string&, const std::string&, const std::string&) override {
    Missing("the registry target");
  }
  void IniProcess(const std::string&, const std::string&) override { Missing("the file targets"); }

 private:
  [[noreturn]] static void Missing(const char* what) { throw Error(std::string("This build cannot do ") + what + " yet."); }
};
