#include "platform/win32/toolkit_menu_win32.h"

#include "base/exceptions.h"
#include "platform/win32/callback_guard.h"
#include "platform/win32/toolkit_image_win32.h"

#include <utility>

namespace tessera::win32 {

namespace {

// Command IDs travel in the low word of WM_COMMAND; the range stays below
// the system's own commands (0xF000 and up).
constexpr UINT kFirstCommand = 1;
constexpr UINT kLastCommand = 0xEFFF;

constexpr const char* kSeparatorCaption = "-";

} // namespace

Win32MenuItem::Win32MenuItem(Win32Menu& menu, HMENU container, UINT position, UINT command)
    : FMenu(menu), FContainer(container), FPosition(position), FCommand(command) {}

void Win32MenuItem::Apply(MENUITEMINFOW& info) {
  info.cbSize = sizeof(info);
  SetMenuItemInfoW(FContainer, FPosition, TRUE, &info);
  FMenu.Changed();
}

void Win32MenuItem::SetCaption(const std::string& caption) {
  FCaption = caption;
  std::wstring text = Widen(caption);
  MENUITEMINFOW info{};
  info.fMask = MIIM_FTYPE | MIIM_STRING;
  if (caption == kSeparatorCaption) {
    info.fType = MFT_SEPARATOR;
  } else {
    info.fType = MFT_STRING;
    info.dwTypeData = text.data();
  }
  Apply(info);
}

void Win32MenuItem::SetEnabled(bool enabled) {
  FEnabled = enabled;
  MENUITEMINFOW info{};
  info.fMask = MIIM_STATE;
  info.fState = enabled ? MFS_ENABLED : MFS_DISABLED;
  Apply(info);
}

void Win32MenuItem::SetImage(std::shared_ptr<const ToolkitImage> image) {
  // Images come from this toolkit's DecodeImage; anything else shows none.
  const auto* decoded = dynamic_cast<const Win32Image*>(image.get());
  TBitmap bitmap;
  if (decoded != nullptr) {
    bitmap = CreateSquareBitmap(*decoded, Win32Menu::ImageSize());
  }
  MENUITEMINFOW info{};
  info.fMask = MIIM_BITMAP;
  info.hbmpItem = bitmap.Get();
  Apply(info);
  // The item no longer uses the old bitmap, so it can go now.
  FBitmap = std::move(bitmap);
  FImage = decoded != nullptr ? std::move(image) : nullptr;
}

Win32Menu::Win32Menu(bool menuBar)
    : FMenuBar(menuBar), FHandle(menuBar ? CreateMenu() : ::CreatePopupMenu()),
      FNextCommand(kFirstCommand) {
  if (FHandle == nullptr) {
    throw Exception("cannot create a menu (error " + std::to_string(GetLastError()) + ")");
  }
  // The native menu leads back to its object: a window finds the bar it
  // shows through GetMenu, and a pop-up is found again after it closed.
  MENUINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = MIM_MENUDATA;
  info.dwMenuData = reinterpret_cast<ULONG_PTR>(this);
  SetMenuInfo(FHandle, &info);
}

Win32Menu::~Win32Menu() {
  // A window that still shows the bar drops it, so that the window never
  // holds a destroyed menu (or destroys it a second time).
  if (FWindow != nullptr && IsWindow(FWindow) && GetMenu(FWindow) == FHandle) {
    ::SetMenu(FWindow, nullptr);
    DrawMenuBar(FWindow);
  }
  // Destroys the sub-menus with it; the items' bitmaps go after, with the
  // items.
  DestroyMenu(FHandle);
}

Win32Menu* Win32Menu::FromHandle(HMENU menu) {
  if (menu == nullptr) {
    return nullptr;
  }
  MENUINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = MIM_MENUDATA;
  if (!GetMenuInfo(menu, &info)) {
    return nullptr;
  }
  return reinterpret_cast<Win32Menu*>(info.dwMenuData);
}

int Win32Menu::ImageSize() {
  const int size = GetSystemMetrics(SM_CXSMICON);
  return size > 0 ? size : 16;
}

UINT Win32Menu::AllocateCommand() {
  // IDs are not reused at once after Clear: a command still on its way
  // for an old item must not reach a new one.
  for (UINT tries = 0; tries <= kLastCommand - kFirstCommand; ++tries) {
    const UINT command = FNextCommand;
    FNextCommand = FNextCommand == kLastCommand ? kFirstCommand : FNextCommand + 1;
    if (FByCommand.find(command) == FByCommand.end()) {
      return command;
    }
  }
  throw Exception("a menu cannot hold more items");
}

ToolkitMenuItem& Win32Menu::AddItem(ToolkitMenuItem* parent) {
  auto* owner = static_cast<Win32MenuItem*>(parent);
  if (owner != nullptr && &owner->FMenu != this) {
    throw Exception("the parent item belongs to another menu");
  }
  const UINT command = AllocateCommand();
  if (owner != nullptr && owner->FSubMenu == nullptr) {
    // The first sub-item turns the item into the opener of a sub-menu.
    HMENU subMenu = ::CreatePopupMenu();
    if (subMenu == nullptr) {
      throw Exception("cannot create a menu (error " + std::to_string(GetLastError()) + ")");
    }
    MENUITEMINFOW info{};
    info.fMask = MIIM_SUBMENU;
    info.hSubMenu = subMenu;
    owner->Apply(info);
    owner->FSubMenu = subMenu;
  }
  HMENU container = owner != nullptr ? owner->FSubMenu : FHandle;
  auto& list = owner != nullptr ? owner->FItems : FItems;
  const auto position = static_cast<UINT>(list.size());

  wchar_t empty[] = L"";
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING;
  info.fType = MFT_STRING;
  info.wID = command;
  info.dwTypeData = empty;
  if (!InsertMenuItemW(container, position, TRUE, &info)) {
    throw Exception("cannot add a menu item (error " + std::to_string(GetLastError()) + ")");
  }
  list.push_back(std::make_unique<Win32MenuItem>(*this, container, position, command));
  Win32MenuItem& item = *list.back();
  FByCommand[command] = &item;
  Changed();
  return item;
}

void Win32Menu::RemoveAll() {
  // DeleteMenu destroys the sub-menus as well; the bitmaps are freed after,
  // with the items, once no native item refers to them.
  while (GetMenuItemCount(FHandle) > 0) {
    if (!DeleteMenu(FHandle, 0, MF_BYPOSITION)) {
      break;
    }
  }
  FByCommand.clear();
  FItems.clear();
}

void Win32Menu::Clear() {
  RemoveAll();
  Changed();
}

void Win32Menu::Changed() {
  if (FMenuBar && FWindow != nullptr && IsWindow(FWindow) && GetMenu(FWindow) == FHandle) {
    DrawMenuBar(FWindow);
  }
}

bool Win32Menu::Dispatch(UINT command) {
  const auto found = FByCommand.find(command);
  // Disabled items and sub-menu openers are never chosen, whatever
  // message claims otherwise.
  if (found == FByCommand.end() || found->second->HasSubItems() || !found->second->Enabled()) {
    return false;
  }
  // A copy: the handler may clear the menu, and the item with it.
  std::function<void()> handler = found->second->OnClick;
  if (handler) {
    GuardCallback<int>("menu item click", 0, [&] {
      handler();
      return 0;
    });
  }
  return true;
}

void Win32Menu::Popup(Win32Menu& menu, HWND owner, POINT at) {
  const HMENU handle = menu.Handle();
  if (menu.Count() == 0) {
    return;
  }
  // Opens to the side the user's handedness setting asks for.
  const UINT align = GetSystemMetrics(SM_MENUDROPALIGNMENT) != 0 ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
  const auto command = static_cast<UINT>(
      TrackPopupMenu(handle, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON | align, at.x, at.y, 0,
                     owner, nullptr));
  // Lets the menu close properly when its owner was not the foreground
  // window (the tray's case).
  PostMessageW(owner, WM_NULL, 0, 0);
  if (command == 0) {
    return;
  }
  // Found again: whatever ran while the menu was open may have freed it.
  if (Win32Menu* still = FromHandle(handle)) {
    still->Dispatch(command);
  }
}

} // namespace tessera::win32
