#include "window/win32/ItemInUseDialog.h"

#include <commctrl.h>

#include <vector>

#include "core/win32/WidePath.h"

namespace {
HRESULT CALLBACK OnEvent(HWND dialog, UINT event, WPARAM, LPARAM, LONG_PTR data) {
  if (event == TDN_CREATED) {
    const auto* page = reinterpret_cast<const ItemInUsePage*>(data);
    if (page->stopShown && !page->stopEnabled) SendMessageW(dialog, TDM_ENABLE_BUTTON, kInUseStopId, FALSE);
  }
  return S_OK;
}
}  // namespace

InUseAnswer ShowItemInUse(HWND owner, const ItemInUsePage& page) {
  const std::wstring title = WideText(page.title), heading = WideText(page.heading), text = WideText(page.text);
  const std::wstring retry = WideText(page.retryLabel), stop = WideText(page.stopLabel),
                     cancel = WideText(page.cancelLabel);
  std::vector<TASKDIALOG_BUTTON> buttons = {{kInUseRetryId, retry.c_str()}};
  if (page.stopShown) buttons.push_back({kInUseStopId, stop.c_str()});
  buttons.push_back({IDCANCEL, cancel.c_str()});
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = owner;
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
  config.pszWindowTitle = title.c_str();
  config.pszMainIcon = TD_WARNING_ICON;
  config.pszMainInstruction = heading.c_str();
  config.pszContent = text.c_str();
  config.cButtons = UINT(buttons.size());
  config.pButtons = buttons.data();
  config.nDefaultButton = kInUseRetryId;
  config.pfCallback = OnEvent;
  config.lpCallbackData = reinterpret_cast<LONG_PTR>(&page);
  int pressed = IDCANCEL;
  if (FAILED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) return InUseAnswer::Cancel;
  return ItemInUseAnswerOf(page, pressed == kInUseRetryId, pressed == kInUseStopId);
}
