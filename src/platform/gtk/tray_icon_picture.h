#pragma once

#include "platform/gtk/gobject_ptr.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <string>
#include <vector>

namespace tessera::gtk {

// What a tray shows for the application: its own icon when it set one,
// else the theme's icon for programs, else a plain drawn one; never a
// "missing image" sign.
struct TTrayIconPicture {
  // The theme icon's name, when the application has no icon of its own and
  // the theme has that one; empty otherwise.
  std::string IconName;
  // The application's icons, largest first; without them a drawn one,
  // which also stands in where the tray's theme lacks IconName. Never empty.
  std::vector<TGObjectPtr<GdkPixbuf>> Pixbufs;
};

TTrayIconPicture CurrentTrayIconPicture();

} // namespace tessera::gtk
