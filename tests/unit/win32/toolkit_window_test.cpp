// The Win32 toolkit's windows under a real window system (Wine + Xvfb in
// the suite, no window manager).
#include "platform/win32/toolkit_win32.h"
#include "toolkit_test_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace tessera {
namespace {

using testing_win32::Hwnd;
using testing_win32::PumpMessages;
using testing_win32::RunLater;
using testing_win32::RunUntilQuit;
using testing_win32::TRecordingEvents;

LONG_PTR Style(HWND hwnd) {
  return GetWindowLongPtrW(hwnd, GWL_STYLE);
}
LONG_PTR ExStyle(HWND hwnd) {
  return GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
}
int Width(const TBoundsRect& r) {
  return r.Right - r.Left;
}
int Height(const TBoundsRect& r) {
  return r.Bottom - r.Top;
}

class ToolkitWindowTest : public testing::Test {
protected:
  std::unique_ptr<ToolkitWindow> NewWindow(TWindowKind kind = TWindowKind::Normal) {
    return FToolkit->CreateForm(FEvents, kind);
  }

  std::unique_ptr<Toolkit> FToolkit = CreateWin32Toolkit();
  TRecordingEvents FEvents;
};

TEST_F(ToolkitWindowTest, CreatesAWindowAndReportsItsHandleOnce) {
  auto window = NewWindow();
  ASSERT_TRUE(IsWindow(Hwnd(*window)));
  EXPECT_EQ(FEvents.Created, std::vector<TNativeWindow>{window->Handle()});
  EXPECT_FALSE(window->Visible());
  EXPECT_EQ(GetClassLongPtrW(Hwnd(*window), GCL_STYLE) & CS_DROPSHADOW, 0u);

  window->SetCaption("Año — 中文");
  EXPECT_EQ(window->Caption(), "Año — 中文");

  HWND hwnd = Hwnd(*window);
  window.reset();
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(ToolkitWindowTest, ShadowPopupIsABarePopupWithADropShadowWhateverItsBorder) {
  auto popup = NewWindow(TWindowKind::ShadowPopup);
  HWND hwnd = Hwnd(*popup);
  EXPECT_NE(GetClassLongPtrW(hwnd, GCL_STYLE) & CS_DROPSHADOW, 0u);
  popup->SetBorderStyle(TBorderStyle::Sizeable);
  EXPECT_EQ(Style(hwnd) & (WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU), WS_POPUP);

  popup->SetClientSize(80, 80);
  EXPECT_EQ(Width(popup->Bounds()), 80);
  EXPECT_EQ(Height(popup->Bounds()), 80);
  EXPECT_TRUE(popup->SetRoundRectRegion(81, 81, 4, 4));
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(hwnd, region), COMPLEXREGION);
  DeleteObject(region);
}

TEST_F(ToolkitWindowTest, BorderStylesSetTheFrameAndKeepTheOuterSize) {
  struct Case {
    TBorderStyle Border;
    LONG_PTR Style;   // of WS_CAPTION | WS_THICKFRAME | WS_POPUP
    LONG_PTR ExStyle; // of WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME
  };
  const Case cases[] = {
      {TBorderStyle::None, WS_POPUP, 0},
      {TBorderStyle::Single, WS_CAPTION, 0},
      {TBorderStyle::Sizeable, WS_CAPTION | WS_THICKFRAME, 0},
      {TBorderStyle::Dialog, WS_POPUP | WS_CAPTION, WS_EX_DLGMODALFRAME},
      {TBorderStyle::ToolWindow, WS_CAPTION, WS_EX_TOOLWINDOW},
      {TBorderStyle::SizeToolWin, WS_CAPTION | WS_THICKFRAME, WS_EX_TOOLWINDOW},
  };
  auto window = NewWindow();
  HWND hwnd = Hwnd(*window);
  window->SetBounds(100, 100, 400, 300);
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Border));
    window->SetBorderStyle(c.Border);
    EXPECT_EQ(window->BorderStyle(), c.Border);
    EXPECT_EQ(Style(hwnd) & (WS_CAPTION | WS_THICKFRAME | WS_POPUP), c.Style);
    EXPECT_EQ(ExStyle(hwnd) & (WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME), c.ExStyle);
    EXPECT_EQ(window->Bounds(), (TBoundsRect{100, 100, 500, 400}));
    const TBoundsRect client = window->ClientRect();
    if (c.Border == TBorderStyle::None) {
      EXPECT_EQ(client, (TBoundsRect{0, 0, 400, 300}));
    } else {
      EXPECT_LT(Width(client), 400);
      EXPECT_LT(Height(client), 300 - GetSystemMetrics(SM_CYSMCAPTION) + 1);
    }
  }
}

TEST_F(ToolkitWindowTest, SetClientSizeSizesTheClientAreaAndReportsTheResize) {
  auto window = NewWindow();
  window->SetBorderStyle(TBorderStyle::Dialog);
  const int before = FEvents.Resizes;
  window->SetClientSize(308, 71);
  EXPECT_EQ(window->ClientRect(), (TBoundsRect{0, 0, 308, 71}));
  EXPECT_GT(FEvents.Resizes, before);
}

TEST_F(ToolkitWindowTest, SizeLimitsClampEveryBorderStyle) {
  // A frameless pop-up gets no track sizes from the system; the limits must
  // hold for it all the same.
  for (TBorderStyle border : {TBorderStyle::None, TBorderStyle::Sizeable, TBorderStyle::Dialog}) {
    SCOPED_TRACE(static_cast<int>(border));
    auto window = NewWindow();
    window->SetBorderStyle(border);
    window->SetBounds(10, 10, 1000, 700);
    window->SetSizeLimits(300, 200, 800, 600);
    EXPECT_EQ(Width(window->Bounds()), 800) << "the current size obeys new limits";
    EXPECT_EQ(Height(window->Bounds()), 600);
    window->SetBounds(10, 10, 50, 50);
    EXPECT_EQ(Width(window->Bounds()), 300);
    EXPECT_EQ(Height(window->Bounds()), 200);
    window->SetBounds(10, 10, 2000, 1500);
    EXPECT_EQ(Width(window->Bounds()), 800);
    EXPECT_EQ(Height(window->Bounds()), 600);

    // 0 lifts a limit; the others stay. (Captions have a smallest width of
    // their own, well below 150.)
    window->SetSizeLimits(0, 200, 0, 0);
    window->SetBounds(10, 10, 150, 50);
    EXPECT_EQ(Width(window->Bounds()), 150);
    EXPECT_EQ(Height(window->Bounds()), 200);
    window->SetBounds(10, 10, 1100, 900);
    EXPECT_EQ(Width(window->Bounds()), 1100);
  }
}

TEST_F(ToolkitWindowTest, StayOnTopSetsAndClearsTopmost) {
  auto window = NewWindow();
  window->SetStayOnTop(true);
  EXPECT_TRUE(window->StayOnTop());
  EXPECT_NE(ExStyle(Hwnd(*window)) & WS_EX_TOPMOST, 0);
  window->SetStayOnTop(false);
  EXPECT_FALSE(window->StayOnTop());
  EXPECT_EQ(ExStyle(Hwnd(*window)) & WS_EX_TOPMOST, 0);
}

TEST_F(ToolkitWindowTest, CentresOnTheDesktopAndOnThePrimaryWorkArea) {
  auto window = NewWindow();
  window->SetBounds(0, 0, 301, 201);

  window->CenterOnDesktop();
  const int desktopLeft = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int desktopTop = GetSystemMetrics(SM_YVIRTUALSCREEN);
  EXPECT_EQ(window->Bounds().Left, desktopLeft + (GetSystemMetrics(SM_CXVIRTUALSCREEN) - 301) / 2);
  EXPECT_EQ(window->Bounds().Top, desktopTop + (GetSystemMetrics(SM_CYVIRTUALSCREEN) - 201) / 2);

  window->SetBounds(0, 0, 301, 201);
  window->CenterOnScreen();
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(window->Bounds(), (TBoundsRect{work.left + (work.right - work.left - 301) / 2,
                                           work.top + (work.bottom - work.top - 201) / 2,
                                           work.left + (work.right - work.left - 301) / 2 + 301,
                                           work.top + (work.bottom - work.top - 201) / 2 + 201}));
}

TEST_F(ToolkitWindowTest, WindowStateIsRememberedWhileHiddenAndTakenWhenShown) {
  auto window = NewWindow();
  HWND hwnd = Hwnd(*window);
  window->SetBounds(50, 50, 400, 300);

  window->SetWindowState(TWindowState::Maximized);
  EXPECT_EQ(window->WindowState(), TWindowState::Maximized);
  EXPECT_FALSE(IsWindowVisible(hwnd)) << "setting the state must not show the window";
  window->Show();
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_TRUE(IsZoomed(hwnd));

  window->SetWindowState(TWindowState::Minimized);
  EXPECT_TRUE(IsIconic(hwnd));
  EXPECT_EQ(window->WindowState(), TWindowState::Minimized);

  window->SetWindowState(TWindowState::Normal);
  EXPECT_FALSE(IsIconic(hwnd));
  EXPECT_FALSE(IsZoomed(hwnd));
  EXPECT_EQ(window->Bounds(), (TBoundsRect{50, 50, 450, 350}));

  // Hiding keeps the state the window had.
  window->SetWindowState(TWindowState::Maximized);
  window->Hide();
  EXPECT_FALSE(window->Visible());
  EXPECT_EQ(window->WindowState(), TWindowState::Maximized);
  window->Show();
  EXPECT_TRUE(IsZoomed(hwnd));
}

TEST_F(ToolkitWindowTest, SystemMenuMinimizeAndRestoreAreReported) {
  auto window = NewWindow();
  window->Show();
  HWND hwnd = Hwnd(*window);
  SendMessageW(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(hwnd)) << "the command still does its usual work";
  SendMessageW(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  SendMessageW(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_EQ(FEvents.SysCommands, (std::vector{TSysCommand::Minimize, TSysCommand::Restore}));
}

TEST_F(ToolkitWindowTest, EmbeddedWindowReportsEveryCommandWholeAndKeepsThemFromTheSystem) {
  auto parent = NewWindow();
  parent->Show();
  TRecordingEvents childEvents;
  auto child = FToolkit->CreateForm(childEvents, TWindowKind::Normal);
  child->SetBorderStyle(TBorderStyle::None);
  child->SetParent(parent.get());
  child->Show();
  const HWND childHwnd = Hwnd(*child);
  const RECT before = [&] {
    RECT r{};
    GetWindowRect(childHwnd, &r);
    return r;
  }();

  // SC_MINIMIZE with the low bits set is another command, not a minimize.
  for (const WPARAM command : {WPARAM{SC_MINIMIZE}, WPARAM{SC_RESTORE}, WPARAM{SC_MAXIMIZE},
                               WPARAM{SC_MINIMIZE | 2}, WPARAM{SC_CLOSE}})
    SendMessageW(childHwnd, WM_SYSCOMMAND, command, 0);

  EXPECT_EQ(childEvents.SysCommands,
            (std::vector{TSysCommand::Minimize, TSysCommand::Restore, TSysCommand::Other,
                         TSysCommand::Other, TSysCommand::Other}));
  // None of them reached the system's handling: the embedded window was
  // neither minimized, maximized nor closed, and stayed where it was.
  EXPECT_FALSE(IsIconic(childHwnd));
  EXPECT_FALSE(IsZoomed(childHwnd));
  EXPECT_TRUE(IsWindowVisible(childHwnd));
  EXPECT_EQ(childEvents.CloseQueries, 0);
  RECT after{};
  GetWindowRect(childHwnd, &after);
  EXPECT_TRUE(EqualRect(&before, &after));
  EXPECT_TRUE(FEvents.SysCommands.empty()) << "the parent saw none of them";
}

TEST_F(ToolkitWindowTest, RefusedCloseKeepsTheWindowOpen) {
  auto window = NewWindow();
  window->Show();
  FEvents.AllowClose = false;
  window->Close();
  // The title-bar button, Alt+F4 and the task bar all arrive as WM_CLOSE.
  SendMessageW(Hwnd(*window), WM_CLOSE, 0, 0);
  EXPECT_EQ(FEvents.CloseQueries, 2);
  EXPECT_EQ(FEvents.ClosedCount, 0);
  EXPECT_TRUE(window->Visible());
  EXPECT_TRUE(IsWindow(Hwnd(*window)));
}

TEST_F(ToolkitWindowTest, GrantedCloseHidesTheWindowAndEndsTheLoopOnlyForTheMainWindow) {
  auto other = NewWindow();
  other->Show();
  other->Close();
  EXPECT_EQ(FEvents.ClosedCount, 1);
  EXPECT_FALSE(other->Visible());
  MSG message{};
  EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));

  auto main = NewWindow();
  FToolkit->SetMainWindow(main.get());
  main->Show();
  bool visibleWhenClosed = true;
  FEvents.OnClosed = [&] { visibleWhenClosed = main->Visible(); };
  PostMessageW(Hwnd(*main), WM_CLOSE, 0, 0);
  EXPECT_EQ(RunUntilQuit(), 0);
  EXPECT_EQ(FEvents.ClosedCount, 2);
  EXPECT_FALSE(visibleWhenClosed);
}

TEST_F(ToolkitWindowTest, OwnerMayFreeTheWindowWhenToldItClosed) {
  auto main = NewWindow();
  FToolkit->SetMainWindow(main.get());
  main->Show();
  FEvents.OnClosed = [&] { main.reset(); };
  PostMessageW(Hwnd(*main), WM_CLOSE, 0, 0);
  EXPECT_EQ(RunUntilQuit(), 0);
  EXPECT_EQ(main, nullptr);
}

TEST_F(ToolkitWindowTest, ShowModalDisablesTheOtherWindowsUntilEndModal) {
  auto background = NewWindow();
  background->Show();
  auto dialog = NewWindow();
  bool backgroundEnabledDuringRun = true;
  bool dialogVisibleDuringRun = false;
  RunLater(50, [&] {
    backgroundEnabledDuringRun = IsWindowEnabled(Hwnd(*background));
    dialogVisibleDuringRun = dialog->Visible();
    dialog->EndModal(TModalResult::OK);
  });
  EXPECT_EQ(dialog->ShowModal(), TModalResult::OK);
  EXPECT_FALSE(backgroundEnabledDuringRun);
  EXPECT_TRUE(dialogVisibleDuringRun);
  EXPECT_TRUE(IsWindowEnabled(Hwnd(*background)));
  EXPECT_FALSE(dialog->Visible());
}

TEST_F(ToolkitWindowTest, GrantedCloseEndsAModalRunWithCancel) {
  auto dialog = NewWindow();
  FEvents.AllowClose = false;
  RunLater(50, [&] {
    SendMessageW(Hwnd(*dialog), WM_CLOSE, 0, 0); // refused: the run goes on
    RunLater(50, [&] {
      FEvents.AllowClose = true;
      PostMessageW(Hwnd(*dialog), WM_CLOSE, 0, 0);
    });
  });
  EXPECT_EQ(dialog->ShowModal(), TModalResult::Cancel);
  EXPECT_EQ(FEvents.CloseQueries, 2);
  EXPECT_EQ(FEvents.ClosedCount, 1);
  EXPECT_FALSE(dialog->Visible());
}

TEST_F(ToolkitWindowTest, QuitDuringAModalRunEndsItAndReachesTheOuterLoop) {
  auto dialog = NewWindow();
  RunLater(50, [] { PostQuitMessage(7); });
  EXPECT_EQ(dialog->ShowModal(), TModalResult::Cancel);
  EXPECT_EQ(RunUntilQuit(), 7);
}

TEST_F(ToolkitWindowTest, EmbeddedWindowFillsItsParentAndFollowsItsSize) {
  TRecordingEvents childEvents;
  auto parent = NewWindow();
  auto child = FToolkit->CreateForm(childEvents, TWindowKind::Normal);
  child->SetBorderStyle(TBorderStyle::None);
  parent->SetClientSize(500, 400);
  child->SetParent(parent.get());
  child->Show();
  HWND childHwnd = Hwnd(*child);
  EXPECT_EQ(GetParent(childHwnd), Hwnd(*parent));
  EXPECT_NE(Style(childHwnd) & WS_CHILD, 0);
  EXPECT_EQ(Style(childHwnd) & WS_POPUP, 0);
  EXPECT_EQ(child->ClientRect(), (TBoundsRect{0, 0, 500, 400}));

  const int resizes = childEvents.Resizes;
  parent->SetClientSize(640, 300);
  EXPECT_EQ(child->ClientRect(), (TBoundsRect{0, 0, 640, 300}));
  EXPECT_GT(childEvents.Resizes, resizes);

  child->SetParent(nullptr);
  EXPECT_EQ(GetAncestor(childHwnd, GA_PARENT), GetDesktopWindow());
  EXPECT_EQ(Style(childHwnd) & WS_CHILD, 0);
  parent->SetClientSize(200, 200);
  EXPECT_EQ(child->ClientRect(), (TBoundsRect{0, 0, 640, 300}));
}

TEST_F(ToolkitWindowTest, EmbeddedWindowOutlivesAParentFreedFirst) {
  TRecordingEvents childEvents;
  auto parent = NewWindow();
  auto child = FToolkit->CreateForm(childEvents, TWindowKind::Normal);
  child->SetParent(parent.get());
  parent.reset();
  ASSERT_TRUE(IsWindow(Hwnd(*child)));
  EXPECT_EQ(Style(Hwnd(*child)) & WS_CHILD, 0);
  child->SetCaption("still here");
  EXPECT_EQ(child->Caption(), "still here");
}

TEST_F(ToolkitWindowTest, PaintsTheBackgroundInItsColour) {
  struct Case {
    TColor Color;
    COLORREF Expected;
  };
  const Case cases[] = {
      {0x00336699u, RGB(0x99, 0x66, 0x33)},
      {kColorWindow, GetSysColor(COLOR_WINDOW)},
      {kColorHotLight, GetSysColor(COLOR_HOTLIGHT)},
      {SystemColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHT)},
  };
  auto window = NewWindow();
  window->SetBorderStyle(TBorderStyle::None);
  window->SetBounds(0, 0, 16, 16);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
  HGDIOBJ old = SelectObject(dc, bitmap);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Color);
    window->SetColor(c.Color);
    SendMessageW(Hwnd(*window), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    EXPECT_EQ(GetPixel(dc, 8, 8), c.Expected);
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

TEST_F(ToolkitWindowTest, ShowsItsCursorOverItsClientArea) {
  auto window = NewWindow();
  HWND hwnd = Hwnd(*window);
  window->SetCursor(TCursorKind::AppStarting);
  SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, 0));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_APPSTARTING));
  window->SetCursor(TCursorKind::Default);
  SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, 0));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(ToolkitWindowTest, ActiveWindowIsTheShownForegroundWindow) {
  auto window = NewWindow();
  window->Show();
  window->BringToFront();
  PumpMessages();
  EXPECT_EQ(FToolkit->ActiveWindow(), window->Handle());
}

} // namespace
} // namespace tessera
