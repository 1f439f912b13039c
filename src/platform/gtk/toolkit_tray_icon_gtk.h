#pragma once

#include "platform/api/toolkit.h"
#include "platform/gtk/gobject_ptr.h"
#include "platform/gtk/status_notifier_item.h"
#include "platform/gtk/xembed_tray_icon.h"

#include <gtk/gtk.h>

namespace tessera::gtk {

// The tray icon on whatever tray the desktop has: a StatusNotifierItem
// where a watcher runs on the session bus (GNOME, KDE Plasma and most
// panels), else an XEmbed icon (a GtkStatusIcon) for the older trays, which
// no desktop may run either. It follows the watcher as it comes and goes,
// and Visible() tells whether a tray shows the icon now, not only whether
// it was asked to show.
class GtkToolkitTrayIcon final : public ToolkitTrayIcon {
public:
  GtkToolkitTrayIcon();
  ~GtkToolkitTrayIcon() override;
  GtkToolkitTrayIcon(const GtkToolkitTrayIcon&) = delete;
  GtkToolkitTrayIcon& operator=(const GtkToolkitTrayIcon&) = delete;

  void SetVisible(bool visible) override;
  bool Visible() const override;
  void SetPopupMenu(ToolkitMenu* menu) override;

  GtkStatusIcon* StatusIcon() const { return FXEmbed.StatusIcon(); }

private:
  // Shows the XEmbed icon exactly when it is wanted and no watcher takes
  // the item instead; while the bus is still being asked, neither shows,
  // so that no desktop shows the icon twice.
  void ChooseTray();
  void Click();
  void PopUpMenu();

  bool FWanted = false;
  TGObjectPtr<GtkWidget> FPopupMenu;
  // Made first: the item's changes reach it.
  TXEmbedTrayIcon FXEmbed;
  TStatusNotifierItem FItem;
};

} // namespace tessera::gtk
