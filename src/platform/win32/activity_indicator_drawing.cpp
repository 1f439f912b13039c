#include "platform/win32/activity_indicator_drawing.h"

#include "platform/win32/gdi_handles.h"

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

double Wrap(double turns) {
  return turns - std::floor(turns);
}

COLORREF Blend(COLORREF from, COLORREF to, double amount) {
  auto mix = [amount](int a, int b) {
    return static_cast<BYTE>(std::lround(a + (b - a) * amount));
  };
  return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
             mix(GetBValue(from), GetBValue(to)));
}

// An arc of a ring, `width` thick, from `start` to `start + length` turns.
void DrawRingArc(HDC dc, double centre, double radius, double width, double start, double length,
                 COLORREF color) {
  LOGBRUSH brush{BS_SOLID, color, 0};
  TPen pen(ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT,
                        static_cast<DWORD>(std::lround(width)), &brush, 0, nullptr));
  TSelectObject selectPen(dc, pen.Get());
  TSelectObject selectBrush(dc, GetStockObject(NULL_BRUSH));
  const POINT from = OnCircle(centre, radius, start);
  const POINT to = OnCircle(centre, radius, start + length);
  const auto left = static_cast<int>(std::lround(centre - radius));
  const auto right = static_cast<int>(std::lround(centre + radius));
  SetArcDirection(dc, AD_CLOCKWISE);
  Arc(dc, left, left, right, right, from.x, from.y, to.x, to.y);
}

// Five dots running round a circle, slow over the top and fast through the
// bottom, each a little behind the one before.
void DrawMomentumDots(HDC dc, double side, COLORREF color, double phase) {
  const double centre = side / 2;
  const double dot = side * 0.055;
  const double radius = side / 2 - dot - side * 0.04;
  TBrush brush(CreateSolidBrush(color));
  TSelectObject selectBrush(dc, brush.Get());
  TSelectObject selectPen(dc, GetStockObject(NULL_PEN));
  for (int i = 0; i < 5; ++i) {
    const double t = Wrap(phase - i * 0.07);
    const double turns = t - 0.12 * std::sin(t * kTwoPi);
    const POINT at = OnCircle(centre, radius, turns);
    Ellipse(dc, static_cast<int>(std::lround(at.x - dot)),
            static_cast<int>(std::lround(at.y - dot)), static_cast<int>(std::lround(at.x + dot)),
            static_cast<int>(std::lround(at.y + dot)));
  }
}

// A quarter of a ring turning once a cycle over a faint full ring.
void DrawRotatingSector(HDC dc, double side, COLORREF color, COLORREF background, double phase) {
  const double width = side * 0.12;
  const double radius = side / 2 - width / 2 - side * 0.03;
  DrawRingArc(dc, side / 2, radius, width, 0, 0.9999, Blend(color, background, 0.8));
  DrawRingArc(dc, side / 2, radius, width, phase, 0.25, color);
}

// Eight sectors of a ring; the lit one moves on each eighth of the cycle
// and those behind it fade out.
void DrawSectorRing(HDC dc, double side, COLORREF color, COLORREF background, double phase) {
  constexpr int kSectors = 8;
  const double width = side * 0.2;
  const double radius = side / 2 - width / 2 - side * 0.03;
  const int lit = static_cast<int>(phase * kSectors) % kSectors;
  for (int i = 0; i < kSectors; ++i) {
    const int behind = (lit - i + kSectors) % kSectors;
    const double fade = 0.85 * behind / (kSectors - 1.0);
    DrawRingArc(dc, side / 2, radius, width, (i + 0.1) / kSectors, 0.8 / kSectors,
                Blend(color, background, fade));
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
  phase = Wrap(phase);
  switch (type) {
  case TActivityIndicatorType::MomentumDots:
    DrawMomentumDots(canvas.Dc(), big, foreground, phase);
    break;
  case TActivityIndicatorType::RotatingSector:
    DrawRotatingSector(canvas.Dc(), big, foreground, background, phase);
    break;
  case TActivityIndicatorType::SectorRing:
    DrawSectorRing(canvas.Dc(), big, foreground, background, phase);
    break;
  }

  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, 0, 0, side, side, canvas.Dc(), 0, 0, big, big, SRCCOPY);
}

} // namespace tessera::win32
