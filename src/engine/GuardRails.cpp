#include "engine/GuardRails.h"

#include "core/Text.h"
#include "engine/UndoName.h"

namespace {

std::vector<std::string> Components(const std::string& path, std::size_t from) {
  std::vector<std::string> out;
  for (std::size_t at = from; at <= path.size();) {
    std::size_t cut = path.find('\\', at);
    if (cut == std::string::npos) cut = path.size();
    std::string c = path.substr(at, cut - at);
    // The system drops a name's trailing dots and spaces: "Windows." is Windows.
    if (c != "." && c != "..")
      while (!c.empty() && (c.back() == '.' || c.back() == ' ')) c.pop_back();
    if (c == "..") {
      if (!out.empty()) out.pop_back();
    } else if (!c.empty() && c != ".") {
      out.push_back(std::move(c));
    }
    at = cut + 1;
  }
  return out;
}

// "C:\" or "\\server\share\", with its length; the rest lies below it.
std::size_t RootEnd(const std::string& path) {
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    const std::size_t server = path.find('\\', 2);
    const std::size_t share = server == std::string::npos ? std::string::npos : path.find('\\', server + 1);
    return share == std::string::npos ? path.size() : share + 1;
  }
  return path.size() >= 2 && path[1] == ':' ? std::min<std::size_t>(3, path.size()) : 0;
}

bool Same(const std::string& a, const std::string& b) { return !a.empty() && !b.empty() && EqualFold(a, b); }

// `inner` is `outer` itself or lies below it.
bool Within(const std::string& inner, const std::string& outer) {
  if (outer.empty()) return false;
  if (Same(inner, outer)) return true;
  const std::string head = outer.back() == '\\' ? outer : outer + "\\";
  return FoldPrefixLength(inner, head) != kNotFound;
}

std::string ParentOf(const std::string& path) {
  const std::size_t cut = path.rfind('\\');
  if (cut == std::string::npos) return "";
  return cut + 1 <= RootEnd(path) ? path.substr(0, cut + 1) : path.substr(0, cut);
}

// The rule a move of the item (a normal path) breaks, if any.
std::optional<RefusalReason> MoveRuleOf(const ProtectedPlaces& places, const std::string& p) {
  if (p.size() <= RootEnd(p)) return RefusalReason::DriveRoot;
  if (Within(p, NormalPath(places.windows))) return RefusalReason::WindowsFolder;
  for (const std::string& r : places.programRoots)
    if (Same(p, NormalPath(r))) return RefusalReason::ProgramRoot;
  const std::string users = NormalPath(places.users);
  if (Same(p, users) || Same(ParentOf(p), users)) return RefusalReason::UsersFolder;
  if (Within(NormalPath(places.ownFolder), p)) return RefusalReason::HoldsProgram;
  for (const std::string& f : places.ownFiles)
    if (Same(p, NormalPath(f))) return RefusalReason::IsProgram;
  return std::nullopt;
}

std::optional<EngineRefusal> MoveRefusalOf(const std::string& item, std::optional<RefusalReason> rule) {
  if (!rule) return std::nullopt;
  return EngineRefusal{*rule, item, ""};
}

}  // namespace

std::string NormalPath(const std::string& path) {
  std::string p = path;
  for (char& c : p)
    if (c == '/') c = '\\';
  const bool unc = p.size() >= 2 && p[0] == '\\' && p[1] == '\\';
  std::string root;
  std::size_t from = 0;
  if (unc) {
    root = "\\\\";
    from = 2;
  } else if (p.size() >= 2 && p[1] == ':') {
    root = p.substr(0, 2) + "\\";
    from = 2;
  }
  std::string out = root;
  const std::vector<std::string> parts = Components(p, from);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i) out += '\\';
    out += parts[i];
  }
  return out;
}

std::optional<EngineRefusal> MoveRule(const ProtectedPlaces& places, const std::string& item) {
  return MoveRefusalOf(item, MoveRuleOf(places, NormalPath(item)));
}

std::optional<EngineRefusal> RestoreRule(const ProtectedPlaces& places, const std::string& target) {
  const std::string p = NormalPath(target);
  for (const std::string& f : places.ownFiles)
    if (Same(p, NormalPath(f))) return EngineRefusal{RefusalReason::OverProgram, target, ""};
  const std::string own = NormalPath(places.ownFolder);
  const std::size_t cut = p.rfind('\\');
  if (cut == std::string::npos || !Same(p.substr(0, cut), own)) return std::nullopt;
  // Every file of an entry, whatever its extension (Undo00000.zip, .after,
  // .log ...): the records this undo and every later one read.
  if (!UndoName::OfFileName(p.substr(cut + 1))) return std::nullopt;
  return EngineRefusal{RefusalReason::OverRecords, target, ""};
}

std::optional<EngineRefusal> RegDeletionRule(const std::string& key) {
  const std::vector<std::string> parts = Components(key, 0);
  // Below HKEY_USERS each user's own hive comes first.
  const std::string top = parts.empty() ? "" : UpperAZ(parts[0]);
  const std::size_t needed = top == "HKEY_USERS" || top == "HKU" ? 4 : 3;
  if (parts.size() >= needed) return std::nullopt;
  return EngineRefusal{RefusalReason::ShallowKeyDeletion, key, ""};
}

const ProtectedPlaces& GuardRails::Places() {
  if (!asked_) {
    places_ = known_.Places();
    asked_ = true;
  }
  return places_;
}

std::optional<EngineRefusal> GuardRails::MoveRefusal(const std::string& item) {
  std::optional<RefusalReason> rule = MoveRuleOf(Places(), NormalPath(item));
  if (!rule) rule = MoveRuleOf(Places(), NormalPath(known_.LongForm(item)));
  return MoveRefusalOf(item, rule);
}

std::optional<EngineRefusal> GuardRails::RestoreRefusal(const std::string& target) {
  if (std::optional<EngineRefusal> why = RestoreRule(Places(), target)) return why;
  std::optional<EngineRefusal> why = RestoreRule(Places(), known_.LongForm(target));
  // Named as the undo names it, whatever form the rule found it in.
  if (why) why->place = target;
  return why;
}
