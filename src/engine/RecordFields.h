#pragma once
// The fields of the line-based records (the written record, the task
// backup): tab-separated, with "%", tab, CR, LF and NUL escaped as %25, %09,
// %0D, %0A, %00 so that any text, a whole XML document too, fits one line.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

std::string EscapeRecordField(std::string_view text);
// nullopt for a field that is no escaped text (a cut or stray "%").
std::optional<std::string> UnescapeRecordField(std::string_view text);
// A line's fields, split at each tab (still escaped).
std::vector<std::string_view> RecordFields(std::string_view line);
// The lines of a record after its title; a last line without its line end
// was torn as it was written and is left out.
std::vector<std::string_view> RecordLines(std::string_view bytes);
