#include "platform/gtk/toolkit_message_dialog_gtk.h"

#include "platform/gtk/callback_guard.h"
#include "platform/gtk/main_loop_glib.h"
#include "platform/gtk/valid_utf8.h"

#include <string>

namespace tessera::gtk {

namespace {

struct TDialogRun {
  GMainLoop* Loop = nullptr;
  int Response = GTK_RESPONSE_NONE;
};

void OnResponse(GtkDialog*, gint response, gpointer data) noexcept {
  auto* run = static_cast<TDialogRun*>(data);
  run->Response = response;
  g_main_loop_quit(run->Loop);
}

GtkMessageType MessageTypeOf(TMessageDialogKind kind) {
  if (kind == TMessageDialogKind::Error) {
    return GTK_MESSAGE_ERROR;
  }
  if (kind == TMessageDialogKind::Confirmation) {
    return GTK_MESSAGE_QUESTION;
  }
  return GTK_MESSAGE_OTHER;
}

std::string CaptionAt(const TMessageDialogRequest& request, std::size_t index,
                      const char* fallback) {
  return index < request.Captions.size() ? ValidUtf8(request.Captions[index]) : fallback;
}

} // namespace

TModalResult ShowMessageDialog(const TMessageDialogRequest& request, GtkWindow* owner) {
  const std::string text = ValidUtf8(request.Text);
  GtkWidget* dialog = gtk_message_dialog_new(owner, GTK_DIALOG_MODAL, MessageTypeOf(request.Kind),
                                             GTK_BUTTONS_NONE, "%s", text.c_str());
  // Ours until the run ends, whatever happens to its owner meanwhile.
  g_object_ref(dialog);
  gtk_window_set_title(GTK_WINDOW(dialog), ValidUtf8(request.WindowCaption).c_str());
  // Ours, not the theme's stock set: in order, affirmative first, captioned
  // as asked.
  GtkWidget* affirmative = gtk_dialog_add_button(
      GTK_DIALOG(dialog), CaptionAt(request, 0, "OK").c_str(), GTK_RESPONSE_OK);
  if (request.Buttons == TMessageDialogButtons::OKCancel) {
    gtk_dialog_add_button(GTK_DIALOG(dialog), CaptionAt(request, 1, "Cancel").c_str(),
                          GTK_RESPONSE_CANCEL);
  }
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  gtk_widget_grab_focus(affirmative);
  if (owner == nullptr) {
    // At start-up no window of ours is there to keep it in front of.
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  }

  // Our own run rather than gtk_dialog_run, so that a quit request ends it
  // as it ends any modal run.
  TDialogRun run;
  run.Loop = g_main_loop_new(nullptr, FALSE);
  g_signal_connect(dialog, "response", G_CALLBACK(OnResponse), &run);
  gtk_window_present(GTK_WINDOW(dialog));
  RunModalLoop(run.Loop);
  // Closing may already have destroyed it, and its handlers with it.
  g_signal_handlers_disconnect_by_data(dialog, &run);
  g_main_loop_unref(run.Loop);
  gtk_widget_destroy(dialog);
  g_object_unref(dialog);
  // Escape and the window's close button answer GTK_RESPONSE_DELETE_EVENT.
  return run.Response == GTK_RESPONSE_OK ? TModalResult::OK : TModalResult::Cancel;
}

} // namespace tessera::gtk
