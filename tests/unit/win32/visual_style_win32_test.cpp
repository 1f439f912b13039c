// The Win32 toolkit's visual styles under a real window system (Wine + Xvfb
// in the suite). Wine answers the window manager's colour attributes
// without drawing them, so what can be seen here is the background the
// windows paint.
#include "platform/api/stored_styles.h"
#include "platform/win32/toolkit_win32.h"
#include "toolkit_test_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace tessera {
namespace {

using testing_win32::Hwnd;
using testing_win32::TRecordingEvents;

// The colour a window erases its background with.
COLORREF Background(const ToolkitWindow& window) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageW(Hwnd(window), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  const COLORREF color = GetPixel(dc, 8, 8);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return color;
}

class VisualStyleWin32Test : public testing::Test {
protected:
  std::unique_ptr<ToolkitWindow> NewWindow(TWindowKind kind) {
    auto window = FToolkit->CreateForm(FEvents, kind);
    window->SetBorderStyle(TBorderStyle::None);
    window->SetBounds(0, 0, 16, 16);
    window->SetColor(kOwnColor);
    return window;
  }

  static constexpr TColor kOwnColor = 0x00336699u;
  std::unique_ptr<Toolkit> FToolkit = CreateWin32Toolkit();
  TRecordingEvents FEvents;
};

TEST_F(VisualStyleWin32Test, AStyleColoursTheWindowsUntilTheSystemLookComesBack) {
  auto window = NewWindow(TWindowKind::Normal);
  auto popup = NewWindow(TWindowKind::ShadowPopup);
  window->Show();
  EXPECT_EQ(FToolkit->StyleNames(), AllStyleNames());
  EXPECT_EQ(FToolkit->ActiveStyle(), "Windows");

  EXPECT_TRUE(FToolkit->SetStyle("CARBON"));
  EXPECT_EQ(FToolkit->ActiveStyle(), "Carbon");
  const TColor carbon = FindStoredStyle("Carbon")->Palette.Window;
  EXPECT_EQ(Background(*window), carbon);
  // Small pop-ups keep the colour their owner gave them.
  EXPECT_EQ(Background(*popup), kOwnColor);
  // Windows made later take the style too, and it outlasts their own colour.
  auto later = NewWindow(TWindowKind::Normal);
  EXPECT_EQ(Background(*later), carbon);

  EXPECT_FALSE(FToolkit->SetStyle("Nope"));
  EXPECT_EQ(FToolkit->ActiveStyle(), "Carbon");
  EXPECT_EQ(Background(*window), carbon);

  // Every stored style applies, also to a window that is gone by then.
  later.reset();
  for (const TStoredStyle& style : StoredStyles()) {
    ASSERT_TRUE(FToolkit->SetStyle(std::string(style.Name))) << style.Name;
    EXPECT_EQ(Background(*window), style.Palette.Window) << style.Name;
  }

  EXPECT_TRUE(FToolkit->SetStyle("Windows"));
  EXPECT_EQ(FToolkit->ActiveStyle(), "Windows");
  EXPECT_EQ(Background(*window), kOwnColor);
  EXPECT_TRUE(IsWindow(Hwnd(*window)));
}

} // namespace
} // namespace tessera
