#include "platform/gtk/window_icon_gtk.h"

#include "platform/gtk/gobject_ptr.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <vector>

namespace tessera::gtk {

namespace {

// Title bars, task bars, switchers and launchers: the window manager picks
// the nearest of these, and scaling one picture down itself looks worse.
constexpr int kIconSides[] = {16, 24, 32, 48, 64, 128, 256};

// The picture with its proportions, its longer side made `side`.
TGObjectPtr<GdkPixbuf> Scaled(GdkPixbuf* picture, int side) {
  const int width = gdk_pixbuf_get_width(picture);
  const int height = gdk_pixbuf_get_height(picture);
  const int longer = std::max(width, height);
  return TGObjectPtr<GdkPixbuf>(gdk_pixbuf_scale_simple(picture, std::max(1, width * side / longer),
                                                        std::max(1, height * side / longer),
                                                        GDK_INTERP_BILINEAR));
}

} // namespace

void SetDefaultWindowIcon(GdkPixbuf* picture) {
  const int longer = std::max(gdk_pixbuf_get_width(picture), gdk_pixbuf_get_height(picture));
  std::vector<TGObjectPtr<GdkPixbuf>> sizes;
  // The picture itself is the largest size, unless it is larger than any a
  // desktop asks for: the list goes to every client that reads the icon.
  if (longer <= kIconSides[std::size(kIconSides) - 1]) {
    sizes.push_back(TGObjectPtr<GdkPixbuf>(GDK_PIXBUF(g_object_ref(picture))));
  }
  for (auto side = std::rbegin(kIconSides); side != std::rend(kIconSides); ++side) {
    if (*side < longer) {
      sizes.push_back(Scaled(picture, *side));
    }
  }
  // Largest first: the tray icon scales the list's first picture to the
  // panel's size.
  GList* list = nullptr;
  for (const TGObjectPtr<GdkPixbuf>& size : sizes) {
    if (size) {
      list = g_list_append(list, size.Get());
    }
  }
  // GTK takes references of its own to the pixbufs in the list.
  gtk_window_set_default_icon_list(list);
  g_list_free(list);
}

} // namespace tessera::gtk
