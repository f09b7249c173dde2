#include "window/MapOnlyPage.h"

#include "core/Ui.h"

namespace {
// Which box is empty, in the words of its label.
constexpr const char* kFindEmpty = "Type what to find in \"Find what\".";
constexpr const char* kReplaceEmpty = "Type what it becomes in \"Replace with\".";
}  // namespace

void MapOnlyPage::FollowAdvanced(bool on) { start = on ? ButtonFace{"&Next", Glyph::Forward} : ButtonFace{"&Start Map", Glyph::Start}; }

Check MapOnlyPage::Start(MappingRequest& request) const {
  if (findWhat.empty() || replaceWith.empty())
    return findWhat.empty() ? Refusal{kFindEmpty, "Map Only", Field::FindWhat}
                            : Refusal{kReplaceEmpty, "Map Only", Field::ReplaceWith};
  request.FindText = findWhat;
  request.ReplaceText = replaceWith;
  if (const std::optional<EngineRefusal> refusal = RequestRefusal(request)) return Refusal{RefusalText(*refusal), kAppTitle};
  return std::nullopt;
}
