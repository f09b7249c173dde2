#pragma once
// The page flow as data: what each page is to the window (its name, help
// topic, Back button, the boxes and lists it carries) and where each control
// that turns a page leads. Wizard walks these rows; the views ask them.
// A new page is a row here, the rows of its controls in Wizard's turn
// table, its model and its view.
#include <optional>
#include <string_view>

#include "engine/MappingRequest.h"
#include "window/Pages.h"

class Wizard;

struct PageRow {
  Page page;
  std::string_view name;       // as a restarted copy and the screenshots name it
  const char* helpTopic;       // F1
  std::optional<Sender> back;  // what Esc presses
  bool advancedBox = false;    // "Show Advanced Map Options" shows on it
  bool endPage = false;        // a run's end: filled on arrival, a handed-over item waits on it
  bool holdsList = false;      // a long list: dropped when the page is left, the window grows for it
  bool animated = false;       // the travelling picture
};
const PageRow& RowOf(Page page);
std::string_view PageName(Page page);
// The page with that name ("Targets"); Page::None when there is none.
Page PageNamed(std::string_view name);

// The description band after a turn: as it was, hidden, or the turn's mode.
enum class Band { Keep, Hide, Mode };

// Where each control that turns a page leads: Wizard's turn table, whose
// steps are its own. A turn that decides where it leads (a check, a run)
// has a step; Page::None keeps the page.
using TurnStep = Page (Wizard::*)(Sender);

struct TurnRow {
  Sender sender;
  Page next = Page::None;       // where it leads when no step decides
  TurnStep step = nullptr;
  std::optional<RunMode> mode = std::nullopt;  // the mode the turn sets
  Band band = Band::Keep;       // applied only when the turn leads somewhere
};
const TurnRow& TurnOf(Sender sender);

struct WizardPages;
// Where the review page's Back leads; the advanced box as that page shows it.
Page ReviewBackPage(WizardPages& pages);
