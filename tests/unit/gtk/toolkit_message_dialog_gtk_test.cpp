// The message dialog with our own buttons. While it runs, a timer in its
// loop reads the dialog from the widget tree and answers it with a key or
// a close, as the user would; the key goes through GTK's event handling,
// which needs no X focus.
#include "platform/gtk/toolkit_gtk.h"

#include "gtk_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessera {
namespace {

using testing_gtk::RunLater;
using testing_gtk::TScopedRunLater;
using testing_gtk::TypeKey;

struct TSeenDialog {
  std::string Title;
  std::string Text;
  GtkMessageType Type = GTK_MESSAGE_OTHER;
  // The buttons' labels in their order in the dialog.
  std::vector<std::string> Buttons;
};

GtkWidget* FindMessageDialog() {
  GtkWidget* found = nullptr;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* item = toplevels; item != nullptr; item = item->next) {
    if (GTK_IS_MESSAGE_DIALOG(item->data) && gtk_widget_get_visible(GTK_WIDGET(item->data))) {
      found = GTK_WIDGET(item->data);
    }
  }
  g_list_free(toplevels);
  return found;
}

// The buttons anywhere inside `widget`, in the order of the widget tree.
std::vector<GtkWidget*> ButtonsIn(GtkWidget* widget) {
  std::vector<GtkWidget*> buttons;
  if (GTK_IS_BUTTON(widget)) {
    buttons.push_back(widget);
  } else if (GTK_IS_CONTAINER(widget)) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* item = children; item != nullptr; item = item->next) {
      for (GtkWidget* button : ButtonsIn(GTK_WIDGET(item->data))) {
        buttons.push_back(button);
      }
    }
    g_list_free(children);
  }
  return buttons;
}

enum class TAnswer { Enter, Escape, Close };

TModalResult Answer(const TMessageDialogRequest& request, TAnswer answer, TSeenDialog& seen) {
  auto toolkit = CreateGtkToolkit();
  bool answered = false;
  RunLater(50, [&] {
    GtkWidget* dialog = FindMessageDialog();
    if (dialog == nullptr) {
      ADD_FAILURE() << "no message dialog is shown";
      return;
    }
    answered = true;
    seen.Title = gtk_window_get_title(GTK_WINDOW(dialog));
    g_object_get(dialog, "message-type", &seen.Type, nullptr);
    gchar* text = nullptr;
    g_object_get(dialog, "text", &text, nullptr);
    seen.Text = text != nullptr ? text : "";
    g_free(text);
    for (GtkWidget* button : ButtonsIn(dialog)) {
      if (gtk_widget_get_visible(button)) {
        seen.Buttons.emplace_back(gtk_button_get_label(GTK_BUTTON(button)));
      }
    }
    switch (answer) {
    case TAnswer::Enter:
      TypeKey(dialog, GDK_KEY_Return);
      break;
    case TAnswer::Escape:
      TypeKey(dialog, GDK_KEY_Escape);
      break;
    case TAnswer::Close:
      gtk_window_close(GTK_WINDOW(dialog));
      break;
    }
  });
  // A dialog left unanswered would hang the suite.
  TScopedRunLater watchdog(testing_gtk::kWaitMs, [] {
    if (GtkWidget* dialog = FindMessageDialog()) {
      gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_NONE);
    }
  });
  const TModalResult result = toolkit->MessageDialog(request);
  EXPECT_TRUE(answered);
  EXPECT_EQ(FindMessageDialog(), nullptr) << "the dialog is gone afterwards";
  return result;
}

TMessageDialogRequest Confirmation() {
  TMessageDialogRequest request;
  request.Text = "¿Quiere instalarlo ahora?";
  request.Kind = TMessageDialogKind::Confirmation;
  request.Buttons = TMessageDialogButtons::OKCancel;
  request.Captions = {"Aceptar", "Cancelar"};
  request.WindowCaption = "Confirmar";
  return request;
}

TEST(ToolkitMessageDialogGtk, ConfirmationShowsTheCaptionsInOrderAndEnterAccepts) {
  TSeenDialog seen;
  EXPECT_EQ(Answer(Confirmation(), TAnswer::Enter, seen), TModalResult::OK);
  EXPECT_EQ(seen.Title, "Confirmar");
  EXPECT_EQ(seen.Text, "¿Quiere instalarlo ahora?");
  EXPECT_EQ(seen.Type, GTK_MESSAGE_QUESTION);
  EXPECT_EQ(seen.Buttons, (std::vector<std::string>{"Aceptar", "Cancelar"}));
}

TEST(ToolkitMessageDialogGtk, EscapeAndClosingCancel) {
  for (TAnswer answer : {TAnswer::Escape, TAnswer::Close}) {
    SCOPED_TRACE(static_cast<int>(answer));
    TSeenDialog seen;
    EXPECT_EQ(Answer(Confirmation(), answer, seen), TModalResult::Cancel);
  }
}

TEST(ToolkitMessageDialogGtk, ButtonsBeyondTheCaptionListGetTheDefaultCaptions) {
  TMessageDialogRequest request = Confirmation();
  request.Captions = {"Akzeptieren"};
  TSeenDialog seen;
  EXPECT_EQ(Answer(request, TAnswer::Escape, seen), TModalResult::Cancel);
  EXPECT_EQ(seen.Buttons, (std::vector<std::string>{"Akzeptieren", "Cancel"}));
  request.Captions.clear();
  seen = {};
  Answer(request, TAnswer::Escape, seen);
  EXPECT_EQ(seen.Buttons, (std::vector<std::string>{"OK", "Cancel"}));
}

TEST(ToolkitMessageDialogGtk, ErrorWithOneButtonAndAnUnusedCaption) {
  TMessageDialogRequest request;
  request.Text = "这不是有效的Windows应用程序。";
  request.Captions = {"接受", "unused"};
  request.WindowCaption = "错误";
  TSeenDialog seen;
  EXPECT_EQ(Answer(request, TAnswer::Enter, seen), TModalResult::OK);
  EXPECT_EQ(seen.Title, "错误");
  EXPECT_EQ(seen.Type, GTK_MESSAGE_ERROR);
  EXPECT_EQ(seen.Buttons, std::vector<std::string>{"接受"});
}

} // namespace
} // namespace tessera
