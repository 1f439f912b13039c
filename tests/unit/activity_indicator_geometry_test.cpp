// The shapes of the activity indicator's frames, shared by every backend.
#include "platform/api/activity_indicator_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tessera {
namespace {

constexpr double kSide = 100;

TEST(ActivityIndicatorGeometry, PhasesWrapIntoOneCycle) {
  const struct {
    double Turns;
    double Wrapped;
  } cases[] = {{0, 0}, {0.25, 0.25}, {1, 0}, {1.75, 0.75}, {-0.25, 0.75}, {-3, 0}};
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(WrapPhase(c.Turns), c.Wrapped) << c.Turns;
  }
}

TEST(ActivityIndicatorGeometry, DotsLeadFromTwelveAndTrailAnticlockwiseInsideTheSquare) {
  const auto dots = MomentumDots(kSide, 0);
  EXPECT_NEAR(dots[0].X, kSide / 2, 1e-9);
  EXPECT_LT(dots[0].Y, kSide / 2);
  const double radius = kSide / 2 - dots[0].Y;
  for (std::size_t i = 1; i < dots.size(); ++i) {
    // Behind the leader: left of twelve, each further round than the last.
    EXPECT_LT(dots[i].X, dots[i - 1].X) << i;
    EXPECT_NEAR(std::hypot(dots[i].X - kSide / 2, dots[i].Y - kSide / 2), radius, 1e-9) << i;
  }
  for (double phase : {0.0, 0.3, 0.6, 0.9}) {
    for (const TIndicatorDot& dot : MomentumDots(kSide, phase)) {
      EXPECT_GE(dot.X - dot.Radius, 0);
      EXPECT_LE(dot.X + dot.Radius, kSide);
      EXPECT_GE(dot.Y - dot.Radius, 0);
      EXPECT_LE(dot.Y + dot.Radius, kSide);
    }
  }
  // Slow over the top, fast through the bottom: the same time moves the
  // leader further near six o'clock than near twelve.
  const auto step = [](double phase) {
    const TIndicatorDot a = MomentumDots(kSide, phase)[0];
    const TIndicatorDot b = MomentumDots(kSide, phase + 0.02)[0];
    return std::hypot(b.X - a.X, b.Y - a.Y);
  };
  EXPECT_GT(step(0.49), 2 * step(0.99));
}

TEST(ActivityIndicatorGeometry, RingsStayInsideTheSquareAndFadeBehindTheLitSector) {
  for (const TIndicatorRing& ring : {RotatingSector(kSide, 0.3), SectorRing(kSide, 0.3)}) {
    EXPECT_DOUBLE_EQ(ring.Centre, kSide / 2);
    EXPECT_LE(ring.Radius + ring.Width / 2, kSide / 2);
    EXPECT_GT(ring.Radius - ring.Width / 2, 0);
  }

  const TIndicatorRing sector = RotatingSector(kSide, 1.3);
  ASSERT_EQ(sector.Arcs.size(), 2u);
  EXPECT_DOUBLE_EQ(sector.Arcs[0].Length, 1);
  EXPECT_GT(sector.Arcs[0].Fade, 0.5);
  EXPECT_NEAR(sector.Arcs[1].Start, 0.3, 1e-9);
  EXPECT_DOUBLE_EQ(sector.Arcs[1].Length, 0.25);
  EXPECT_EQ(sector.Arcs[1].Fade, 0);

  // Phase 0.3 lights the third of eight sectors; the one after it is the
  // furthest behind.
  const TIndicatorRing ring = SectorRing(kSide, 0.3);
  ASSERT_EQ(ring.Arcs.size(), 8u);
  EXPECT_EQ(ring.Arcs[2].Fade, 0);
  EXPECT_LT(ring.Arcs[1].Fade, ring.Arcs[0].Fade);
  EXPECT_DOUBLE_EQ(ring.Arcs[3].Fade, 0.85);
  for (std::size_t i = 0; i < ring.Arcs.size(); ++i) {
    // Gaps between the sectors: each stays inside its eighth.
    EXPECT_GT(ring.Arcs[i].Start, i / 8.0) << i;
    EXPECT_LT(ring.Arcs[i].Start + ring.Arcs[i].Length, (i + 1) / 8.0) << i;
  }
}

} // namespace
} // namespace tessera
