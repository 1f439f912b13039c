#include "platform/gtk/tray_icon_picture.h"

#include <gtk/gtk.h>

namespace tessera::gtk {

namespace {

constexpr const char* kDefaultIconName = "application-x-executable";

// The side of the icon drawn when the theme has none to give.
constexpr int kDrawnIconSize = 32;

TGObjectPtr<GdkPixbuf> DrawnIcon() {
  TGObjectPtr<GdkPixbuf> drawn(
      gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, kDrawnIconSize, kDrawnIconSize));
  if (drawn) {
    // A blue square with a lighter frame.
    gdk_pixbuf_fill(drawn.Get(), 0x8FB4E3FFu);
    TGObjectPtr<GdkPixbuf> inner(
        gdk_pixbuf_new_subpixbuf(drawn.Get(), 3, 3, kDrawnIconSize - 6, kDrawnIconSize - 6));
    gdk_pixbuf_fill(inner.Get(), 0x2F6DB5FFu);
  }
  return drawn;
}

} // namespace

TTrayIconPicture CurrentTrayIconPicture() {
  TTrayIconPicture picture;
  // The windows' default icons, which the application sets from its own.
  GList* icons = gtk_window_get_default_icon_list();
  for (GList* icon = icons; icon != nullptr; icon = icon->next) {
    picture.Pixbufs.push_back(TGObjectPtr<GdkPixbuf>::Retain(GDK_PIXBUF(icon->data)));
  }
  g_list_free(icons);
  if (!picture.Pixbufs.empty()) {
    return picture;
  }
  if (gtk_icon_theme_has_icon(gtk_icon_theme_get_default(), kDefaultIconName)) {
    picture.IconName = kDefaultIconName;
  }
  picture.Pixbufs.push_back(DrawnIcon());
  return picture;
}

} // namespace tessera::gtk
