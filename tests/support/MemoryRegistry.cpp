#include "support/MemoryRegistry.h"

#include <algorithm>
#include <cstdio>

#include "core/Text.h"
#include "core/Unicode.h"

namespace {
constexpr std::uint32_t kSetValueRight = 0x2;
constexpr RegKey kRootBase = 0x80000000u;

bool WantsWrite(std::uint32_t access) { return (access & ~kKeyRead) != 0; }

std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

void MarkDeleted(MemoryRegistry::Node& node) {
  node.deleted = true;
  for (auto& [k, sub] : node.subkeys) MarkDeleted(*sub);
}

std::string Hex(const std::string& data) {
  std::string out;
  char buf[4];
  for (unsigned char c : data) {
    std::snprintf(buf, sizeof buf, "%02X", c);
    out += buf;
  }
  return out;
}

void DumpNode(const MemoryRegistry::Node& node, const std::string& path, std::string& out) {
  out += "[" + path + "]\n";
  std::vector<MemoryRegistry::Value> values = node.values;
  std::sort(values.begin(), values.end(), [](const auto& a, const auto& b) { return FoldKey(a.name) < FoldKey(b.name); });
  for (const auto& v : values) out += "  \"" + v.name + "\" " + std::to_string(v.type) + ":" + Hex(v.data) + "\n";
  for (const auto& [k, sub] : node.subkeys) DumpNode(*sub, path + "\\" + sub->name, out);
}
}  // namespace

std::string Utf16Data(std::u16string_view text, bool terminated) {
  std::string bytes;
  for (char16_t u : text) {
    bytes += char(u & 0xFF);
    bytes += char(u >> 8);
  }
  if (terminated) bytes.append(2, '\0');
  return bytes;
}

MemoryRegistry::MemoryRegistry() {
  for (RegRoot r : {RegRoot::ClassesRoot, RegRoot::CurrentUser, RegRoot::LocalMachine, RegRoot::Users,
                    RegRoot::CurrentConfig}) {
    auto node = std::make_shared<Node>();
    node->name = RootName(r);
    roots_[r] = node;
    handles_[RootKey(r)] = Handle{node, kKeyAllAccess};
  }
}

RegKey MemoryRegistry::RootKey(RegRoot root) { return kRootBase + RegKey(root); }

MemoryRegistry::Handle* MemoryRegistry::Find(RegKey key) {
  auto it = handles_.find(key);
  return it == handles_.end() ? nullptr : &it->second;
}

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Follow(std::shared_ptr<Node> node) const {
  for (int hops = 0; node && node->isLink; ++hops) {
    if (hops == 16) return nullptr;
    std::shared_ptr<Node> at = roots_.at(node->linkRoot);
    for (const std::string& part : Components(node->linkPath)) {
      auto it = at->subkeys.find(FoldKey(part));
      if (it == at->subkeys.end()) return nullptr;
      at = Follow(it->second);
      if (!at) return nullptr;
    }
    node = at;
  }
  return node;
}

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Walk(const std::shared_ptr<Node>& from, const std::string& path,
                                                           bool create, bool* denied, bool itself) {
  std::shared_ptr<Node> node = from;
  const std::vector<std::string> parts = Components(path);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    auto it = node->subkeys.find(FoldKey(part));
    if (it != node->subkeys.end()) {
      node = itself && i + 1 == parts.size() ? it->second : Follow(it->second);
      if (!node) return nullptr;
      continue;
    }
    if (!create) return nullptr;
    if (node->denyWrite) {
      if (denied) *denied = true;
      return nullptr;
    }
    auto sub = std::make_shared<Node>();
    sub->name = part;
    node->subkeys[FoldKey(part)] = sub;
    node = sub;
  }
  return node;
}

std::shared_ptr<MemoryRegistry::Node> MemoryRegistry::Walk(RegRoot root, const std::string& path) const {
  std::shared_ptr<Node> node = roots_.at(root);
  for (const std::string& part : Components(path)) {
    auto it = node->subkeys.find(FoldKey(part));
    if (it == node->subkeys.end()) return nullptr;
    node = Follow(it->second);
    if (!node) return nullptr;
  }
  return node;
}

RegKey MemoryRegistry::NewHandle(std::shared_ptr<Node> node, std::uint32_t access) {
  const RegKey h = next_++;
  handles_[h] = Handle{std::move(node), access};
  return h;
}

void MemoryRegistry::Put(RegRoot root, const std::string& path, const std::string& name, std::uint32_t type,
                         const std::string& data) {
  auto node = Walk(roots_.at(root), path, true);
  for (Value& v : node->values)
    if (EqualFold(v.name, name)) {
      v.type = type;
      v.data = data;
      return;
    }
  node->values.push_back({name, type, data});
}

void MemoryRegistry::PutText(RegRoot root, const std::string& path, const std::string& name, const std::string& text,
                             std::uint32_t type) {
  Put(root, path, name, type, Utf16LeBytesFromUtf8(text) + std::string(2, '\0'));
}

std::string MemoryRegistry::GetText(RegRoot root, const std::string& path, const std::string& name) const {
  const auto v = Get(root, path, name);
  if (!v) return "<none>";
  std::u16string units;
  for (std::size_t i = 0; i + 1 < v->data.size(); i += 2) {
    const char16_t u = char16_t((unsigned char)v->data[i] | (unsigned char)v->data[i + 1] << 8);
    if (u == 0) break;
    units += u;
  }
  return Utf8FromUtf16(units);
}

void MemoryRegistry::PutDword(RegRoot root, const std::string& path, const std::string& name, std::uint32_t value) {
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i) data[i] = char((value >> (8 * i)) & 0xFF);
  Put(root, path, name, kRegDword, data);
}

void MemoryRegistry::AddKey(RegRoot root, const std::string& path) { Walk(roots_.at(root), path, true); }

void MemoryRegistry::AddLink(RegRoot root, const std::string& path, RegRoot targetRoot, const std::string& targetPath) {
  auto node = Walk(roots_.at(root), path, true, nullptr, true);
  node->isLink = true;
  node->linkRoot = targetRoot;
  node->linkPath = targetPath;
  const std::string kernelPath = (targetRoot == RegRoot::CurrentUser ? "\\Registry\\User\\S-1-5-21-1-2-3-1000\\"
                                                                     : "\\Registry\\Machine\\") + targetPath;
  node->values = {{std::string(kLinkValueName), kRegLink, Utf16LeBytesFromUtf8(kernelPath)}};
}

bool MemoryRegistry::HasKey(RegRoot root, const std::string& path) const { return Walk(root, path) != nullptr; }

std::optional<MemoryRegistry::Value> MemoryRegistry::Get(RegRoot root, const std::string& path,
                                                         const std::string& name) const {
  auto node = Walk(root, path);
  if (!node) return std::nullopt;
  for (const Value& v : node->values)
    if (EqualFold(v.name, name)) return v;
  return std::nullopt;
}

void MemoryRegistry::DenyWrite(RegRoot root, const std::string& path, bool deny) {
  Walk(roots_.at(root), path, true)->denyWrite = deny;
}

std::string MemoryRegistry::Dump() const {
  std::string out;
  DumpNode(*roots_.at(RegRoot::LocalMachine), "HKEY_LOCAL_MACHINE", out);
  DumpNode(*roots_.at(RegRoot::CurrentUser), "HKEY_CURRENT_USER", out);
  DumpNode(*roots_.at(RegRoot::Users), "HKEY_USERS", out);
  return out;
}

long MemoryRegistry::OpenKey(RegKey parent, const std::string& subKey, std::uint32_t access, RegKey& out) {
  return Open(parent, subKey, access, out, false);
}

long MemoryRegistry::OpenKeyItself(RegKey parent, const std::string& subKey, std::uint32_t access, RegKey& out) {
  return Open(parent, subKey, access, out, true);
}

long MemoryRegistry::Open(RegKey parent, const std::string& subKey, std::uint32_t access, RegKey& out, bool itself) {
  Handle* h = Find(parent);
  ++opens;
  if (WantsWrite(access)) ++writeOpens;
  if (!h || h->node->deleted) {
    ++failedOpens;
    return h ? kRegKeyDeleted : kRegNotFound;
  }
  if (subKey.size() > maxPathInOneCall) {
    ++failedOpens;
    return kRegMoreData;
  }
  auto node = Walk(h->node, subKey, false, nullptr, itself);
  if (!node) {
    ++failedOpens;
    return kRegNotFound;
  }
  if (WantsWrite(access) && node->denyWrite) {
    ++failedOpens;
    return kRegAccessDenied;
  }
  out = NewHandle(node, access);
  return kRegOk;
}

long MemoryRegistry::CreateKey(RegKey parent, const std::string& subKey, std::uint32_t, std::uint32_t access,
                               RegKey& out) {
  Handle* h = Find(parent);
  if (WantsWrite(access)) ++writeOpens;
  if (!h || h->node->deleted) return h ? kRegKeyDeleted : kRegNotFound;
  if (subKey.size() > maxPathInOneCall) return kRegMoreData;
  bool denied = false;
  auto node = Walk(h->node, subKey, true, &denied);
  if (!node || (WantsWrite(access) && node->denyWrite)) {
    ++failedOpens;
    return kRegAccessDenied;
  }
  out = NewHandle(node, access);
  return kRegOk;
}

void MemoryRegistry::CloseKey(RegKey key) {
  if (key >= kRootBase && key < kRootBase + 16) return;
  handles_.erase(key);
}

long MemoryRegistry::QueryInfoKey(RegKey key, RegKeyInfo& info) {
  ++infoQueries;
  Handle* h = Find(key);
  if (!h) return kRegNotFound;
  if (h->node->deleted) return kRegKeyDeleted;
  info.subkeys = std::uint32_t(h->node->subkeys.size());
  info.values = std::uint32_t(h->node->values.size());
  return kRegOk;
}

long MemoryRegistry::EnumKey(RegKey key, std::uint32_t index, std::string& name) {
  Handle* h = Find(key);
  if (!h) return kRegNotFound;
  if (h->node->deleted) return kRegKeyDeleted;
  if (index >= h->node->subkeys.size()) return kRegNoMoreItems;
  name = std::next(h->node->subkeys.begin(), index)->second->name;
  return kRegOk;
}

long MemoryRegistry::EnumValue(RegKey key, std::uint32_t index, std::string& name, std::uint32_t* type,
                               std::string* data) {
  Handle* h = Find(key);
  if (!h) return kRegNotFound;
  if (h->node->deleted) return kRegKeyDeleted;
  if (index >= h->node->values.size()) return kRegNoMoreItems;
  const Value& v = h->node->values[index];
  name = v.name;
  if (type) *type = v.type;
  if (data) *data = v.data;
  return kRegOk;
}

long MemoryRegistry::QueryValue(RegKey key, const std::string& name, std::uint32_t& type, std::uint32_t& size,
                                std::string* data) {
  Handle* h = Find(key);
  if (!h) return kRegNotFound;
  if (h->node->deleted) return kRegKeyDeleted;
  for (const Value& v : h->node->values)
    if (EqualFold(v.name, name)) {
      type = v.type;
      size = std::uint32_t(v.data.size());
      if (data) *data = v.data;
      return kRegOk;
    }
  return kRegNotFound;
}

long MemoryRegistry::SetValue(RegKey key, const std::string& name, std::uint32_t type, std::string_view data) {
  Handle* h = Find(key);
  if (!h) return kRegNotFound;
  if (h->node->deleted) return kRegKeyDeleted;
  if (!(h->access & kSetValueRight)) return kRegAccessDenied;
  for (Value& v : h->node->values)
    if (EqualFold(v.name, name)) {
      v.type = type;
      v.data = std::string(data);
      return kRegOk;
    }
  h->node->values.push_back({name, type, std::string(data)});
  return kRegOk;
}

long MemoryRegistry::DeleteValue(RegKey key, const std::string& name) {
  Handle* h = Find(key);
  if (!h) return kRegNotFound;
  if (h->node->deleted) return kRegKeyDeleted;
  if (!(h->access & kSetValueRight)) return kRegAccessDenied;
  auto& vals = h->node->values;
  auto it = std::find_if(vals.begin(), vals.end(), [&](const Value& v) { return EqualFold(v.name, name); });
  if (it == vals.end()) return kRegNotFound;
  vals.erase(it);
  return kRegOk;
}

long MemoryRegistry::DeleteKey(RegKey parent, const std::string& subKey) {
  Handle* h = Find(parent);
  if (!h) return kRegNotFound;
  if (h->node->deleted) return kRegKeyDeleted;
  if (subKey.size() > maxPathInOneCall) return kRegMoreData;
  auto parts = Components(subKey);
  if (parts.empty()) return kRegAccessDenied;
  const std::string leaf = parts.back();
  parts.pop_back();
  std::shared_ptr<Node> up = h->node;
  for (const std::string& p : parts) {
    auto it = up->subkeys.find(FoldKey(p));
    if (it == up->subkeys.end()) return kRegNotFound;
    up = Follow(it->second);
    if (!up) return kRegNotFound;
  }
  auto it = up->subkeys.find(FoldKey(leaf));
  if (it == up->subkeys.end()) return kRegNotFound;
  if (!it->second->subkeys.empty() || it->second->denyWrite) return kRegAccessDenied;
  MarkDeleted(*it->second);
  up->subkeys.erase(it);
  return kRegOk;
}
