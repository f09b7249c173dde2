#include "window/win32/RightsWarningDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include "core/win32/WidePath.h"
#include "engine/win32/Win32Platform.h"
#include "window/ResumeArguments.h"

namespace {
struct DialogState {
  bool continueEnabled;
};

HRESULT CALLBACK OnEvent(HWND dialog, UINT event, WPARAM, LPARAM, LONG_PTR data) {
  if (event == TDN_CREATED) {
    const auto* state = reinterpret_cast<const DialogState*>(data);
    SendMessageW(dialog, TDM_SET_BUTTON_ELEVATION_REQUIRED_STATE, kRightsRestartId, TRUE);
    if (!state->continueEnabled) SendMessageW(dialog, TDM_ENABLE_BUTTON, kRightsContinueId, FALSE);
  }
  return S_OK;
}
}  // namespace

RightsChoice ShowRightsWarning(HWND owner, const RightsWarningPage& page) {
  const std::wstring title = WideText(page.title), heading = WideText(page.heading), text = WideText(page.text);
  const std::wstring restart = WideText(page.restartLabel), go = WideText(page.continueLabel),
                     back = WideText(page.backLabel);
  const TASKDIALOG_BUTTON buttons[] = {
      {kRightsRestartId, restart.c_str()},
      {kRightsContinueId, go.c_str()},
      {IDCANCEL, back.c_str()},
  };
  DialogState state{page.continueEnabled};
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = owner;
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
  config.pszWindowTitle = title.c_str();
  config.pszMainIcon = TD_SHIELD_ICON;
  config.pszMainInstruction = heading.c_str();
  config.pszContent = text.c_str();
  config.cButtons = sizeof buttons / sizeof buttons[0];
  config.pButtons = buttons;
  config.nDefaultButton = kRightsRestartId;
  config.pfCallback = OnEvent;
  config.lpCallbackData = reinterpret_cast<LONG_PTR>(&state);
  int pressed = IDCANCEL;
  if (FAILED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) return RightsChoice::Back;
  if (pressed == kRightsRestartId) return RightsChoice::Restart;
  if (pressed == kRightsContinueId && page.continueEnabled) return RightsChoice::Continue;
  return RightsChoice::Back;
}

bool RestartElevated(HWND owner, const std::vector<std::string>& arguments) {
  const std::wstring file = WideText(ExecutablePath());
  const std::wstring parameters = WideText(JoinArguments(arguments));
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOASYNC;
  info.hwnd = owner;
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  return ShellExecuteExW(&info) != 0;
}
