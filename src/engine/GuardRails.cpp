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

// The rule a move of the item (a normal path) breaks, "".
std::string MoveRuleOf(const ProtectedPlaces& places, const std::string& p) {
  if (p.size() <= RootEnd(p)) return "a drive root is never moved";
  if (Within(p, NormalPath(places.windows))) return "the Windows folder and everything in it stay in place";
  for (const std::string& r : places.programRoots)
    if (Same(p, NormalPath(r))) return "a Program Files or ProgramData folder itself stays in place";
  const std::string users = NormalPath(places.users);
  if (Same(p, users) || Same(ParentOf(p), users)) return "the Users folder and each profile's own folder stay in place";
  if (Within(NormalPath(places.ownFolder), p)) return "it holds Ostrivane itself and its undo records";
  for (const std::string& f : places.ownFiles)
    if (Same(p, NormalPath(f))) return "it is Ostrivane itself";
  return "";
}

std::string Refused(const std::string& item, const std::string& rule) {
  return rule.empty() ? "" : item + " is left where it is: " + rule + ".";
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

std::string MoveRule(const ProtectedPlaces& places, const std::string& item) {
  return Refused(item, MoveRuleOf(places, NormalPath(item)));
}

std::string RestoreRule(const ProtectedPlaces& places, const std::string& target) {
  const std::string p = NormalPath(target);
  for (const std::string& f : places.ownFiles)
    if (Same(p, NormalPath(f))) return "a backup is never written over Ostrivane itself";
  const std::string own = NormalPath(places.ownFolder);
  const std::size_t cut = p.rfind('\\');
  if (cut == std::string::npos || !Same(p.substr(0, cut), own)) return "";
  // Every file of an entry, whatever its extension (Undo00000.zip, .after,
  // .log ...): the records this undo and every later one read.
  return UndoName::OfFileName(p.substr(cut + 1)) ? "a backup is never written over Ostrivane's own undo records" : "";
}

std::string RegDeletionRule(const std::string& key) {
  const std::vector<std::string> parts = Components(key, 0);
  // Below HKEY_USERS each user's own hive comes first.
  const std::string top = parts.empty() ? "" : UpperAZ(parts[0]);
  const std::size_t needed = top == "HKEY_USERS" || top == "HKU" ? 4 : 3;
  if (parts.size() >= needed) return "";
  return "the deletion of " + key +
         " is refused: a hive or a key less than three levels deep (HKEY_LOCAL_MACHINE\\Software\\X is the "
         "shallowest) is never deleted";
}

const ProtectedPlaces& GuardRails::Places() {
  if (!asked_) {
    places_ = known_.Places();
    asked_ = true;
  }
  return places_;
}

std::string GuardRails::MoveRefusal(const std::string& item) {
  std::string rule = MoveRuleOf(Places(), NormalPath(item));
  if (rule.empty()) rule = MoveRuleOf(Places(), NormalPath(known_.LongForm(item)));
  return Refused(item, rule);
}

std::string GuardRails::RestoreRefusal(const std::string& target) {
  std::string why = RestoreRule(Places(), target);
  if (why.empty()) why = RestoreRule(Places(), known_.LongForm(target));
  return why;
}
