#include "core/win32/WidePath.h"

#include "core/Unicode.h"
#include "core/win32/WinApi.h"

namespace {

bool IsSlash(wchar_t c) { return c == L'\\' || c == L'/'; }

bool StartsWith(std::wstring_view text, std::wstring_view head) { return text.substr(0, head.size()) == head; }

}  // namespace

std::wstring WideText(std::string_view text) {
  const std::u16string wide = Utf16FromUtf8(text);
  return std::wstring(wide.begin(), wide.end());
}

std::string Utf8Text(std::wstring_view text) {
  return Utf8FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

std::wstring PlatformPath(std::string_view path) {
  std::wstring wide = WideText(path);
  const bool onDrive = wide.size() >= 3 && wide[1] == L':' && IsSlash(wide[2]) &&
                       ((wide[0] | 0x20) >= L'a' && (wide[0] | 0x20) <= L'z');
  const bool onShare = wide.size() >= 3 && IsSlash(wide[0]) && IsSlash(wide[1]) && wide[2] != L'?' && wide[2] != L'.';
  if (!onDrive && !onShare) return wide;
  // The prefix turns off the platform's own clean-up, so it is done here.
  std::wstring full(wide.size() + 1, L'\0');
  for (;;) {
    const DWORD n = GetFullPathNameW(wide.c_str(), DWORD(full.size()), full.data(), nullptr);
    if (n == 0) return wide;
    if (n < full.size()) {
      full.resize(n);
      break;
    }
    full.assign(n, L'\0');
  }
  if (StartsWith(full, L"\\\\.\\")) return full;  // a device name such as CON
  if (onShare) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string PathFromPlatform(std::wstring_view path) {
  if (StartsWith(path, L"\\\\?\\UNC\\")) return "\\\\" + Utf8Text(path.substr(8));
  if (StartsWith(path, L"\\\\?\\") && path.size() >= 6 && path[5] == L':') return Utf8Text(path.substr(4));
  return Utf8Text(path);
}

std::optional<std::string> LongPathForm(std::string_view path) {
  const std::wstring wide = PlatformPath(path);
  const DWORD n = GetLongPathNameW(wide.c_str(), nullptr, 0);
  if (n == 0) return std::nullopt;
  std::wstring out(n, L'\0');
  const DWORD got = GetLongPathNameW(wide.c_str(), out.data(), n);
  // A path made longer in between does not fit: no form at all rather than a cut one.
  if (got == 0 || got >= n) return std::nullopt;
  out.resize(got);
  return PathFromPlatform(out);
}
