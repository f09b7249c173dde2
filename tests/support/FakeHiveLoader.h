#pragma once
// Hive files as the registry loads them under HKEY_USERS: each file holds a
// tree of keys and values, copied in on a load and, as Windows does (Wine
// does not), written back to the file on the unload.
#include <map>
#include <string>
#include <vector>

#include "regmap/NTReg.h"
#include "core/Unicode.h"
#include "regmap/ProfileHives.h"

class FakeHiveLoader : public HiveLoader {
 public:
  struct Value {
    std::string key;  // below the hive's root, "" for the root
    std::string name;
    std::uint32_t type = kRegSz;
    std::string data;
  };
  explicit FakeHiveLoader(RegistryBackend& registry) : registry_(registry) {}

  void PutText(const std::string& file, const std::string& key, const std::string& name, const std::string& text) {
    files[file].push_back({key, name, kRegSz, RegDataFromText(text)});
  }
  // The text of a value in the file as it was last written.
  std::string TextIn(const std::string& file, const std::string& key, const std::string& name) const {
    auto it = files.find(file);
    if (it == files.end()) return "<no file>";
    for (const Value& v : it->second)
      if (v.key == key && v.name == name) {
        const std::string text = Utf8FromUtf16LeBytes(v.data);
        return text.substr(0, text.find('\0'));
      }
    return "<none>";
  }

  long Load(const std::string& name, const std::string& file) override {
    ++loads;
    if (auto refused = refuse.find(file); refused != refuse.end()) return refused->second;
    auto it = files.find(file);
    if (it == files.end()) return 2;
    loaded_[name] = file;
    RegistryCursor hive(registry_, RegRoot::Users);
    hive.CreateRegPath("\\" + name);
    for (const Value& v : it->second) {
      RegistryCursor key(registry_, RegRoot::Users);
      key.CreateRegPath("\\" + name + (v.key.empty() ? "" : "\\" + v.key));
      key.WriteRawValue(v.name, v.type, v.data);
    }
    return 0;
  }

  long Unload(const std::string& name) override {
    ++unloads;
    auto it = loaded_.find(name);
    if (it == loaded_.end()) return 87;
    if (writesBack) {
      std::vector<Value>& file = files[it->second];
      file.clear();
      Capture(name, "", file);
    }
    RegistryCursor users(registry_, RegRoot::Users);
    users.OpenRegPath("\\");
    users.DeleteRegKey("\\" + name);
    loaded_.erase(it);
    return 0;
  }

  bool IsLoaded(const std::string& name) const { return loaded_.count(name) != 0; }

  std::map<std::string, std::vector<Value>> files;  // by file path
  std::map<std::string, long> refuse;               // file -> error code its load answers
  bool writesBack = true;
  int loads = 0, unloads = 0;

 private:
  void Capture(const std::string& hive, const std::string& key, std::vector<Value>& out) {
    RegistryCursor cursor(registry_, RegRoot::Users);
    if (!cursor.OpenRegPathForReading("\\" + hive + (key.empty() ? "" : "\\" + key))) return;
    for (const RawValue& v : cursor.ListRawValues()) out.push_back({key, v.name, v.type, v.data});
    for (const std::string& sub : cursor.ListSubkeyNames()) Capture(hive, key.empty() ? sub : key + "\\" + sub, out);
  }

  RegistryBackend& registry_;
  std::map<std::string, std::string> loaded_;  // name -> file
};
