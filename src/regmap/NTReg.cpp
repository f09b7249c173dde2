#include "regmap/NTReg.h"

#include <algorithm>
#include <utility>

#include "core/Error.h"
#include "core/Text.h"
#include "core/Unicode.h"

namespace {
const char* const kGetFailed = "Failed to get data for '%s'";
const char* const kSetFailed = "Failed to set data for '%s'";
const char* const kCreateFailed = "Failed to create key %s";
const char* const kInvalidType = "Invalid data type for '%s'";
const char* const kDeleteKeyFailed = "Failed to delete key %s";
const char* const kHoldsLink = "Key %s holds a registry link, which a copy would not keep";

constexpr std::uint32_t kOpenTries[] = {kKeyAllAccess, kKeyReadWrite, kKeyRead};
constexpr std::uint32_t kWriteTries[] = {kKeyAllAccess, kKeyReadWrite};

// A key opened through the backend, closed when it goes out of scope, also
// when a copy or delete below it throws. Never holds a root key.
class BackendKey {
 public:
  explicit BackendKey(RegistryBackend& backend) : backend_(backend) {}
  ~BackendKey() { Close(); }
  BackendKey(const BackendKey&) = delete;
  BackendKey& operator=(const BackendKey&) = delete;
  RegKey get() const { return key_; }
  // Filled in by the backend's open and create calls.
  RegKey& out() {
    Close();
    return key_;
  }
  void Close() {
    if (key_) backend_.CloseKey(std::exchange(key_, RegKey(0)));
  }

 private:
  RegistryBackend& backend_;
  RegKey key_ = 0;
};

bool IsText(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

// The byte offset of the first NUL character (two zero bytes on an even
// offset), or the data's even length when there is none.
std::size_t FirstNulUnit(std::string_view data) {
  std::size_t i = 0;
  for (; i + 1 < data.size(); i += 2)
    if (data[i] == 0 && data[i + 1] == 0) return i;
  return i;
}

std::vector<std::string> Components(const std::string& rel) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= rel.size()) {
    std::size_t end = rel.find('\\', start);
    if (end == std::string::npos) end = rel.size();
    if (end > start) parts.push_back(rel.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// "a\b" under "a" and "A\B\c" under "a\b", compared across case.
bool IsInside(const std::string& inner, const std::string& outer) {
  if (outer.empty()) return !inner.empty();
  const std::size_t head = FoldPrefixLength(inner, outer);
  return head != kNotFound && inner.size() > head && inner[head] == '\\';
}

// The key's subkeys or values (`count` of them by the key's info), each
// read by `read(index, item)` until it answers other than kRegOk. A failure
// other than the list's end goes to *failure when one is given.
template <class Item, class Read>
std::vector<Item> ListKey(std::uint32_t count, long* failure, Read read) {
  std::vector<Item> items;
  items.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    Item item;
    const long rc = read(i, item);
    if (rc != kRegOk) {
      if (rc != kRegNoMoreItems && failure) *failure = rc;
      break;
    }
    items.push_back(std::move(item));
  }
  return items;
}

// The same, with the count read from the key's info now.
template <class Item, class Read>
std::vector<Item> ListKey(RegistryBackend& backend, RegKey key, std::uint32_t RegKeyInfo::*count, long* failure,
                          Read read) {
  RegKeyInfo info;
  if (!key || backend.QueryInfoKey(key, info) != kRegOk) return {};
  return ListKey<Item>(info.*count, failure, read);
}
}  // namespace

bool IsLinkListing(const std::vector<ListedValue>& values) {
  for (const ListedValue& v : values)
    if (v.type == kRegLink && EqualFold(v.name, kLinkValueName)) return true;
  return false;
}

std::string TextFromRegData(std::string_view data) { return Utf8FromUtf16LeBytes(data.substr(0, FirstNulUnit(data))); }

std::string RegDataFromText(std::string_view text) {
  std::string data = Utf16LeBytesFromUtf8(text);
  data.append(2, '\0');
  return data;
}

std::vector<std::string> TextListFromRegData(std::string_view data) {
  std::vector<std::string> list;
  while (data.size() >= 2) {
    const std::size_t end = FirstNulUnit(data);
    if (end == 0) break;  // the empty string that ends the list
    list.push_back(Utf8FromUtf16LeBytes(data.substr(0, end)));
    data.remove_prefix(std::min(data.size(), end + 2));
  }
  return list;
}

std::optional<std::string> MultiTextFromRegData(std::string_view data) {
  if (data.size() < 2 || data.size() % 2 != 0 || data[data.size() - 2] != 0 || data[data.size() - 1] != 0)
    return std::nullopt;
  std::string text = Utf8FromUtf16LeBytes(data.substr(0, data.size() - 2));
  if (RegDataFromMultiText(text) != data) return std::nullopt;
  return text;
}

std::string RegDataFromMultiText(std::string_view text) {
  std::string data = Utf16LeBytesFromUtf8(text);
  data.append(2, '\0');
  return data;
}

bool IsExactRegText(std::string_view data) {
  return data.size() % 2 == 0 && data.size() >= 2 && FirstNulUnit(data) + 2 == data.size();
}

bool IsEnvironmentKey(std::string_view fullKey) {
  const std::string key = FoldKey(fullKey);
  const auto is = [&](std::string_view name) { return key == FoldKey(name); };
  if (is("HKEY_CURRENT_USER\\Environment")) return true;
  constexpr std::string_view users = "HKEY_USERS\\";
  if (key.size() > users.size() && key.compare(0, users.size(), FoldKey(users)) == 0) {
    const std::size_t slash = key.find('\\', users.size());
    return slash != std::string::npos && std::string_view(key).substr(slash) == FoldKey("\\Environment");
  }
  constexpr std::string_view system = "HKEY_LOCAL_MACHINE\\SYSTEM\\";
  constexpr std::string_view tail = "\\Control\\Session Manager\\Environment";
  if (key.size() <= system.size() + tail.size() || key.compare(0, system.size(), FoldKey(system)) != 0) return false;
  const std::string_view set = std::string_view(key).substr(system.size(), key.size() - system.size() - tail.size());
  return std::string_view(key).substr(key.size() - tail.size()) == FoldKey(tail) &&
         (set == FoldKey("CurrentControlSet") ||
          (set.size() == 13 && set.substr(0, 10) == FoldKey("ControlSet") &&
           set.find_first_not_of("0123456789", 10) == std::string_view::npos));
}

std::string RootName(RegRoot root) {
  switch (root) {
    case RegRoot::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case RegRoot::CurrentUser: return "HKEY_CURRENT_USER";
    case RegRoot::LocalMachine: return "HKEY_LOCAL_MACHINE";
    case RegRoot::Users: return "HKEY_USERS";
    case RegRoot::CurrentConfig: return "HKEY_CURRENT_CONFIG";
    case RegRoot::DynData: return "HKEY_DYN_DATA";
    default: return "";
  }
}

RegistryCursor::RegistryCursor(RegistryBackend& backend, RegRoot root) : backend_(backend), root_(root) {}

RegistryCursor::~RegistryCursor() { CloseKey(); }

void RegistryCursor::CloseKey() {
  if (current_) backend_.CloseKey(current_);
  current_ = 0;
  currentPath_.clear();
  writable_ = false;
}

std::string RegistryCursor::Relative(const std::string& path) const {
  std::string rel = path;
  if (!rel.empty() && rel.front() == '\\') rel.erase(0, 1);
  while (!rel.empty() && rel.back() == '\\') rel.pop_back();
  return rel;
}

long RegistryCursor::OpenRelative(const std::string& path, std::uint32_t access, RegKey& out, bool itself) {
  return OpenPath(Relative(path), access, out, itself);
}

long RegistryCursor::OpenPath(const std::string& rel, std::uint32_t access, RegKey& out, bool itself) {
  const RegKey root = backend_.RootKey(root_);
  const auto open = [&](RegKey parent, const std::string& sub, std::uint32_t a, bool last, RegKey& key) {
    return itself && last ? backend_.OpenKeyItself(parent, sub, a, key) : backend_.OpenKey(parent, sub, a, key);
  };
  const long whole = open(root, rel, access, true, out);
  if (whole == kRegOk || rel.find('\\') == std::string::npos) return whole;
  RegKey at = root;
  const std::vector<std::string> parts = Components(rel);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    RegKey next = 0;
    const bool last = i + 1 == parts.size();
    const long rc = open(at, parts[i], last ? access : kKeyRead, last, next);
    if (at != root) backend_.CloseKey(at);
    if (rc != kRegOk) return whole == kRegNotFound ? whole : rc;
    at = next;
  }
  out = at;
  return kRegOk;
}

long RegistryCursor::CreatePath(const std::string& rel, std::uint32_t access, RegKey& out) {
  const RegKey root = backend_.RootKey(root_);
  const long whole = backend_.CreateKey(root, rel, 0, access, out);
  if (whole == kRegOk || rel.find('\\') == std::string::npos) return whole;
  RegKey at = root;
  for (const std::string& part : Components(rel)) {
    RegKey next = 0;
    const long rc = backend_.CreateKey(at, part, 0, access, next);
    if (at != root) backend_.CloseKey(at);
    if (rc != kRegOk) return rc;
    at = next;
  }
  out = at;
  return kRegOk;
}

void RegistryCursor::DeletePath(const std::string& rel, const std::string& fullPath) {
  const std::size_t cut = rel.rfind('\\');
  if (cut == std::string::npos) {
    DeleteTree(backend_.RootKey(root_), rel, fullPath);
    return;
  }
  BackendKey parent(backend_);
  if (OpenPath(rel.substr(0, cut), kKeyRead, parent.out()) != kRegOk) throw Error(Format1(kDeleteKeyFailed, fullPath));
  DeleteTree(parent.get(), rel.substr(cut + 1), fullPath);
}

bool RegistryCursor::OpenWith(const std::string& path, const std::uint32_t* accesses, int count, bool itself) {
  for (int i = 0; i < count; ++i) {
    RegKey key = 0;
    if ((lastOpenError_ = OpenRelative(path, accesses[i], key, itself)) != kRegOk) continue;
    CloseKey();
    current_ = key;
    currentPath_ = path;
    writable_ = accesses[i] != kKeyRead;
    return true;
  }
  return false;
}

bool RegistryCursor::OpenRegPath(const std::string& path) { return OpenWith(path, kOpenTries, 3); }

bool RegistryCursor::OpenRegPathForReading(const std::string& path) { return OpenWith(path, &kOpenTries[2], 1); }

bool RegistryCursor::OpenRegPathItselfForReading(const std::string& path) {
  return OpenWith(path, &kOpenTries[2], 1, true);
}

bool RegistryCursor::IsLinkKey(RegKey key) {
  std::uint32_t type = kRegNone, size = 0;
  return backend_.QueryValue(key, std::string(kLinkValueName), type, size, nullptr) == kRegOk && type == kRegLink;
}

bool RegistryCursor::IsLink() { return current_ && IsLinkKey(current_); }

bool RegistryCursor::HoldsLink(const std::string& path) {
  RegistryCursor key(backend_, root_);
  if (!key.OpenRegPathItselfForReading(path)) return key.LastOpenError() != kRegNotFound;
  if (key.IsLink()) return true;
  long failure = kRegOk;
  const std::vector<std::string> subkeys = key.ListSubkeyNames(&failure);
  if (failure != kRegOk) return true;
  key.CloseKey();
  const std::string base = Relative(path);
  for (const std::string& sub : subkeys)
    if (HoldsLink("\\" + (base.empty() ? sub : base + "\\" + sub))) return true;
  return false;
}

void RegistryCursor::CreateRegPath(const std::string& path) {
  for (std::uint32_t access : kWriteTries) {
    RegKey key = 0;
    if (CreatePath(Relative(path), access, key) != kRegOk) continue;
    CloseKey();
    current_ = key;
    currentPath_ = path;
    writable_ = true;
    return;
  }
  throw Error(Format1(kCreateFailed, path));
}

void RegistryCursor::MakeWritable(const std::string& valueName) {
  if (!current_) throw Error(Format1(kSetFailed, valueName));
  if (writable_) return;
  const std::string path = currentPath_;
  if (!OpenWith(path, kWriteTries, 2)) throw Error(Format1(kSetFailed, valueName));
}

std::vector<std::string> RegistryCursor::ListSubkeyNames(long* failure) {
  return ListKey<std::string>(backend_, current_, &RegKeyInfo::subkeys, failure,
                              [&](std::uint32_t i, std::string& name) { return backend_.EnumKey(current_, i, name); });
}

RegistryCursor::Content RegistryCursor::ListContent(bool subkeys, const TextWanted& wanted, long* valueFailure,
                                                    long* subkeyFailure) {
  Content content;
  RegKeyInfo info;
  if (!current_ || backend_.QueryInfoKey(current_, info) != kRegOk) return content;
  std::string data;
  content.values = ListKey<ListedValue>(info.values, valueFailure, [&](std::uint32_t i, ListedValue& v) {
    const long rc = backend_.EnumValue(current_, i, v.name, &v.type, &data);
    if (rc != kRegOk) return rc;
    if (v.type == kRegBinary) {
      if (wanted && wanted(v.type, data)) v.binary = data;
      return rc;
    }
    if (!IsText(v.type)) return rc;
    if (wanted && !wanted(v.type, data)) {
      v.textRead = false;
      return rc;
    }
    v.data = data;
    if (v.type == kRegSz || v.type == kRegExpandSz) v.text = TextFromRegData(data);
    if (v.type == kRegMultiSz) {
      const std::optional<std::string> list = MultiTextFromRegData(data);
      v.textExact = list.has_value();
      // A list that would not come back exactly is still searched, so that
      // it can be named if it holds the old text.
      v.text = list ? *list : Utf8FromUtf16LeBytes(data);
    }
    return rc;
  });
  if (subkeys)
    content.subkeys = ListKey<std::string>(info.subkeys, subkeyFailure, [&](std::uint32_t i, std::string& name) {
      return backend_.EnumKey(current_, i, name);
    });
  return content;
}

std::vector<RawValue> RegistryCursor::ListRawValues(long* failure) {
  return ListKey<RawValue>(backend_, current_, &RegKeyInfo::values, failure, [&](std::uint32_t i, RawValue& v) {
    return backend_.EnumValue(current_, i, v.name, &v.type, &v.data);
  });
}

std::optional<RegValueInfo> RegistryCursor::QueryValueInfo(const std::string& name) {
  RegValueInfo info;
  if (!current_ || backend_.QueryValue(current_, name, info.type, info.size, nullptr) != kRegOk) return std::nullopt;
  return info;
}

std::optional<std::string> RegistryCursor::ReadRawValue(const std::string& name, std::uint32_t& type) {
  std::uint32_t size = 0;
  std::string data;
  if (!current_) return std::nullopt;
  const long rc = backend_.QueryValue(current_, name, type, size, &data);
  if (rc == kRegNotFound) return std::nullopt;
  if (rc != kRegOk) throw Error(Format1(kGetFailed, name));
  return data;
}

std::string RegistryCursor::ReadTextValue(const std::string& name) {
  std::uint32_t type = kRegNone;
  const auto data = ReadRawValue(name, type);
  if (!data) throw Error(Format1(kGetFailed, name));
  if (!IsText(type)) throw Error(Format1(kInvalidType, name));
  return TextFromRegData(*data);
}

std::uint32_t RegistryCursor::ReadDwordValue(const std::string& name) {
  std::uint32_t type = kRegNone;
  const auto data = ReadRawValue(name, type);
  if (!data) throw Error(Format1(kGetFailed, name));
  if (type != kRegDword || data->size() != 4) throw Error(Format1(kInvalidType, name));
  const auto* b = reinterpret_cast<const unsigned char*>(data->data());
  return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
}

std::string RegistryCursor::ReadBinaryValue(const std::string& name) {
  std::uint32_t type = kRegNone;
  const auto data = ReadRawValue(name, type);
  if (!data) throw Error(Format1(kGetFailed, name));
  if (type != kRegBinary) throw Error(Format1(kInvalidType, name));
  return *data;
}

void RegistryCursor::WriteTextValue(const std::string& name, const std::string& text, std::uint32_t type) {
  WriteRawValue(name, type, RegDataFromText(text));
}

void RegistryCursor::WriteRawValue(const std::string& name, std::uint32_t type, const std::string& data) {
  MakeWritable(name);
  if (backend_.SetValue(current_, name, type, data) != kRegOk) throw Error(Format1(kSetFailed, name));
}

bool RegistryCursor::DeleteRegValue(const std::string& name) {
  if (!QueryValueInfo(name)) return false;
  MakeWritable(name);
  const long rc = backend_.DeleteValue(current_, name);
  if (rc == kRegNotFound) return false;
  if (rc != kRegOk) throw Error(Format1(kSetFailed, name));
  return true;
}

bool RegistryCursor::RenameRegValue(const std::string& oldName, const std::string& newName) {
  std::uint32_t type = kRegNone;
  const auto data = ReadRawValue(oldName, type);
  if (!data || data->empty() || QueryValueInfo(newName)) return false;
  WriteRawValue(newName, type, *data);
  MakeWritable(oldName);
  if (backend_.DeleteValue(current_, oldName) != kRegOk) throw Error(Format1(kSetFailed, oldName));
  return true;
}

bool RegistryCursor::KeyExists(const std::string& path) {
  // Opens only: a key that exists but refuses every access still exists.
  RegKey key = 0;
  const long rc = OpenRelative(path, kKeyRead, key);
  if (rc == kRegOk) backend_.CloseKey(key);
  return rc != kRegNotFound;
}

bool RegistryCursor::MoveRegKey(const std::string& oldPath, const std::string& newPath, bool deleteOld) {
  const std::string oldRel = Relative(oldPath), newRel = Relative(newPath);
  if (oldRel.empty() || newRel.empty() || IsInside(newRel, oldRel) || EqualFold(oldRel, newRel)) return false;
  // A copy would follow a link and bring its target's content along, and
  // deleting the old tree would then empty the target.
  if (HoldsLink(oldPath)) throw Error(Format1(kHoldsLink, oldPath));
  BackendKey from(backend_);
  if (OpenRelative(oldPath, kKeyRead, from.out()) != kRegOk) return false;
  if (KeyExists(newPath)) return false;
  BackendKey to(backend_);
  long rc = kRegAccessDenied;
  for (std::uint32_t access : kWriteTries)
    if ((rc = CreatePath(newRel, access, to.out())) == kRegOk) break;
  if (rc != kRegOk) throw Error(Format1(kCreateFailed, newPath));
  try {
    CopyTree(from.get(), to.get(), newPath);
  } catch (...) {
    // Both let go before the half copy goes again (the new key did not exist before).
    from.Close();
    to.Close();
    try {
      DeletePath(newRel, newPath);
    } catch (const Error&) {
    }
    throw;
  }
  from.Close();
  to.Close();
  if (deleteOld) DeletePath(oldRel, oldPath);
  return true;
}

void RegistryCursor::CopyTree(RegKey from, RegKey to, const std::string& toPath) {
  RegKeyInfo info;
  if (backend_.QueryInfoKey(from, info) != kRegOk) throw Error(Format1(kCreateFailed, toPath));
  // A copy that misses anything would be deleted with the old key: only the
  // end of the list may stop it.
  std::string name, data;
  for (std::uint32_t i = 0; i < info.values; ++i) {
    std::uint32_t type = kRegNone;
    const long rc = backend_.EnumValue(from, i, name, &type, &data);
    if (rc == kRegNoMoreItems) break;
    if (rc != kRegOk) throw Error(Format1(kCreateFailed, toPath));
    if (backend_.SetValue(to, name, type, data) != kRegOk) throw Error(Format1(kSetFailed, name));
  }
  std::vector<std::string> subkeys;
  for (std::uint32_t i = 0; i < info.subkeys; ++i) {
    const long rc = backend_.EnumKey(from, i, name);
    if (rc == kRegNoMoreItems) break;
    if (rc != kRegOk) throw Error(Format1(kCreateFailed, toPath));
    subkeys.push_back(name);
  }
  for (const std::string& sub : subkeys) {
    const std::string subPath = toPath + "\\" + sub;
    BackendKey subFrom(backend_), subTo(backend_);
    if (backend_.OpenKey(from, sub, kKeyRead, subFrom.out()) != kRegOk) throw Error(Format1(kCreateFailed, subPath));
    if (backend_.CreateKey(to, sub, 0, kKeyAllAccess, subTo.out()) != kRegOk)
      throw Error(Format1(kCreateFailed, subPath));
    CopyTree(subFrom.get(), subTo.get(), subPath);
  }
}

void RegistryCursor::DeleteTree(RegKey parent, const std::string& subKey, const std::string& fullPath) {
  // A link goes itself; what it leads to stays. The key is let go before it is deleted.
  if (BackendKey key(backend_); backend_.OpenKeyItself(parent, subKey, kKeyRead, key.out()) == kRegOk) {
    std::vector<std::string> subkeys;
    RegKeyInfo info;
    if (!IsLinkKey(key.get()) && backend_.QueryInfoKey(key.get(), info) == kRegOk) {
      std::string name;
      for (std::uint32_t i = 0; i < info.subkeys; ++i) {
        if (backend_.EnumKey(key.get(), i, name) != kRegOk) break;
        subkeys.push_back(name);
      }
    }
    for (const std::string& sub : subkeys) DeleteTree(key.get(), sub, fullPath + "\\" + sub);
  }
  if (backend_.DeleteKey(parent, subKey) != kRegOk) throw Error(Format1(kDeleteKeyFailed, fullPath));
}

bool RegistryCursor::DeleteRegKey(const std::string& path) {
  const std::string rel = Relative(path);
  if (rel.empty() || !KeyExists(path)) return false;
  // The current key may lie inside; let go of it first.
  if (IsInside(Relative(currentPath_), rel) || EqualFold(Relative(currentPath_), rel)) CloseKey();
  DeletePath(rel, path);
  return true;
}
