#include "platform/gtk/activity_indicator_drawing.h"

#include <cmath>
#include <numbers>

namespace tessera::gtk {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

double Wrap(double turns) {
  return turns - std::floor(turns);
}

// Cairo measures angles from three o'clock; ours run clockwise from twelve.
double Angle(double turns) {
  return turns * kTwoPi - std::numbers::pi / 2;
}

// An arc of a ring, `width` thick, from `start` to `start + length` turns.
void RingArc(cairo_t* cr, double centre, double radius, double width, double start, double length) {
  cairo_set_line_width(cr, width);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_new_sub_path(cr);
  cairo_arc(cr, centre, centre, radius, Angle(start), Angle(start + length));
  cairo_stroke(cr);
}

// Five dots running round a circle, slow over the top and fast through the
// bottom, each a little behind the one before.
void MomentumDots(cairo_t* cr, double side, double phase) {
  const double centre = side / 2;
  const double dot = side * 0.055;
  const double radius = side / 2 - dot - side * 0.04;
  for (int i = 0; i < 5; ++i) {
    const double t = Wrap(phase - i * 0.07);
    const double turns = t - 0.12 * std::sin(t * kTwoPi);
    cairo_new_sub_path(cr);
    cairo_arc(cr, centre + radius * std::cos(Angle(turns)),
              centre + radius * std::sin(Angle(turns)), dot, 0, kTwoPi);
  }
  cairo_fill(cr);
}

// A quarter of a ring turning once a cycle over a faint full ring.
void RotatingSector(cairo_t* cr, double side, double red, double green, double blue, double phase) {
  const double width = side * 0.12;
  const double radius = side / 2 - width / 2 - side * 0.03;
  cairo_set_source_rgba(cr, red, green, blue, 0.2);
  RingArc(cr, side / 2, radius, width, 0, 1);
  cairo_set_source_rgb(cr, red, green, blue);
  RingArc(cr, side / 2, radius, width, phase, 0.25);
}

// Eight sectors of a ring; the lit one moves on each eighth of the cycle
// and those behind it fade out.
void SectorRing(cairo_t* cr, double side, double red, double green, double blue, double phase) {
  constexpr int kSectors = 8;
  const double width = side * 0.2;
  const double radius = side / 2 - width / 2 - side * 0.03;
  const int lit = static_cast<int>(phase * kSectors) % kSectors;
  for (int i = 0; i < kSectors; ++i) {
    const int behind = (lit - i + kSectors) % kSectors;
    cairo_set_source_rgba(cr, red, green, blue, 1 - 0.85 * behind / (kSectors - 1.0));
    RingArc(cr, side / 2, radius, width, (i + 0.1) / kSectors, 0.8 / kSectors);
  }
}

} // namespace

void DrawActivityIndicator(cairo_t* cr, int side, TActivityIndicatorType type,
                           TActivityIndicatorColor color, double phase) {
  if (side <= 0) {
    return;
  }
  const double level = color == TActivityIndicatorColor::White ? 1.0 : 0.0;
  phase = Wrap(phase);
  cairo_save(cr);
  cairo_set_source_rgb(cr, level, level, level);
  switch (type) {
  case TActivityIndicatorType::MomentumDots:
    MomentumDots(cr, side, phase);
    break;
  case TActivityIndicatorType::RotatingSector:
    RotatingSector(cr, side, level, level, level, phase);
    break;
  case TActivityIndicatorType::SectorRing:
    SectorRing(cr, side, level, level, level, phase);
    break;
  }
  cairo_restore(cr);
}

} // namespace tessera::gtk
