#include "filemap/win32/Win32ShellLinkStore.h"

#include "core/win32/ReplaceBeside.h"
#include "core/win32/WinApi.h"
// After the wrapper: the shell-link declarations the lean Windows headers leave out.
#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>
#include <vector>

namespace {

// A link file counts its strings in 16-bit units; in a double-byte code page
// each may become two bytes. A buffer this large never cuts a value.
constexpr int kReadBuffer = 2 * 65536 + 2;

class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT hr_;
};

template <class T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() {
    if (p_) p_->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  T** Out() { return &p_; }
  T* operator->() const { return p_; }

 private:
  T* p_ = nullptr;
};

std::wstring Wide(const std::string& s) {
  const int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring w(std::size_t(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
  w.resize(std::size_t(n - 1));
  return w;
}

bool IsFile(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// The saved link is flushed before it may take the old one's place.
bool FlushFile(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = FlushFileBuffers(h) != 0;
  CloseHandle(h);
  return ok;
}


// The object gives its target back as the platform resolves it, which may
// differ from the text set in letter case or in short against long form;
// anything else (a cut or mangled path) means the target was not kept.
bool SameTarget(const std::string& set, const std::string& got) {
  if (set.size() == got.size() && _strnicmp(set.c_str(), got.c_str(), set.size()) == 0) return true;
  auto longForm = [](const std::string& p) {
    const DWORD n = GetLongPathNameA(p.c_str(), nullptr, 0);
    if (n == 0) return std::string();
    std::string out(n, '\0');
    const DWORD m = GetLongPathNameA(p.c_str(), out.data(), n);
    out.resize(m < n ? m : 0);
    return out;
  };
  const std::string a = longForm(set);
  return !a.empty() && a.size() == got.size() && _strnicmp(a.c_str(), got.c_str(), a.size()) == 0;
}

// Whether `got` holds every part of the change as `want` does.
bool Holds(const ShellLinkProps& got, const ShellLinkProps& want, const LinkChange& c) {
  return (!c.Description || got.Description == want.Description) && (!c.Target || got.Target == want.Target) &&
         (!c.WorkingDir || got.WorkingDir == want.WorkingDir) && (!c.Arguments || got.Arguments == want.Arguments);
}

// One shell-link object with its file interface; COM is up for its life.
class LinkObject {
 public:
  LinkObject() {
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(link_.Out()))))
      throw EPBShellLink(kLinkCreateFailed);
    if (FAILED(link_->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file_.Out()))))
      throw EPBShellLink(kLinkQueryFailed);
  }

  void LoadFrom(const std::string& path) {
    if (!IsFile(path)) throw EPBShellLinkNotFound();
    if (FAILED(file_->Load(Wide(path).c_str(), STGM_READ))) throw EPBShellLink(kLinkReadError);
  }

  ShellLinkProps Read() {
    ShellLinkProps p;
    WIN32_FIND_DATAA found{};
    p.Description = Text([&](char* b, int n) { return link_->GetDescription(b, n); });
    // S_FALSE and an empty buffer: the link points at something that is no file path.
    p.Target = Text([&](char* b, int n) { return link_->GetPath(b, n, &found, SLGP_UNCPRIORITY); });
    p.WorkingDir = Text([&](char* b, int n) { return link_->GetWorkingDirectory(b, n); });
    p.Arguments = Text([&](char* b, int n) { return link_->GetArguments(b, n); });
    int show = 0;
    WORD hotKey = 0;
    if (FAILED(link_->GetShowCmd(&show)) || FAILED(link_->GetHotkey(&hotKey))) throw EPBShellLink(kLinkReadError);
    p.WindowState = show;
    p.HotKey = hotKey;
    return p;
  }

  // Sets the parts given and checks that the object holds each one whole.
  void Apply(const LinkChange& c) {
    bool set = true;
    if (c.Description) set = set && SUCCEEDED(link_->SetDescription(c.Description->c_str()));
    if (c.Target) set = set && SUCCEEDED(link_->SetPath(c.Target->c_str()));
    if (c.WorkingDir) set = set && SUCCEEDED(link_->SetWorkingDirectory(c.WorkingDir->c_str()));
    if (c.Arguments) set = set && SUCCEEDED(link_->SetArguments(c.Arguments->c_str()));
    if (!set) throw EPBShellLinkTooLong();
    const ShellLinkProps now = Read();
    ShellLinkProps want = now;
    if (c.Description) want.Description = *c.Description;
    if (c.WorkingDir) want.WorkingDir = *c.WorkingDir;
    if (c.Arguments) want.Arguments = *c.Arguments;
    if (!Holds(now, want, c) || (c.Target && !SameTarget(*c.Target, now.Target)))
      throw EPBShellLinkTooLong();
  }

  void SetShowAndHotKey(int show, WORD hotKey) {
    if (FAILED(link_->SetShowCmd(show)) || FAILED(link_->SetHotkey(hotKey))) throw EPBShellLink(kLinkWriteError);
  }

  // Saves the link into a new file beside `path` and reads that file back:
  // what the file does not hold whole is refused before the link is touched.
  TempBeside SaveBeside(const std::string& path, const LinkChange& change) {
    TempBeside temp(path);
    if (temp.Path().empty()) throw EPBShellLink(kLinkWriteError);
    if (FAILED(file_->Save(Wide(temp.Path()).c_str(), FALSE))) throw EPBShellLink(kLinkWriteError);
    LinkObject check;
    check.LoadFrom(temp.Path());
    if (!Holds(check.Read(), Read(), change)) throw EPBShellLinkTooLong();
    return temp;
  }

 private:
  template <class Get>
  static std::string Text(Get get) {
    std::vector<char> buffer(kReadBuffer, '\0');
    if (FAILED(get(buffer.data(), kReadBuffer))) throw EPBShellLink(kLinkReadError);
    buffer.back() = '\0';
    const std::size_t n = std::strlen(buffer.data());
    if (n >= std::size_t(kReadBuffer) - 1) throw EPBShellLink(kLinkReadError);
    return std::string(buffer.data(), n);
  }

  ComScope com_;  // first made, last gone
  ComRef<IShellLinkA> link_;
  ComRef<IPersistFile> file_;
};

class Win32PendingChange : public PendingLinkChange {
 public:
  Win32PendingChange(TempBeside temp, std::string path, ShellLinkProps before)
      : temp_(std::move(temp)), path_(std::move(path)), before_(std::move(before)) {}
  const ShellLinkProps& Before() const override { return before_; }
  void Commit() override {
    if (!FlushFile(temp_.Path()) || !temp_.PutInPlaceOf(path_)) throw EPBShellLink(kLinkWriteError);
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
  LinkChange all{props.Target, props.Arguments, props.WorkingDir, props.Description};
  // An empty path is no target: the new link simply has none.
  if (props.Target.empty()) all.Target.reset();
  link.Apply(all);
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
