#pragma once
// The process's rights and the records folder's access list, from the
// system: the ports under the rights check and the records-folder choice.
#include "engine/Rights.h"
#include "wiring/RecordsPlace.h"

class Win32Rights : public RightsPort, public RecordsPlatform {
 public:
  bool Elevated() override;
  bool CanWriteFolder(const std::string& folder) override;
  bool CanWriteMachineRegistry() override;
  std::vector<std::string> ProtectedFolders() override;

  std::string ProgramFolder() override;
  std::optional<std::string> InstalledFolder() override;
  std::string MachineDataFolder() override;
  bool FolderExists(const std::string& folder) override;
  bool HoldsRecords(const std::string& folder) override;
  bool GuardFolder(const std::string& folder) override;
  bool OthersMayChange(const std::string& folder) override;
};

// Where the package records its install folder (HKEY_LOCAL_MACHINE, the
// 64-bit view).
inline constexpr const wchar_t* kInstallKey = L"Software\\Ostrivane";
inline constexpr const wchar_t* kInstallFolderValue = L"InstallFolder";
