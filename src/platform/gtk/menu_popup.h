#pragma once

#include <gtk/gtk.h>

namespace tessera::gtk {

// Pops the menu up at the pointer, unless it has no items. The click on
// the icon is the menu's trigger: GTK takes the pointer's device and grab
// from it. A desktop may ask without one (from the keyboard, on its own, or
// over D-Bus); a press of `button` on the root window then stands in for it.
void PopUpMenuAtPointer(GtkMenu* menu, guint button, guint32 time);

} // namespace tessera::gtk
