#include "platform/win32/activity_indicator_drawing.h"

#include "platform/api/activity_indicator_geometry.h"
#include "platform/win32/gdi_handles.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tessera::win32 {

namespace {

constexpr int kScale = 4;
constexpr double kTwoPi = 2 * std::numbers::pi;

// A point at `radius` from the centre, `turns` of a full turn clockwise
// from twelve o'clock.
POINT OnCircle(double centre, double radius, double turns) {
  return POINT{static_cast<LONG>(std::lround(centre + radius * std::sin(turns * kTwoPi))),
               static_cast<LONG>(std::lround(centre - radius * std::cos(turns * kTwoPi)))};
}

COLORREF Blend(COLORREF from, COLORREF to, double amount) {
  auto mix = [amount](int a, int b) {
    return static_cast<BYTE>(std::lround(a + (b - a) * amount));
  };
  return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
             mix(GetBValue(from), GetBValue(to)));
}

// An arc of the ring, in the colour faded towards the background as the
// arc asks.
void DrawRingArc(HDC dc, const TIndicatorRing& ring, const TIndicatorArc& arc, COLORREF color,
                 COLORREF background) {
  LOGBRUSH brush{BS_SOLID, Blend(color, background, arc.Fade), 0};
  TPen pen(ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT,
                        static_cast<DWORD>(std::lround(ring.Width)), &brush, 0, nullptr));
  TSelectObject selectPen(dc, pen.Get());
  TSelectObject selectBrush(dc, GetStockObject(NULL_BRUSH));
  // A whole turn is drawn a hair short, from one end point to another.
  const double length = std::min(arc.Length, 0.9999);
  const POINT from = OnCircle(ring.Centre, ring.Radius, arc.Start);
  const POINT to = OnCircle(ring.Centre, ring.Radius, arc.Start + length);
  const auto left = static_cast<int>(std::lround(ring.Centre - ring.Radius));
  const auto right = static_cast<int>(std::lround(ring.Centre + ring.Radius));
  SetArcDirection(dc, AD_CLOCKWISE);
  Arc(dc, left, left, right, right, from.x, from.y, to.x, to.y);
}

void DrawRing(HDC dc, const TIndicatorRing& ring, COLORREF color, COLORREF background) {
  for (const TIndicatorArc& arc : ring.Arcs) {
    DrawRingArc(dc, ring, arc, color, background);
  }
}

void DrawMomentumDots(HDC dc, double side, COLORREF color, double phase) {
  TBrush brush(CreateSolidBrush(color));
  TSelectObject selectBrush(dc, brush.Get());
  TSelectObject selectPen(dc, GetStockObject(NULL_PEN));
  for (const TIndicatorDot& dot : MomentumDots(side, phase)) {
    // The centre on the pixel grid first, then the dot round it.
    const double x = static_cast<double>(std::lround(dot.X));
    const double y = static_cast<double>(std::lround(dot.Y));
    Ellipse(dc, static_cast<int>(std::lround(x - dot.Radius)),
            static_cast<int>(std::lround(y - dot.Radius)),
            static_cast<int>(std::lround(x + dot.Radius)),
            static_cast<int>(std::lround(y + dot.Radius)));
  }
}

} // namespace

void DrawActivityIndicator(HDC dc, int side, TActivityIndicatorType type,
                           TActivityIndicatorColor color, double phase) {
  if (side <= 0) {
    return;
  }
  const int big = side * kScale;
  TMemoryCanvas canvas(dc, big, big);
  SetStretchBltMode(canvas.Dc(), COLORONCOLOR);
  StretchBlt(canvas.Dc(), 0, 0, big, big, dc, 0, 0, side, side, SRCCOPY);

  const COLORREF foreground =
      color == TActivityIndicatorColor::White ? RGB(255, 255, 255) : RGB(0, 0, 0);
  // The ring's middle is never drawn on: its pixel is the background.
  COLORREF background = GetPixel(dc, side / 2, side / 2);
  if (background == CLR_INVALID) {
    background = RGB(128, 128, 128);
  }
  switch (type) {
  case TActivityIndicatorType::MomentumDots:
    DrawMomentumDots(canvas.Dc(), big, foreground, phase);
    break;
  case TActivityIndicatorType::RotatingSector:
    DrawRing(canvas.Dc(), RotatingSector(big, phase), foreground, background);
    break;
  case TActivityIndicatorType::SectorRing:
    DrawRing(canvas.Dc(), SectorRing(big, phase), foreground, background);
    break;
  }

  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, 0, 0, side, side, canvas.Dc(), 0, 0, big, big, SRCCOPY);
}

} // namespace tessera::win32
