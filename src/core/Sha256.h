#pragma once
// SHA-256 of a byte string, as 64 lower-case hex digits: how the undo tells
// whether a file still holds what a run wrote into it.
#include <string>
#include <string_view>

std::string Sha256Hex(std::string_view data);
