#pragma once

#include "platform/api/toolkit.h"

#include <cairo.h>

namespace tessera::gtk {

// Side of the square an indicator of that size takes, in pixels.
int ActivityIndicatorPixels(TActivityIndicatorSize size);

// How long one turn of the animation takes, in milliseconds.
int ActivityIndicatorCycleMs(TActivityIndicatorType type);

// Draws one frame of the animation into the square (0, 0)-(side, side) of
// `cr`, over whatever is there: faint parts are drawn translucent, so the
// background shows through them. `phase` in [0, 1) is the point in the
// cycle.
void DrawActivityIndicator(cairo_t* cr, int side, TActivityIndicatorType type,
                           TActivityIndicatorColor color, double phase);

} // namespace tessera::gtk
