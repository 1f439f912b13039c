#pragma once

#include <cairo.h>

namespace tessera::gtk {

// The pixels of a rectangle from (0, 0) to (right, bottom) with corners
// rounded by ellipses `ellipseWidth` by `ellipseHeight`, as the window
// system's shapes take them (rows of rectangles). Null for an empty
// rectangle. The caller destroys the region.
cairo_region_t* NewRoundRectRegion(int right, int bottom, int ellipseWidth, int ellipseHeight);

} // namespace tessera::gtk
