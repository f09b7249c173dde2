#pragma once
// Texts of long lists made readable: a path shortened in its middle so the
// drive and the file name stay in view, and the order that sorts numbers as
// numbers and paths part by part.
#include <functional>
#include <string>
#include <string_view>

// The text as it is when it fits; else its root (a drive, a share, a
// registry hive) and as many of its last parts as fit, with "..." between;
// else its start and end around "...". `fits` says whether a text fits the
// room (by its width on screen); the shorter a text, the likelier it fits.
std::string MiddleShortened(std::string_view text, const std::function<bool(std::string_view)>& fits);

// <0, 0 or >0: part by part at "\", letters in any case, a run of digits by
// its number ("2" before "10"); a path before the paths below it.
int CompareNatural(std::string_view a, std::string_view b);
