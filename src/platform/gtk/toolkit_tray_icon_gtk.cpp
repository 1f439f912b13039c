#include "platform/gtk/toolkit_tray_icon_gtk.h"

#include "base/exceptions.h"
#include "platform/gtk/callback_guard.h"
#include "platform/gtk/toolkit_menu_gtk.h"
#include "platform/gtk/valid_utf8.h"

#include <functional>

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
void SetStatusIconTooltip(GtkStatusIcon* icon, const char* text) {
  gtk_status_icon_set_tooltip_text(icon, text);
}
G_GNUC_END_IGNORE_DEPRECATIONS

constexpr const char* kDefaultIconName = "application-x-executable";

// The side of the icon drawn when the theme has none to give.
constexpr int kDrawnIconSize = 32;

// The application's own icon when it set one, else the theme's icon for
// programs, else a plain drawn one: never a "missing image" sign.
GtkStatusIcon* NewStatusIcon() {
  GList* icons = gtk_window_get_default_icon_list();
  if (icons != nullptr) {
    GtkStatusIcon* icon = StatusIconFromPixbuf(GDK_PIXBUF(icons->data));
    g_list_free(icons);
    return icon;
  }
  if (gtk_icon_theme_has_icon(gtk_icon_theme_get_default(), kDefaultIconName)) {
    return StatusIconFromIconName(kDefaultIconName);
  }
  TGObjectPtr<GdkPixbuf> drawn(
      gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, kDrawnIconSize, kDrawnIconSize));
  if (drawn) {
    // A blue square with a lighter frame.
    gdk_pixbuf_fill(drawn.Get(), 0x8FB4E3FFu);
    TGObjectPtr<GdkPixbuf> inner(
        gdk_pixbuf_new_subpixbuf(drawn.Get(), 3, 3, kDrawnIconSize - 6, kDrawnIconSize - 6));
    gdk_pixbuf_fill(inner.Get(), 0x2F6DB5FFu);
  }
  return StatusIconFromPixbuf(drawn.Get());
}

// Pops the menu up at the pointer. The click on the icon is the menu's
// trigger: GTK takes the pointer's device and grab from it. A desktop may
// ask without one (from the keyboard, or on its own); a press of `button`
// on the root window then stands in for it.
void PopUpAtPointer(GtkMenu* menu, guint button, guint32 time) {
  if (GdkEvent* current = gtk_get_current_event()) {
    gtk_menu_popup_at_pointer(menu, current);
    gdk_event_free(current);
    return;
  }
  GdkEvent* trigger = gdk_event_new(GDK_BUTTON_PRESS);
  GdkWindow* root = gdk_screen_get_root_window(gtk_widget_get_screen(GTK_WIDGET(menu)));
  trigger->button.window = GDK_WINDOW(g_object_ref(root));
  trigger->button.send_event = TRUE;
  trigger->button.button = button;
  trigger->button.time = time;
  GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(root));
  if (GdkDevice* pointer = seat != nullptr ? gdk_seat_get_pointer(seat) : nullptr) {
    gdk_event_set_device(trigger, pointer);
  }
  gtk_menu_popup_at_pointer(menu, trigger);
  gdk_event_free(trigger);
}

} // namespace

GtkToolkitTrayIcon::GtkToolkitTrayIcon() : FIcon(NewStatusIcon()) {
  if (!FIcon) {
    throw Exception("cannot create a tray icon");
  }
  SetStatusIconVisible(FIcon.Get(), false);
  g_signal_connect(FIcon.Get(), "activate", G_CALLBACK(&GtkToolkitTrayIcon::OnActivate), this);
  g_signal_connect(FIcon.Get(), "popup-menu", G_CALLBACK(&GtkToolkitTrayIcon::OnPopupMenu), this);
}

GtkToolkitTrayIcon::~GtkToolkitTrayIcon() {
  g_signal_handlers_disconnect_by_data(FIcon.Get(), this);
  SetStatusIconVisible(FIcon.Get(), false);
}

void GtkToolkitTrayIcon::SetVisible(bool visible) {
  if (visible) {
    // The tray's tooltip names the application, as titled by then.
    SetStatusIconTooltip(FIcon.Get(), g_get_application_name());
  }
  SetStatusIconVisible(FIcon.Get(), visible);
}

bool GtkToolkitTrayIcon::Visible() const {
  return StatusIconVisible(FIcon.Get());
}

void GtkToolkitTrayIcon::SetPopupMenu(ToolkitMenu* menu) {
  if (menu == nullptr) {
    FPopupMenu.Reset();
    return;
  }
  auto* gtkMenu = dynamic_cast<GtkToolkitMenu*>(menu);
  if (gtkMenu == nullptr || gtkMenu->IsMenuBar()) {
    throw Exception("a tray icon pops up a pop-up menu only");
  }
  FPopupMenu = TGObjectPtr<GtkWidget>(GTK_WIDGET(g_object_ref(gtkMenu->Widget())));
}

void GtkToolkitTrayIcon::OnActivate(GtkStatusIcon*, gpointer self) noexcept {
  // The handler may free the icon.
  std::function<void()> click = static_cast<GtkToolkitTrayIcon*>(self)->OnClick;
  if (!click) {
    return;
  }
  GuardCallback<int>("tray icon click", 0, [&] {
    click();
    return 0;
  });
}

void GtkToolkitTrayIcon::OnPopupMenu(GtkStatusIcon*, guint button, guint time,
                                     gpointer self) noexcept {
  GuardCallback<int>("tray icon menu", 0, [&] {
    GtkWidget* menu = static_cast<GtkToolkitTrayIcon*>(self)->FPopupMenu.Get();
    if (menu == nullptr) {
      return 0;
    }
    // An empty menu, or one whose owner freed it, has nothing to show.
    GList* items = gtk_container_get_children(GTK_CONTAINER(menu));
    const bool empty = items == nullptr;
    g_list_free(items);
    if (!empty) {
      PopUpAtPointer(GTK_MENU(menu), button, time);
    }
    return 0;
  });
}

} // namespace tessera::gtk
