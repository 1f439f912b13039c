#include "platform/gtk/round_rect_region.h"

#include <algorithm>
#include <cmath>

namespace tessera::gtk {

cairo_region_t* NewRoundRectRegion(int right, int bottom, int ellipseWidth, int ellipseHeight) {
  if (right <= 0 || bottom <= 0) {
    return nullptr;
  }
  const double rx = std::clamp(ellipseWidth, 0, right) / 2.0;
  const double ry = std::clamp(ellipseHeight, 0, bottom) / 2.0;
  cairo_region_t* region = cairo_region_create();
  for (int y = 0; y < bottom; ++y) {
    // How far the row's pixel centre lies inside a corner's band.
    const double fromEdge = std::min(y + 0.5, bottom - (y + 0.5));
    int inset = 0;
    if (rx > 0 && ry > 0 && fromEdge < ry) {
      const double dy = (ry - fromEdge) / ry;
      inset = static_cast<int>(std::lround(rx - rx * std::sqrt(std::max(0.0, 1 - dy * dy))));
    }
    const cairo_rectangle_int_t row{inset, y, std::max(right - 2 * inset, 0), 1};
    if (row.width > 0) {
      cairo_region_union_rectangle(region, &row);
    }
  }
  return region;
}

} // namespace tessera::gtk
