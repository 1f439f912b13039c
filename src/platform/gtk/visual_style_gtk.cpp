#include "platform/gtk/visual_style_gtk.h"

#include "platform/gtk/system_colors.h"

#include <cstdio>

namespace tessera::gtk {

std::string VisualStyleCss(const TStylePalette& palette) {
  const std::string frame = CssColor(palette.Frame);
  const std::string caption = CssColor(palette.Caption);
  const std::string captionText = CssColor(palette.CaptionText);
  const std::string window = CssColor(palette.Window);
  const std::string windowText = CssColor(palette.WindowText);
  const std::string styled = std::string("window.") + kStyledWindowClass;
  std::string css;
  // The client area; the web view inside it paints its page over it.
  css += std::string(".") + kStyledClientClass + " { background-color: " + window +
         "; color: " + windowText + "; }\n";
  // The message dialogs take the window colours too, like the system's
  // dialogs under a style.
  css +=
      "messagedialog.background { background-color: " + window + "; color: " + windowText + "; }\n";
  // Title bar and frame: drawn by GTK with client-side decorations only;
  // a window manager that decorates the window draws its own.
  css += styled + " .titlebar, " + styled + " .titlebar:backdrop, messagedialog .titlebar, " +
         "messagedialog .titlebar:backdrop { background-image: none; background-color: " + caption +
         "; color: " + captionText + "; border-color: " + frame +
         "; box-shadow: none; text-shadow: none; }\n";
  css += styled + " .titlebar .title, " + styled +
         " .titlebar button.titlebutton { color: " + captionText + "; -gtk-icon-shadow: none; }\n";
  css += styled + " decoration, " + styled + " decoration:backdrop { box-shadow: 0 0 0 1px " +
         frame + ", 0 2px 8px 0 rgba(0, 0, 0, 0.35); }\n";
  // The title bar the windows draw in place of the window manager's: the
  // caption colours, with the frame's colour as its lower edge, active or
  // not (the window manager's title bar under a style does not fade).
  const std::string bar = std::string("headerbar.") + kStyledTitleBarClass;
  css += bar + ", " + bar + ":backdrop { background-image: none; background-color: " + caption +
         "; color: " + captionText + "; border-color: " + frame +
         "; border-style: solid; border-width: 0 0 2px 0; border-radius: 0; box-shadow: none; "
         "text-shadow: none; }\n";
  css += bar + " .title, " + bar + ":backdrop .title, " + bar + " button.titlebutton, " + bar +
         ":backdrop button.titlebutton { color: " + captionText +
         "; -gtk-icon-shadow: none; text-shadow: none; }\n";
  css += bar + " button.titlebutton:not(:hover):not(:active) { background-image: none; "
               "background-color: transparent; border-color: transparent; box-shadow: none; }\n";
  return css;
}

TVisualStyleGtk::~TVisualStyleGtk() {
  RemoveProvider();
}

bool TVisualStyleGtk::Set(const std::string& name) {
  if (IsSystemStyleName(name)) {
    RemoveProvider();
    FActiveName = std::string(kSystemStyleName);
    return true;
  }
  const TStoredStyle* style = FindStoredStyle(name);
  GdkScreen* screen = gdk_screen_get_default();
  if (style == nullptr || screen == nullptr) {
    return false;
  }
  TGObjectPtr<GtkCssProvider> provider(gtk_css_provider_new());
  GError* error = nullptr;
  if (!gtk_css_provider_load_from_data(provider.Get(), VisualStyleCss(style->Palette).c_str(), -1,
                                       &error)) {
    std::fprintf(stderr, "tessera: visual style %s: %s\n", std::string(style->Name).c_str(),
                 error != nullptr ? error->message : "?");
    g_clear_error(&error);
    return false;
  }
  RemoveProvider();
  // Above the windows' own colours (application priority), so the style
  // wins over them while it is active and they come back when it goes.
  gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider.Get()),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
  FProvider = std::move(provider);
  FActiveName = std::string(style->Name);
  return true;
}

void TVisualStyleGtk::RemoveProvider() {
  if (!FProvider) {
    return;
  }
  if (GdkScreen* screen = gdk_screen_get_default()) {
    gtk_style_context_remove_provider_for_screen(screen, GTK_STYLE_PROVIDER(FProvider.Get()));
  }
  FProvider.Reset();
}

} // namespace tessera::gtk
