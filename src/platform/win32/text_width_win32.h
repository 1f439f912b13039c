#pragma once

#include <string>

namespace tessera::win32 {

// The width in pixels of `text` drawn on the screen in the font family at
// the given character height; 0 for no text.
int MeasureTextWidth(const std::string& fontFamily, int fontHeightPixels, const std::string& text);

} // namespace tessera::win32
