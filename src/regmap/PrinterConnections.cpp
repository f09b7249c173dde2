#include "regmap/PrinterConnections.h"

#include "core/Fold.h"

namespace {
constexpr std::string_view kConnections = "Printers\\Connections";

// Where the key's own name starts, when its parent is a Connections key.
std::optional<std::size_t> NameStart(std::string_view keyPath) {
  const std::size_t cut = keyPath.rfind('\\');
  if (cut == std::string_view::npos || cut < kConnections.size()) return std::nullopt;
  const std::string_view parent = keyPath.substr(0, cut);
  const std::string_view tail = parent.substr(parent.size() - kConnections.size());
  if (!EqualFold(tail, kConnections)) return std::nullopt;
  if (parent.size() > kConnections.size() && parent[parent.size() - kConnections.size() - 1] != '\\')
    return std::nullopt;
  return cut + 1;
}

bool IsServerAndQueue(std::string_view server, std::string_view queue) {
  return !server.empty() && !queue.empty() && server.find_first_of(",\\") == std::string_view::npos &&
         queue.find_first_of(",\\") == std::string_view::npos;
}
}  // namespace

std::optional<std::string> ConnectionPathOf(std::string_view keyPath) {
  const std::optional<std::size_t> start = NameStart(keyPath);
  if (!start) return std::nullopt;
  const std::string_view name = keyPath.substr(*start);
  if (name.size() < 4 || name.substr(0, 2) != ",,") return std::nullopt;
  const std::size_t comma = name.find(',', 2);
  if (comma == std::string_view::npos || !IsServerAndQueue(name.substr(2, comma - 2), name.substr(comma + 1)))
    return std::nullopt;
  return "\\\\" + std::string(name.substr(2, comma - 2)) + "\\" + std::string(name.substr(comma + 1));
}

std::optional<std::string> ConnectionKeyFor(std::string_view keyPath, std::string_view path) {
  const std::optional<std::size_t> start = NameStart(keyPath);
  if (!start || path.size() < 5 || path.substr(0, 2) != "\\\\") return std::nullopt;
  const std::size_t slash = path.find('\\', 2);
  if (slash == std::string_view::npos || !IsServerAndQueue(path.substr(2, slash - 2), path.substr(slash + 1)))
    return std::nullopt;
  return std::string(keyPath.substr(0, *start)) + ",," + std::string(path.substr(2, slash - 2)) + "," +
         std::string(path.substr(slash + 1));
}
