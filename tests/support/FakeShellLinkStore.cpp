#include "support/FakeShellLinkStore.h"

#include <functional>
#include <string_view>

namespace {

constexpr std::string_view kMagic = "FAKELNK\n";

using Lines = std::map<std::string, std::string>;

Lines FromProps(const ShellLinkProps& p) {
  Lines lines{{"Target", p.Target},
              {"Arguments", p.Arguments},
              {"WorkingDir", p.WorkingDir},
              {"Description", p.Description},
              {"ShowCmd", std::to_string(p.WindowState)},
              {"HotKey", std::to_string(p.HotKey)}};
  // A link without an icon location of its own holds no such record.
  if (!p.IconPath.empty()) {
    lines["IconPath"] = p.IconPath;
    lines["IconIndex"] = std::to_string(p.IconIndex);
  }
  return lines;
}

ShellLinkProps ToProps(const Lines& l) {
  auto get = [&](const char* k) {
    auto it = l.find(k);
    return it == l.end() ? std::string() : it->second;
  };
  ShellLinkProps p;
  p.Target = get("Target");
  p.Arguments = get("Arguments");
  p.WorkingDir = get("WorkingDir");
  p.Description = get("Description");
  p.IconPath = get("IconPath");
  try {
    p.WindowState = std::stoi(get("ShowCmd"));
    p.HotKey = static_cast<std::uint16_t>(std::stoi(get("HotKey")));
    if (!p.IconPath.empty()) p.IconIndex = std::stoi(get("IconIndex"));
  } catch (const std::exception&) {
    throw ShellLinkError(kLinkReadError);
  }
  return p;
}

void CheckFits(const Lines& l, std::size_t maxValue) {
  for (const auto& [key, value] : l)
    if (value.size() > maxValue) throw ShellLinkTooLong();
}

class FakePending : public PendingLinkChange {
 public:
  FakePending(std::function<void()> commit, ShellLinkProps before)
      : commit_(std::move(commit)), before_(std::move(before)) {}
  const ShellLinkProps& Before() const override { return before_; }
  void Commit() override { commit_(); }

 private:
  std::function<void()> commit_;
  ShellLinkProps before_;
};

}  // namespace

FakeShellLinkStore::Lines FakeShellLinkStore::Parse(const std::string& path) {
  if (!fs_.FileExists(path)) throw ShellLinkNotFound();
  std::string data;
  try {
    data = fs_.ReadWhole(path);
  } catch (const Error&) {
    throw ShellLinkError(kLinkReadError);
  }
  if (data.compare(0, kMagic.size(), kMagic) != 0) throw ShellLinkError(kLinkReadError);
  Lines lines;
  std::size_t at = kMagic.size();
  while (at < data.size()) {
    std::size_t end = data.find('\n', at);
    if (end == std::string::npos) end = data.size();
    const std::string line = data.substr(at, end - at);
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) throw ShellLinkError(kLinkReadError);
    lines[line.substr(0, eq)] = line.substr(eq + 1);
    at = end + 1;
  }
  ToProps(lines);  // the record's own keys must be sound
  return lines;
}

void FakeShellLinkStore::Write(const std::string& path, const Lines& lines) {
  std::string data(kMagic);
  for (const auto& [key, value] : lines) data += key + "=" + value + "\n";
  try {
    fs_.ReplaceWhole(path, data);
  } catch (const Error&) {
    throw ShellLinkError(kLinkWriteError);
  }
}

void FakeShellLinkStore::Put(const std::string& path, const ShellLinkProps& props,
                             const std::map<std::string, std::string>& extras) {
  Lines lines = FromProps(props);
  lines.insert(extras.begin(), extras.end());
  Write(path, lines);
}

std::string FakeShellLinkStore::Key(const std::string& path, const std::string& key) {
  const Lines lines = Parse(path);
  auto it = lines.find(key);
  return it == lines.end() ? std::string() : it->second;
}

ShellLinkProps FakeShellLinkStore::Load(const std::string& path) { return ToProps(Parse(path)); }

void FakeShellLinkStore::Save(const std::string& path, const ShellLinkProps& props) {
  const Lines lines = FromProps(props);
  CheckFits(lines, maxValue);
  Write(path, lines);
}

std::unique_ptr<PendingLinkChange> FakeShellLinkStore::Prepare(const std::string& path, const LinkChange& change) {
  Lines lines = Parse(path);
  const ShellLinkProps before = ToProps(lines);
  Lines changed;
  if (change.Target) changed["Target"] = *change.Target;
  if (change.Arguments) changed["Arguments"] = *change.Arguments;
  if (change.WorkingDir) changed["WorkingDir"] = *change.WorkingDir;
  if (change.Description) changed["Description"] = *change.Description;
  if (change.IconPath) {
    changed["IconPath"] = *change.IconPath;
    changed["IconIndex"] = std::to_string(before.IconIndex);
  }
  CheckFits(changed, maxValue);
  for (const auto& [key, value] : changed) lines[key] = value;
  return std::make_unique<FakePending>([this, path, lines] { Write(path, lines); }, before);
}
