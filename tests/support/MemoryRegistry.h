#pragma once
// An in-memory registry behind the registry port (UTF-8 names, data as raw
// bytes, string types in UTF-16LE), with the platform's rules
// that the program relies on: case-insensitive names, subkeys listed in
// sorted order and values in the order they were made, handles that outlive
// a deleted key, write access checked per handle, keys that refuse writes,
// and links: keys that lead to another key by name unless opened themselves.
#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "regmap/RegistryBackend.h"

// String data as the registry holds it: the UTF-16LE bytes of the text and,
// unless told otherwise, its terminating NUL.
std::string Utf16Data(std::u16string_view text, bool terminated = true);

class MemoryRegistry : public RegistryBackend {
 public:
  struct Value {
    std::string name;
    std::uint32_t type = kRegSz;
    std::string data;
  };
  struct Node {
    std::string name;
    std::map<std::string, std::shared_ptr<Node>> subkeys;  // by upper-cased name
    std::vector<Value> values;
    bool deleted = false;
    bool denyWrite = false;  // opening for writing, creating below and deleting are refused
    // A link leads to this key, looked up by name whenever it is followed.
    bool isLink = false;
    RegRoot linkRoot = RegRoot::LocalMachine;
    std::string linkPath;
  };

  MemoryRegistry();

  // Test set-up and inspection, with paths below the root without a leading "\".
  void Put(RegRoot root, const std::string& path, const std::string& name, std::uint32_t type, const std::string& data);
  // The text (UTF-8) stored as UTF-16LE with its NUL.
  void PutText(RegRoot root, const std::string& path, const std::string& name, const std::string& text,
               std::uint32_t type = kRegSz);
  // A string value's text (UTF-8, up to its first NUL); "<none>" when there is no such value.
  std::string GetText(RegRoot root, const std::string& path, const std::string& name) const;
  void PutDword(RegRoot root, const std::string& path, const std::string& name, std::uint32_t value);
  void AddKey(RegRoot root, const std::string& path);
  // A link at `path` to the key at `targetPath`, holding its SymbolicLinkValue
  // as the platform shows it ("\Registry\Machine\..." or "\Registry\User\<sid>\...").
  void AddLink(RegRoot root, const std::string& path, RegRoot targetRoot, const std::string& targetPath);
  bool HasKey(RegRoot root, const std::string& path) const;
  std::optional<Value> Get(RegRoot root, const std::string& path, const std::string& name) const;
  void DenyWrite(RegRoot root, const std::string& path, bool deny = true);
  // Paths follow links, as an ordinary open does.
  // Every key and value of the walked roots (HKEY_USERS too) in a canonical form (values
  // sorted by name), for comparing states.
  std::string Dump() const;

  // Opens, creates and deletes refuse a sub-key path longer than this (in
  // UTF-8 bytes) in one call, as some platforms do.
  std::size_t maxPathInOneCall = std::string::npos;
  // Counted atomically: searches side by side open keys from their threads.
  std::atomic<int> opens{0};        // every open of a key
  std::atomic<int> writeOpens{0};   // opens and creates that asked for more than reading
  std::atomic<int> failedOpens{0};  // opens refused for any reason
  std::atomic<int> infoQueries{0};  // readings of a key's counts (a round trip each on the platform)
  int openHandles() const { return int(handles_.size()) - int(roots_.size()); }

  RegKey RootKey(RegRoot root) override;
  long OpenKey(RegKey parent, const std::string& subKey, std::uint32_t access, RegKey& out) override;
  long OpenKeyItself(RegKey parent, const std::string& subKey, std::uint32_t access, RegKey& out) override;
  long CreateKey(RegKey parent, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                 RegKey& out) override;
  void CloseKey(RegKey key) override;
  long QueryInfoKey(RegKey key, RegKeyInfo& info) override;
  long EnumKey(RegKey key, std::uint32_t index, std::string& name) override;
  long EnumValue(RegKey key, std::uint32_t index, std::string& name, std::uint32_t* type, std::string* data) override;
  long QueryValue(RegKey key, const std::string& name, std::uint32_t& type, std::uint32_t& size,
                  std::string* data) override;
  long SetValue(RegKey key, const std::string& name, std::uint32_t type, std::string_view data) override;
  long DeleteValue(RegKey key, const std::string& name) override;
  long DeleteKey(RegKey parent, const std::string& subKey) override;

 private:
  struct Handle {
    std::shared_ptr<Node> node;
    std::uint32_t access = 0;
  };
  Handle* Find(RegKey key);
  // Links on the way are followed, and the last one too unless `itself`.
  std::shared_ptr<Node> Walk(const std::shared_ptr<Node>& from, const std::string& path, bool create,
                             bool* denied = nullptr, bool itself = false);
  std::shared_ptr<Node> Walk(RegRoot root, const std::string& path) const;
  // Where a link leads; null when nothing is there (or links go round).
  std::shared_ptr<Node> Follow(std::shared_ptr<Node> node) const;
  long Open(RegKey parent, const std::string& subKey, std::uint32_t access, RegKey& out, bool itself);
  RegKey NewHandle(std::shared_ptr<Node> node, std::uint32_t access);

  std::map<RegRoot, std::shared_ptr<Node>> roots_;
  std::map<RegKey, Handle> handles_;
  RegKey next_ = 0x1000;
};
