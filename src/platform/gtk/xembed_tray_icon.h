#pragma once

#include "platform/gtk/gobject_ptr.h"

#include <gtk/gtk.h>

#include <functional>

namespace tessera::gtk {

// A GtkStatusIcon: the notification-area icon of the desktops that host
// XEmbed icons. It is seen only where such a tray runs and took it.
class TXEmbedTrayIcon {
public:
  // Hidden when made.
  TXEmbedTrayIcon();
  ~TXEmbedTrayIcon();
  TXEmbedTrayIcon(const TXEmbedTrayIcon&) = delete;
  TXEmbedTrayIcon& operator=(const TXEmbedTrayIcon&) = delete;

  void SetShown(bool shown);
  // Whether it was asked to show.
  bool ShownAsked() const;
  // Whether a tray shows it now.
  bool Embedded() const;
  // The menu a right click pops up; null for none.
  void SetPopupMenu(GtkWidget* menu);

  GtkStatusIcon* StatusIcon() const { return FIcon.Get(); }

  // Runs on a click on the icon, inside GTK's signal.
  std::function<void()> OnClick;

private:
  static void OnActivate(GtkStatusIcon*, gpointer self) noexcept;
  static void OnPopupMenu(GtkStatusIcon*, guint button, guint time, gpointer self) noexcept;

  TGObjectPtr<GtkStatusIcon> FIcon;
  // Ours too: a menu freed while set leaves an empty widget, not a dangling one.
  TGObjectPtr<GtkWidget> FPopupMenu;
};

} // namespace tessera::gtk
