// The GTK toolkit's windows on a real X server (Xvfb, with openbox when the
// suite finds it): geometry, frames, states, the close protocol, modal runs
// and embedding.
#include "platform/gtk/event_loop_glib.h"
#include "platform/gtk/round_rect_region.h"
#include "platform/gtk/toolkit_gtk.h"

#include "gtk_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

namespace tessera {
namespace {

using testing_gtk::Area;
using testing_gtk::HaveWindowManager;
using testing_gtk::PumpFor;
using testing_gtk::PumpUntil;
using testing_gtk::RunLater;
using testing_gtk::TopLevelOf;
using testing_gtk::TRecordingEvents;
using testing_gtk::TScopedRunLater;

// The size the window reports; where it is belongs to the window manager.
std::pair<int, int> BoundsSize(const ToolkitWindow& window) {
  const TBoundsRect bounds = window.Bounds();
  return {bounds.Right - bounds.Left, bounds.Bottom - bounds.Top};
}

// The size the X server gave the window.
std::pair<int, int> RealSize(const ToolkitWindow& window) {
  GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(TopLevelOf(window)));
  return {gdk_window_get_width(gdkWindow), gdk_window_get_height(gdkWindow)};
}

// The window manager's frame around the window as the X server has it
// (left, right, top, bottom); zero without one.
std::array<long, 4> Frame(const ToolkitWindow& window) {
  return testing_gtk::NetFrameExtents(GTK_WIDGET(TopLevelOf(window)))
      .value_or(std::array<long, 4>{0, 0, 0, 0});
}

// The outer size on the screen: the window's own and the frame around it.
// A wait that looks at the frame as well reads it once and passes it: the
// window manager may announce it between two reads.
std::pair<int, int> OuterRealSize(const ToolkitWindow& window, const std::array<long, 4>& frame) {
  const auto [width, height] = RealSize(window);
  return {width + static_cast<int>(frame[0] + frame[1]),
          height + static_cast<int>(frame[2] + frame[3])};
}

std::pair<int, int> OuterRealSize(const ToolkitWindow& window) {
  return OuterRealSize(window, Frame(window));
}

// Whether the window manager has taken a decorated window in: shown, with
// its frame announced. GTK gives the window the size asked for before
// that, so a size seen earlier has yet to make room for the frame.
bool Framed(const ToolkitWindow& window, const std::array<long, 4>& frame) {
  return !HaveWindowManager() ||
         (testing_gtk::Viewable(GTK_WIDGET(TopLevelOf(window))) && frame[2] > 0);
}

std::string SizeText(std::pair<int, int> size) {
  return std::to_string(size.first) + "x" + std::to_string(size.second);
}

// The window a client area is in as a window's own area: the top-level
// holds it through the box that stacks the menu bar above it.
GtkWidget* HoldingWindow(GtkWidget* area) {
  GtkWidget* box = gtk_widget_get_parent(area);
  return GTK_IS_BOX(box) ? gtk_widget_get_parent(box) : nullptr;
}

class ToolkitWindowGtkTest : public testing::Test {
protected:
  std::unique_ptr<ToolkitWindow> NewWindow(TWindowKind kind = TWindowKind::Normal) {
    return FToolkit->CreateForm(FEvents, kind);
  }

  std::unique_ptr<Toolkit> FToolkit = CreateGtkToolkit();
  TRecordingEvents FEvents;
};

TEST_F(ToolkitWindowGtkTest, HandleIsTheClientAreaAFixedReportedOnce) {
  auto window = NewWindow();
  GtkWidget* area = Area(*window);
  ASSERT_TRUE(GTK_IS_FIXED(area));
  EXPECT_EQ(HoldingWindow(area), GTK_WIDGET(TopLevelOf(*window)));
  EXPECT_EQ(FEvents.Created, std::vector<TNativeWindow>{window->Handle()});
  EXPECT_FALSE(window->Visible());

  window->SetCaption("Año — 中文");
  EXPECT_EQ(window->Caption(), "Año — 中文");
  EXPECT_STREQ(gtk_window_get_title(TopLevelOf(*window)), "Año — 中文");
  // Malformed text from a package is shown, not refused.
  window->SetCaption("bad \xff byte");
  EXPECT_EQ(window->Caption(), "bad \xef\xbf\xbd byte");

  g_object_ref(area);
  window.reset();
  EXPECT_EQ(gtk_widget_get_parent(area), nullptr) << "the window went with its object";
  g_object_unref(area);
}

TEST_F(ToolkitWindowGtkTest, BorderStylesSetTheFrameHints) {
  struct Case {
    TBorderStyle Border;
    bool Decorated;
    bool Resizable;
    GdkWindowTypeHint Hint;
    bool SkipTaskbar;
  };
  const Case cases[] = {
      {TBorderStyle::None, false, true, GDK_WINDOW_TYPE_HINT_NORMAL, false},
      {TBorderStyle::Single, true, false, GDK_WINDOW_TYPE_HINT_NORMAL, false},
      {TBorderStyle::Sizeable, true, true, GDK_WINDOW_TYPE_HINT_NORMAL, false},
      {TBorderStyle::Dialog, true, false, GDK_WINDOW_TYPE_HINT_DIALOG, false},
      {TBorderStyle::ToolWindow, true, false, GDK_WINDOW_TYPE_HINT_UTILITY, true},
      {TBorderStyle::SizeToolWin, true, true, GDK_WINDOW_TYPE_HINT_UTILITY, true},
  };
  auto window = NewWindow();
  GtkWindow* top = TopLevelOf(*window);
  window->SetBounds(100, 100, 400, 300);
  window->Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Border));
    window->SetBorderStyle(c.Border);
    EXPECT_EQ(window->BorderStyle(), c.Border);
    EXPECT_EQ(gtk_window_get_decorated(top), c.Decorated);
    EXPECT_EQ(gtk_window_get_resizable(top), c.Resizable);
    EXPECT_EQ(gtk_window_get_type_hint(top), c.Hint);
    EXPECT_EQ(gtk_window_get_skip_taskbar_hint(top), c.SkipTaskbar);
    // A fixed frame keeps the outer size it had, rather than shrinking to
    // what its contents ask for; the client area is what the frame leaves.
    EXPECT_TRUE(PumpUntil([&] {
      const auto [width, height] = RealSize(*window);
      return OuterRealSize(*window) == std::make_pair(400, 300) &&
             window->ClientRect() == TBoundsRect{0, 0, width, height};
    })) << SizeText(OuterRealSize(*window));
    EXPECT_EQ(BoundsSize(*window), std::make_pair(400, 300));
  }

  // A shadow pop-up has no frame whatever its border style says.
  auto popup = NewWindow(TWindowKind::ShadowPopup);
  popup->SetBorderStyle(TBorderStyle::Sizeable);
  EXPECT_FALSE(gtk_window_get_decorated(TopLevelOf(*popup)));
}

TEST_F(ToolkitWindowGtkTest, SizeAndPlaceApplyAndResizesAreReported) {
  auto window = NewWindow();
  window->SetBorderStyle(TBorderStyle::Dialog);
  window->SetBounds(40, 30, 200, 100);
  window->SetClientSize(308, 71);
  // Known at once, before the server has applied it.
  EXPECT_EQ(window->ClientRect(), (TBoundsRect{0, 0, 308, 71}));
  EXPECT_EQ(window->Bounds(), (TBoundsRect{40, 30, 348, 101}));
  window->Show();
  // The frame, once the window manager tells of it, comes around the
  // client size asked for.
  EXPECT_TRUE(PumpUntil([&] {
    const std::array<long, 4> frame = Frame(*window);
    return RealSize(*window) == std::make_pair(308, 71) &&
           gtk_widget_get_allocated_width(Area(*window)) == 308 && Framed(*window, frame) &&
           BoundsSize(*window) == OuterRealSize(*window, frame);
  })) << SizeText(RealSize(*window))
      << " in " << SizeText(BoundsSize(*window));
  EXPECT_EQ(window->ClientRect(), (TBoundsRect{0, 0, 308, 71}));
  EXPECT_GT(FEvents.Resizes, 0);
  const int resizes = FEvents.Resizes;
  window->SetBounds(40, 30, 500, 200);
  EXPECT_EQ(window->Bounds(), (TBoundsRect{40, 30, 540, 230}));
  EXPECT_TRUE(PumpUntil([&] { return FEvents.Resizes > resizes; }));
  const std::array<long, 4> frame = Frame(*window);
  EXPECT_EQ(gtk_widget_get_allocated_height(Area(*window)), 200 - frame[2] - frame[3]);
  EXPECT_EQ(window->ClientRect(), (TBoundsRect{0, 0, static_cast<int>(500 - frame[0] - frame[1]),
                                               static_cast<int>(200 - frame[2] - frame[3])}));
}

TEST_F(ToolkitWindowGtkTest, SizeLimitsClampEveryBorderStyle) {
  for (TBorderStyle border : {TBorderStyle::None, TBorderStyle::Sizeable, TBorderStyle::Dialog}) {
    SCOPED_TRACE(static_cast<int>(border));
    auto window = NewWindow();
    window->SetBorderStyle(border);
    window->SetBounds(10, 10, 1000, 700);
    window->Show();
    // The limits are of the outer size: the window manager is asked to
    // keep the window inside its frame within them less the frame.
    window->SetSizeLimits(300, 200, 800, 600);
    EXPECT_EQ(BoundsSize(*window), std::make_pair(800, 600)) << "the current size obeys new limits";
    window->SetBounds(10, 10, 50, 50);
    EXPECT_EQ(BoundsSize(*window), std::make_pair(300, 200));
    GtkWidget* top = GTK_WIDGET(TopLevelOf(*window));
    EXPECT_TRUE(PumpUntil([&] {
      const auto [width, height] = RealSize(*window);
      const auto [minWidth, minHeight] = testing_gtk::MinimumSizeHint(top);
      const std::array<long, 4> frame = Frame(*window);
      return OuterRealSize(*window) == std::make_pair(300, 200) &&
             std::make_pair(minWidth + frame[0] + frame[1], minHeight + frame[2] + frame[3]) ==
                 std::make_pair(300L, 200L) &&
             window->ClientRect() == TBoundsRect{0, 0, width, height};
    })) << SizeText(OuterRealSize(*window))
        << ", at least " << SizeText(testing_gtk::MinimumSizeHint(top));
    window->SetBounds(10, 10, 2000, 1500);
    EXPECT_EQ(BoundsSize(*window), std::make_pair(800, 600));
    EXPECT_TRUE(PumpUntil([&] { return OuterRealSize(*window) == std::make_pair(800, 600); }))
        << SizeText(OuterRealSize(*window));

    // 0 lifts a limit; the others stay.
    window->SetSizeLimits(0, 200, 0, 0);
    window->SetBounds(10, 10, 150, 50);
    EXPECT_EQ(BoundsSize(*window), std::make_pair(150, 200));
    EXPECT_TRUE(PumpUntil([&] { return OuterRealSize(*window) == std::make_pair(150, 200); }))
        << SizeText(OuterRealSize(*window));
    window->SetBounds(10, 10, 1100, 700);
    EXPECT_EQ(BoundsSize(*window), std::make_pair(1100, 700));
  }
}

// A window manager sends more configure notices than GTK asks for (its own
// notices of where a window is, besides the real resizes), so one about the
// old size may come after GTK asked for a new one and stand for its answer,
// as happens on a busy machine. The size asked for comes all the same, and
// a window that is not resizable keeps it as its only size rather than the
// old one.
TEST_F(ToolkitWindowGtkTest, ALateNoticeOfTheOldSizeDoesNotUndoAResize) {
  for (TBorderStyle border : {TBorderStyle::Dialog, TBorderStyle::Sizeable}) {
    SCOPED_TRACE(static_cast<int>(border));
    auto window = NewWindow();
    window->SetBorderStyle(border);
    window->SetBounds(10, 10, 500, 400);
    window->Show();
    GtkWidget* top = GTK_WIDGET(TopLevelOf(*window));
    // Settled in its frame first: the sizes below are the frame's, and a
    // frame still to come would change them.
    std::array<long, 4> frame{};
    ASSERT_TRUE(PumpUntil([&] {
      frame = Frame(*window);
      const auto [width, height] = RealSize(*window);
      return Framed(*window, frame) && OuterRealSize(*window, frame) == std::make_pair(500, 400) &&
             BoundsSize(*window) == std::make_pair(500, 400) &&
             window->ClientRect() == TBoundsRect{0, 0, width, height};
    })) << SizeText(RealSize(*window))
        << " framed " << frame[0] << "," << frame[1] << "," << frame[2] << "," << frame[3];
    const auto [oldWidth, oldHeight] = RealSize(*window);
    const auto frameWidth = static_cast<int>(frame[0] + frame[1]);
    const auto frameHeight = static_cast<int>(frame[2] + frame[3]);

    window->SetBounds(10, 10, 300, 200);
    // GTK asks the window manager now rather than when its loop runs next,
    // so that the old notice surely comes after the request.
    gtk_container_check_resize(GTK_CONTAINER(top));
    GdkEvent* notice = gdk_event_new(GDK_CONFIGURE);
    notice->configure.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(top)));
    notice->configure.send_event = TRUE;
    notice->configure.x = 10;
    notice->configure.y = 10;
    notice->configure.width = oldWidth;
    notice->configure.height = oldHeight;
    gtk_main_do_event(notice);
    gdk_event_free(notice);
    EXPECT_EQ(BoundsSize(*window), std::make_pair(300, 200)) << "the old size is not reported";

    const bool fixed = border == TBorderStyle::Dialog;
    const auto inside = std::make_pair(300 - frameWidth, 200 - frameHeight);
    EXPECT_TRUE(PumpUntil([&] {
      return RealSize(*window) == inside && (!fixed || testing_gtk::MinimumSizeHint(top) == inside);
    })) << SizeText(RealSize(*window))
        << ", at least " << SizeText(testing_gtk::MinimumSizeHint(top)) << ", wanted "
        << SizeText(inside);
    EXPECT_EQ(BoundsSize(*window), std::make_pair(300, 200));
  }
}

// Bounds are the outer ones, as the window manager frames the window: the
// size asked for is the size on the screen, frame included, the client
// area is smaller by the frame, the position is the frame's corner, and
// setting the bounds read back changes nothing (no growth by the frame on
// each round).
TEST_F(ToolkitWindowGtkTest, BoundsAreTheOuterFrameAndRoundTripUnchanged) {
  if (!HaveWindowManager()) {
    GTEST_SKIP() << "only a window manager draws a frame";
  }
  for (TBorderStyle border : {TBorderStyle::Sizeable, TBorderStyle::Dialog}) {
    SCOPED_TRACE(static_cast<int>(border));
    auto window = NewWindow();
    window->SetBorderStyle(border);
    window->SetBounds(60, 50, 500, 400);
    window->Show();
    GtkWidget* top = GTK_WIDGET(TopLevelOf(*window));
    auto origin = [&] {
      int x = 0;
      int y = 0;
      gdk_window_get_origin(gtk_widget_get_window(top), &x, &y);
      return std::make_pair(x, y);
    };
    std::array<long, 4> frame{};
    ASSERT_TRUE(PumpUntil([&] {
      frame = Frame(*window);
      return frame[2] > 0 && OuterRealSize(*window) == std::make_pair(500, 400) &&
             origin() ==
                 std::make_pair(static_cast<int>(60 + frame[0]), static_cast<int>(50 + frame[2]));
    })) << SizeText(OuterRealSize(*window))
        << " at " << origin().first << "," << origin().second;
    EXPECT_EQ(window->Bounds(), (TBoundsRect{60, 50, 560, 450}));
    const auto [width, height] = RealSize(*window);
    EXPECT_EQ(width, 500 - frame[0] - frame[1]);
    EXPECT_EQ(height, 400 - frame[2] - frame[3]);
    EXPECT_EQ(window->ClientRect(), (TBoundsRect{0, 0, width, height}));

    for (int round = 1; round <= 3; ++round) {
      SCOPED_TRACE(round);
      const TBoundsRect read = window->Bounds();
      window->SetBounds(read.Left, read.Top, read.Right - read.Left, read.Bottom - read.Top);
      // A move after it: once it shows, whatever the round trip asked of
      // the window manager has been answered too.
      window->SetBounds(read.Left + 10, read.Top, read.Right - read.Left, read.Bottom - read.Top);
      EXPECT_TRUE(PumpUntil([&] {
        return origin().first == static_cast<int>(read.Left + 10 + frame[0]);
      })) << origin().first;
      EXPECT_EQ(RealSize(*window), std::make_pair(width, height));
      EXPECT_EQ(BoundsSize(*window), std::make_pair(500, 400));
    }
  }
}

// A client size asked for stays the client size when the frame arrives:
// the window grows around it.
TEST_F(ToolkitWindowGtkTest, AClientSizeAskedForGetsTheFrameAroundIt) {
  if (!HaveWindowManager()) {
    GTEST_SKIP() << "only a window manager draws a frame";
  }
  auto window = NewWindow();
  window->SetClientSize(420, 260);
  window->Show();
  ASSERT_TRUE(PumpUntil([&] {
    return Frame(*window)[2] > 0 && RealSize(*window) == std::make_pair(420, 260) &&
           BoundsSize(*window) == OuterRealSize(*window);
  })) << SizeText(RealSize(*window))
      << " in " << SizeText(BoundsSize(*window));
  EXPECT_EQ(window->ClientRect(), (TBoundsRect{0, 0, 420, 260}));
}

TEST_F(ToolkitWindowGtkTest, CentresOnTheDesktopAndOnThePrimaryWorkArea) {
  auto window = NewWindow();
  window->SetBounds(0, 0, 301, 201);
  GdkDisplay* display = gdk_display_get_default();
  GdkRectangle screen{};
  gdk_monitor_get_geometry(gdk_display_get_monitor(display, 0), &screen);
  ASSERT_EQ(gdk_display_get_n_monitors(display), 1) << "the suite's display has one screen";

  window->CenterOnDesktop();
  EXPECT_EQ(window->Bounds(),
            (TBoundsRect{screen.x + (screen.width - 301) / 2, screen.y + (screen.height - 201) / 2,
                         screen.x + (screen.width - 301) / 2 + 301,
                         screen.y + (screen.height - 201) / 2 + 201}));
  GdkRectangle work{};
  gdk_monitor_get_workarea(gdk_display_get_monitor(display, 0), &work);
  window->CenterOnScreen();
  EXPECT_EQ(window->Bounds().Left, work.x + (work.width - 301) / 2);
  EXPECT_EQ(window->Bounds().Top, work.y + (work.height - 201) / 2);
  window->Show();
  EXPECT_TRUE(PumpUntil([&] {
    int left = 0;
    int top = 0;
    gtk_window_get_position(TopLevelOf(*window), &left, &top);
    return left == window->Bounds().Left && top == window->Bounds().Top;
  }));
}

TEST_F(ToolkitWindowGtkTest, StayOnTopKeepsTheWindowAbove) {
  auto window = NewWindow();
  window->SetStayOnTop(true);
  EXPECT_TRUE(window->StayOnTop());
  window->Show();
  auto above = [&] {
    return testing_gtk::HasNetWmState(GTK_WIDGET(TopLevelOf(*window)), "_NET_WM_STATE_ABOVE");
  };
  if (!HaveWindowManager()) {
    GTEST_SKIP() << "only a window manager keeps windows above";
  }
  EXPECT_TRUE(PumpUntil(above));
  window->SetStayOnTop(false);
  EXPECT_FALSE(window->StayOnTop());
  EXPECT_TRUE(PumpUntil([&] { return !above(); }));
}

TEST_F(ToolkitWindowGtkTest, WindowStateIsRememberedWhileHiddenAndTakenWhenShown) {
  if (!HaveWindowManager()) {
    GTEST_SKIP() << "only a window manager maximizes and minimizes";
  }
  auto window = NewWindow();
  GdkWindowState state{};
  auto stateIs = [&](GdkWindowState wanted) {
    return PumpUntil([&] {
      GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(TopLevelOf(*window)));
      state = gdkWindow != nullptr ? gdk_window_get_state(gdkWindow) : GdkWindowState{};
      // A window minimized from maximized stays maximized underneath.
      if (wanted == GDK_WINDOW_STATE_ICONIFIED) {
        return (state & GDK_WINDOW_STATE_ICONIFIED) != 0;
      }
      return (state & (GDK_WINDOW_STATE_MAXIMIZED | GDK_WINDOW_STATE_ICONIFIED)) == wanted;
    });
  };
  window->SetBounds(50, 50, 400, 300);
  window->SetWindowState(TWindowState::Maximized);
  EXPECT_EQ(window->WindowState(), TWindowState::Maximized);
  EXPECT_FALSE(window->Visible()) << "setting the state must not show the window";
  window->Show();
  EXPECT_TRUE(stateIs(GDK_WINDOW_STATE_MAXIMIZED)) << state;

  window->SetWindowState(TWindowState::Minimized);
  EXPECT_TRUE(stateIs(GDK_WINDOW_STATE_ICONIFIED)) << state;
  EXPECT_EQ(window->WindowState(), TWindowState::Minimized);

  window->SetWindowState(TWindowState::Normal);
  EXPECT_TRUE(stateIs(GdkWindowState{})) << state;
  EXPECT_EQ(window->WindowState(), TWindowState::Normal);
  EXPECT_TRUE(PumpUntil([&] { return OuterRealSize(*window) == std::make_pair(400, 300); }))
      << SizeText(OuterRealSize(*window)) << " frame " << Frame(*window)[0] << ","
      << Frame(*window)[1] << "," << Frame(*window)[2] << "," << Frame(*window)[3] << " bounds "
      << SizeText(BoundsSize(*window));
  // What the program asked for is not reported as the user's command.
  EXPECT_TRUE(FEvents.SysCommands.empty());

  // Hiding keeps the state the window had.
  window->SetWindowState(TWindowState::Maximized);
  EXPECT_TRUE(stateIs(GDK_WINDOW_STATE_MAXIMIZED)) << state;
  window->Hide();
  PumpFor(100);
  EXPECT_EQ(window->WindowState(), TWindowState::Maximized);
  window->Show();
  EXPECT_TRUE(stateIs(GDK_WINDOW_STATE_MAXIMIZED)) << state;
}

TEST_F(ToolkitWindowGtkTest, MinimizeAndRestoreByTheUserAreReported) {
  if (!HaveWindowManager()) {
    GTEST_SKIP() << "only a window manager minimizes";
  }
  auto window = NewWindow();
  window->Show();
  GtkWindow* top = TopLevelOf(*window);
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(GTK_WIDGET(top)); }));
  // As the window manager's button or the task bar does it: behind the
  // toolkit's back.
  gdk_window_iconify(gtk_widget_get_window(GTK_WIDGET(top)));
  EXPECT_TRUE(PumpUntil([&] { return FEvents.SysCommands.size() == 1; }));
  EXPECT_EQ(window->WindowState(), TWindowState::Minimized);
  gdk_window_deiconify(gtk_widget_get_window(GTK_WIDGET(top)));
  EXPECT_TRUE(PumpUntil([&] { return FEvents.SysCommands.size() == 2; }));
  EXPECT_EQ(FEvents.SysCommands, (std::vector{testing_gtk::kMinimize, testing_gtk::kRestore}));
  EXPECT_EQ(window->WindowState(), TWindowState::Normal);
}

TEST_F(ToolkitWindowGtkTest, RefusedCloseKeepsTheWindowOpen) {
  auto window = NewWindow();
  window->Show();
  FEvents.AllowClose = false;
  window->Close();
  // The title-bar button and the window manager arrive as a delete event.
  gtk_window_close(TopLevelOf(*window));
  EXPECT_TRUE(PumpUntil([&] { return FEvents.CloseQueries == 2; }));
  PumpFor(50);
  EXPECT_EQ(FEvents.ClosedCount, 0);
  EXPECT_TRUE(window->Visible());
  EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(TopLevelOf(*window))));
}

TEST_F(ToolkitWindowGtkTest, GrantedCloseHidesTheWindowAndEndsTheLoopOnlyForTheMainWindow) {
  GlibEventLoop loop;
  auto other = NewWindow();
  other->Show();
  gtk_window_close(TopLevelOf(*other));
  EXPECT_TRUE(PumpUntil([&] { return FEvents.ClosedCount == 1; }));
  EXPECT_FALSE(other->Visible());

  auto main = NewWindow();
  FToolkit->SetMainWindow(main.get());
  main->Show();
  // A busy machine may take a while to map it; close it only once it shows.
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(GTK_WIDGET(TopLevelOf(*main))); }));
  bool visibleWhenClosed = true;
  FEvents.OnClosed = [&] { visibleWhenClosed = main->Visible(); };
  bool ranPastClose = false;
  loop.Post([&] { gtk_window_close(TopLevelOf(*main)); });
  TScopedRunLater watchdog(testing_gtk::kWaitMs, [&] {
    ranPastClose = true;
    loop.Quit();
  });
  loop.Run();
  EXPECT_FALSE(ranPastClose) << "closing the main window ended the loop";
  EXPECT_EQ(FEvents.ClosedCount, 2);
  EXPECT_FALSE(visibleWhenClosed);
}

TEST_F(ToolkitWindowGtkTest, OwnerMayFreeTheWindowWhenToldItClosed) {
  GlibEventLoop loop;
  auto main = NewWindow();
  FToolkit->SetMainWindow(main.get());
  main->Show();
  FEvents.OnClosed = [&] { main.reset(); };
  loop.Post([&] { gtk_window_close(TopLevelOf(*main)); });
  loop.Run();
  EXPECT_EQ(main, nullptr);
}

TEST_F(ToolkitWindowGtkTest, ShowModalIsModalUntilEndModal) {
  auto background = NewWindow();
  background->Show();
  auto dialog = NewWindow();
  bool modalDuringRun = false;
  bool visibleDuringRun = false;
  RunLater(50, [&] {
    modalDuringRun = gtk_window_get_modal(TopLevelOf(*dialog)) &&
                     gtk_grab_get_current() == GTK_WIDGET(TopLevelOf(*dialog));
    visibleDuringRun = dialog->Visible();
    dialog->EndModal(TModalResult::OK);
  });
  EXPECT_EQ(dialog->ShowModal(), TModalResult::OK);
  EXPECT_TRUE(modalDuringRun) << "input to the other windows is refused";
  EXPECT_TRUE(visibleDuringRun);
  EXPECT_FALSE(gtk_window_get_modal(TopLevelOf(*dialog)));
  EXPECT_EQ(gtk_grab_get_current(), nullptr);
  EXPECT_FALSE(dialog->Visible());
}

TEST_F(ToolkitWindowGtkTest, GrantedCloseEndsAModalRunWithCancel) {
  auto dialog = NewWindow();
  FEvents.AllowClose = false;
  RunLater(50, [&] {
    gtk_window_close(TopLevelOf(*dialog)); // refused: the run goes on
    RunLater(50, [&] {
      FEvents.AllowClose = true;
      gtk_window_close(TopLevelOf(*dialog));
    });
  });
  EXPECT_EQ(dialog->ShowModal(), TModalResult::Cancel);
  EXPECT_EQ(FEvents.CloseQueries, 2);
  EXPECT_EQ(FEvents.ClosedCount, 1);
  EXPECT_FALSE(dialog->Visible());
}

TEST_F(ToolkitWindowGtkTest, QuitDuringAModalRunEndsItAndReachesTheOuterLoop) {
  GlibEventLoop loop;
  auto dialog = NewWindow();
  TModalResult result = TModalResult::None;
  bool afterModal = false;
  loop.Post([&] {
    RunLater(50, [&] { loop.Quit(); });
    result = dialog->ShowModal();
    // Nothing queued after this runs: the outer loop ends too.
    loop.Post([&] { afterModal = true; });
  });
  loop.Run();
  EXPECT_EQ(result, TModalResult::Cancel);
  EXPECT_FALSE(afterModal);
}

TEST_F(ToolkitWindowGtkTest, EmbeddedWindowFillsItsParentAboveItsBarAndFollowsItsSize) {
  TRecordingEvents childEvents;
  auto parent = NewWindow();
  auto child = FToolkit->CreateForm(childEvents, TWindowKind::Normal);
  child->SetBorderStyle(TBorderStyle::None);
  parent->SetClientSize(500, 400);
  parent->Show();
  child->Show();
  child->SetParent(parent.get());
  EXPECT_EQ(gtk_widget_get_parent(Area(*child)), Area(*parent));
  EXPECT_EQ(TopLevelOf(*child), TopLevelOf(*parent));
  EXPECT_TRUE(child->Visible());
  EXPECT_EQ(child->ClientRect(), (TBoundsRect{0, 0, 500, 400}));
  EXPECT_TRUE(PumpUntil([&] { return gtk_widget_get_allocated_width(Area(*child)) == 500; }));
  EXPECT_EQ(gtk_widget_get_allocated_height(Area(*child)), 400);

  // A bar along the parent's bottom takes its strip from the child.
  auto bar = FToolkit->CreateMarqueeProgressBar(*parent, 4);
  EXPECT_EQ(child->ClientRect(), (TBoundsRect{0, 0, 500, 396}));
  const int resizes = childEvents.Resizes;
  parent->SetClientSize(640, 300);
  EXPECT_EQ(child->ClientRect(), (TBoundsRect{0, 0, 640, 296}));
  EXPECT_TRUE(PumpUntil([&] {
    return gtk_widget_get_allocated_width(Area(*child)) == 640 &&
           gtk_widget_get_allocated_height(Area(*child)) == 296;
  }));
  EXPECT_GT(childEvents.Resizes, resizes);
  // The parent can shrink below what its contents were given.
  parent->SetClientSize(200, 150);
  EXPECT_TRUE(PumpUntil([&] { return RealSize(*parent) == std::make_pair(200, 150); }));
  EXPECT_TRUE(PumpUntil([&] { return gtk_widget_get_allocated_width(Area(*child)) == 200; }));

  child->SetParent(nullptr);
  EXPECT_EQ(HoldingWindow(Area(*child)), GTK_WIDGET(TopLevelOf(*child)));
  EXPECT_FALSE(child->Visible()) << "a window made top-level again waits to be shown";
  parent->SetClientSize(300, 300);
  EXPECT_EQ(child->ClientRect(), (TBoundsRect{0, 0, 320, 240}));
}

TEST_F(ToolkitWindowGtkTest, EmbeddedWindowOutlivesAParentFreedFirst) {
  TRecordingEvents childEvents;
  auto parent = NewWindow();
  auto child = FToolkit->CreateForm(childEvents, TWindowKind::Normal);
  child->SetParent(parent.get());
  parent.reset();
  GtkWidget* area = Area(*child);
  ASSERT_TRUE(GTK_IS_FIXED(area));
  EXPECT_EQ(HoldingWindow(area), GTK_WIDGET(TopLevelOf(*child)));
  child->SetCaption("still here");
  EXPECT_EQ(child->Caption(), "still here");

  // And the other way round: a child freed first leaves its parent.
  auto other = NewWindow();
  child->SetParent(other.get());
  child.reset();
  GList* children = gtk_container_get_children(GTK_CONTAINER(Area(*other)));
  EXPECT_EQ(children, nullptr);
  g_list_free(children);
}

// The colour of the client area's pixel at (x, y), drawn offscreen.
guint32 PixelOf(GtkWidget* area, int x, int y) {
  const int width = gtk_widget_get_allocated_width(area);
  const int height = gtk_widget_get_allocated_height(area);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(surface);
  gtk_widget_draw(area, cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  const auto* row =
      cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
  const guint32 pixel = reinterpret_cast<const guint32*>(row)[x] & 0xFFFFFFu;
  cairo_surface_destroy(surface);
  return pixel;
}

guint32 ThemeColor(GtkWidget* widget, const char* name) {
  GdkRGBA rgba{};
  EXPECT_TRUE(gtk_style_context_lookup_color(gtk_widget_get_style_context(widget), name, &rgba));
  auto channel = [](double value) { return static_cast<guint32>(value * 255 + 0.5); };
  return channel(rgba.red) << 16 | channel(rgba.green) << 8 | channel(rgba.blue);
}

TEST_F(ToolkitWindowGtkTest, PaintsTheBackgroundInItsColour) {
  auto window = NewWindow();
  window->SetBorderStyle(TBorderStyle::None);
  window->SetBounds(0, 0, 16, 16);
  window->Show();
  GtkWidget* area = Area(*window);
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_allocated_width(area) == 16; }));
  struct Case {
    TColor Color;
    guint32 Expected;
  };
  const Case cases[] = {
      {0x00336699u, 0x996633u},
      {kColorWindow, ThemeColor(area, "theme_bg_color")},
      {kColorHotLight, ThemeColor(area, "theme_selected_bg_color")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Color);
    window->SetColor(c.Color);
    EXPECT_EQ(PixelOf(area, 8, 8), c.Expected);
  }
}

TEST_F(ToolkitWindowGtkTest, FontReachesTheControlsInside) {
  auto window = NewWindow();
  window->SetFont("Tahoma", 11);
  auto edit = FToolkit->CreatePasswordEdit(*window, {0, 0, 100, 21}, '*', "key");
  GList* children = gtk_container_get_children(GTK_CONTAINER(Area(*window)));
  ASSERT_NE(children, nullptr);
  PangoFontDescription* font = nullptr;
  gtk_style_context_get(gtk_widget_get_style_context(GTK_WIDGET(children->data)),
                        GTK_STATE_FLAG_NORMAL, "font", &font, nullptr);
  g_list_free(children);
  ASSERT_NE(font, nullptr);
  EXPECT_STREQ(pango_font_description_get_family(font), "Tahoma");
  // GTK keeps sizes in points: 11 pixels at the screen's resolution.
  const double points = 11 * 72.0 / gdk_screen_get_resolution(gdk_screen_get_default());
  EXPECT_NEAR(pango_font_description_get_size(font), points * PANGO_SCALE, 1.0);
  pango_font_description_free(font);
}

TEST_F(ToolkitWindowGtkTest, BusyCursorOverTheWindow) {
  auto window = NewWindow();
  window->SetCursor(TCursorKind::AppStarting); // before the window exists on the server
  window->Show();
  GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(TopLevelOf(*window)));
  ASSERT_NE(gdkWindow, nullptr);
  EXPECT_NE(gdk_window_get_cursor(gdkWindow), nullptr);
  window->SetCursor(TCursorKind::Default);
  EXPECT_EQ(gdk_window_get_cursor(gdkWindow), nullptr);
}

TEST(RoundRectRegion, CutsTheCornersAndKeepsTheRest) {
  cairo_region_t* region = gtk::NewRoundRectRegion(81, 81, 4, 4);
  ASSERT_NE(region, nullptr);
  cairo_rectangle_int_t extents{};
  cairo_region_get_extents(region, &extents);
  EXPECT_EQ(extents.x, 0);
  EXPECT_EQ(extents.y, 0);
  EXPECT_EQ(extents.width, 81);
  EXPECT_EQ(extents.height, 81);
  for (auto [x, y] : {std::pair{0, 0}, {80, 0}, {0, 80}, {80, 80}}) {
    EXPECT_FALSE(cairo_region_contains_point(region, x, y)) << x << "," << y;
  }
  for (auto [x, y] : {std::pair{2, 0}, {0, 2}, {40, 40}, {80, 40}, {40, 80}}) {
    EXPECT_TRUE(cairo_region_contains_point(region, x, y)) << x << "," << y;
  }
  cairo_region_destroy(region);
  // No ellipse: the plain rectangle.
  region = gtk::NewRoundRectRegion(10, 5, 0, 0);
  EXPECT_TRUE(cairo_region_contains_point(region, 0, 0));
  EXPECT_EQ(cairo_region_num_rectangles(region), 1);
  cairo_region_destroy(region);
  EXPECT_EQ(gtk::NewRoundRectRegion(0, 10, 4, 4), nullptr);
}

TEST_F(ToolkitWindowGtkTest, ActiveWindowIsTheFocusedOneOfOurs) {
  if (!HaveWindowManager()) {
    GTEST_SKIP() << "without a window manager no window gets the focus";
  }
  auto window = NewWindow();
  window->Show();
  window->BringToFront();
  EXPECT_TRUE(PumpUntil([&] { return FToolkit->ActiveWindow() == window->Handle(); }));
  window->Hide();
  EXPECT_TRUE(PumpUntil([&] { return FToolkit->ActiveWindow() == 0; }));
}

} // namespace
} // namespace tessera
