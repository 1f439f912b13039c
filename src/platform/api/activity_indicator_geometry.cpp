#include "platform/api/activity_indicator_geometry.h"

#include <cmath>
#include <numbers>

namespace tessera {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

} // namespace

double WrapPhase(double turns) {
  return turns - std::floor(turns);
}

std::array<TIndicatorDot, 5> MomentumDots(double side, double phase) {
  phase = WrapPhase(phase);
  const double centre = side / 2;
  const double dot = side * 0.055;
  const double radius = side / 2 - dot - side * 0.04;
  std::array<TIndicatorDot, 5> dots;
  for (int i = 0; i < 5; ++i) {
    const double t = WrapPhase(phase - i * 0.07);
    const double turns = t - 0.12 * std::sin(t * kTwoPi);
    dots[i] = TIndicatorDot{centre + radius * std::sin(turns * kTwoPi),
                            centre - radius * std::cos(turns * kTwoPi), dot};
  }
  return dots;
}

TIndicatorRing RotatingSector(double side, double phase) {
  phase = WrapPhase(phase);
  const double width = side * 0.12;
  TIndicatorRing ring{side / 2, side / 2 - width / 2 - side * 0.03, width, {}};
  ring.Arcs.push_back(TIndicatorArc{0, 1, 0.8});
  ring.Arcs.push_back(TIndicatorArc{phase, 0.25, 0});
  return ring;
}

TIndicatorRing SectorRing(double side, double phase) {
  phase = WrapPhase(phase);
  constexpr int kSectors = 8;
  const double width = side * 0.2;
  TIndicatorRing ring{side / 2, side / 2 - width / 2 - side * 0.03, width, {}};
  const int lit = static_cast<int>(phase * kSectors) % kSectors;
  for (int i = 0; i < kSectors; ++i) {
    const int behind = (lit - i + kSectors) % kSectors;
    ring.Arcs.push_back(
        TIndicatorArc{(i + 0.1) / kSectors, 0.8 / kSectors, 0.85 * behind / (kSectors - 1.0)});
  }
  return ring;
}

} // namespace tessera
