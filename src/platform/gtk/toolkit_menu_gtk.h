#pragma once

#include "platform/api/toolkit.h"
#include "platform/gtk/gobject_ptr.h"
#include "platform/gtk/toolkit_image_gtk.h"

#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <vector>

namespace tessera::gtk {

class GtkToolkitMenu;

// Told of every change to a menu's items, and of the menu's end: a menu
// exported elsewhere (over D-Bus, by the tray icon) follows the menu
// without the page's code knowing of the export.
class GtkMenuObserver {
public:
  virtual void MenuChanged() = 0;
  virtual void MenuDestroyed() = 0;

protected:
  ~GtkMenuObserver() = default;
};

// One item: a GtkMenuItem holding a box with the image and the caption, or
// a GtkSeparatorMenuItem for the caption "-". Turning one kind into the
// other makes a new widget in the old one's place, which takes over the
// sub-menu, the state and the handler.
class GtkToolkitMenuItem final : public ToolkitMenuItem {
public:
  // Appends the item to `shell`. Items on a menu bar show an image only
  // when they have one; in drop-down menus every item keeps the image's
  // place, so that the captions line up.
  GtkToolkitMenuItem(const GtkToolkitMenu& menu, const GtkToolkitMenuItem* parent, int id,
                     GtkMenuShell* shell, bool reserveImagePlace);
  ~GtkToolkitMenuItem() override;
  GtkToolkitMenuItem(const GtkToolkitMenuItem&) = delete;
  GtkToolkitMenuItem& operator=(const GtkToolkitMenuItem&) = delete;

  void SetCaption(const std::string& caption) override;
  std::string Caption() const override { return FCaption; }
  void SetEnabled(bool enabled) override;
  bool Enabled() const override { return FEnabled; }
  void SetImage(std::shared_ptr<const ToolkitImage> image) override;

  const GtkToolkitMenu& Menu() const { return FMenu; }
  // Null for an item of the top level.
  const GtkToolkitMenuItem* Parent() const { return FParent; }
  // Unique within the menu for the menu's life: an item made after a
  // Clear never takes the number of one that went.
  int Id() const { return FId; }
  bool IsSeparator() const { return FLabel == nullptr; }
  bool HasSubItems() const { return FSubItems > 0; }
  const GtkToolkitImage* Image() const { return FImageData.get(); }
  // Runs the item's click as choosing it does: enabled leaves only.
  void Click() const;
  GtkWidget* Widget() const { return FWidget.Get(); }
  // The shell sub-items go into: the item's sub-menu, made with the first.
  GtkMenuShell* AddSubItemShell();

private:
  static void OnActivate(GtkMenuItem*, gpointer self) noexcept;
  // Makes the widget of the kind the caption asks for, in the old one's
  // place; keeps the one there when it is of that kind already.
  void BuildWidget();
  void ApplyCaption();
  void ApplyImage();

  const GtkToolkitMenu& FMenu;
  const GtkToolkitMenuItem* const FParent;
  const int FId;
  GtkMenuShell* const FShell;
  const bool FReserveImagePlace;
  TGObjectPtr<GtkWidget> FWidget;
  // Parts of a normal item's widget; null for a separator.
  GtkWidget* FImage = nullptr;
  GtkWidget* FLabel = nullptr;
  TGObjectPtr<GtkWidget> FSubmenu;
  int FSubItems = 0;
  std::string FCaption;
  bool FEnabled = true;
  std::shared_ptr<const GtkToolkitImage> FImageData;
};

// A menu bar (GtkMenuBar) or a pop-up menu (GtkMenu) and its items.
class GtkToolkitMenu final : public ToolkitMenu {
public:
  explicit GtkToolkitMenu(bool menuBar);
  ~GtkToolkitMenu() override;
  GtkToolkitMenu(const GtkToolkitMenu&) = delete;
  GtkToolkitMenu& operator=(const GtkToolkitMenu&) = delete;

  ToolkitMenuItem& AddItem(ToolkitMenuItem* parent) override;
  void Clear() override;
  int Count() const override { return FCount; }

  bool IsMenuBar() const { return FMenuBar; }
  GtkWidget* Widget() const { return FShell.Get(); }

  // The items right under `parent` (null: the top level), in order.
  std::vector<const GtkToolkitMenuItem*> ItemsUnder(const GtkToolkitMenuItem* parent) const;
  // The item with the id, at any level, or null when none has it (any more).
  const GtkToolkitMenuItem* FindItem(int id) const;
  // One observer at a time; null for none.
  void SetObserver(GtkMenuObserver* observer) { FObserver = observer; }
  // Called by the items when they change.
  void Changed() const;

private:
  const bool FMenuBar;
  TGObjectPtr<GtkWidget> FShell;
  // Every item at every level, parents before their sub-items.
  std::vector<std::unique_ptr<GtkToolkitMenuItem>> FItems;
  int FCount = 0;
  int FLastId = 0;
  GtkMenuObserver* FObserver = nullptr;
};

} // namespace tessera::gtk
