#include "platform/win32/toolkit_notification_center_win32.h"

#include "base/exceptions.h"
#include "platform/win32/callback_guard.h"
#include "platform/win32/notify_icon_window.h"
#include "platform/win32/toolkit_window_win32.h"

#include <shellapi.h>

#include <functional>
#include <iterator>
#include <utility>

namespace tessera::win32 {

namespace {

constexpr const wchar_t* kNotificationWindowClass = L"TesseraNotificationWindow";

// Copies as much of `text` as the fixed field holds, always terminated.
template <std::size_t N> void CopyField(wchar_t (&field)[N], const std::string& text) {
  const std::wstring wide = Widen(text);
  const std::size_t count = wide.copy(field, N - 1);
  field[count] = L'\0';
}

Win32NotificationCenter* CenterOf(HWND hwnd) {
  return reinterpret_cast<Win32NotificationCenter*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

} // namespace

Win32NotificationCenter::Win32NotificationCenter(std::shared_ptr<TToolkitShared> shared)
    : FShared(std::move(shared)) {
  // FWindow is set when the window is created (WM_NCCREATE).
  CreateNotifyIconWindow(kNotificationWindowClass, &Win32NotificationCenter::WindowProc, this);
  if (FWindow == nullptr) {
    throw Exception("cannot create the notification window (error " +
                    std::to_string(GetLastError()) + ")");
  }
  FTaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
}

Win32NotificationCenter::~Win32NotificationCenter() {
  for (UINT id = 1; id <= kIconCount; ++id) {
    if (IconAt(id).Added) {
      NOTIFYICONDATAW data = NotifyIconData(FWindow, id);
      Shell_NotifyIconW(NIM_DELETE, &data);
    }
  }
  SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
  DestroyWindow(FWindow);
}

LRESULT CALLBACK Win32NotificationCenter::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                                     LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    auto* center = static_cast<Win32NotificationCenter*>(
        reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    center->FWindow = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(center));
  }
  Win32NotificationCenter* center = CenterOf(hwnd);
  if (center == nullptr) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return GuardCallback<LRESULT>("notification", 0,
                                [&] { return center->HandleMessage(message, wParam, lParam); });
}

LRESULT Win32NotificationCenter::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kCallbackMessage) {
    // Version 4 packs the event in the low word of lParam and the icon in
    // the high word; the older packing has the icon in wParam.
    const UINT iconId = static_cast<UINT>(HIWORD(lParam));
    const UINT event = LOWORD(lParam);
    if (iconId >= 1 && iconId <= kIconCount && IconAt(iconId).Version4) {
      HandleCallback(iconId, event);
    } else {
      HandleCallback(static_cast<UINT>(wParam), static_cast<UINT>(lParam));
    }
    return 0;
  }
  if (message == FTaskbarCreated && FTaskbarCreated != 0) {
    // The shell started again and knows no icons; they are added again as
    // notifications need them.
    for (TIcon& icon : FIcons) {
      icon.Added = false;
    }
    return 0;
  }
  return DefWindowProcW(FWindow, message, wParam, lParam);
}

void Win32NotificationCenter::HandleCallback(UINT iconId, UINT event) {
  if (event != NIN_BALLOONUSERCLICK || iconId < 1 || iconId > kIconCount) {
    return;
  }
  // Copies: the handler may replace itself or free this centre.
  const std::string name = IconAt(iconId).Name;
  std::function<void(const std::string&)> handler = OnClick;
  if (handler) {
    handler(name);
  }
}

bool Win32NotificationCenter::EnsureIcon(UINT iconId) {
  TIcon& icon = IconAt(iconId);
  if (icon.Added) {
    return true;
  }
  NOTIFYICONDATAW data = NotifyIconData(FWindow, iconId);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_STATE;
  data.uCallbackMessage = kCallbackMessage;
  data.hIcon = SmallApplicationIcon();
  // Hidden: the icon is there only to carry notifications.
  data.dwState = NIS_HIDDEN;
  data.dwStateMask = NIS_HIDDEN;
  CopyField(data.szTip, FShared->ApplicationTitle);
  if (!Shell_NotifyIconW(NIM_ADD, &data)) {
    return false;
  }
  icon.Added = true;
  data.uVersion = NOTIFYICON_VERSION_4;
  icon.Version4 = Shell_NotifyIconW(NIM_SETVERSION, &data) != FALSE;
  return true;
}

void Win32NotificationCenter::Present(const std::string& name, const std::string& heading,
                                      const std::string& text, TPresented done) {
  const UINT iconId = FNextIconId;
  if (!EnsureIcon(iconId)) {
    done(TNotificationOutcome::NoService, "");
    return;
  }
  NOTIFYICONDATAW data = NotifyIconData(FWindow, iconId);
  data.uFlags = NIF_INFO;
  data.dwInfoFlags = NIIF_INFO;
  // The shortest display the shell allows; newer shells take the user's
  // accessibility setting instead.
  data.uTimeout = 5000;
  CopyField(data.szInfoTitle, heading);
  // An empty text takes a balloon away instead of showing one.
  CopyField(data.szInfo, text.empty() ? std::string(" ") : text);
  if (!Shell_NotifyIconW(NIM_MODIFY, &data)) {
    done(TNotificationOutcome::Refused,
         "the shell refused the notification (error " + std::to_string(GetLastError()) + ")");
    return;
  }
  IconAt(iconId).Name = name;
  FLastIconId = iconId;
  FNextIconId = iconId % kIconCount + 1;
  done(TNotificationOutcome::Presented, "");
}

} // namespace tessera::win32
