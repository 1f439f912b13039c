// Reads what a test cannot see through X: the Win32 side of the top-level
// window with a given caption, in the same Wine prefix as the application.
//   window_probe texts CAPTION   one line per child window: class|text
//   window_probe info CAPTION    style, placement and limits, one per line
//   window_probe tray-click -    clicks the application's notification-area
//                                icon (its callback message, either version)
//   window_probe resize CAPTION WIDTH HEIGHT
//                                asks the window to take that outer size (as a
//                                user's drag would), then prints its bounds
// Output is UTF-8. Exit code 2 when no visible window has that caption.
#include "platform/win32/windows_api.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using tessera::win32::Narrow;

void Print(const std::string& line) {
  const std::string text = line + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
}

std::string Format(const char* format, auto... values) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, format, values...);
  return buffer;
}

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  const int length = GetWindowTextW(window, text, 1024);
  return std::wstring(text, length > 0 ? static_cast<size_t>(length) : 0);
}

struct TSearch {
  std::wstring Caption;
  HWND Found = nullptr;
};

BOOL CALLBACK FindByCaption(HWND window, LPARAM data) noexcept {
  auto* search = reinterpret_cast<TSearch*>(data);
  if (IsWindowVisible(window) && TextOf(window) == search->Caption) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK ListChild(HWND child, LPARAM) noexcept {
  wchar_t className[128] = {};
  GetClassNameW(child, className, 128);
  Print(Narrow(className) + "|" + Narrow(TextOf(child)));
  return TRUE;
}

void PrintInfo(HWND window) {
  const auto style = static_cast<unsigned long>(GetWindowLongPtrW(window, GWL_STYLE));
  const auto exStyle = static_cast<unsigned long>(GetWindowLongPtrW(window, GWL_EXSTYLE));
  RECT bounds{};
  RECT client{};
  GetWindowRect(window, &bounds);
  GetClientRect(window, &client);
  Print(Format("style 0x%08lX", style));
  Print(Format("exstyle 0x%08lX", exStyle));
  Print(Format("bounds %ld,%ld,%ld,%ld", bounds.left, bounds.top, bounds.right - bounds.left,
               bounds.bottom - bounds.top));
  Print(Format("client %ld,%ld", client.right, client.bottom));
  Print(Format("maximized %d", IsZoomed(window) ? 1 : 0));
  Print(Format("topmost %d", (exStyle & WS_EX_TOPMOST) != 0 ? 1 : 0));
  HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(monitor, &info);
  Print(Format("monitor %ld,%ld,%ld,%ld", info.rcMonitor.left, info.rcMonitor.top,
               info.rcMonitor.right - info.rcMonitor.left,
               info.rcMonitor.bottom - info.rcMonitor.top));
}

int ClickTrayIcon() {
  HWND tray = FindWindowW(L"TesseraTrayWindow", nullptr);
  if (tray == nullptr)
    return 2;
  // NIN_SELECT is the click of version 4 icons, WM_LBUTTONUP the one of
  // older ones; each icon acts on its own and ignores the other.
  constexpr UINT kCallbackMessage = WM_APP + 0x71;
  SendMessageW(tray, kCallbackMessage, 0, NIN_SELECT);
  SendMessageW(tray, kCallbackMessage, 0, WM_LBUTTONUP);
  return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (argc != (command == L"resize" ? 5 : 3)) {
    std::fputs(
        "usage: window_probe texts|info CAPTION | tray-click - | resize CAPTION WIDTH HEIGHT\n",
        stderr);
    return 64;
  }
  if (command == L"tray-click")
    return ClickTrayIcon();
  TSearch search{argv[2]};
  EnumWindows(FindByCaption, reinterpret_cast<LPARAM>(&search));
  if (search.Found == nullptr)
    return 2;
  if (command == L"texts") {
    EnumChildWindows(search.Found, ListChild, 0);
  } else if (command == L"info") {
    PrintInfo(search.Found);
  } else if (command == L"resize") {
    SetWindowPos(search.Found, nullptr, 0, 0, _wtoi(argv[3]), _wtoi(argv[4]),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT bounds{};
    GetWindowRect(search.Found, &bounds);
    Print(Format("bounds %ld,%ld,%ld,%ld", bounds.left, bounds.top, bounds.right - bounds.left,
                 bounds.bottom - bounds.top));
  } else {
    return 64;
  }
  std::fflush(stdout);
  return 0;
}
