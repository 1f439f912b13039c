// The Win32 toolkit's tray icon: its place in the shell's notification
// area, clicks on it, and its pop-up menu.
#include "platform/win32/toolkit_tray_icon_win32.h"
#include "platform/win32/toolkit_win32.h"
#include "toolkit_test_support.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

namespace tessera {
namespace {

using testing_win32::PumpMessages;
using testing_win32::RunLater;
using testing_win32::RunUntilQuit;
using win32::Win32TrayIcon;

Win32TrayIcon& AsWin32(ToolkitTrayIcon& icon) {
  return static_cast<Win32TrayIcon&>(icon);
}

// Whether the shell holds the icon: only an icon it holds can be modified.
bool ShellHasIcon(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = window;
  data.uID = Win32TrayIcon::kIconId;
  data.uFlags = NIF_TIP;
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

// The shell's callback for `event` in the version 4 packing: the event in
// the low word of lParam, the icon in the high word, the point in wParam.
void PostCallback(HWND window, UINT event, int x = 100, int y = 100) {
  PostMessageW(window, Win32TrayIcon::kCallbackMessage, MAKEWPARAM(x, y),
               MAKELPARAM(event, Win32TrayIcon::kIconId));
}

class ToolkitTrayIconTest : public testing::Test {
protected:
  std::unique_ptr<Toolkit> FToolkit = CreateWin32Toolkit();
};

TEST_F(ToolkitTrayIconTest, IsInTheShellExactlyWhileVisible) {
  auto icon = FToolkit->CreateTrayIcon();
  HWND window = AsWin32(*icon).MessageWindow();
  ASSERT_TRUE(IsWindow(window));
  EXPECT_FALSE(icon->Visible());
  EXPECT_FALSE(ShellHasIcon(window));

  icon->SetVisible(true);
  icon->SetVisible(true);
  EXPECT_TRUE(icon->Visible());
  EXPECT_TRUE(ShellHasIcon(window));

  icon->SetVisible(false);
  EXPECT_FALSE(icon->Visible());
  EXPECT_FALSE(ShellHasIcon(window));
  icon->SetVisible(false);

  icon->SetVisible(true);
  EXPECT_TRUE(ShellHasIcon(window));
  icon.reset();
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(ToolkitTrayIconTest, ALeftClickRunsOnClickOnce) {
  auto icon = FToolkit->CreateTrayIcon();
  icon->SetVisible(true);
  int clicks = 0;
  icon->OnClick = [&] { ++clicks; };
  HWND window = AsWin32(*icon).MessageWindow();

  // What the shell sends for one click: the button messages, then
  // NIN_SELECT; only the last one is the click.
  for (UINT event : {static_cast<UINT>(WM_MOUSEMOVE), static_cast<UINT>(WM_LBUTTONDOWN),
                     static_cast<UINT>(WM_LBUTTONUP), static_cast<UINT>(NIN_SELECT)}) {
    PostCallback(window, event);
  }
  PumpMessages();
  EXPECT_EQ(clicks, 1);

  // Chosen with the keyboard; a right click is no click.
  PostCallback(window, NIN_KEYSELECT);
  PostCallback(window, WM_RBUTTONUP);
  PostCallback(window, WM_CONTEXTMENU);
  PumpMessages();
  EXPECT_EQ(clicks, 2);
}

TEST_F(ToolkitTrayIconTest, ARightClickPopsUpTheMenuAndRunsTheChosenItem) {
  auto icon = FToolkit->CreateTrayIcon();
  auto menu = FToolkit->CreatePopupMenu();
  std::vector<std::string> chosen;
  for (const char* caption : {"One", "Two", "Three"}) {
    ToolkitMenuItem& item = menu->AddItem(nullptr);
    item.SetCaption(caption);
    item.OnClick = [&chosen, caption] {
      chosen.push_back(caption);
      PostQuitMessage(0);
    };
  }
  icon->SetPopupMenu(menu.get());
  icon->SetVisible(true);
  int iconClicks = 0;
  icon->OnClick = [&] { ++iconClicks; };
  HWND window = AsWin32(*icon).MessageWindow();

  // The keys go to the open menu, which takes keyboard input from the
  // thread's queue: Down twice selects the second item, Return chooses it.
  // The menu is closed after a while whatever happens, so that a menu that
  // never opens or never takes the keys fails the test instead of hanging
  // it.
  const UINT_PTR keys = RunLater(300, [] {
    HWND menuWindow = FindWindowW(L"#32768", nullptr);
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
      PostMessageW(menuWindow, WM_KEYDOWN, key, 0);
      PostMessageW(menuWindow, WM_KEYUP, key, 0xC0000000);
    }
  });
  const UINT_PTR closer = RunLater(3000, [] { EndMenu(); });
  PostCallback(window, WM_RBUTTONUP);
  PostCallback(window, WM_CONTEXTMENU);
  EXPECT_EQ(RunUntilQuit(), 0);
  testing_win32::CancelLater(keys);
  testing_win32::CancelLater(closer);
  EXPECT_EQ(chosen, std::vector<std::string>{"Two"});
  EXPECT_EQ(iconClicks, 0);
}

} // namespace
} // namespace tessera
