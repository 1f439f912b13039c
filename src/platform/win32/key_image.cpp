#include "platform/win32/key_image.h"

#include "platform/win32/gdi_handles.h"

namespace tessera::win32 {

namespace {

constexpr COLORREF kKeyFill = RGB(0xE0, 0xB0, 0x30);
constexpr COLORREF kKeyOutline = RGB(0x80, 0x5A, 0x10);

} // namespace

void DrawKeyImage(HDC dc, int left, int top, int side) {
  // Laid out on a 16 by 16 grid, scaled to the side asked for.
  auto x = [&](int unit) { return left + MulDiv(unit, side, 16); };
  auto y = [&](int unit) { return top + MulDiv(unit, side, 16); };
  const int outline = side >= 24 ? 2 : 1;
  TPen pen(CreatePen(PS_SOLID, outline, kKeyOutline));
  TBrush fill(CreateSolidBrush(kKeyFill));
  TSelectObject selectPen(dc, pen.Get());
  TSelectObject selectBrush(dc, fill.Get());
  // Shaft and the two teeth first, so that the bow's outline covers where
  // they meet it.
  Rectangle(dc, x(7), y(7), x(16), y(10));
  Rectangle(dc, x(11), y(9), x(13), y(12));
  Rectangle(dc, x(14), y(9), x(16), y(13));
  Ellipse(dc, x(0), y(3), x(9), y(13));
  // The hole in the bow shows the box's background.
  TBrush hole(CreateSolidBrush(GetSysColor(COLOR_WINDOW)));
  TSelectObject selectHole(dc, hole.Get());
  Ellipse(dc, x(2), y(6), x(5), y(10));
}

} // namespace tessera::win32
