#include "win32/Win32CliServices.h"

#include "core/Error.h"
#include "core/FileSystem.h"
#include "core/Ini.h"
#include "undo/UndoStore.h"

namespace {
// The undo age limit the window program keeps in its settings file; a missing
// or malformed file gives the default.
int AgeLimitFromSettings(FileSystem& fs, const std::string& programFolder) {
  const std::string path = programFolder + "Ostrivane.ini";
  try {
    if (!fs.FileExists(path)) return kAgeOneWeek;
    return IniText(fs.ReadWhole(path)).ReadInteger("Undo List", "DeleteOlderThan", kAgeOneWeek);
  } catch (const Error&) {
    return kAgeOneWeek;
  }
}
}  // namespace

class Win32CliServices::UndoFront : public UndoCommands {
 public:
  explicit UndoFront(UndoStore& store) : store_(store) {}
  std::vector<std::string> ListLines() override {
    store_.FillUndoBox(false);
    return store_.Lines();
  }
  void Delete(const std::string& name) override {
    store_.FillUndoBox(false);
    const int line = store_.IndexOf(name);
    if (line < 0) throw Error("There is no undo entry " + name + ".");
    const std::string message = store_.suiButton2Click(line);
    if (!message.empty()) throw Error(message);
  }
  std::string Run(const std::string&) override { throw Error("This build cannot undo a run yet."); }

 private:
  UndoStore& store_;
};

Win32CliServices::Win32CliServices() : programFolder_(ProgramFolderOfExe()) {}
Win32CliServices::~Win32CliServices() = default;

RunAssembly& Win32CliServices::Assembly(RunContext& ctx) {
  if (!assembly_) {
    assembly_ = std::make_unique<RunAssembly>(ctx, programFolder_);
    assembly_->Undo().ageLimitIndex = AgeLimitFromSettings(assembly_->Files(), programFolder_);
  }
  return *assembly_;
}

RunParts Win32CliServices::MakeRunParts(RunContext& ctx) { return Assembly(ctx).Parts(); }

UndoCommands& Win32CliServices::Undo(RunContext& ctx) {
  if (!undo_) undo_ = std::make_unique<UndoFront>(Assembly(ctx).Undo());
  return *undo_;
}
