#pragma once
// Paths at the Win32 boundary. Inside, a path is UTF-8 text such as
// "C:\Data\数据.ini"; the platform gets it as UTF-16 and, when it is absolute,
// in the "\\?\" form, so that no path is cut at MAX_PATH. Callers never see
// that form: whatever the platform hands back loses it again.
#include <optional>
#include <string>
#include <string_view>

// The longest path the W functions take in the "\\?\" form, its NUL included.
inline constexpr unsigned kLongestPathChars = 32768;
// What a file is read and copied through, a piece at a time.
inline constexpr unsigned kFileChunkBytes = 64 * 1024;

// UTF-16 text for a W function (no path handling).
std::wstring WideText(std::string_view text);
// UTF-8 text from a W function's output.
std::string Utf8Text(std::wstring_view text);

// The path for a W function: an absolute path ("C:\...", "\\server\share\...")
// made whole as the platform would ("/" to "\", "." and ".." resolved,
// trailing dots and spaces dropped) and given the "\\?\" or "\\?\UNC\"
// prefix; any other path (relative, already prefixed, a device) as it is.
std::wstring PlatformPath(std::string_view path);
// A path the platform handed back, without the prefix PlatformPath adds.
std::string PathFromPlatform(std::wstring_view path);

// The path with every part in its long form, as the platform resolves it;
// nothing when the path does not exist or cannot be read.
std::optional<std::string> LongPathForm(std::string_view path);
