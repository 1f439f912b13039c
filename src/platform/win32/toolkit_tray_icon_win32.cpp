#include "platform/win32/toolkit_tray_icon_win32.h"

#include "base/exceptions.h"
#include "platform/win32/callback_guard.h"
#include "platform/win32/notify_icon_window.h"
#include "platform/win32/toolkit_menu_win32.h"
#include "platform/win32/toolkit_window_win32.h"

#include <shellapi.h>

#include <iterator>
#include <string>
#include <utility>

namespace tessera::win32 {

namespace {

constexpr const wchar_t* kTrayWindowClass = L"TesseraTrayWindow";

Win32TrayIcon* IconOf(HWND hwnd) {
  return reinterpret_cast<Win32TrayIcon*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

} // namespace

Win32TrayIcon::Win32TrayIcon(std::shared_ptr<TToolkitShared> shared) : FShared(std::move(shared)) {
  // Top-level also because a pop-up menu needs an owner that can be the
  // foreground window. FWindow is set when the window is created
  // (WM_NCCREATE).
  CreateNotifyIconWindow(kTrayWindowClass, &Win32TrayIcon::WindowProc, this);
  if (FWindow == nullptr) {
    throw Exception("cannot create the tray icon's window (error " +
                    std::to_string(GetLastError()) + ")");
  }
  FTaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
}

Win32TrayIcon::~Win32TrayIcon() {
  Remove();
  SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
  DestroyWindow(FWindow);
}

LRESULT CALLBACK Win32TrayIcon::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                           LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    auto* icon =
        static_cast<Win32TrayIcon*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    icon->FWindow = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(icon));
  }
  Win32TrayIcon* icon = IconOf(hwnd);
  if (icon == nullptr) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return GuardCallback<LRESULT>("tray icon", 0,
                                [&] { return icon->HandleMessage(message, wParam, lParam); });
}

LRESULT Win32TrayIcon::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kCallbackMessage) {
    if (FVersion4) {
      // The event in the low word of lParam, the point (screen
      // coordinates) in wParam.
      const POINT anchor{static_cast<short>(LOWORD(wParam)), static_cast<short>(HIWORD(wParam))};
      HandleCallback(LOWORD(lParam), anchor);
    } else {
      POINT cursor{};
      GetCursorPos(&cursor);
      HandleCallback(static_cast<UINT>(lParam), cursor);
    }
    return 0;
  }
  if (message == FTaskbarCreated && FTaskbarCreated != 0) {
    // The shell started again and knows no icons: put ours back.
    FAdded = false;
    if (FVisible) {
      Add();
    }
    return 0;
  }
  return DefWindowProcW(FWindow, message, wParam, lParam);
}

void Win32TrayIcon::HandleCallback(UINT event, POINT anchor) {
  // Version 4 reports a click twice (the button message, then NIN_SELECT
  // or WM_CONTEXTMENU); one of each pair is acted on.
  switch (event) {
  case NIN_SELECT:
  case NIN_KEYSELECT:
    if (FVersion4) {
      Click();
    }
    break;
  case WM_LBUTTONUP:
    if (!FVersion4) {
      Click();
    }
    break;
  case WM_CONTEXTMENU:
    if (FVersion4) {
      ShowPopupMenu(anchor);
    }
    break;
  case WM_RBUTTONUP:
    if (!FVersion4) {
      ShowPopupMenu(anchor);
    }
    break;
  default:
    break;
  }
}

void Win32TrayIcon::Click() {
  // A copy: the handler may replace it or free the icon.
  std::function<void()> handler = OnClick;
  if (handler) {
    handler();
  }
}

void Win32TrayIcon::ShowPopupMenu(POINT at) {
  if (FPopupMenu == nullptr) {
    return;
  }
  // Without the foreground the menu would not close when the user clicks
  // elsewhere.
  SetForegroundWindow(FWindow);
  // Nothing of this object is touched after the menu closed: the choice
  // may have freed it.
  Win32Menu::Popup(*FPopupMenu, FWindow, at);
}

void Win32TrayIcon::SetPopupMenu(ToolkitMenu* menu) {
  FPopupMenu = static_cast<Win32Menu*>(menu);
}

void Win32TrayIcon::Add() {
  NOTIFYICONDATAW data = NotifyIconData(FWindow, kIconId);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
  data.uCallbackMessage = kCallbackMessage;
  data.hIcon = SmallApplicationIcon();
  // The tip is the application's title, cut to what the shell holds.
  const std::wstring tip = Widen(FShared->ApplicationTitle);
  tip.copy(data.szTip, std::size(data.szTip) - 1);
  if (!Shell_NotifyIconW(NIM_ADD, &data)) {
    // No shell to show it now; TaskbarCreated brings another chance.
    return;
  }
  FAdded = true;
  data.uVersion = NOTIFYICON_VERSION_4;
  FVersion4 = Shell_NotifyIconW(NIM_SETVERSION, &data) != FALSE;
}

void Win32TrayIcon::Remove() {
  if (!FAdded) {
    return;
  }
  NOTIFYICONDATAW data = NotifyIconData(FWindow, kIconId);
  Shell_NotifyIconW(NIM_DELETE, &data);
  FAdded = false;
}

void Win32TrayIcon::SetVisible(bool visible) {
  FVisible = visible;
  if (visible && !FAdded) {
    Add();
  } else if (!visible) {
    Remove();
  }
}

} // namespace tessera::win32
