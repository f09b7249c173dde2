#include "engine/RegistryWriteIndex.h"

#include "core/Fold.h"
#include "core/PathText.h"

RegistryWriteIndex::RegistryWriteIndex(const std::vector<RegistryWrite>& writes) {
  for (const RegistryWrite& w : writes) {
    if (w.kind == RegistryWrite::Kind::KeyMove) {
      moves_.emplace_back(w.key, w.newName);
      continue;
    }
    const std::string key = FoldKey(w.key);
    keys_.insert(key);
    values_.emplace(key, FoldKey(w.name));
    if (w.kind == RegistryWrite::Kind::Rename) values_.emplace(key, FoldKey(w.newName));
  }
}

bool RegistryWriteIndex::NamesValue(const std::string& key, const std::string& name) const {
  return values_.count({FoldKey(key), FoldKey(name)}) > 0;
}

bool RegistryWriteIndex::NamesValueIn(const std::string& key) const { return keys_.count(FoldKey(key)) > 0; }

bool RegistryWriteIndex::WithinMovedKey(const std::string& key) const {
  // Key moves are few: a renamed or moved key, each a whole subtree.
  for (const auto& [from, to] : moves_)
    if (IsWithin(key, from) || IsWithin(key, to)) return true;
  return false;
}
