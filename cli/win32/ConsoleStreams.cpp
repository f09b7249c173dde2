#include "win32/ConsoleStreams.h"

#include "core/Unicode.h"
#include "core/win32/Owned.h"
#include "core/win32/WinApi.h"

#include <shellapi.h>

namespace {
// Output waits for a line's end or this much text; input is read this much at a time.
constexpr std::size_t kPendingBytes = 4096;
constexpr DWORD kConsoleReadChars = 512;

bool IsConsole(HANDLE h) {
  DWORD mode = 0;
  return h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &mode);
}

// How many bytes at the end of `text` begin a UTF-8 sequence that is not
// complete yet; they wait for the next write.
std::size_t IncompleteTail(const std::string& text) {
  const std::size_t n = text.size();
  for (std::size_t back = 1; back <= 3 && back <= n; ++back) {
    const auto b = (unsigned char)text[n - back];
    if ((b & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const std::size_t need = Utf8SequenceLength(b);
    return need > back ? back : 0;
  }
  return 0;
}
}  // namespace

std::vector<std::string> Utf8Arguments() {
  std::vector<std::string> args;
  int count = 0;
  const LocalMem<LPWSTR*> argv(CommandLineToArgvW(GetCommandLineW(), &count));
  if (!argv) return args;
  for (int i = 1; i < count; ++i)
    args.push_back(Utf8FromUtf16(reinterpret_cast<const char16_t*>(argv.get()[i])));
  return args;
}

ConsoleOutBuffer::ConsoleOutBuffer(void* handle) : handle_(handle), console_(IsConsole(handle)) {}
ConsoleOutBuffer::~ConsoleOutBuffer() { Flush(true); }

ConsoleOutBuffer::int_type ConsoleOutBuffer::overflow(int_type c) {
  if (c != traits_type::eof()) {
    pending_ += char(c);
    if (c == '\n') Flush(false);
  }
  return traits_type::not_eof(c);
}

std::streamsize ConsoleOutBuffer::xsputn(const char* s, std::streamsize n) {
  pending_.append(s, std::size_t(n));
  if (pending_.find('\n') != std::string::npos || pending_.size() > kPendingBytes) Flush(false);
  return n;
}

int ConsoleOutBuffer::sync() {
  Flush(false);
  return 0;
}

void ConsoleOutBuffer::Flush(bool all) {
  const std::size_t keep = all ? 0 : IncompleteTail(pending_);
  const std::string out = pending_.substr(0, pending_.size() - keep);
  pending_.erase(0, out.size());
  if (out.empty()) return;
  DWORD written = 0;
  if (console_) {
    const std::u16string wide = Utf16FromUtf8(out);
    WriteConsoleW(HANDLE(handle_), wide.data(), DWORD(wide.size()), &written, nullptr);
  } else {
    WriteFile(HANDLE(handle_), out.data(), DWORD(out.size()), &written, nullptr);
  }
}

ConsoleInBuffer::ConsoleInBuffer(void* handle) : handle_(handle), console_(IsConsole(handle)) {}

ConsoleInBuffer::int_type ConsoleInBuffer::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  buffer_.clear();
  DWORD got = 0;
  if (console_) {
    char16_t wide[kConsoleReadChars];
    if (!ReadConsoleW(HANDLE(handle_), wide, kConsoleReadChars, &got, nullptr) || got == 0) return traits_type::eof();
    buffer_ = Utf8FromUtf16(std::u16string_view(wide, got));
  } else {
    char bytes[kPendingBytes];
    if (!ReadFile(HANDLE(handle_), bytes, sizeof bytes, &got, nullptr) || got == 0) return traits_type::eof();
    buffer_.assign(bytes, got);
  }
  setg(buffer_.data(), buffer_.data(), buffer_.data() + buffer_.size());
  return traits_type::to_int_type(*gptr());
}
