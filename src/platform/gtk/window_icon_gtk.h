#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

namespace tessera::gtk {

// Makes the picture the icon of every window without one of its own,
// present and future (what the window manager reads as _NET_WM_ICON), in
// the sizes desktops ask for, each no larger than the picture.
void SetDefaultWindowIcon(GdkPixbuf* picture);

} // namespace tessera::gtk
