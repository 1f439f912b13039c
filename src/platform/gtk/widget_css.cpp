#include "platform/gtk/widget_css.h"

#include "platform/gtk/gobject_ptr.h"

#include <cstdio>

namespace tessera::gtk {

void AddWidgetCss(GtkWidget* widget, const char* css) {
  TGObjectPtr<GtkCssProvider> provider(gtk_css_provider_new());
  GError* error = nullptr;
  if (!gtk_css_provider_load_from_data(provider.Get(), css, -1, &error)) {
    std::fprintf(stderr, "tessera: control style: %s\n", error != nullptr ? error->message : "?");
    g_clear_error(&error);
    return;
  }
  // The style context keeps its own reference.
  gtk_style_context_add_provider(gtk_widget_get_style_context(widget),
                                 GTK_STYLE_PROVIDER(provider.Get()),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

} // namespace tessera::gtk
