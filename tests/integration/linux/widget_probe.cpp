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
// one line each, the window's line first. Line breaks in texts become
// blanks.
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
  if (!GTK_IS_WINDOW(object) || !gtk_widget_is_toplevel(GTK_WIDGET(object)))
    return TRUE;
  if (gtk_window_get_window_type(GTK_WINDOW(object)) != GTK_WINDOW_TOPLEVEL)
    return TRUE;
  const char* path = std::getenv("TESSERA_WIDGET_LOG");
  if (path == nullptr || *path == '\0')
    return TRUE;
  std::string out;
  WriteLine(out, "window", gtk_window_get_title(GTK_WINDOW(object)));
  Describe(GTK_WIDGET(object), out);
  if (std::FILE* file = std::fopen(path, "a")) {
    std::fputs(out.c_str(), file);
    std::fclose(file);
  }
  return TRUE;
}

} // namespace

extern "C" G_MODULE_EXPORT void gtk_module_init(gint*, gchar***) {
  // The signal exists once the class does; keep the class for the process.
  g_type_class_ref(GTK_TYPE_WIDGET);
  const guint signal = g_signal_lookup("map", GTK_TYPE_WIDGET);
  g_signal_add_emission_hook(signal, 0, OnMap, nullptr, nullptr);
}
