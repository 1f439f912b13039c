#pragma once

#include "platform/api/toolkit.h"
#include "platform/win32/windows_api.h"

#include <array>
#include <memory>
#include <string>

namespace tessera::win32 {

struct TToolkitShared;

// Desktop notifications as balloons of hidden notification-area icons
// (current Windows shows them as toasts). Each notification goes out on the
// next of a few icons in turn, so a click, which the shell reports to the
// icon whose balloon was clicked (NIN_BALLOONUSERCLICK), names the right
// notification while the last kIconCount are remembered. The shell talks to
// a hidden window of the centre's own.
class Win32NotificationCenter final : public ToolkitNotificationCenter {
public:
  explicit Win32NotificationCenter(std::shared_ptr<TToolkitShared> shared);
  ~Win32NotificationCenter() override;
  Win32NotificationCenter(const Win32NotificationCenter&) = delete;
  Win32NotificationCenter& operator=(const Win32NotificationCenter&) = delete;

  // The shell answers at once, so `done` runs before this returns: no
  // service when the shell takes no icon (no notification area), refused
  // when it takes the icon but not the balloon.
  void Present(const std::string& name, const std::string& heading, const std::string& text,
               TPresented done) override;

  // The window the shell sends kCallbackMessage to, and the ID of the icon
  // the last notification went out on: together they name it in
  // Shell_NotifyIconW.
  HWND MessageWindow() const { return FWindow; }
  UINT LastIconId() const { return FLastIconId; }
  static constexpr UINT kCallbackMessage = WM_APP + 0x72;
  static constexpr UINT kIconCount = 8;

private:
  struct TIcon {
    bool Added = false;
    bool Version4 = false;
    std::string Name;
  };

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                     LPARAM lParam) noexcept;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void HandleCallback(UINT iconId, UINT event);
  bool EnsureIcon(UINT iconId);
  TIcon& IconAt(UINT iconId) { return FIcons[iconId - 1]; }

  std::shared_ptr<TToolkitShared> FShared;
  HWND FWindow = nullptr;
  UINT FTaskbarCreated = 0;
  // Icon IDs run from 1 to kIconCount.
  std::array<TIcon, kIconCount> FIcons;
  UINT FNextIconId = 1;
  UINT FLastIconId = 0;
};

} // namespace tessera::win32
