#pragma once

#include "platform/api/toolkit.h"
#include "platform/gtk/gobject_ptr.h"

#include <gtk/gtk.h>

namespace tessera::gtk {

// A GtkStatusIcon: the notification-area icon of the desktops that host
// XEmbed icons. It is visible only where such a tray runs.
class GtkToolkitTrayIcon final : public ToolkitTrayIcon {
public:
  GtkToolkitTrayIcon();
  ~GtkToolkitTrayIcon() override;
  GtkToolkitTrayIcon(const GtkToolkitTrayIcon&) = delete;
  GtkToolkitTrayIcon& operator=(const GtkToolkitTrayIcon&) = delete;

  void SetVisible(bool visible) override;
  bool Visible() const override;
  void SetPopupMenu(ToolkitMenu* menu) override;

  GtkStatusIcon* StatusIcon() const { return FIcon.Get(); }

private:
  static void OnActivate(GtkStatusIcon*, gpointer self) noexcept;
  static void OnPopupMenu(GtkStatusIcon*, guint button, guint time, gpointer self) noexcept;

  TGObjectPtr<GtkStatusIcon> FIcon;
  // Ours too: a menu freed while set leaves an empty widget, not a dangling one.
  TGObjectPtr<GtkWidget> FPopupMenu;
};

} // namespace tessera::gtk
