#pragma once
// Names from many scripts, as the platform gives them in UTF-8: what the ANSI
// (1252) and OEM (437) code pages cannot hold, what the ANSI one holds and the
// OEM one does not, and a character outside the 16-bit range.
#include <string>
#include <vector>

inline const std::vector<std::string> kScriptNames = {
    "数据",                 // CJK
    "Данные",               // Cyrillic
    "\xF0\x9F\x98\x80",     // an emoji (a surrogate pair in UTF-16)
    "Łódź",                 // Ł in neither code page, ó in both
    "Bjørn",                // ø in ANSI only
    "Cafe€",                // € in ANSI only
    "Budget – Q3",          // an en dash, ANSI only
};
