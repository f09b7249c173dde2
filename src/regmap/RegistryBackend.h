#pragma once
// The registry port: advapi32's key and value calls over opaque handles,
// with the buffers managed by the adapter so callers deal in whole strings.
// Results are the platform's error codes (0 is success).
#include <cstdint>
#include <string>
#include <string_view>

using RegKey = std::uintptr_t;  // opaque; 0 is no key

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine, Users, PerformanceData, CurrentConfig, DynData };

// Error codes as the platform reports them.
enum : long {
  kRegOk = 0,
  kRegNotFound = 2,
  kRegAccessDenied = 5,
  kRegSharingViolation = 32,
  kRegMoreData = 234,
  kRegNoMoreItems = 259,
  kRegKeyDeleted = 1018,
  kRegPrivilegeNotHeld = 1314,
};

// Access masks and options as the platform defines them.
enum : std::uint32_t {
  kKeyQueryValue = 0x0001,
  kKeyAllAccess = 0xF003F,
  kKeyReadWrite = 0x2001F,  // read, set value, create subkey
  kKeyRead = 0x20019,
  kKeyWrite = 0x20006,
  kRegOptionBackupRestore = 0x4,
};

// A registry link (Windows' CurrentControlSet, Wine's Wow6432Node\Classes) is
// a key whose content lives under another key. Opened itself rather than
// followed, it holds one value of this name and type kRegLink: the target's
// path as the kernel names it ("\Registry\Machine\...", UTF-16LE).
inline constexpr std::string_view kLinkValueName = "SymbolicLinkValue";

// Value types.
enum : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegDwordBigEndian = 5,
  kRegLink = 6,
  kRegMultiSz = 7,
  kRegQword = 11,
};

struct RegKeyInfo {
  std::uint32_t subkeys = 0;
  std::uint32_t values = 0;
};

class RegistryBackend {
 public:
  virtual ~RegistryBackend() = default;
  // The predefined key of a root; never closed.
  virtual RegKey RootKey(RegRoot root) = 0;
  // A link on the way or at the end of the path is followed to its target.
  virtual long OpenKey(RegKey parent, const std::string& subKey, std::uint32_t access, RegKey& out) = 0;
  // As OpenKey, but a link at the end of the path is opened itself.
  virtual long OpenKeyItself(RegKey parent, const std::string& subKey, std::uint32_t access, RegKey& out) = 0;
  // Opens the key, creating it and every missing key above it.
  virtual long CreateKey(RegKey parent, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                         RegKey& out) = 0;
  virtual void CloseKey(RegKey key) = 0;
  virtual long QueryInfoKey(RegKey key, RegKeyInfo& info) = 0;
  virtual long EnumKey(RegKey key, std::uint32_t index, std::string& name) = 0;
  // Name always; type and data when asked for (null skips them).
  virtual long EnumValue(RegKey key, std::uint32_t index, std::string& name, std::uint32_t* type,
                         std::string* data) = 0;
  // Type and size always; the data, whole, when asked for.
  virtual long QueryValue(RegKey key, const std::string& name, std::uint32_t& type, std::uint32_t& size,
                          std::string* data) = 0;
  virtual long SetValue(RegKey key, const std::string& name, std::uint32_t type, std::string_view data) = 0;
  virtual long DeleteValue(RegKey key, const std::string& name) = 0;
  // Deletes a key that has no subkeys; a link is deleted itself, never its target.
  virtual long DeleteKey(RegKey parent, const std::string& subKey) = 0;
};

// Who the hives loaded under HKEY_USERS belong to.
class UserAccounts {
 public:
  virtual ~UserAccounts() = default;
  // The SID ("S-1-5-21-...") of the user the program runs as; empty when unknown.
  virtual std::string CurrentUserSid() = 0;
  // "DOMAIN\name" for a SID; empty when it names no known account.
  virtual std::string AccountName(const std::string& sid) = 0;
};

// "HKEY_LOCAL_MACHINE" and so on; "" for a root without a name of its own.
std::string RootName(RegRoot root);

// Whether a key, by its full name ("HKEY_CURRENT_USER\Environment"), holds
// environment values that running programs read once and keep: the user's,
// the machine's (under CurrentControlSet or a numbered control set), and a
// loaded user's under HKEY_USERS.
bool IsEnvironmentKey(std::string_view fullKey);
