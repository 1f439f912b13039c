#pragma once

#include "platform/api/toolkit.h"

#include <string>

namespace tessera::gtk {

// A colour as a CSS value for GTK's style sheets: "#rrggbb" for a plain
// colour; for a system colour, the theme's named colour that plays the same
// part (the window background, the selection), so the window follows the
// theme as a Windows window follows the system's colours.
std::string CssColor(TColor color);

} // namespace tessera::gtk
