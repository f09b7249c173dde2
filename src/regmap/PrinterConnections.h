#pragma once
// A printer connection is kept as a key named after its \\SERVER\QUEUE with
// each backslash written as a comma (Printers\Connections\,,SERVER,QUEUE),
// in each user's hive. The key is searched as the path it names, and
// renamed in its own spelling.
#include <optional>
#include <string>
#include <string_view>

// The \\SERVER\QUEUE a key (path below its root) names when it is a printer
// connection's; none for any other key.
std::optional<std::string> ConnectionPathOf(std::string_view keyPath);

// The key path, beside `keyPath`, of a connection to `path`; none when `path`
// is no \\SERVER\QUEUE a connection's key can be named after.
std::optional<std::string> ConnectionKeyFor(std::string_view keyPath, std::string_view path);
