#pragma once

#include "platform/api/toolkit.h"

#include <cairo.h>

namespace tessera::gtk {

// Draws one frame of the animation into the square (0, 0)-(side, side) of
// `cr`, over whatever is there: faint parts are drawn translucent, so the
// background shows through them. `phase` in [0, 1) is the point in the
// cycle.
void DrawActivityIndicator(cairo_t* cr, int side, TActivityIndicatorType type,
                           TActivityIndicatorColor color, double phase);

} // namespace tessera::gtk
