#pragma once

#include "platform/api/toolkit.h"
#include "platform/win32/windows_api.h"

#include <memory>

namespace tessera::win32 {

struct TToolkitShared;
class Win32Menu;

// The application's icon in the notification area, added while visible.
// The shell talks to it through a hidden window of its own: clicks arrive
// there as the callback message, and the pop-up menu is owned by it.
class Win32TrayIcon final : public ToolkitTrayIcon {
public:
  explicit Win32TrayIcon(std::shared_ptr<TToolkitShared> shared);
  ~Win32TrayIcon() override;
  Win32TrayIcon(const Win32TrayIcon&) = delete;
  Win32TrayIcon& operator=(const Win32TrayIcon&) = delete;

  void SetVisible(bool visible) override;
  bool Visible() const override { return FVisible; }
  void SetPopupMenu(ToolkitMenu* menu) override;

  // The window the shell sends kCallbackMessage to, and the icon's ID
  // there: together they name the icon in Shell_NotifyIconW.
  HWND MessageWindow() const { return FWindow; }
  static constexpr UINT kCallbackMessage = WM_APP + 0x71;
  static constexpr UINT kIconId = 1;

private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                     LPARAM lParam) noexcept;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void HandleCallback(UINT event, POINT anchor);
  void Click();
  void ShowPopupMenu(POINT at);
  void Add();
  void Remove();

  std::shared_ptr<TToolkitShared> FShared;
  HWND FWindow = nullptr;
  UINT FTaskbarCreated = 0;
  // What the owner asked for; the icon is in the shell while FAdded.
  bool FVisible = false;
  bool FAdded = false;
  // The shell took NOTIFYICON_VERSION_4: clicks come as NIN_SELECT and
  // WM_CONTEXTMENU with the point in wParam.
  bool FVersion4 = false;
  Win32Menu* FPopupMenu = nullptr;
};

} // namespace tessera::win32
