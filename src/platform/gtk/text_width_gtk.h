#pragma once

#include <string>

namespace tessera::gtk {

// The width in pixels of `text` laid out by Pango on the default screen in
// the font family at the given character height; 0 for no text.
int MeasureTextWidth(const std::string& fontFamily, int fontHeightPixels, const std::string& text);

} // namespace tessera::gtk
