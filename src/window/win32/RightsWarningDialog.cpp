#include "window/win32/RightsWarningDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include "core/win32/WidePath.h"
#include "engine/win32/Win32Platform.h"
#include "window/ResumeArguments.h"
#include "window/win32/WinView.h"

RightsChoice ShowRightsWarning(HWND owner, const RightsWarningPage& page) {
  std::vector<int> disabled;
  if (!page.continueEnabled) disabled.push_back(kRightsContinueId);
  const int pressed = ShowTaskDialog(owner, {page.title, page.heading, page.text, TD_SHIELD_ICON},
                                     {{kRightsRestartId, page.restartLabel, true},
                                      {kRightsContinueId, page.continueLabel},
                                      {IDCANCEL, page.backLabel}},
                                     kRightsRestartId, disabled);
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
