#include "platform/gtk/toolkit_tray_icon_gtk.h"

#include "base/exceptions.h"
#include "platform/gtk/menu_popup.h"
#include "platform/gtk/toolkit_menu_gtk.h"

#include <functional>

namespace tessera::gtk {

GtkToolkitTrayIcon::GtkToolkitTrayIcon() : FItem([this] { ChooseTray(); }) {
  FXEmbed.OnClick = [this] { Click(); };
  FItem.OnActivate = [this] { Click(); };
  FItem.OnContextMenu = [this] { PopUpMenu(); };
}

GtkToolkitTrayIcon::~GtkToolkitTrayIcon() = default;

void GtkToolkitTrayIcon::SetVisible(bool visible) {
  FWanted = visible;
  FItem.SetShown(visible);
  ChooseTray();
}

bool GtkToolkitTrayIcon::Visible() const {
  switch (FItem.Reach()) {
  case TStatusNotifierItem::TReach::Watcher:
    return FItem.Shown();
  case TStatusNotifierItem::TReach::NoWatcher:
    return FXEmbed.Embedded();
  case TStatusNotifierItem::TReach::Pending:
    break;
  }
  return false;
}

void GtkToolkitTrayIcon::ChooseTray() {
  FXEmbed.SetShown(FWanted && FItem.Reach() == TStatusNotifierItem::TReach::NoWatcher);
}

void GtkToolkitTrayIcon::SetPopupMenu(ToolkitMenu* menu) {
  GtkToolkitMenu* gtkMenu = nullptr;
  if (menu != nullptr) {
    gtkMenu = dynamic_cast<GtkToolkitMenu*>(menu);
    if (gtkMenu == nullptr || gtkMenu->IsMenuBar()) {
      throw Exception("a tray icon pops up a pop-up menu only");
    }
  }
  FPopupMenu = TGObjectPtr<GtkWidget>::Retain(gtkMenu != nullptr ? gtkMenu->Widget() : nullptr);
  FXEmbed.SetPopupMenu(FPopupMenu.Get());
  FItem.SetMenu(gtkMenu);
}

void GtkToolkitTrayIcon::Click() {
  // Copied: the handler may free the icon.
  std::function<void()> click = OnClick;
  if (click) {
    click();
  }
}

void GtkToolkitTrayIcon::PopUpMenu() {
  if (FPopupMenu) {
    PopUpMenuAtPointer(GTK_MENU(FPopupMenu.Get()), 3, GDK_CURRENT_TIME);
  }
}

} // namespace tessera::gtk
