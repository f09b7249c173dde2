#include "regmap/RegRestore.h"

#include <map>
#include <optional>
#include <set>
#include <utility>

#include "core/Error.h"
#include "core/Text.h"
#include "regmap/NTReg.h"

namespace {
struct Value {
  std::uint32_t type = 0;
  std::string data;
  bool operator==(const Value&) const = default;
};
using Slot = std::optional<Value>;  // nullopt: no such value

using ValueId = std::pair<std::string, std::string>;  // folded key, folded name

// The registry over the places a backup and a written record name: which
// keys exist and what each value holds.
struct Model {
  std::map<std::string, bool> keys;  // folded key -> exists
  std::map<ValueId, Slot> values;
};

bool IsUnder(const std::string& key, const std::string& top) {
  return key.size() >= top.size() && key.compare(0, top.size(), top) == 0 &&
         (key.size() == top.size() || key[top.size()] == '\\');
}

std::string Rebased(const std::string& key, const std::string& from, const std::string& to) {
  return to + key.substr(from.size());
}

// Splits a full key name into its root and the path below it ("\..." form).
bool SplitKey(const std::string& full, RegRoot& root, std::string& path) {
  const std::size_t slash = full.find('\\');
  const auto r = RootOfName(std::string_view(full).substr(0, slash));
  if (!r) return false;
  root = *r;
  path = slash == std::string::npos ? "\\" : full.substr(slash);
  return true;
}

class LiveRegistry {
 public:
  explicit LiveRegistry(RegistryBackend& backend) : backend_(backend) {}

  bool KeyExists(const std::string& full) {
    RegRoot root;
    std::string path;
    if (!SplitKey(full, root, path)) return false;
    return RegistryCursor(backend_, root).KeyExists(path);
  }
  Slot ValueOf(const std::string& full, const std::string& name) {
    // A backup keeps a key's values together: its key is opened once for them.
    if (!EqualFold(full, openFull_)) {
      openFull_ = full;
      open_.reset();
      RegRoot root;
      std::string path;
      if (!SplitKey(full, root, path)) return std::nullopt;
      open_.emplace(backend_, root);
      if (!open_->OpenRegPathForReading(path)) open_.reset();
    }
    if (!open_) return std::nullopt;
    std::uint32_t type = kRegNone;
    std::optional<std::string> data = open_->ReadRawValue(name, type);
    if (!data) return std::nullopt;
    return Value{type, std::move(*data)};
  }
  // The keys and values below `full` (itself included), folded as the model folds.
  void Subtree(const std::string& full, Model& into) {
    RegRoot root;
    std::string path;
    if (!SplitKey(full, root, path)) return;
    RegistryCursor reg(backend_, root);
    if (!reg.OpenRegPathForReading(path)) return;
    const std::string key = FoldKey(full);
    into.keys[key] = true;
    for (RawValue& v : reg.ListRawValues()) into.values[{key, FoldKey(v.name)}] = Value{v.type, std::move(v.data)};
    const std::vector<std::string> subkeys = reg.ListSubkeyNames();
    reg.CloseKey();
    for (const std::string& sub : subkeys)
      if (!sub.empty()) Subtree(full + "\\" + sub, into);
  }

 private:
  RegistryBackend& backend_;
  // The key ValueOf read last, still open (none: it is not there).
  std::string openFull_;
  std::optional<RegistryCursor> open_;
};

std::string Shown(const Slot& slot) {
  if (!slot) return "no such value";
  const Value& v = *slot;
  if (v.type == kRegSz || v.type == kRegExpandSz) return "\"" + TextFromRegData(v.data) + "\"";
  if (v.type == kRegMultiSz)
    if (const auto text = MultiTextFromRegData(v.data)) return "\"" + *text + "\"";
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (std::size_t i = 0; i < v.data.size() && i < 32; ++i) {
    if (i) hex += ',';
    hex += kDigits[static_cast<unsigned char>(v.data[i]) >> 4];
    hex += kDigits[static_cast<unsigned char>(v.data[i]) & 15];
  }
  if (v.data.size() > 32) hex += ",...";
  return "hex:" + hex;
}

// The subtree below `top` as the model holds it: existing keys, present values.
Model SubtreeOf(const Model& m, const std::string& top) {
  Model out;
  for (const auto& [key, exists] : m.keys)
    if (exists && IsUnder(key, top)) out.keys[key] = true;
  for (const auto& [id, slot] : m.values)
    if (slot && IsUnder(id.first, top)) out.values[id] = slot;
  return out;
}

bool SameTree(const Model& a, const Model& b) { return a.keys == b.keys && a.values == b.values; }

// A string value's text as the search sees it; nullopt for other data.
std::optional<std::string> TextOf(const Value& v) {
  if ((v.type == kRegSz || v.type == kRegExpandSz) && IsExactRegText(v.data)) return TextFromRegData(v.data);
  if (v.type == kRegMultiSz) return MultiTextFromRegData(v.data);
  return std::nullopt;
}

// The value now with the run's old place back inside it, around a later
// change; nullopt when that is not plainly safe.
std::optional<Value> MappedBack(const Slot& was, const Slot& ran, const Slot& now, const PlaceSwap& swap) {
  if (!was || !ran || !now || was->type != ran->type || ran->type != now->type) return std::nullopt;
  const auto before = TextOf(*was), wrote = TextOf(*ran), holds = TextOf(*now);
  if (!before || !wrote || !holds) return std::nullopt;
  const std::optional<std::string> back = MapBackInside(*before, *wrote, *holds, swap);
  if (!back) return std::nullopt;
  const std::string data = now->type == kRegMultiSz ? RegDataFromMultiText(*back) : RegDataFromText(*back);
  return Value{now->type, data};
}
}  // namespace

std::string ChangedPlace::Where() const {
  if (!isValue) return key;
  return key + ", value " + (valueName.empty() ? std::string("(Default)") : "\"" + valueName + "\"");
}

namespace {
// The backup read as the state before the run: each place's first line.
struct BeforeRun {
  Model state;
  std::vector<std::size_t> createdAt;           // lines that take away a key the run made
  std::map<std::string, std::string> keyNames;  // folded -> as written
  std::map<ValueId, std::string> valueNames;
};

BeforeRun ReadBeforeRun(const std::vector<RegOp>& ops) {
  BeforeRun b;
  for (std::size_t i = 0; i < ops.size(); ++i) {
    const RegOp& op = ops[i];
    const std::string key = FoldKey(op.KeyName());
    b.keyNames.try_emplace(key, op.KeyName());
    switch (op.kind) {
      case RegOp::Kind::OpenKey: b.state.keys.try_emplace(key, true); break;
      case RegOp::Kind::DeleteKey:
        b.state.keys.try_emplace(key, false);
        b.createdAt.push_back(i);
        break;
      case RegOp::Kind::SetValue:
        b.state.keys.try_emplace(key, true);
        b.state.values.try_emplace({key, FoldKey(op.name)}, Value{op.type, op.data});
        b.valueNames.try_emplace({key, FoldKey(op.name)}, op.name);
        break;
      case RegOp::Kind::DeleteValue:
        b.state.values.try_emplace({key, FoldKey(op.name)}, std::nullopt);
        b.valueNames.try_emplace({key, FoldKey(op.name)}, op.name);
        break;
    }
  }
  return b;
}

// The state the run left: the record's writes over the state before, and
// the places they touched.
struct AfterRun {
  Model state;
  std::set<std::string> touchedKeys;
  std::set<ValueId> touchedValues;

  // A key that exists has every key above it: a move makes the keys on its way.
  void Exists(std::string key) {
    for (;;) {
      state.keys[key] = true;
      const std::size_t cut = key.rfind('\\');
      if (cut == std::string::npos) return;
      key.resize(cut);
    }
  }
  void Set(const std::string& key, const std::string& name, Slot slot) {
    const ValueId id{FoldKey(key), FoldKey(name)};
    state.values[id] = std::move(slot);
    touchedValues.insert(id);
    if (state.values[id]) Exists(id.first);
  }
  // Everything below the move's key goes to its new key, itself included.
  void MoveKey(const std::string& from, const std::string& to) {
    Model moved;
    for (auto& [key, there] : state.keys)
      if (IsUnder(key, from)) {
        if (there) moved.keys[Rebased(key, from, to)] = true;
        there = false;
        touchedKeys.insert(key);
      }
    for (auto& [id, slot] : state.values)
      if (IsUnder(id.first, from)) {
        if (slot) moved.values[{Rebased(id.first, from, to), id.second}] = slot;
        slot.reset();
        touchedValues.insert(id);
      }
    state.keys[from] = false;
    touchedKeys.insert(from);
    moved.keys[to] = true;
    for (const auto& [key, made] : moved.keys) {
      Exists(key);
      touchedKeys.insert(key);
    }
    for (auto& [id, slot] : moved.values) {
      state.values[id] = slot;
      touchedValues.insert(id);
    }
  }
};

AfterRun ApplyWrites(const Model& before, const std::vector<RegistryWrite>& written,
                     std::map<std::string, std::string>& keyNames) {
  AfterRun after{before, {}, {}};
  for (const RegistryWrite& w : written) {
    switch (w.kind) {
      case RegistryWrite::Kind::Value: after.Set(w.key, w.name, Value{w.type, w.data}); break;
      case RegistryWrite::Kind::Rename:
        after.Set(w.key, w.name, std::nullopt);
        after.Set(w.key, w.newName, Value{w.type, w.data});
        break;
      case RegistryWrite::Kind::KeyMove:
        keyNames.try_emplace(FoldKey(w.newName), w.newName);
        after.MoveKey(FoldKey(w.key), FoldKey(w.newName));
        break;
    }
  }
  return after;
}

// Decides, line by line, what of the backup an undo takes: each place by
// what it holds now against what the run left there.
class RestorePlanner {
 public:
  RestorePlanner(RegistryBackend& backend, const ParsedRegFile& backup, const std::vector<RegistryWrite>& written,
                 bool force, const PlaceSwap* swap)
      : ops_(backup.ops),
        written_(written),
        force_(force),
        swap_(swap),
        live_(backend),
        before_(ReadBeforeRun(ops_)),
        after_(ApplyWrites(before_.state, written, before_.keyNames)) {
    plan_.take.assign(ops_.size(), false);
  }

  RegistryRestorePlan Plan(const PlaceDone& each) {
    PlanCreatedKeys();
    HoldMovedKeys();
    for (std::size_t i = 0; i < ops_.size(); ++i) {
      if (each) each(i, ops_.size(), ops_[i].KeyName());
      PlanLine(i);
    }
    return std::move(plan_);
  }

 private:
  // A key the run made, and whether the undo takes it away.
  struct Region {
    std::string key;  // folded
    bool take = false;
    bool left = false;  // changed after the run
  };

  // Names the place as changed after the run; true when it is taken all the same (forced).
  bool Changed(const std::string& key, const std::string* name, std::string ranWrote, std::string holdsNow,
               bool gone = false) {
    ChangedPlace place;
    place.gone = gone;
    place.key = before_.keyNames.count(key) ? before_.keyNames[key] : key;
    if (name) {
      place.isValue = true;
      const auto found = before_.valueNames.find({key, *name});
      place.valueName = found != before_.valueNames.end() ? found->second : *name;
    }
    place.ranWrote = std::move(ranWrote);
    place.holdsNow = std::move(holdsNow);
    plan_.changed.push_back(std::move(place));
    return force_;
  }

  // Keys the run made: taken away only while they hold just what the run
  // put there; what lies below them goes with them.
  void PlanCreatedKeys() {
    for (std::size_t i : before_.createdAt) {
      const std::string key = FoldKey(ops_[i].KeyName());
      bool take = false, left = false;
      const bool ranMade = after_.state.keys.count(key) && after_.state.keys[key];
      if (ranMade && live_.KeyExists(ops_[i].KeyName())) {
        Model now;
        live_.Subtree(ops_[i].KeyName(), now);
        if (SameTree(now, SubtreeOf(after_.state, key))) {
          take = true;
        } else {
          left = true;
          take = Changed(key, nullptr, "the key as the run made it", "other values or subkeys");
        }
        if (take) ++plan_.keys;
      } else if (ranMade) {
        ++plan_.alreadyAsBefore;
      }
      plan_.take[i] = take;
      regions_.push_back({key, take, left && !take});
    }
  }

  const Region* RegionOf(const std::string& key) const {
    for (const Region& r : regions_)
      if (IsUnder(key, r.key)) return &r;
    return nullptr;
  }

  // A key move is one change: where its new key stays, its old key is not
  // made again beside it (followed along a chain of moves).
  void HoldMovedKeys() {
    for (bool grew = true; grew;) {
      grew = false;
      for (const RegistryWrite& w : written_) {
        if (w.kind != RegistryWrite::Kind::KeyMove) continue;
        const std::string to = FoldKey(w.newName), from = FoldKey(w.key);
        const Region* region = RegionOf(to);
        bool keep = region && region->left;
        for (const std::string& h : held_) keep |= IsUnder(to, h);
        if (keep && held_.insert(from).second) grew = true;
      }
    }
  }

  bool IsHeld(const std::string& key) const {
    for (const std::string& h : held_)
      if (IsUnder(key, h)) return true;
    return false;
  }

  void PlanLine(std::size_t i) {
    const RegOp& op = ops_[i];
    if (op.kind == RegOp::Kind::DeleteKey) return;
    const std::string key = FoldKey(op.KeyName());
    if (const Region* region = RegionOf(key)) {
      plan_.take[i] = region->take;
      return;
    }
    if (IsHeld(key)) return;
    plan_.take[i] = op.kind == RegOp::Kind::OpenKey ? TakeKey(op, key) : TakeValue(op, key);
  }

  // A key the run moved away is made again when nothing stands there now;
  // one that exists takes back only the values that are due.
  bool TakeKey(const RegOp& op, const std::string& key) {
    if (auto found = keyDecided_.find(key); found != keyDecided_.end()) return found->second;
    bool take = false;
    if (after_.touchedKeys.count(key) && before_.state.keys[key] && !after_.state.keys[key] &&
        !live_.KeyExists(op.KeyName())) {
      take = true;
      ++plan_.keys;
    }
    keyDecided_[key] = take;
    return take;
  }

  // A value's verdict holds for each of its lines.
  bool TakeValue(const RegOp& op, const std::string& key) {
    const ValueId id{key, FoldKey(op.name)};
    if (auto found = decided_.find(id); found != decided_.end()) return found->second;
    bool take = false;
    const Slot& was = before_.state.values[id];
    const Slot& ran = after_.state.values[id];
    if (after_.touchedValues.count(id) && was != ran) {
      const Slot now = live_.ValueOf(op.KeyName(), op.name);
      if (now == ran) {
        take = true;
      } else if (now == was) {
        ++plan_.alreadyAsBefore;
      } else if (const auto back = swap_ ? MappedBack(was, ran, now, *swap_) : std::nullopt) {
        const auto found = before_.valueNames.find(id);
        plan_.mappedBack.push_back({before_.keyNames[key],
                                    found != before_.valueNames.end() ? found->second : op.name, back->type,
                                    back->data});
        ++plan_.values;
      } else {
        take = Changed(key, &id.second, Shown(ran), Shown(now), !now);
      }
      if (take) ++plan_.values;
    }
    decided_[id] = take;
    return take;
  }

  const std::vector<RegOp>& ops_;
  const std::vector<RegistryWrite>& written_;
  const bool force_;
  const PlaceSwap* swap_;
  LiveRegistry live_;
  BeforeRun before_;
  AfterRun after_;
  std::vector<Region> regions_;
  std::set<std::string> held_;
  std::map<ValueId, bool> decided_;
  std::map<std::string, bool> keyDecided_;
  RegistryRestorePlan plan_;
};
}  // namespace

RegistryRestorePlan PlanRegistryRestore(RegistryBackend& backend, const ParsedRegFile& backup,
                                        const std::vector<RegistryWrite>& written, bool force,
                                        const PlaceSwap* swap, const PlaceDone& each) {
  return RestorePlanner(backend, backup, written, force, swap).Plan(each);
}

std::vector<std::string> WriteMappedBack(RegistryBackend& backend, const std::vector<MappedBackValue>& values) {
  std::vector<std::string> failed;
  for (const MappedBackValue& v : values) {
    ChangedPlace place;
    place.key = v.key;
    place.isValue = true;
    place.valueName = v.name;
    RegRoot root;
    std::string path;
    try {
      if (!SplitKey(v.key, root, path)) throw Error("its key name is not known");
      RegistryCursor reg(backend, root);
      if (!reg.OpenRegPath(path)) throw Error("its key cannot be opened");
      reg.WriteRawValue(v.name, v.type, v.data);
    } catch (const Error& e) {
      failed.push_back(place.Where() + " was not restored: " + e.what() + ".");
    }
  }
  return failed;
}

std::vector<std::string> UncoveredWrites(const ParsedRegFile& backup, const std::vector<RegistryWrite>& written) {
  std::set<std::string> keys, removedKeys;
  std::set<ValueId> values;
  for (const RegOp& op : backup.ops) {
    const std::string key = FoldKey(op.KeyName());
    if (op.kind == RegOp::Kind::OpenKey) keys.insert(key);
    if (op.kind == RegOp::Kind::DeleteKey) removedKeys.insert(key);
    if (op.kind == RegOp::Kind::SetValue || op.kind == RegOp::Kind::DeleteValue) values.insert({key, FoldKey(op.name)});
  }
  // Inside a key the run made, the key's removal settles everything.
  const auto madeByRun = [&](const std::string& key) {
    for (const std::string& top : removedKeys)
      if (IsUnder(key, top)) return true;
    return false;
  };
  const auto covered = [&](const std::string& key, const std::string& name) {
    const std::string k = FoldKey(key);
    return madeByRun(k) || values.count({k, FoldKey(name)}) > 0;
  };
  std::vector<std::string> missing;
  for (const RegistryWrite& w : written) {
    ChangedPlace place;
    place.key = w.key;
    place.isValue = w.kind != RegistryWrite::Kind::KeyMove;
    place.valueName = w.name;
    bool ok = true;
    switch (w.kind) {
      case RegistryWrite::Kind::Value: ok = covered(w.key, w.name); break;
      case RegistryWrite::Kind::Rename: ok = covered(w.key, w.name) && covered(w.key, w.newName); break;
      case RegistryWrite::Kind::KeyMove:
        ok = madeByRun(FoldKey(w.newName)) && (keys.count(FoldKey(w.key)) > 0 || madeByRun(FoldKey(w.key)));
        break;
    }
    if (!ok) missing.push_back(place.Where());
  }
  return missing;
}
