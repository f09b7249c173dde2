#pragma once
// The registry places a written record names, to be asked about one place
// after another: a record of 100,000 writes is looked through once, not
// once for each place asked about.
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/WrittenRecord.h"

class RegistryWriteIndex {
 public:
  explicit RegistryWriteIndex(const std::vector<RegistryWrite>& writes);

  // A value the record wrote or renamed (by its old or its new name) in
  // `key`: "" is the key's default value.
  bool NamesValue(const std::string& key, const std::string& name) const;
  // Any value of `key` written or renamed.
  bool NamesValueIn(const std::string& key) const;
  // `key` lies within a key the record moved, at its old or its new place.
  bool WithinMovedKey(const std::string& key) const;

 private:
  std::set<std::pair<std::string, std::string>> values_;  // folded key, folded name
  std::set<std::string> keys_;                            // folded keys of those values
  std::vector<std::pair<std::string, std::string>> moves_;  // old key, new key
};
