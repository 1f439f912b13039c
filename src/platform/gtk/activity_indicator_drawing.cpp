#include "platform/gtk/activity_indicator_drawing.h"

#include "platform/api/activity_indicator_geometry.h"

#include <cmath>
#include <numbers>

namespace tessera::gtk {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// Cairo measures angles from three o'clock; ours run clockwise from twelve.
double Angle(double turns) {
  return turns * kTwoPi - std::numbers::pi / 2;
}

// The ring's arcs; a faded arc is drawn translucent over the background.
void DrawRing(cairo_t* cr, const TIndicatorRing& ring, double level) {
  cairo_set_line_width(cr, ring.Width);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  for (const TIndicatorArc& arc : ring.Arcs) {
    cairo_set_source_rgba(cr, level, level, level, 1 - arc.Fade);
    cairo_new_sub_path(cr);
    cairo_arc(cr, ring.Centre, ring.Centre, ring.Radius, Angle(arc.Start),
              Angle(arc.Start + arc.Length));
    cairo_stroke(cr);
  }
}

void DrawMomentumDots(cairo_t* cr, double side, double level, double phase) {
  cairo_set_source_rgb(cr, level, level, level);
  for (const TIndicatorDot& dot : MomentumDots(side, phase)) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, dot.X, dot.Y, dot.Radius, 0, kTwoPi);
  }
  cairo_fill(cr);
}

} // namespace

void DrawActivityIndicator(cairo_t* cr, int side, TActivityIndicatorType type,
                           TActivityIndicatorColor color, double phase) {
  if (side <= 0) {
    return;
  }
  const double level = color == TActivityIndicatorColor::White ? 1.0 : 0.0;
  cairo_save(cr);
  switch (type) {
  case TActivityIndicatorType::MomentumDots:
    DrawMomentumDots(cr, side, level, phase);
    break;
  case TActivityIndicatorType::RotatingSector:
    DrawRing(cr, RotatingSector(side, phase), level);
    break;
  case TActivityIndicatorType::SectorRing:
    DrawRing(cr, SectorRing(side, phase), level);
    break;
  }
  cairo_restore(cr);
}

} // namespace tessera::gtk
