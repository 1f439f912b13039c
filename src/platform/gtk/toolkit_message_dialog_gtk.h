#pragma once

#include "platform/api/toolkit.h"

#include <gtk/gtk.h>

namespace tessera::gtk {

// GTK's message dialog with our own buttons, transient for `owner` (may be
// null), run modally. Enter chooses the first (affirmative, default)
// button; Escape and closing the dialog choose Cancel.
TModalResult ShowMessageDialog(const TMessageDialogRequest& request, GtkWindow* owner);

} // namespace tessera::gtk
