// The frames of the activity indicator's animations, drawn off screen.
#include "platform/win32/activity_indicator_drawing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace tessera::win32 {
namespace {

constexpr int kSide = 64;
constexpr COLORREF kBackground = RGB(0x50, 0x80, 0xB0);

// The pixels of one frame drawn over the background.
std::vector<COLORREF> Frame(TActivityIndicatorType type, TActivityIndicatorColor color,
                            double phase) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kSide, kSide);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, kSide, kSide};
  HBRUSH brush = CreateSolidBrush(kBackground);
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  DrawActivityIndicator(dc, kSide, type, color, phase);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      pixels.push_back(GetPixel(dc, x, y));
    }
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return pixels;
}

int CloseTo(const std::vector<COLORREF>& pixels, COLORREF target) {
  int count = 0;
  for (COLORREF pixel : pixels) {
    count += std::abs(GetRValue(pixel) - GetRValue(target)) < 24 &&
             std::abs(GetGValue(pixel) - GetGValue(target)) < 24 &&
             std::abs(GetBValue(pixel) - GetBValue(target)) < 24;
  }
  return count;
}

TEST(ActivityIndicatorDrawing, EveryTypeDrawsInItsColourAndMovesOverTheCycle) {
  for (auto type : {TActivityIndicatorType::MomentumDots, TActivityIndicatorType::RotatingSector,
                    TActivityIndicatorType::SectorRing}) {
    for (auto color : {TActivityIndicatorColor::Black, TActivityIndicatorColor::White}) {
      SCOPED_TRACE(testing::Message()
                   << "type " << static_cast<int>(type) << ", colour " << static_cast<int>(color));
      const COLORREF ink =
          color == TActivityIndicatorColor::White ? RGB(255, 255, 255) : RGB(0, 0, 0);
      const COLORREF other =
          color == TActivityIndicatorColor::White ? RGB(0, 0, 0) : RGB(255, 255, 255);
      const std::vector<COLORREF> early = Frame(type, color, 0.05);
      const std::vector<COLORREF> later = Frame(type, color, 0.55);
      EXPECT_GT(CloseTo(early, ink), 20);
      EXPECT_EQ(CloseTo(early, other), 0);
      // Most of the square stays background, its middle included.
      EXPECT_GT(CloseTo(early, kBackground), kSide * kSide / 2);
      EXPECT_EQ(early[(kSide / 2) * kSide + kSide / 2], kBackground);
      EXPECT_NE(early, later);
      EXPECT_EQ(early, Frame(type, color, 1.05)) << "one cycle later, the same frame";
    }
  }
}

} // namespace
} // namespace tessera::win32
