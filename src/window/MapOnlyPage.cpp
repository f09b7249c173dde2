#include "window/MapOnlyPage.h"

#include "core/Ui.h"

namespace {
constexpr const char* kTextboxEmpty =
    "The \"Find\" and/or the \"Replace With\" textboxes are empty.  Please type in what you want to find and what you "
    "want to replace it with.";
}  // namespace

void MapOnlyPage::FollowAdvanced(bool on) { start = on ? ButtonFace{"&Next", Glyph::Forward} : ButtonFace{"&Start Map", Glyph::Start}; }

Check MapOnlyPage::Start(MappingRequest& request) const {
  if (findWhat.empty() || replaceWith.empty())
    return Refusal{kTextboxEmpty, "Textbox Empty", findWhat.empty() ? Field::FindWhat : Field::ReplaceWith};
  request.FindText = findWhat;
  request.ReplaceText = replaceWith;
  if (const std::optional<EngineRefusal> refusal = RequestRefusal(request)) return Refusal{RefusalText(*refusal), kAppTitle};
  return std::nullopt;
}
