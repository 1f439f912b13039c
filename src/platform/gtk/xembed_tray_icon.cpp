#include "platform/gtk/xembed_tray_icon.h"

#include "base/exceptions.h"
#include "platform/gtk/callback_guard.h"
#include "platform/gtk/menu_popup.h"
#include "platform/gtk/tray_icon_picture.h"

#include <utility>

namespace tessera::gtk {

namespace {

// GtkStatusIcon is deprecated in GTK 3 without a successor that reaches
// XEmbed trays; its calls are made here only, fenced off from the warning.
G_GNUC_BEGIN_IGNORE_DEPRECATIONS
GtkStatusIcon* StatusIconFromPixbuf(GdkPixbuf* pixbuf) {
  return gtk_status_icon_new_from_pixbuf(pixbuf);
}
GtkStatusIcon* StatusIconFromIconName(const char* name) {
  return gtk_status_icon_new_from_icon_name(name);
}
void SetStatusIconVisible(GtkStatusIcon* icon, bool visible) {
  gtk_status_icon_set_visible(icon, visible);
}
bool StatusIconVisible(GtkStatusIcon* icon) {
  return gtk_status_icon_get_visible(icon) != FALSE;
}
bool StatusIconEmbedded(GtkStatusIcon* icon) {
  return gtk_status_icon_is_embedded(icon) != FALSE;
}
void SetStatusIconTooltip(GtkStatusIcon* icon, const char* text) {
  gtk_status_icon_set_tooltip_text(icon, text);
}
G_GNUC_END_IGNORE_DEPRECATIONS

GtkStatusIcon* NewStatusIcon() {
  const TTrayIconPicture picture = CurrentTrayIconPicture();
  if (!picture.IconName.empty()) {
    return StatusIconFromIconName(picture.IconName.c_str());
  }
  // The list's first picture is its largest, which the tray scales down.
  return StatusIconFromPixbuf(picture.Pixbufs.front().Get());
}

} // namespace

TXEmbedTrayIcon::TXEmbedTrayIcon() : FIcon(NewStatusIcon()) {
  if (!FIcon) {
    throw Exception("cannot create a tray icon");
  }
  SetStatusIconVisible(FIcon.Get(), false);
  g_signal_connect(FIcon.Get(), "activate", G_CALLBACK(&TXEmbedTrayIcon::OnActivate), this);
  g_signal_connect(FIcon.Get(), "popup-menu", G_CALLBACK(&TXEmbedTrayIcon::OnPopupMenu), this);
}

TXEmbedTrayIcon::~TXEmbedTrayIcon() {
  g_signal_handlers_disconnect_by_data(FIcon.Get(), this);
  SetStatusIconVisible(FIcon.Get(), false);
}

void TXEmbedTrayIcon::SetShown(bool shown) {
  if (shown) {
    // The tray's tooltip names the application, as titled by then.
    SetStatusIconTooltip(FIcon.Get(), g_get_application_name());
  }
  SetStatusIconVisible(FIcon.Get(), shown);
}

bool TXEmbedTrayIcon::ShownAsked() const {
  return StatusIconVisible(FIcon.Get());
}

bool TXEmbedTrayIcon::Embedded() const {
  return StatusIconVisible(FIcon.Get()) && StatusIconEmbedded(FIcon.Get());
}

void TXEmbedTrayIcon::SetPopupMenu(GtkWidget* menu) {
  FPopupMenu = TGObjectPtr<GtkWidget>::Retain(menu);
}

void TXEmbedTrayIcon::OnActivate(GtkStatusIcon*, gpointer self) noexcept {
  // The handler may free the icon.
  std::function<void()> click = static_cast<TXEmbedTrayIcon*>(self)->OnClick;
  if (!click) {
    return;
  }
  GuardCallback<int>("tray icon click", 0, [&] {
    click();
    return 0;
  });
}

void TXEmbedTrayIcon::OnPopupMenu(GtkStatusIcon*, guint button, guint time,
                                  gpointer self) noexcept {
  GuardCallback<int>("tray icon menu", 0, [&] {
    if (GtkWidget* menu = static_cast<TXEmbedTrayIcon*>(self)->FPopupMenu.Get()) {
      PopUpMenuAtPointer(GTK_MENU(menu), button, time);
    }
    return 0;
  });
}

} // namespace tessera::gtk
