#include "wiring/win32/Win32Rights.h"

#include "core/win32/WinApi.h"
//
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include "core/Text.h"
#include "core/win32/AccountSid.h"
#include "core/win32/Owned.h"
#include "core/win32/WidePath.h"
#include "engine/win32/Win32Platform.h"
#include "undo/UndoStore.h"

namespace {
// Administrators and SYSTEM change it (and what is made in it); users read.
// The owner is Administrators, so no single user holds the right to change
// the list itself.
constexpr const wchar_t* kGuardedFolderSddl = L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

std::string KnownFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return "";
  return AddSlash(Utf8Text(path));
}

bool IsFolder(const std::string& folder) {
  const DWORD a = GetFileAttributesW(PlatformPath(RemoveSlash(folder)).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Who may change records without being "other users": Administrators,
// SYSTEM, TrustedInstaller, and the account running the program.
bool IsTrusted(PSID sid, const std::string& self) {
  const std::string s = SidText(sid);
  return !s.empty() && (s == "S-1-5-32-544" || s == "S-1-5-18" || s == self ||
                        s == "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464");
}
}  // namespace

bool Win32Rights::Elevated() {
  OwnedHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.out())) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) return elevation.TokenIsElevated != 0;
  // Before UAC: an administrator holds the rights outright.
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof sid;
  BOOL member = FALSE;
  return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sidSize) &&
         CheckTokenMembership(nullptr, sid, &member) && member;
}

bool Win32Rights::CanWriteFolder(const std::string& folder) {
  // A folder not there yet is made in the nearest one that is.
  std::string place = AddSlash(folder);
  while (!IsFolder(place)) {
    const std::string parent = SplitItemPath(RemoveSlash(place)).folder;
    if (parent.empty() || parent.size() >= place.size()) return false;
    place = parent;
  }
  // Trying is the only sure answer: access lists, read-only media, network
  // shares and virtualisation all have their say.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const std::string probe =
        place + "~ostrivane-probe-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt) + ".tmp";
    const OwnedHandle h(CreateFileW(PlatformPath(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (h.ok()) return true;
    if (GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  return false;
}

bool Win32Rights::CanWriteMachineRegistry() {
  OwnedKey key;
  return RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_SET_VALUE | KEY_CREATE_SUB_KEY, key.out()) ==
         ERROR_SUCCESS;
}

std::vector<std::string> Win32Rights::ProtectedFolders() {
  std::vector<std::string> folders;
  for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_WINDOWS}) {
    const std::string f = KnownFolder(csidl);
    bool seen = f.empty();
    for (const std::string& g : folders) seen |= EqualFold(f, g);
    if (!seen) folders.push_back(f);
  }
  return folders;
}

std::string Win32Rights::ProgramFolder() { return ProgramFolderOfExe(); }

std::optional<std::string> Win32Rights::InstalledFolder() {
  wchar_t value[32768 / 2];
  DWORD size = sizeof value - sizeof(wchar_t);
  DWORD type = 0;
  OwnedKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kInstallKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.out()) != ERROR_SUCCESS)
    return std::nullopt;
  const LONG r =
      RegQueryValueExW(key.get(), kInstallFolderValue, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  if (r != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  value[size / sizeof(wchar_t)] = L'\0';
  return Utf8Text(value);
}

std::string Win32Rights::MachineDataFolder() {
  const std::string common = KnownFolder(CSIDL_COMMON_APPDATA);
  return common.empty() ? "" : common + "Ostrivane\\";
}

bool Win32Rights::FolderExists(const std::string& folder) { return IsFolder(folder); }

bool Win32Rights::HoldsRecords(const std::string& folder) {
  const std::string f = AddSlash(folder);
  if (GetFileAttributesW(PlatformPath(f + "Ostrivane.ini").c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  WIN32_FIND_DATAW data;
  const OwnedFind find(FindFirstFileW(PlatformPath(f + "Undo*").c_str(), &data));
  if (!find.ok()) return false;
  bool found = false;
  do found = RecordFileEntry(Utf8Text(data.cFileName)).has_value();
  while (!found && FindNextFileW(find.get(), &data));
  return found;
}

bool Win32Rights::GuardFolder(const std::string& folder) {
  LocalMem<PSECURITY_DESCRIPTOR> sd;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kGuardedFolderSddl, SDDL_REVISION_1, sd.out(), nullptr))
    return false;
  const std::wstring path = PlatformPath(RemoveSlash(folder));
  bool done = false;
  if (!IsFolder(folder)) {
    SECURITY_ATTRIBUTES sa{sizeof sa, sd.get(), FALSE};
    done = CreateDirectoryW(path.c_str(), &sa) != 0;
  } else {
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    PSID owner = nullptr;
    GetSecurityDescriptorDacl(sd.get(), &present, &dacl, &defaulted);
    GetSecurityDescriptorOwner(sd.get(), &owner, &defaulted);
    std::wstring name = path;
    const DWORD info = DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
    // Taking ownership for Administrators may be refused; the list alone
    // then still keeps users out, and the check afterwards judges the owner.
    SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, owner, nullptr, nullptr, nullptr);
    done = SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, info, nullptr, nullptr, dacl, nullptr) == ERROR_SUCCESS;
  }
  return done;
}

bool Win32Rights::OthersMayChange(const std::string& folder) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  LocalMem<PSECURITY_DESCRIPTOR> sd;
  std::wstring name = PlatformPath(RemoveSlash(folder));
  if (GetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                            &owner, nullptr, &dacl, nullptr, sd.out()) != ERROR_SUCCESS)
    return true;
  // The owner may always rewrite the list; no list at all lets everyone in.
  const std::string self = ProcessUserSid();
  bool others = !IsTrusted(owner, self) || !dacl;
  constexpr ACCESS_MASK kChanges = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                   FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                   GENERIC_ALL;
  for (DWORD i = 0; !others && dacl && i < dacl->AceCount; ++i) {
    ACE_HEADER* header = nullptr;
    if (!GetAce(dacl, i, reinterpret_cast<void**>(&header))) continue;
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE)) continue;
    auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
    if ((ace->Mask & kChanges) && !IsTrusted(&ace->SidStart, self)) others = true;
  }
  return others;
}
