#include "platform/gtk/frame_extents_x11.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

#include <algorithm>

namespace tessera::gtk {

namespace {

constexpr const char* kFrameExtents = "_NET_FRAME_EXTENTS";
constexpr const char* kRequestFrameExtents = "_NET_REQUEST_FRAME_EXTENTS";

// No frame is wider than this; a larger value is a broken property, taken as
// no frame rather than as a window with no room left inside.
constexpr long kLargestFrame = 1000;

bool OnX11(GdkWindow* window) {
  return window != nullptr && GDK_IS_X11_WINDOW(window);
}

int Side(long value) {
  return value >= 0 && value <= kLargestFrame ? static_cast<int>(value) : 0;
}

} // namespace

bool IsFrameExtentsChange(const GdkEventProperty* event) {
  return event != nullptr && event->atom == gdk_atom_intern_static_string(kFrameExtents);
}

TFrameExtents ReadFrameExtents(GdkWindow* toplevel) {
  if (!OnX11(toplevel)) {
    return {};
  }
  GdkDisplay* display = gdk_window_get_display(toplevel);
  Display* xdisplay = GDK_DISPLAY_XDISPLAY(display);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  // The window may be gone on the server already; GDK's trap keeps the
  // error from ending the process.
  gdk_x11_display_error_trap_push(display);
  const int status =
      XGetWindowProperty(xdisplay, GDK_WINDOW_XID(toplevel),
                         gdk_x11_get_xatom_by_name_for_display(display, kFrameExtents), 0, 4, False,
                         XA_CARDINAL, &type, &format, &count, &remaining, &data);
  gdk_x11_display_error_trap_pop_ignored(display);
  TFrameExtents extents;
  // Left, right, top, bottom; anything else is not the property's shape.
  if (status == Success && data != nullptr && type == XA_CARDINAL && format == 32 && count == 4) {
    // Format 32 comes as longs, whatever their size.
    const auto* sides = reinterpret_cast<const long*>(data);
    extents = {Side(sides[0]), Side(sides[2]), Side(sides[1]), Side(sides[3])};
  }
  if (data != nullptr) {
    XFree(data);
  }
  return extents;
}

void RequestFrameExtents(GdkWindow* toplevel) {
  if (!OnX11(toplevel)) {
    return;
  }
  GdkScreen* screen = gdk_window_get_screen(toplevel);
  if (!gdk_x11_screen_supports_net_wm_hint(screen,
                                           gdk_atom_intern_static_string(kRequestFrameExtents))) {
    return;
  }
  GdkDisplay* display = gdk_window_get_display(toplevel);
  Display* xdisplay = GDK_DISPLAY_XDISPLAY(display);
  XEvent message{};
  message.xclient.type = ClientMessage;
  message.xclient.window = GDK_WINDOW_XID(toplevel);
  message.xclient.message_type =
      gdk_x11_get_xatom_by_name_for_display(display, kRequestFrameExtents);
  message.xclient.format = 32;
  const Window root = GDK_WINDOW_XID(gdk_screen_get_root_window(screen));
  gdk_x11_display_error_trap_push(display);
  XSendEvent(xdisplay, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &message);
  gdk_x11_display_error_trap_pop_ignored(display);
}

} // namespace tessera::gtk
