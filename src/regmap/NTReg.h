#pragma once
// RegistryCursor: one root key and at most one open current key. Paths that
// begin with "\" are taken from the root; "\" alone is the root itself.
// Reads and writes that fail raise Error with the program's own messages.
// Names and text are UTF-8; string data is held by the registry as UTF-16LE
// and converted here, other data passes as it is.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "regmap/RegistryBackend.h"

struct RegValueInfo {
  std::uint32_t type = kRegNone;
  std::uint32_t size = 0;
};

// One value as a listing gives it; text only for the two string types.
struct ListedValue {
  std::string name;
  std::uint32_t type = kRegNone;
  std::string text;  // REG_SZ, REG_EXPAND_SZ: up to the first NUL; REG_MULTI_SZ: as MultiTextFromRegData
  bool textExact = true;  // false for a REG_MULTI_SZ that would not come back byte for byte
  bool textRead = true;   // false when the listing was told the text is not wanted (text then empty)
  std::string binary;     // REG_BINARY data the listing was told is wanted; else empty
  std::string data;       // a string value's bytes as the registry holds them, when its text was read
};

// True when a key's values are those of a registry link opened itself.
bool IsLinkListing(const std::vector<ListedValue>& values);

// String data as the registry holds it (UTF-16LE) and the program's text.
// The text ends at the first NUL character; an odd last byte is dropped.
std::string TextFromRegData(std::string_view data);
// The text and its terminating NUL.
std::string RegDataFromText(std::string_view text);
// A REG_MULTI_SZ's strings, up to the empty one that ends the list (or the
// end of the data).
std::vector<std::string> TextListFromRegData(std::string_view data);
// REG_MULTI_SZ data as one text, each string followed by a NUL, so a search
// runs over every string at once and a NUL ends a path like any list
// separator; nullopt when the data is no list that comes back byte for byte.
std::optional<std::string> MultiTextFromRegData(std::string_view data);
std::string RegDataFromMultiText(std::string_view text);
// True when the data is exactly one string and its NUL: even length, and
// the first NUL character is the last one. Other string data is kept as bytes.
bool IsExactRegText(std::string_view data);

struct RawValue {
  std::string name;
  std::uint32_t type = kRegNone;
  std::string data;
};

class RegistryCursor {
 public:
  explicit RegistryCursor(RegistryBackend& backend, RegRoot root = RegRoot::CurrentUser);
  ~RegistryCursor();
  RegistryCursor(const RegistryCursor&) = delete;
  RegistryCursor& operator=(const RegistryCursor&) = delete;

  RegRoot RootKey() const { return root_; }

  // Full access, then read and write, then read only; the first that opens wins.
  bool OpenRegPath(const std::string& path);
  // Read access only: walks and backups, which write rarely.
  bool OpenRegPathForReading(const std::string& path);
  // Read access to the key itself: a link at the end of the path is opened
  // as the link (IsLink() then tells), not followed.
  bool OpenRegPathItselfForReading(const std::string& path);
  // Creates the path (and every key above it) and makes it current. Throws
  // "Failed to create key %s".
  void CreateRegPath(const std::string& path);
  void CloseKey();
  bool HasCurrentKey() const { return current_ != 0; }
  // The current key, opened itself, is a registry link.
  bool IsLink();
  // The key at path, or a key below it, is a registry link (one that can't
  // be listed counts as holding one). A copy of such a tree would copy the
  // link's target rather than the link.
  bool HoldsLink(const std::string& path);

  // The platform's error code of the last open that failed.
  long LastOpenError() const { return lastOpenError_; }

  // Empty when the key's info can't be read (a deleted key). A listing that
  // stops before its end sets *failure to the platform's error code (it is
  // left alone otherwise).
  std::vector<std::string> ListSubkeyNames(long* failure = nullptr);
  // Whether a string value's text (or a REG_BINARY value's data) is wanted,
  // told from its type and its data as the registry holds it; the text of
  // one not wanted is not converted, binary data not kept.
  using TextWanted = std::function<bool(std::uint32_t type, std::string_view data)>;
  struct Content {
    std::vector<ListedValue> values;
    std::vector<std::string> subkeys;  // only when asked for
  };
  // What one visit of a walk needs of the current key, its counts read once
  // for both lists: the values (names, types and string data; the text of those `wanted`
  // turns down left unread) and, with `subkeys`, the subkeys' names. Both
  // empty when the key's info can't be read; failures as in the two lists.
  Content ListContent(bool subkeys, const TextWanted& wanted, long* valueFailure, long* subkeyFailure);
  // Names, types and whole data.
  std::vector<RawValue> ListRawValues(long* failure = nullptr);

  std::optional<RegValueInfo> QueryValueInfo(const std::string& name);
  // REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, cut at the first NUL.
  std::string ReadTextValue(const std::string& name);
  std::uint32_t ReadDwordValue(const std::string& name);
  // REG_BINARY only, whole.
  std::string ReadBinaryValue(const std::string& name);
  // Any type, whole; nullopt when the value doesn't exist.
  std::optional<std::string> ReadRawValue(const std::string& name, std::uint32_t& type);

  // The text and its terminating NUL, as REG_SZ unless another string type is given.
  void WriteTextValue(const std::string& name, const std::string& text, std::uint32_t type = kRegSz);
  void WriteRawValue(const std::string& name, std::uint32_t type, const std::string& data);
  // False when there was no such value. Throws when it can't be deleted.
  bool DeleteRegValue(const std::string& name);

  // Nothing (false) when old is missing, new exists or old's data is empty;
  // else new gets old's bytes and type and old is deleted.
  bool RenameRegValue(const std::string& oldName, const std::string& newName);
  // Nothing (false) when old is missing, new exists or new lies inside old;
  // else new is created with a copy of old's whole subtree, and old is
  // deleted with its subtree when deleteOld is set. A copy that fails is
  // taken away again before the error goes on. A tree that holds a registry
  // link is refused (Error) before anything is copied.
  bool MoveRegKey(const std::string& oldPath, const std::string& newPath, bool deleteOld);
  bool KeyExists(const std::string& path);
  // Deletes the key with its subtree; false when it did not exist. Throws
  // when a key of it can't be deleted.
  bool DeleteRegKey(const std::string& path);

 private:
  bool OpenWith(const std::string& path, const std::uint32_t* accesses, int count, bool itself = false);
  void MakeWritable(const std::string& valueName);
  std::string Relative(const std::string& path) const;
  long OpenRelative(const std::string& path, std::uint32_t access, RegKey& out, bool itself = false);
  // Paths below the root without a leading "\". A path the platform will
  // not take whole (too long) is followed key by key from the root. With
  // `itself`, a link at the end is opened itself.
  long OpenPath(const std::string& rel, std::uint32_t access, RegKey& out, bool itself = false);
  bool IsLinkKey(RegKey key);
  long CreatePath(const std::string& rel, std::uint32_t access, RegKey& out);
  // Removes rel with its subtree, through a handle on its parent.
  void DeletePath(const std::string& rel, const std::string& fullPath);
  void CopyTree(RegKey from, RegKey to, const std::string& toPath);
  void DeleteTree(RegKey parent, const std::string& subKey, const std::string& fullPath);

  RegistryBackend& backend_;
  RegRoot root_;
  RegKey current_ = 0;
  std::string currentPath_;
  bool writable_ = false;
  long lastOpenError_ = kRegOk;
};
