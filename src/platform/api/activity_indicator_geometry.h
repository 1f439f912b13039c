#pragma once

#include "platform/api/toolkit.h"

#include <array>
#include <vector>

namespace tessera {

// The shapes of one frame of the activity indicator's animations in a
// square of `side` pixels, the same for every backend; each backend only
// paints them. Phases and angles are in turns (a phase of any value is
// taken, wrapped into [0, 1)), angles clockwise from twelve o'clock. A fade
// runs from 0 (the indicator's colour) to 1 (the background).

// A phase brought into [0, 1): one cycle later is the same frame.
double WrapPhase(double turns);

// One of the momentum dots: its centre and radius.
struct TIndicatorDot {
  double X = 0;
  double Y = 0;
  double Radius = 0;
};

// Five dots running round a circle, slow over the top and fast through the
// bottom, each a little behind the one before; the leading dot first.
std::array<TIndicatorDot, 5> MomentumDots(double side, double phase);

// An arc of a ring, from `Start` to `Start + Length` turns.
struct TIndicatorArc {
  double Start = 0;
  double Length = 0;
  double Fade = 0;
};

// Arcs of one ring round the square's middle, `Width` thick, painted in
// order.
struct TIndicatorRing {
  double Centre = 0;
  double Radius = 0;
  double Width = 0;
  std::vector<TIndicatorArc> Arcs;
};

// A quarter of a ring turning once a cycle over a faint full ring.
TIndicatorRing RotatingSector(double side, double phase);

// Eight sectors of a ring; the lit one moves on each eighth of the cycle
// and those behind it fade out.
TIndicatorRing SectorRing(double side, double phase);

} // namespace tessera
