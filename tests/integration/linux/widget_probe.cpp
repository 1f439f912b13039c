// A GTK module the end-to-end tests load into the application under test
// (GTK_MODULES=/path/to/this.so): every time a top-level window is mapped it
// appends what the window shows to the file named by TESSERA_WIDGET_LOG, so
// a test can read the texts of a dialog that X alone cannot show it:
//
//   window <title>
//   label <text>
//   button <caption>
//   entry <visible|hidden>
//
// one line each, the window's line first. A pop-up menu, once shown (and
// so taking the keyboard), is a "menu" line and an "item <caption>" line
// for each of its items; each change of a visible entry's text is a
// "text <text>" line, so a test knows that what it typed has arrived. Line
// breaks in texts become blanks.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void WriteLine(std::string& out, const char* kind, const char* text) {
  out += kind;
  out += ' ';
  for (const char* c = text != nullptr ? text : ""; *c != '\0'; ++c)
    out += *c == '\n' || *c == '\r' ? ' ' : *c;
  out += '\n';
}

void Describe(GtkWidget* widget, std::string& out);

void Append(const std::string& lines) {
  const char* path = std::getenv("TESSERA_WIDGET_LOG");
  if (path == nullptr || *path == '\0')
    return;
  if (std::FILE* file = std::fopen(path, "a")) {
    std::fputs(lines.c_str(), file);
    std::fclose(file);
  }
}

// The text of the first label inside a menu item (its caption).
const char* CaptionOf(GtkWidget* widget) {
  if (GTK_IS_LABEL(widget))
    return gtk_label_get_text(GTK_LABEL(widget));
  if (!GTK_IS_CONTAINER(widget))
    return nullptr;
  const char* caption = nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  for (GList* item = children; item != nullptr && caption == nullptr; item = item->next)
    caption = CaptionOf(GTK_WIDGET(item->data));
  g_list_free(children);
  return caption;
}

void DescribeMenu(GtkMenu* menu) {
  std::string out = "menu\n";
  GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
  for (GList* item = children; item != nullptr; item = item->next) {
    GtkWidget* child = GTK_WIDGET(item->data);
    if (gtk_widget_get_visible(child) && !GTK_IS_SEPARATOR_MENU_ITEM(child))
      WriteLine(out, "item", CaptionOf(child));
  }
  g_list_free(children);
  Append(out);
}

void DescribeChild(GtkWidget* child, gpointer data) {
  Describe(child, *static_cast<std::string*>(data));
}

void Describe(GtkWidget* widget, std::string& out) {
  if (!gtk_widget_get_visible(widget))
    return;
  if (GTK_IS_BUTTON(widget)) {
    const char* label = gtk_button_get_label(GTK_BUTTON(widget));
    WriteLine(out, "button", label);
    return;
  }
  if (GTK_IS_LABEL(widget)) {
    WriteLine(out, "label", gtk_label_get_text(GTK_LABEL(widget)));
    return;
  }
  if (GTK_IS_ENTRY(widget)) {
    WriteLine(out, "entry", gtk_entry_get_visibility(GTK_ENTRY(widget)) ? "visible" : "hidden");
  }
  if (GTK_IS_CONTAINER(widget))
    gtk_container_forall(GTK_CONTAINER(widget), DescribeChild, &out);
}

gboolean OnMap(GSignalInvocationHint*, guint, const GValue* params, gpointer) {
  GObject* object = static_cast<GObject*>(g_value_get_object(&params[0]));
  if (GTK_IS_MENU(object)) {
    DescribeMenu(GTK_MENU(object));
    return TRUE;
  }
  if (!GTK_IS_WINDOW(object) || !gtk_widget_is_toplevel(GTK_WIDGET(object)))
    return TRUE;
  if (gtk_window_get_window_type(GTK_WINDOW(object)) != GTK_WINDOW_TOPLEVEL)
    return TRUE;
  std::string out;
  WriteLine(out, "window", gtk_window_get_title(GTK_WINDOW(object)));
  Describe(GTK_WIDGET(object), out);
  Append(out);
  return TRUE;
}

gboolean OnChanged(GSignalInvocationHint*, guint, const GValue* params, gpointer) {
  GObject* object = static_cast<GObject*>(g_value_get_object(&params[0]));
  if (GTK_IS_ENTRY(object) && gtk_entry_get_visibility(GTK_ENTRY(object))) {
    std::string out;
    WriteLine(out, "text", gtk_entry_get_text(GTK_ENTRY(object)));
    Append(out);
  }
  return TRUE;
}

} // namespace

extern "C" G_MODULE_EXPORT void gtk_module_init(gint*, gchar***) {
  // The signal exists once the class does; keep the class for the process.
  g_type_class_ref(GTK_TYPE_WIDGET);
  const guint signal = g_signal_lookup("map", GTK_TYPE_WIDGET);
  g_signal_add_emission_hook(signal, 0, OnMap, nullptr, nullptr);
  g_type_default_interface_ref(GTK_TYPE_EDITABLE);
  const guint changed = g_signal_lookup("changed", GTK_TYPE_EDITABLE);
  g_signal_add_emission_hook(changed, 0, OnChanged, nullptr, nullptr);
}
