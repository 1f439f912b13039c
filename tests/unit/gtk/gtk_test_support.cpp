// Pieces of the test support that need the X headers, kept out of every
// file that includes the test framework.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <gtk/gtkx.h>

#include <array>
#include <optional>
#include <utility>

namespace tessera::testing_gtk {

bool HaveWindowManager() {
  GdkScreen* screen = gdk_screen_get_default();
  return GDK_IS_X11_SCREEN(screen) &&
         gdk_x11_screen_supports_net_wm_hint(screen,
                                             gdk_atom_intern_static_string("_NET_WM_STATE_ABOVE"));
}

} // namespace tessera::testing_gtk

namespace tessera::testing_gtk {

bool HasNetWmState(GtkWidget* toplevel, const char* state) {
  GdkWindow* window = gtk_widget_get_window(toplevel);
  if (window == nullptr || !GDK_IS_X11_WINDOW(window)) {
    return false;
  }
  Display* display = GDK_DISPLAY_XDISPLAY(gdk_window_get_display(window));
  const Atom property = XInternAtom(display, "_NET_WM_STATE", False);
  const Atom wanted = XInternAtom(display, state, False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  bool found = false;
  if (XGetWindowProperty(display, gdk_x11_window_get_xid(window), property, 0, 64, False, XA_ATOM,
                         &type, &format, &count, &remaining, &data) == Success &&
      data != nullptr) {
    const auto* atoms = reinterpret_cast<const Atom*>(data);
    for (unsigned long i = 0; i < count; ++i) {
      found = found || atoms[i] == wanted;
    }
  }
  if (data != nullptr) {
    XFree(data);
  }
  return found;
}

} // namespace tessera::testing_gtk

namespace tessera::testing_gtk {

std::pair<int, int> MinimumSizeHint(GtkWidget* toplevel) {
  GdkWindow* window = gtk_widget_get_window(toplevel);
  if (window == nullptr || !GDK_IS_X11_WINDOW(window)) {
    return {0, 0};
  }
  XSizeHints hints{};
  long supplied = 0;
  if (XGetWMNormalHints(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window), &hints, &supplied) ==
          0 ||
      (hints.flags & PMinSize) == 0) {
    return {0, 0};
  }
  return {hints.min_width, hints.min_height};
}

GtkWidget* TrayPlug() {
  GtkWidget* plug = nullptr;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* item = toplevels; item != nullptr; item = item->next) {
    if (GTK_IS_PLUG(item->data)) {
      plug = GTK_WIDGET(item->data);
    }
  }
  g_list_free(toplevels);
  return plug;
}

bool Viewable(GtkWidget* widget) {
  GdkWindow* window = widget != nullptr ? gtk_widget_get_window(widget) : nullptr;
  if (window == nullptr || !GDK_IS_X11_WINDOW(window)) {
    return false;
  }
  XWindowAttributes attributes{};
  return XGetWindowAttributes(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window), &attributes) !=
             0 &&
         attributes.map_state == IsViewable;
}

} // namespace tessera::testing_gtk

namespace tessera::testing_gtk {

std::optional<std::array<long, 4>> NetFrameExtents(GtkWidget* toplevel) {
  GdkWindow* window = gtk_widget_get_window(toplevel);
  if (window == nullptr || !GDK_IS_X11_WINDOW(window)) {
    return std::nullopt;
  }
  Display* display = GDK_WINDOW_XDISPLAY(window);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  std::optional<std::array<long, 4>> extents;
  if (XGetWindowProperty(display, GDK_WINDOW_XID(window),
                         XInternAtom(display, "_NET_FRAME_EXTENTS", False), 0, 4, False,
                         XA_CARDINAL, &type, &format, &count, &remaining, &data) == Success &&
      data != nullptr && format == 32 && count == 4) {
    const auto* values = reinterpret_cast<const long*>(data);
    extents = std::array<long, 4>{values[0], values[1], values[2], values[3]};
  }
  if (data != nullptr) {
    XFree(data);
  }
  return extents;
}

} // namespace tessera::testing_gtk
