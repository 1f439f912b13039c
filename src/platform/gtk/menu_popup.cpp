#include "platform/gtk/menu_popup.h"

namespace tessera::gtk {

void PopUpMenuAtPointer(GtkMenu* menu, guint button, guint32 time) {
  // An empty menu, or one whose owner freed it, has nothing to show.
  GList* items = gtk_container_get_children(GTK_CONTAINER(menu));
  const bool empty = items == nullptr;
  g_list_free(items);
  if (empty) {
    return;
  }
  if (GdkEvent* current = gtk_get_current_event()) {
    gtk_menu_popup_at_pointer(menu, current);
    gdk_event_free(current);
    return;
  }
  GdkEvent* trigger = gdk_event_new(GDK_BUTTON_PRESS);
  GdkWindow* root = gdk_screen_get_root_window(gtk_widget_get_screen(GTK_WIDGET(menu)));
  trigger->button.window = GDK_WINDOW(g_object_ref(root));
  trigger->button.send_event = TRUE;
  trigger->button.button = button;
  trigger->button.time = time;
  GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(root));
  if (GdkDevice* pointer = seat != nullptr ? gdk_seat_get_pointer(seat) : nullptr) {
    gdk_event_set_device(trigger, pointer);
  }
  gtk_menu_popup_at_pointer(menu, trigger);
  gdk_event_free(trigger);
}

} // namespace tessera::gtk
