#pragma once

#include <gtk/gtk.h>

namespace tessera::gtk {

// Shows `dialog` and runs a modal loop until it answers: the response it
// gave (GTK_RESPONSE_DELETE_EVENT for Escape and the close button), or
// GTK_RESPONSE_NONE when a quit request ended the run. Our own run rather
// than gtk_dialog_run, so that a quit request ends it as it ends any modal
// run. The caller holds a reference on the dialog for the run and destroys
// it afterwards.
gint RunModalDialog(GtkWidget* dialog);

} // namespace tessera::gtk
