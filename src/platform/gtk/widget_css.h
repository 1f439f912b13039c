#pragma once

#include <gtk/gtk.h>

namespace tessera::gtk {

// Gives one widget (and the style nodes inside it) rules of its own, above
// the theme's: used to let controls take the small sizes the forms give
// them, which the theme's minimum sizes and padding would exceed.
void AddWidgetCss(GtkWidget* widget, const char* css);

} // namespace tessera::gtk
