// Clicks a notification of a running application as the shell reports it:
// NIN_BALLOONUSERCLICK posted to the application's notification window for
// one of its icons. Wine never reports clicks on balloons itself.
//   notification_click ICON_ID
// Exit code 2 when no notification window is found.
#include "platform/win32/toolkit_notification_center_win32.h"
#include "platform/win32/windows_api.h"

#include <shellapi.h>

#include <cstdlib>

namespace {

BOOL CALLBACK FindNotificationWindow(HWND window, LPARAM data) noexcept {
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (std::wstring_view(className) == L"TesseraNotificationWindow") {
    *reinterpret_cast<HWND*>(data) = window;
    return FALSE;
  }
  return TRUE;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    return 1;
  }
  const auto iconId = static_cast<UINT>(_wtoi(argv[1]));
  HWND window = nullptr;
  EnumWindows(&FindNotificationWindow, reinterpret_cast<LPARAM>(&window));
  if (window == nullptr) {
    return 2;
  }
  // The version 4 packing: the event in the low word, the icon in the high.
  PostMessageW(window, tessera::win32::Win32NotificationCenter::kCallbackMessage, 0,
               MAKELPARAM(NIN_BALLOONUSERCLICK, iconId));
  return 0;
}
