#pragma once

#include "platform/api/toolkit.h"
#include "platform/win32/gdi_handles.h"
#include "platform/win32/windows_api.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tessera::win32 {

class Win32Menu;

// One item of a Win32Menu: a string item, a separator for the caption "-",
// or the opener of a sub-menu once it has sub-items. Chosen leaf items
// reach their OnClick through the command ID the menu gave them.
class Win32MenuItem final : public ToolkitMenuItem {
public:
  Win32MenuItem(Win32Menu& menu, HMENU container, UINT position, UINT command);
  Win32MenuItem(const Win32MenuItem&) = delete;
  Win32MenuItem& operator=(const Win32MenuItem&) = delete;

  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return FCaption; }
  void SetEnabled(bool enabled) override;
  bool Enabled() const override { return FEnabled; }
  void SetImage(std::shared_ptr<const ToolkitImage> image) override;

  UINT Command() const { return FCommand; }
  bool HasSubItems() const { return !FItems.empty(); }

private:
  friend class Win32Menu;
  // Writes the parts of the native item that `info.fMask` names.
  void Apply(MENUITEMINFOW& info);

  Win32Menu& FMenu;
  // The native menu the item sits in, and its place there (items are only
  // appended, so the place never changes).
  HMENU FContainer;
  UINT FPosition;
  UINT FCommand;
  // Made with the first sub-item; the container destroys it with itself.
  HMENU FSubMenu = nullptr;
  std::vector<std::unique_ptr<Win32MenuItem>> FItems;
  std::string FCaption;
  bool FEnabled = true;
  std::shared_ptr<const ToolkitImage> FImage;
  // The image at menu size; freed only after the native item is gone.
  TBitmap FBitmap;
};

// A menu bar (shown by a window) or a pop-up menu (shown by a tray icon).
class Win32Menu final : public ToolkitMenu {
public:
  explicit Win32Menu(bool menuBar);
  ~Win32Menu() override;
  Win32Menu(const Win32Menu&) = delete;
  Win32Menu& operator=(const Win32Menu&) = delete;

  ToolkitMenuItem& AddItem(ToolkitMenuItem* parent) override;
  void Clear() override;
  int Count() const override { return static_cast<int>(FItems.size()); }

  HMENU Handle() const { return FHandle; }
  bool IsMenuBar() const { return FMenuBar; }
  // The menu object of a native menu made by this class, or null.
  static Win32Menu* FromHandle(HMENU menu);

  // Runs the OnClick of the leaf item with this command ID, guarded; false
  // when no leaf item has it.
  bool Dispatch(UINT command);
  // Shows the menu as a pop-up at a screen point, owned by `owner`, and
  // runs the chosen item's OnClick after it closed. The menu may be freed
  // while it is open (the choice is then dropped).
  static void Popup(Win32Menu& menu, HWND owner, POINT at);

  // The window that shows this menu bar; changes redraw its bar.
  HWND Window() const { return FWindow; }
  void SetWindow(HWND window) { FWindow = window; }
  // Redraws the bar after an item changed (a bar can change its height).
  void Changed();

  // The size of item images: the small icon size, which follows the DPI.
  static int ImageSize();

private:
  UINT AllocateCommand();
  void RemoveAll();

  const bool FMenuBar;
  HMENU FHandle;
  HWND FWindow = nullptr;
  std::vector<std::unique_ptr<Win32MenuItem>> FItems;
  std::unordered_map<UINT, Win32MenuItem*> FByCommand;
  UINT FNextCommand;
};

} // namespace tessera::win32
