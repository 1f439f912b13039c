#include "platform/gtk/toolkit_password_edit_gtk.h"

#include "platform/gtk/callback_guard.h"
#include "platform/gtk/key_image.h"
#include "platform/gtk/valid_utf8.h"
#include "platform/gtk/virtual_keys.h"
#include "platform/gtk/widget_css.h"

#include <algorithm>

namespace tessera::gtk {

namespace {

// The image's side at the standard resolution; GTK scales it with the
// screen.
constexpr int kImageSide = 16;

// The key's own value, without Shift or Caps Lock: key codes name keys, not
// the characters they type.
unsigned BaseKeyval(const GdkEventKey* event) {
  GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_window_get_display(event->window));
  guint keyval = 0;
  if (keymap != nullptr && gdk_keymap_translate_keyboard_state(
                               keymap, event->hardware_keycode, static_cast<GdkModifierType>(0),
                               event->group, &keyval, nullptr, nullptr, nullptr)) {
    return keyval;
  }
  return event->keyval;
}

} // namespace

GtkPasswordEdit::GtkPasswordEdit(GtkWidget* ownerArea, const TBoundsRect& bounds, char passwordChar,
                                 const std::string& imageName)
    : FEntry(TGObjectPtr<GtkWidget>::Retain(gtk_entry_new())) {
  GtkWidget* widget = FEntry.Get();
  GtkEntry* entry = GTK_ENTRY(widget);
  // The theme's entries are taller than the box the forms lay out.
  AddWidgetCss(widget, "entry { min-height: 0; padding-top: 0; padding-bottom: 0; }");
  gtk_entry_set_visibility(entry, FALSE);
  // The character is a byte of the caller's text; as Latin-1 it is the
  // same character for every ASCII one.
  gtk_entry_set_invisible_char(entry, static_cast<unsigned char>(passwordChar));
  if (imageName == "key") {
    TGObjectPtr<GdkPixbuf> image(NewKeyImage(kImageSide));
    gtk_entry_set_icon_from_pixbuf(entry, GTK_ENTRY_ICON_PRIMARY, image.Get());
  }
  gtk_widget_set_size_request(widget, std::max(bounds.Right - bounds.Left, 1),
                              std::max(bounds.Bottom - bounds.Top, 1));
  g_signal_connect_after(widget, "key-release-event", G_CALLBACK(&GtkPasswordEdit::OnKeyRelease),
                         this);
  gtk_fixed_put(GTK_FIXED(ownerArea), widget, bounds.Left, bounds.Top);
  gtk_widget_show(widget);
}

GtkPasswordEdit::~GtkPasswordEdit() {
  g_signal_handlers_disconnect_by_data(FEntry.Get(), this);
  gtk_widget_destroy(FEntry.Get());
}

gboolean GtkPasswordEdit::OnKeyRelease(GtkWidget*, GdkEventKey* event, gpointer self) noexcept {
  auto* edit = static_cast<GtkPasswordEdit*>(self);
  GuardCallback<int>("password key", 0, [&] {
    if (edit->OnKeyUp) {
      // The handler may end the window; nothing here is touched after it.
      auto handler = edit->OnKeyUp;
      handler(VirtualKeyOf(BaseKeyval(event)));
    }
    return 0;
  });
  return FALSE;
}

std::string GtkPasswordEdit::Text() const {
  return gtk_entry_get_text(GTK_ENTRY(FEntry.Get()));
}

void GtkPasswordEdit::SetText(const std::string& text) {
  gtk_entry_set_text(GTK_ENTRY(FEntry.Get()), ValidUtf8(text).c_str());
}

void GtkPasswordEdit::SetFocus() {
  gtk_widget_grab_focus(FEntry.Get());
}

} // namespace tessera::gtk
