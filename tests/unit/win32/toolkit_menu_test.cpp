// The Win32 toolkit's menus: the native menus they build, commands reaching
// the items' OnClick, and a window's menu bar.
#include "base/exceptions.h"
#include "platform/win32/toolkit_menu_win32.h"
#include "platform/win32/toolkit_win32.h"
#include "toolkit_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessera {
namespace {

using testing_win32::Hwnd;
using testing_win32::TRecordingEvents;

// One native item as the system reports it.
struct TNativeItem {
  std::wstring Text;
  UINT Type = 0;
  UINT State = 0;
  UINT Id = 0;
  HMENU SubMenu = nullptr;
  HBITMAP Bitmap = nullptr;
};

TNativeItem ReadItem(HMENU menu, UINT position) {
  wchar_t text[128] = {};
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STRING | MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_BITMAP;
  info.dwTypeData = text;
  info.cch = 128;
  EXPECT_TRUE(GetMenuItemInfoW(menu, position, TRUE, &info)) << "item " << position;
  return {text, info.fType, info.fState, info.wID, info.hSubMenu, info.hbmpItem};
}

// A 4 by 4 opaque picture in the BMP layout (24-bit, bottom-up).
std::string SmallBmp() {
  std::string bytes = "BM";
  auto put = [&](std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
      bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
  };
  put(54 + 48, 4);
  put(0, 4);
  put(54, 4);
  put(40, 4);
  put(4, 4);
  put(4, 4);
  put(1, 2);
  put(24, 2);
  put(0, 4);
  put(48, 4);
  put(0, 4);
  put(0, 4);
  put(0, 4);
  put(0, 4);
  bytes += std::string(48, '\x40');
  return bytes;
}

class ToolkitMenuTest : public testing::Test {
protected:
  std::unique_ptr<Toolkit> FToolkit = CreateWin32Toolkit();
  TRecordingEvents FEvents;
};

TEST_F(ToolkitMenuTest, BuildsNestedNativeMenusWithSeparatorsDisabledItemsAndImages) {
  auto menu = FToolkit->CreatePopupMenu();
  ToolkitMenuItem& file = menu->AddItem(nullptr);
  file.SetCaption("&File");
  ToolkitMenuItem& open = menu->AddItem(&file);
  open.SetCaption("Öffnen…");
  open.SetImage(FToolkit->DecodeImage(SmallBmp()));
  ToolkitMenuItem& line = menu->AddItem(&file);
  line.SetCaption("-");
  ToolkitMenuItem& quit = menu->AddItem(&file);
  quit.SetCaption("Quit");
  quit.SetEnabled(false);
  ToolkitMenuItem& recent = menu->AddItem(&file);
  recent.SetCaption("Recent");
  menu->AddItem(&recent).SetCaption("a.txt");
  menu->AddItem(nullptr).SetCaption("Help");

  EXPECT_EQ(menu->Count(), 2);
  HMENU top = static_cast<win32::Win32Menu&>(*menu).Handle();
  ASSERT_EQ(GetMenuItemCount(top), 2);
  const TNativeItem fileItem = ReadItem(top, 0);
  EXPECT_EQ(fileItem.Text, L"&File");
  ASSERT_NE(fileItem.SubMenu, nullptr);
  EXPECT_EQ(ReadItem(top, 1).Text, L"Help");
  EXPECT_EQ(ReadItem(top, 1).SubMenu, nullptr);

  HMENU sub = fileItem.SubMenu;
  ASSERT_EQ(GetMenuItemCount(sub), 4);
  const TNativeItem openItem = ReadItem(sub, 0);
  EXPECT_EQ(openItem.Text, L"Öffnen…");
  EXPECT_EQ(openItem.State & MFS_DISABLED, 0u);
  ASSERT_NE(openItem.Bitmap, nullptr);
  BITMAP bitmap{};
  ASSERT_EQ(GetObjectW(openItem.Bitmap, sizeof(bitmap), &bitmap), static_cast<int>(sizeof(bitmap)));
  EXPECT_EQ(bitmap.bmWidth, win32::Win32Menu::ImageSize());
  EXPECT_EQ(bitmap.bmHeight, win32::Win32Menu::ImageSize());
  EXPECT_EQ(bitmap.bmBitsPixel, 32);
  EXPECT_NE(ReadItem(sub, 1).Type & MFT_SEPARATOR, 0u);
  EXPECT_EQ(ReadItem(sub, 2).Text, L"Quit");
  EXPECT_NE(ReadItem(sub, 2).State & MFS_DISABLED, 0u);
  ASSERT_NE(ReadItem(sub, 3).SubMenu, nullptr);
  EXPECT_EQ(ReadItem(ReadItem(sub, 3).SubMenu, 0).Text, L"a.txt");

  // The items answer what they were given.
  EXPECT_EQ(open.Caption(), "Öffnen…");
  EXPECT_EQ(line.Caption(), "-");
  EXPECT_FALSE(quit.Enabled());
  EXPECT_TRUE(open.Enabled());

  // Changed in place: a separator becomes text again, the image goes, the
  // item is enabled again.
  line.SetCaption("Save");
  open.SetImage(nullptr);
  quit.SetEnabled(true);
  EXPECT_EQ(ReadItem(sub, 1).Type & MFT_SEPARATOR, 0u);
  EXPECT_EQ(ReadItem(sub, 1).Text, L"Save");
  EXPECT_EQ(ReadItem(sub, 0).Bitmap, nullptr);
  EXPECT_EQ(ReadItem(sub, 2).State & MFS_DISABLED, 0u);
}

TEST_F(ToolkitMenuTest, MenuBarCommandsRunTheChosenLeafOnly) {
  auto window = FToolkit->CreateForm(FEvents, TWindowKind::Normal);
  auto bar = FToolkit->CreateMenuBar();
  std::vector<std::string> clicks;
  ToolkitMenuItem& file = bar->AddItem(nullptr);
  file.SetCaption("File");
  file.OnClick = [&] { clicks.push_back("File"); };
  ToolkitMenuItem& open = bar->AddItem(&file);
  open.SetCaption("Open");
  open.OnClick = [&] { clicks.push_back("Open"); };
  ToolkitMenuItem& quit = bar->AddItem(&file);
  quit.SetCaption("Quit");
  quit.SetEnabled(false);
  quit.OnClick = [&] { clicks.push_back("Quit"); };
  ToolkitMenuItem& broken = bar->AddItem(nullptr);
  broken.SetCaption("Broken");
  broken.OnClick = [&] {
    clicks.push_back("Broken");
    throw std::runtime_error("a handler failed");
  };
  window->SetMenu(bar.get());

  HWND hwnd = Hwnd(*window);
  HMENU top = GetMenu(hwnd);
  ASSERT_EQ(top, static_cast<win32::Win32Menu&>(*bar).Handle());
  const HMENU sub = ReadItem(top, 0).SubMenu;
  const UINT fileId = ReadItem(top, 0).Id;
  const UINT openId = ReadItem(sub, 0).Id;
  const UINT quitId = ReadItem(sub, 1).Id;
  const UINT brokenId = ReadItem(top, 1).Id;
  EXPECT_NE(openId, 0u);
  EXPECT_NE(openId, quitId);

  // The opener of a sub-menu and a disabled item run nothing; a handler's
  // exception stays out of the window procedure and later commands work.
  for (UINT id : {openId, fileId, quitId, brokenId, openId, 0xEFFEu}) {
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  }
  EXPECT_EQ(clicks, (std::vector<std::string>{"Open", "Broken", "Open"}));

  // An accelerator or a control's notification with the same number is
  // not a menu choice.
  clicks.clear();
  SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(openId, 1), 0);
  SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(openId, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd));
  EXPECT_TRUE(clicks.empty());
  window->SetMenu(nullptr);
}

TEST_F(ToolkitMenuTest, ClearEmptiesEveryLevelAndOldCommandsReachNothing) {
  auto window = FToolkit->CreateForm(FEvents, TWindowKind::Normal);
  auto bar = FToolkit->CreateMenuBar();
  int oldClicks = 0;
  int newClicks = 0;
  ToolkitMenuItem& file = bar->AddItem(nullptr);
  file.SetCaption("File");
  ToolkitMenuItem& open = bar->AddItem(&file);
  open.SetCaption("Open");
  open.SetImage(FToolkit->DecodeImage(SmallBmp()));
  open.OnClick = [&] { ++oldClicks; };
  window->SetMenu(bar.get());
  HMENU top = GetMenu(Hwnd(*window));
  const HMENU oldSub = ReadItem(top, 0).SubMenu;
  const UINT oldId = ReadItem(oldSub, 0).Id;

  bar->Clear();
  EXPECT_EQ(bar->Count(), 0);
  EXPECT_EQ(GetMenuItemCount(top), 0);
  EXPECT_FALSE(IsMenu(oldSub)) << "sub-menus are destroyed with their items";
  EXPECT_EQ(GetMenu(Hwnd(*window)), top) << "the bar itself stays on the window";

  ToolkitMenuItem& again = bar->AddItem(nullptr);
  again.SetCaption("Again");
  again.OnClick = [&] { ++newClicks; };
  EXPECT_EQ(bar->Count(), 1);
  EXPECT_NE(ReadItem(top, 0).Id, oldId) << "a command still on its way must not reach a new item";
  SendMessageW(Hwnd(*window), WM_COMMAND, MAKEWPARAM(oldId, 0), 0);
  SendMessageW(Hwnd(*window), WM_COMMAND, MAKEWPARAM(ReadItem(top, 0).Id, 0), 0);
  EXPECT_EQ(oldClicks, 0);
  EXPECT_EQ(newClicks, 1);
  window->SetMenu(nullptr);
}

TEST_F(ToolkitMenuTest, MenuBarTakesItsRoomFromTheClientAreaAndGivesItBack) {
  auto window = FToolkit->CreateForm(FEvents, TWindowKind::Normal);
  window->SetBounds(10, 10, 400, 300);
  TRecordingEvents pageEvents;
  auto page = FToolkit->CreateForm(pageEvents, TWindowKind::Normal);
  page->SetBorderStyle(TBorderStyle::None);
  page->SetParent(window.get());
  const TBoundsRect without = window->ClientRect();
  auto bar = FToolkit->CreateMenuBar();
  bar->AddItem(nullptr).SetCaption("File");

  FEvents.Resizes = 0;
  window->SetMenu(bar.get());
  const TBoundsRect with = window->ClientRect();
  EXPECT_EQ(with.Right, without.Right);
  EXPECT_LT(with.Bottom, without.Bottom);
  EXPECT_GT(FEvents.Resizes, 0);
  EXPECT_EQ(page->ClientRect(), with) << "an embedded window follows the smaller area";
  EXPECT_EQ(window->Bounds(), (TBoundsRect{10, 10, 410, 310})) << "the outer size stays";

  FEvents.Resizes = 0;
  window->SetMenu(nullptr);
  EXPECT_EQ(window->ClientRect(), without);
  EXPECT_GT(FEvents.Resizes, 0);
  EXPECT_EQ(GetMenu(Hwnd(*window)), nullptr);
  EXPECT_TRUE(IsMenu(static_cast<win32::Win32Menu&>(*bar).Handle())) << "the owner keeps the menu";
}

TEST_F(ToolkitMenuTest, TheMenuBarOutlivesItsWindowAndLeavesAWindowItOutlives) {
  auto bar = FToolkit->CreateMenuBar();
  bar->AddItem(nullptr).SetCaption("File");
  HMENU handle = static_cast<win32::Win32Menu&>(*bar).Handle();

  // The window goes first: it must not destroy the menu with itself.
  auto first = FToolkit->CreateForm(FEvents, TWindowKind::Normal);
  first->SetMenu(bar.get());
  first.reset();
  ASSERT_TRUE(IsMenu(handle));
  EXPECT_EQ(ReadItem(handle, 0).Text, L"File");

  // Shown by a second window, then by a third: one window at a time.
  TRecordingEvents secondEvents;
  auto second = FToolkit->CreateForm(secondEvents, TWindowKind::Normal);
  auto third = FToolkit->CreateForm(FEvents, TWindowKind::Normal);
  second->SetMenu(bar.get());
  const TBoundsRect secondWith = second->ClientRect();
  third->SetMenu(bar.get());
  EXPECT_EQ(GetMenu(Hwnd(*second)), nullptr);
  EXPECT_GT(second->ClientRect().Bottom, secondWith.Bottom);
  EXPECT_EQ(GetMenu(Hwnd(*third)), handle);

  // The menu goes first: the window drops it instead of keeping a dead
  // handle.
  bar.reset();
  EXPECT_EQ(GetMenu(Hwnd(*third)), nullptr);
}

TEST_F(ToolkitMenuTest, APopupMenuCannotBeAWindowsMenuBar) {
  auto window = FToolkit->CreateForm(FEvents, TWindowKind::Normal);
  auto popup = FToolkit->CreatePopupMenu();
  EXPECT_THROW(window->SetMenu(popup.get()), Exception);
  EXPECT_EQ(GetMenu(Hwnd(*window)), nullptr);
}

} // namespace
} // namespace tessera
