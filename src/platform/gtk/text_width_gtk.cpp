#include "platform/gtk/text_width_gtk.h"

#include "platform/gtk/gobject_ptr.h"
#include "platform/gtk/valid_utf8.h"

#include <gtk/gtk.h>

#include <memory>

namespace tessera::gtk {

int MeasureTextWidth(const std::string& fontFamily, int fontHeightPixels, const std::string& text) {
  if (text.empty() || fontHeightPixels <= 0) {
    return 0;
  }
  // The screen's context carries its resolution and font options, so the
  // width is the one the text takes when drawn there.
  TGObjectPtr<PangoContext> context(gdk_pango_context_get());
  if (!context) {
    return 0;
  }
  std::unique_ptr<PangoFontDescription, decltype(&pango_font_description_free)> font(
      pango_font_description_new(), &pango_font_description_free);
  pango_font_description_set_family(font.get(), ValidUtf8(fontFamily).c_str());
  pango_font_description_set_absolute_size(font.get(),
                                           static_cast<double>(fontHeightPixels) * PANGO_SCALE);
  TGObjectPtr<PangoLayout> layout(pango_layout_new(context.Get()));
  pango_layout_set_font_description(layout.Get(), font.get());
  const std::string valid = ValidUtf8(text);
  pango_layout_set_text(layout.Get(), valid.c_str(), static_cast<int>(valid.size()));
  int width = 0;
  int height = 0;
  pango_layout_get_pixel_size(layout.Get(), &width, &height);
  return width;
}

} // namespace tessera::gtk
