#pragma once
// Path text: "\\"-separated UTF-8 paths as the program passes them around.
#include <string>
#include <string_view>

// A path with exactly one trailing "\" added when missing; "" stays "".
std::string AddSlash(std::string_view path);
// The text without its last character when that character is "\".
std::string RemoveSlash(std::string_view text);

// Split at the last "\" or ":": the folder keeps that character, the name is
// what follows it (C:\Dir\Sub gives C:\Dir\ and Sub; C: gives C: and "").
struct ItemPath {
  std::string folder;
  std::string name;
};
ItemPath SplitItemPath(std::string_view path);

// path is `from` itself or lies below it, across case.
bool IsWithin(const std::string& path, const std::string& from);
