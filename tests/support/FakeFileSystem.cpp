#include "support/FakeFileSystem.h"

#include <cstdio>

#include "core/Error.h"
#include "core/Text.h"

namespace {
std::string Parent(const std::string& key) {
  const std::size_t cut = key.rfind('\\');
  if (cut == std::string::npos) return "";
  return key.substr(0, cut);
}
std::string Leaf(const std::string& path) {
  const std::size_t cut = path.rfind('\\');
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

class FakeRandomFile : public RandomFile {
 public:
  FakeRandomFile(FakeFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
  std::uint64_t Size() override { return Node().data.size(); }
  void ReadAt(std::uint64_t offset, void* data, std::size_t size) override {
    const std::string& d = Node().data;
    if (offset + size > d.size()) throw Error("Read error in " + path_);
    std::copy(d.begin() + offset, d.begin() + offset + size, static_cast<char*>(data));
  }
  void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
    if (fs_.beforeWrite) fs_.beforeWrite(path_);
    std::string& d = Node().data;
    if (d.size() < offset + size) d.resize(offset + size);
    std::copy(static_cast<const char*>(data), static_cast<const char*>(data) + size, d.begin() + offset);
    Node().lastWrite = fs_.now;
  }
  void Truncate(std::uint64_t size) override { Node().data.resize(size); }
  void Flush() override {
    ++fs_.flushes;
    Node().durable = Node().data;
  }

 private:
  FakeFileSystem::Node& Node() { return fs_.At(path_); }
  FakeFileSystem& fs_;
  std::string path_;
};
}  // namespace

bool FakeWildcardMatch(const std::string& pattern, const std::string& name) {
  // "*" any run of characters, "?" any one; A-Z folded.
  std::size_t p = 0, n = 0, star = std::string::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || UpperAZ(pattern[p]) == UpperAZ(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string FakeFileSystem::Key(const std::string& path) {
  std::string k = FoldKey(path);
  while (k.size() > 3 && k.back() == '\\') k.pop_back();
  if (k.size() == 3 && k[1] == ':' && k[2] == '\\') k.pop_back();  // "C:\" and "C:" are the root
  return k;
}

void FakeFileSystem::AddFolder(const std::string& path, std::uint32_t attributes, const std::string& altName) {
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  const std::string key = Key(path);
  if (key.empty()) return;
  const std::string parent = Parent(key);
  if (!parent.empty() && !nodes_.count(parent)) AddFolder(path.substr(0, path.rfind('\\')));
  Node n;
  n.attributes = attributes | kAttrFolder;
  n.altName = altName;
  n.lastWrite = now;
  nodes_[key] = n;
  display_[key] = RemoveSlash(path);
}

void FakeFileSystem::AddFile(const std::string& path, const std::string& data, std::uint32_t attributes,
                             const std::string& altName) {
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  const std::string key = Key(path);
  const std::string parent = Parent(key);
  if (!parent.empty() && !nodes_.count(parent)) AddFolder(path.substr(0, path.rfind('\\')));
  Node n;
  n.data = data;
  n.attributes = attributes & ~kAttrFolder;
  n.altName = altName;
  n.lastWrite = now;
  nodes_[key] = n;
  display_[key] = path;
}

std::string FakeFileSystem::Resolve(const std::string& path) const {
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  const std::string key = Key(path);
  if (nodes_.count(key) || !shortNamesEnabled) return key;
  // Component by component, a name may also be an entry's alternate name.
  std::string resolved;
  std::size_t start = 0;
  while (start <= key.size()) {
    std::size_t end = key.find('\\', start);
    if (end == std::string::npos) end = key.size();
    const std::string comp = key.substr(start, end - start);
    std::string next = resolved.empty() ? comp : resolved + "\\" + comp;
    if (!resolved.empty() && !nodes_.count(next)) {
      for (const auto& [k, n] : nodes_)
        if (Parent(k) == resolved && !n.altName.empty() && FoldKey(n.altName) == comp) next = k;
    }
    resolved = next;
    start = end + 1;
  }
  return resolved;
}

bool FakeFileSystem::Has(const std::string& path) const {
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  return nodes_.count(Resolve(path)) != 0;
}

FakeFileSystem::Node& FakeFileSystem::At(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  auto it = nodes_.find(Key(path));
  if (it == nodes_.end()) throw Error("No such file: " + path);
  return it->second;
}

std::optional<std::string> FakeFileSystem::ShortPathOf(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (!shortNamesEnabled || !Has(path)) return std::nullopt;
  // Rebuild from the root, one component at a time.
  std::string key = Resolve(path);
  std::vector<std::string> parts;
  for (std::string k = key; !k.empty(); k = Parent(k)) parts.insert(parts.begin(), k);
  std::string out;
  for (const std::string& k : parts) {
    const Node& n = nodes_.at(k);
    std::string leaf = Leaf(display_.at(k));
    if (!n.altName.empty()) leaf = n.altName;
    out += out.empty() ? leaf : "\\" + leaf;
  }
  if (out.size() == 2 && out[1] == ':') out += '\\';
  if (!path.empty() && path.back() == '\\' && out.back() != '\\') out += '\\';
  return out;
}

std::optional<DirEntry> FakeFileSystem::LookUp(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  const std::string key = Resolve(path);
  if (key.size() <= 2) return std::nullopt;  // a drive root has no entry of its own
  auto it = nodes_.find(key);
  if (it == nodes_.end() || (!path.empty() && path.back() == '\\')) return std::nullopt;
  DirEntry e;
  e.name = Leaf(display_.at(key));
  e.altName = shortNamesEnabled ? it->second.altName : "";
  e.attributes = it->second.attributes;
  e.size = it->second.data.size();
  e.lastWrite = it->second.lastWrite;
  return e;
}

void FakeFileSystem::DenyListing(const std::string& folder, const std::string& failure) {
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  listFailures_[Key(folder + "\\")] = failure;
}

FolderListing FakeFileSystem::ListFolderChecked(const std::string& pattern) {
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  ++listCalls;
  FolderListing listing;
  std::vector<DirEntry>& out = listing.entries;
  const std::size_t cut = pattern.rfind('\\');
  if (cut == std::string::npos) return listing;
  const std::string folderKey = Key(pattern.substr(0, cut + 1));
  const std::string mask = pattern.substr(cut + 1);
  if (!nodes_.count(folderKey)) return listing;
  if (auto denied = listFailures_.find(folderKey); denied != listFailures_.end()) {
    listing.failure = denied->second;
    return listing;
  }
  const bool isRoot = folderKey.size() == 2;
  if (!isRoot && FakeWildcardMatch(mask, ".")) {
    out.push_back({".", "", kAttrFolder, 0, 0});
    out.push_back({"..", "", kAttrFolder, 0, 0});
  }
  for (const auto& [key, node] : nodes_) {
    if (Parent(key) != folderKey) continue;
    const std::string name = Leaf(display_.at(key));
    if (!FakeWildcardMatch(mask, name)) continue;
    out.push_back({name, shortNamesEnabled ? node.altName : "", node.attributes, node.data.size(), node.lastWrite});
  }
  return listing;
}

FolderHolds FakeFileSystem::HoldsAny(const std::string& folder, bool foldersOnly) {
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  const std::string folderKey = Key(folder);
  if (!nodes_.count(folderKey)) return FolderHolds::Nothing;
  if (listFailures_.count(folderKey)) return FolderHolds::Unknown;
  for (const auto& [key, node] : nodes_)
    if (Parent(key) == folderKey && (!foldersOnly || (node.attributes & kAttrFolder))) return FolderHolds::Something;
  return FolderHolds::Nothing;
}

std::optional<std::uint32_t> FakeFileSystem::AttributesOf(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  const std::string key = Key(path);
  if (key.size() == 2 && key[1] == ':') return kAttrFolder;
  auto it = nodes_.find(key);
  if (it == nodes_.end()) return std::nullopt;
  return it->second.attributes;
}

std::optional<bool> FakeFileSystem::Exists(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (cannotTell_.count(Key(path))) return std::nullopt;
  return AttributesOf(path).has_value();
}

bool FakeFileSystem::SetAttributesOf(const std::string& path, std::uint32_t attributes) {
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  auto it = nodes_.find(Key(path));
  if (it == nodes_.end()) return false;
  it->second.attributes = (attributes & ~kAttrFolder) | (it->second.attributes & kAttrFolder);
  return true;
}

std::optional<FileTicks> FakeFileSystem::LastWriteOf(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  auto it = nodes_.find(Key(path));
  if (it == nodes_.end()) return std::nullopt;
  return it->second.lastWrite;
}

bool FakeFileSystem::SetLastWriteOf(const std::string& path, FileTicks utc) {
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  auto it = nodes_.find(Key(path));
  if (it == nodes_.end()) return false;
  it->second.lastWrite = utc;
  return true;
}

std::string FakeFileSystem::ReadWhole(const std::string& path) {
  ++readCalls;
  if (beforeRead) beforeRead(path);
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  auto it = nodes_.find(Key(path));
  if (it == nodes_.end() || (it->second.attributes & kAttrFolder)) throw Error("Cannot open file " + path);
  return it->second.data;
}

void FakeFileSystem::ReplaceWhole(const std::string& path, const std::string& data) {
  if (beforeWrite) beforeWrite(path);
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  const std::string key = Key(path);
  auto it = nodes_.find(key);
  if (it != nodes_.end() && (it->second.attributes & kAttrReadOnly)) throw Error("Cannot create file " + path);
  const auto step = [&](ReplaceStep done) {
    if (afterReplaceStep) afterReplaceStep(path, done);
  };
  std::string temp;
  for (unsigned number = 1; temp.empty() || Has(temp); ++number) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04X", number);
    temp = path.substr(0, path.rfind('\\') + 1) + std::string(kReplaceTempPrefix) + digits + ".tmp";
  }
  AddFile(temp, "");
  step(ReplaceStep::TempMade);
  At(temp).data = data;
  step(ReplaceStep::TempWritten);
  ++flushes;
  step(ReplaceStep::TempFlushed);
  // The rename; what the old file kept (its attributes) stays with the name.
  nodes_.erase(Key(temp));
  display_.erase(Key(temp));
  if (nodes_.count(key)) {
    nodes_[key].data = data;
  } else {
    AddFile(path, data);
  }
  nodes_[key].lastWrite = now;
  nodes_[key].durable = data;
  step(ReplaceStep::Renamed);
}

void FakeFileSystem::MarkAllDurable() {
  for (auto& [key, node] : nodes_)
    if (!(node.attributes & kAttrFolder)) node.durable = node.data;
}

void FakeFileSystem::LosePower() {
  for (auto it = nodes_.begin(); it != nodes_.end();) {
    Node& node = it->second;
    if ((node.attributes & kAttrFolder) || node.durable) {
      if (node.durable) node.data = *node.durable;
      ++it;
    } else {
      display_.erase(it->first);
      it = nodes_.erase(it);
    }
  }
}

std::unique_ptr<RandomFile> FakeFileSystem::OpenRandom(const std::string& path, OpenMode mode) {
  if (mode == OpenMode::CreateAlways && beforeWrite) beforeWrite(path);
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  const bool exists = Has(path);
  if (mode == OpenMode::CreateAlways) {
    AddFile(path, "");
  } else if (!exists) {
    throw Error("Cannot open file " + path);
  }
  return std::make_unique<FakeRandomFile>(*this, path);
}

bool FakeFileSystem::Remove(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  const std::string key = Key(path);
  // Like the platform, a folder goes only when it is empty.
  for (const auto& [k, n] : nodes_)
    if (Parent(k) == key) return false;
  display_.erase(key);
  return nodes_.erase(key) != 0;
}

bool FakeFileSystem::MakeFolders(const std::string& path) {
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  const std::string key = Key(path);
  if (key.size() <= 2) return true;
  auto it = nodes_.find(key);
  if (it != nodes_.end()) return (it->second.attributes & kAttrFolder) != 0;
  AddFolder(path);
  return true;
}

std::vector<std::string> FakeFileSystem::Paths() const {
  const std::lock_guard<std::recursive_mutex> hold(mutex_);
  std::vector<std::string> out;
  for (const auto& [key, path] : display_) out.push_back(path);
  return out;
}
