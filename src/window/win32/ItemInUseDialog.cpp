#include "window/win32/ItemInUseDialog.h"

#include <commctrl.h>

#include "window/win32/WinView.h"

InUseAnswer ShowItemInUse(HWND owner, const ItemInUsePage& page) {
  std::vector<TaskDialogButton> buttons = {{kInUseRetryId, page.retryLabel}};
  if (page.stopShown) buttons.push_back({kInUseStopId, page.stopLabel});
  buttons.push_back({IDCANCEL, page.cancelLabel});
  std::vector<int> disabled;
  if (page.stopShown && !page.stopEnabled) disabled.push_back(kInUseStopId);
  const int pressed =
      ShowTaskDialog(owner, {page.title, page.heading, page.text, TD_WARNING_ICON}, buttons, kInUseRetryId, disabled);
  return ItemInUseAnswerOf(page, pressed == kInUseRetryId, pressed == kInUseStopId);
}
