#include "platform/gtk/toolkit_message_dialog_gtk.h"

#include "platform/gtk/callback_guard.h"
#include "platform/gtk/modal_dialog_run.h"
#include "platform/gtk/valid_utf8.h"

#include <string>

namespace tessera::gtk {

namespace {

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

  const gint response = RunModalDialog(dialog);
  gtk_widget_destroy(dialog);
  g_object_unref(dialog);
  return response == GTK_RESPONSE_OK ? TModalResult::OK : TModalResult::Cancel;
}

} // namespace tessera::gtk
