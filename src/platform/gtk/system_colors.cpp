#include "platform/gtk/system_colors.h"

#include <cstdio>

namespace tessera::gtk {

namespace {

// Windows' system colour numbers that have a counterpart in GTK themes.
constexpr unsigned kScrollBar = 0;
constexpr unsigned kBackground = 1;
constexpr unsigned kWindow = 5;
constexpr unsigned kWindowText = 8;
constexpr unsigned kHighlight = 13;
constexpr unsigned kHighlightText = 14;
constexpr unsigned kButtonFace = 15;
constexpr unsigned kButtonText = 18;
constexpr unsigned kHotLight = 26;

const char* ThemeColor(unsigned index) {
  switch (index) {
  case kHighlight:
  case kHotLight:
    return "@theme_selected_bg_color";
  case kHighlightText:
    return "@theme_selected_fg_color";
  case kWindowText:
  case kButtonText:
    return "@theme_fg_color";
  case kScrollBar:
  case kBackground:
  case kWindow:
  case kButtonFace:
  default:
    return "@theme_bg_color";
  }
}

} // namespace

std::string CssColor(TColor color) {
  if ((color & 0xFF000000u) == kSystemColorFlag) {
    return ThemeColor(color & 0xFFu);
  }
  char text[8];
  std::snprintf(text, sizeof(text), "#%02x%02x%02x", color & 0xFFu, (color >> 8) & 0xFFu,
                (color >> 16) & 0xFFu);
  return text;
}

} // namespace tessera::gtk
