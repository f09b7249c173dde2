#include "filemap/win32/Win32ShellLinkStore.h"

#include "core/win32/ComScope.h"
#include "core/win32/ReplaceBeside.h"
#include "core/win32/Owned.h"
#include "core/win32/WidePath.h"
#include "core/win32/WinApi.h"
// After the wrapper: the shell-link declarations the lean Windows headers leave out.
#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cwchar>
#include <optional>
#include <vector>

namespace {

// A link file counts its strings in 16-bit units: a buffer this large never
// cuts a value.
constexpr int kReadBuffer = 65536 + 2;


// The link file's own path for the shell object: as it stands while it fits
// in MAX_PATH, the form that lifts the limit beyond.
std::wstring LinkFilePath(const std::string& path) {
  std::wstring wide = WideText(path);
  return wide.size() < MAX_PATH ? wide : PlatformPath(path);
}

bool IsFile(const std::string& path) {
  const DWORD a = GetFileAttributesW(PlatformPath(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The saved link is flushed before it may take the old one's place.
bool FlushFile(const std::string& path) {
  const OwnedHandle h(CreateFileW(PlatformPath(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  return h.ok() && FlushFileBuffers(h.get()) != 0;
}


// The object gives its target back as the platform resolves it, which may
// differ from the text set in letter case or in short against long form;
// anything else (a cut or mangled path) means the target was not kept.
bool SameTarget(const std::string& set, const std::string& got) {
  const std::wstring gotWide = WideText(got);
  auto same = [&](const std::wstring& a) {
    return CompareStringOrdinal(a.data(), int(a.size()), gotWide.data(), int(gotWide.size()), TRUE) == CSTR_EQUAL;
  };
  if (same(WideText(set))) return true;
  const std::optional<std::string> longForm = LongPathForm(set);
  return longForm && same(WideText(*longForm));
}

// Whether `got` holds every part of the change as `want` does.
bool Holds(const ShellLinkProps& got, const ShellLinkProps& want, const LinkChange& c) {
  return (!c.Description || got.Description == want.Description) && (!c.Target || got.Target == want.Target) &&
         (!c.WorkingDir || got.WorkingDir == want.WorkingDir) && (!c.Arguments || got.Arguments == want.Arguments) &&
         (!c.IconPath || (got.IconPath == want.IconPath && got.IconIndex == want.IconIndex));
}

// One shell-link object with its file interface; COM is up for its life.
class LinkObject {
 public:
  LinkObject() {
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link_.Out()))))
      throw ShellLinkError(kLinkCreateFailed);
    if (FAILED(link_->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file_.Out()))))
      throw ShellLinkError(kLinkQueryFailed);
  }

  void LoadFrom(const std::string& path) {
    if (!IsFile(path)) throw ShellLinkNotFound();
    if (FAILED(file_->Load(LinkFilePath(path).c_str(), STGM_READ))) throw ShellLinkError(kLinkReadError);
  }

  ShellLinkProps Read() {
    ShellLinkProps p;
    WIN32_FIND_DATAW found{};
    p.Description = Text([&](wchar_t* b, int n) { return link_->GetDescription(b, n); });
    // S_FALSE and an empty buffer: the link points at something that is no file path.
    p.Target = Text([&](wchar_t* b, int n) { return link_->GetPath(b, n, &found, SLGP_UNCPRIORITY); });
    // A target stored with variables (%ProgramFiles%\App\app.exe) comes back
    // expanded unless asked for raw: read raw, it can keep them when remapped.
    // (Wine keeps no such form: there both are the same text.)
    std::vector<wchar_t> raw(kReadBuffer, L'\0');
    if (link_->GetPath(raw.data(), kReadBuffer, &found, SLGP_RAWPATH) == S_OK && raw.back() == L'\0') {
      const std::string rawTarget = Utf8Text(raw.data());
      if (rawTarget != p.Target && rawTarget.find('%') != std::string::npos) p.Target = rawTarget;
    }
    // No file path holds "?": the link's path record is in the ANSI code page
    // (all Wine writes) and lost what that cannot hold. Its item list keeps
    // every name in UTF-16.
    if (p.Target.find('?') != std::string::npos) {
      if (auto fromItems = TargetFromItemList()) p.Target = *fromItems;
    }
    p.WorkingDir = Text([&](wchar_t* b, int n) { return link_->GetWorkingDirectory(b, n); });
    p.Arguments = Text([&](wchar_t* b, int n) { return link_->GetArguments(b, n); });
    // An icon location that cannot be read counts as none: the link's other
    // parts are still searched, and its icon is left as it is.
    int iconIndex = 0;
    try {
      p.IconPath = Text([&](wchar_t* b, int n) { return link_->GetIconLocation(b, n, &iconIndex); });
      p.IconIndex = iconIndex;
    } catch (const ShellLinkError&) {
      p.IconPath.clear();
    }
    int show = 0;
    WORD hotKey = 0;
    if (FAILED(link_->GetShowCmd(&show)) || FAILED(link_->GetHotkey(&hotKey))) throw ShellLinkError(kLinkReadError);
    p.WindowState = show;
    p.HotKey = hotKey;
    return p;
  }

  // Sets the parts given and checks that the object holds each one whole.
  void Apply(const LinkChange& c) {
    bool set = true;
    if (c.Description) set = set && SUCCEEDED(link_->SetDescription(WideText(*c.Description).c_str()));
    if (c.Target) set = set && SUCCEEDED(link_->SetPath(WideText(*c.Target).c_str()));
    if (c.WorkingDir) set = set && SUCCEEDED(link_->SetWorkingDirectory(WideText(*c.WorkingDir).c_str()));
    if (c.Arguments) set = set && SUCCEEDED(link_->SetArguments(WideText(*c.Arguments).c_str()));
    // The icon keeps the index it has: only the file it comes from moves.
    if (c.IconPath) set = set && SetIcon(*c.IconPath, Read().IconIndex);
    if (!set) throw ShellLinkTooLong();
    const ShellLinkProps now = Read();
    ShellLinkProps want = now;
    if (c.IconPath) want.IconPath = *c.IconPath;
    if (c.Description) want.Description = *c.Description;
    if (c.WorkingDir) want.WorkingDir = *c.WorkingDir;
    if (c.Arguments) want.Arguments = *c.Arguments;
    if (!Holds(now, want, c) || (c.Target && !SameTarget(*c.Target, now.Target)))
      throw ShellLinkTooLong();
  }

  bool SetIcon(const std::string& path, int index) {
    return SUCCEEDED(link_->SetIconLocation(WideText(path).c_str(), index));
  }

  void SetShowAndHotKey(int show, WORD hotKey) {
    if (FAILED(link_->SetShowCmd(show)) || FAILED(link_->SetHotkey(hotKey))) throw ShellLinkError(kLinkWriteError);
  }

  // Saves the link into a new file beside `path` and reads that file back:
  // what the file does not hold whole is refused before the link is touched.
  TempBeside SaveBeside(const std::string& path, const LinkChange& change) {
    TempBeside temp(path);
    if (temp.Path().empty()) throw ShellLinkError(kLinkWriteError);
    if (FAILED(file_->Save(LinkFilePath(temp.Path()).c_str(), FALSE))) throw ShellLinkError(kLinkWriteError);
    LinkObject check;
    check.LoadFrom(temp.Path());
    if (!Holds(check.Read(), Read(), change)) throw ShellLinkTooLong();
    return temp;
  }

 private:
  std::optional<std::string> TargetFromItemList() {
    CoTaskMem<PIDLIST_ABSOLUTE> items;
    if (link_->GetIDList(items.out()) != S_OK || !items) return std::nullopt;
    std::vector<wchar_t> buffer(kReadBuffer, L'\0');
    const bool got = SHGetPathFromIDListEx(items.get(), buffer.data(), DWORD(buffer.size()), GPFIDL_DEFAULT) != FALSE;
    if (!got || buffer[0] == L'\0') return std::nullopt;
    const std::string path = Utf8Text(buffer.data());
    if (path.find('?') != std::string::npos) return std::nullopt;
    return path;
  }

  template <class Get>
  static std::string Text(Get get) {
    std::vector<wchar_t> buffer(kReadBuffer, L'\0');
    if (FAILED(get(buffer.data(), kReadBuffer))) throw ShellLinkError(kLinkReadError);
    buffer.back() = L'\0';
    const std::size_t n = std::wcslen(buffer.data());
    if (n >= std::size_t(kReadBuffer) - 1) throw ShellLinkError(kLinkReadError);
    return Utf8Text(std::wstring_view(buffer.data(), n));
  }

  ComScope com_;  // first made, last gone
  ComRef<IShellLinkW> link_;
  ComRef<IPersistFile> file_;
};

class Win32PendingChange : public PendingLinkChange {
 public:
  Win32PendingChange(TempBeside temp, std::string path, ShellLinkProps before)
      : temp_(std::move(temp)), path_(std::move(path)), before_(std::move(before)) {}
  const ShellLinkProps& Before() const override { return before_; }
  void Commit() override {
    if (!FlushFile(temp_.Path()) || !temp_.PutInPlaceOf(path_)) throw ShellLinkError(kLinkWriteError);
  }

 private:
  TempBeside temp_;
  std::string path_;
  ShellLinkProps before_;
};

}  // namespace

ShellLinkProps Win32ShellLinkStore::Load(const std::string& path) {
  LinkObject link;
  link.LoadFrom(path);
  return link.Read();
}

void Win32ShellLinkStore::Save(const std::string& path, const ShellLinkProps& props) {
  LinkObject link;
  LinkChange all{props.Target, props.Arguments, props.WorkingDir, props.Description, props.IconPath};
  // An empty path is no target (nor icon): the new link simply has none.
  if (props.Target.empty()) all.Target.reset();
  if (props.IconPath.empty()) all.IconPath.reset();
  link.Apply(all);
  if (all.IconPath && !link.SetIcon(props.IconPath, props.IconIndex)) throw ShellLinkTooLong();
  link.SetShowAndHotKey(props.WindowState, props.HotKey);
  link.SaveBeside(path, all).PutInPlaceOf(path);
}

std::unique_ptr<PendingLinkChange> Win32ShellLinkStore::Prepare(const std::string& path, const LinkChange& change) {
  LinkObject link;
  link.LoadFrom(path);
  ShellLinkProps before = link.Read();
  link.Apply(change);
  return std::make_unique<Win32PendingChange>(link.SaveBeside(path, change), path, std::move(before));
}
