#include "platform/gtk/modal_dialog_run.h"

#include "platform/gtk/main_loop_glib.h"

namespace tessera::gtk {

namespace {

struct TDialogRun {
  GMainLoop* Loop = nullptr;
  gint Response = GTK_RESPONSE_NONE;
};

void OnResponse(GtkDialog*, gint response, gpointer data) noexcept {
  auto* run = static_cast<TDialogRun*>(data);
  run->Response = response;
  g_main_loop_quit(run->Loop);
}

} // namespace

gint RunModalDialog(GtkWidget* dialog) {
  TDialogRun run;
  run.Loop = g_main_loop_new(nullptr, FALSE);
  g_signal_connect(dialog, "response", G_CALLBACK(OnResponse), &run);
  gtk_window_present(GTK_WINDOW(dialog));
  RunModalLoop(run.Loop);
  // Closing may already have destroyed it, and its handlers with it.
  g_signal_handlers_disconnect_by_data(dialog, &run);
  g_main_loop_unref(run.Loop);
  return run.Response;
}

} // namespace tessera::gtk
