// The GTK toolkit's visual styles: a style sheet for the whole screen that
// colours the application's windows while a stored style is active.
#include "platform/api/stored_styles.h"
#include "platform/gtk/toolkit_gtk.h"

#include "gtk_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <set>
#include <string>

namespace tessera {
namespace {

using testing_gtk::Area;
using testing_gtk::HaveWindowManager;
using testing_gtk::PumpUntil;
using testing_gtk::TRecordingEvents;

// The colour of the client area's pixel at (x, y), drawn offscreen, as
// 0xRRGGBB.
guint32 PixelOf(GtkWidget* area, int x, int y) {
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, gtk_widget_get_allocated_width(area),
                                 gtk_widget_get_allocated_height(area));
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

// A toolkit colour (0x00BBGGRR) as a pixel.
guint32 PixelColor(TColor color) {
  return (color & 0xFFu) << 16 | (color & 0xFF00u) | (color >> 16 & 0xFFu);
}

guint32 TextColor(GtkWidget* widget) {
  GdkRGBA rgba{};
  gtk_style_context_get_color(gtk_widget_get_style_context(widget), GTK_STATE_FLAG_NORMAL, &rgba);
  auto channel = [](double value) { return static_cast<guint32>(value * 255 + 0.5); };
  return channel(rgba.red) << 16 | channel(rgba.green) << 8 | channel(rgba.blue);
}

// The window manager's frame around a toplevel (left, right, top, bottom).
std::array<long, 4> FrameOf(GtkWidget* top) {
  return testing_gtk::NetFrameExtents(top).value_or(std::array<long, 4>{0, 0, 0, 0});
}

// What the screen shows of a toplevel, frame included, as the X server has
// it: its size and pixels.
std::string ScreenPixels(GtkWidget* top) {
  GdkWindow* window = gtk_widget_get_window(top);
  int x = 0;
  int y = 0;
  gdk_window_get_origin(window, &x, &y);
  const std::array<long, 4> frame = FrameOf(top);
  const int width = gdk_window_get_width(window) + static_cast<int>(frame[0] + frame[1]);
  const int height = gdk_window_get_height(window) + static_cast<int>(frame[2] + frame[3]);
  GdkPixbuf* pixbuf =
      gdk_pixbuf_get_from_window(gdk_get_default_root_window(), x - static_cast<int>(frame[0]),
                                 y - static_cast<int>(frame[2]), width, height);
  if (pixbuf == nullptr) {
    return {};
  }
  std::string shot = std::to_string(width) + "x" + std::to_string(height) + ":";
  shot.append(reinterpret_cast<const char*>(gdk_pixbuf_read_pixels(pixbuf)),
              gdk_pixbuf_get_byte_length(pixbuf));
  g_object_unref(pixbuf);
  return shot;
}

// The window's styled title bar: the first child of the box in the
// toplevel, an event box around a header bar.
GtkWidget* TitleBarOf(GtkWidget* area) {
  GList* children = gtk_container_get_children(GTK_CONTAINER(gtk_widget_get_parent(area)));
  GtkWidget* first = children != nullptr ? GTK_WIDGET(children->data) : nullptr;
  g_list_free(children);
  return first != nullptr && GTK_IS_EVENT_BOX(first) ? first : nullptr;
}

class VisualStyleGtkTest : public testing::Test {
protected:
  ~VisualStyleGtkTest() override { FToolkit->SetStyle("Windows"); }

  // A small shown window in `color`, laid out.
  std::unique_ptr<ToolkitWindow> NewWindow(TWindowKind kind, TColor color) {
    auto window = FToolkit->CreateForm(FEvents, kind);
    window->SetBorderStyle(TBorderStyle::None);
    window->SetBounds(0, 0, 16, 16);
    window->SetColor(color);
    window->Show();
    GtkWidget* area = Area(*window);
    EXPECT_TRUE(PumpUntil([&] { return gtk_widget_get_allocated_width(area) == 16; }));
    return window;
  }

  std::unique_ptr<Toolkit> FToolkit = CreateGtkToolkit();
  TRecordingEvents FEvents;
};

TEST_F(VisualStyleGtkTest, AStyleColoursTheWindowsUntilTheSystemLookComesBack) {
  constexpr TColor kOwn = 0x00336699u;
  auto window = NewWindow(TWindowKind::Normal, kOwn);
  auto popup = NewWindow(TWindowKind::ShadowPopup, kOwn);
  const TStylePalette& carbon = FindStoredStyle("Carbon")->Palette;

  EXPECT_EQ(FToolkit->ActiveStyle(), "Windows");
  EXPECT_TRUE(FToolkit->SetStyle("carbon"));
  EXPECT_EQ(FToolkit->ActiveStyle(), "Carbon");
  EXPECT_EQ(PixelOf(Area(*window), 8, 8), PixelColor(carbon.Window));
  EXPECT_EQ(TextColor(Area(*window)), PixelColor(carbon.WindowText));
  // Small pop-ups keep the colour their owner gave them.
  EXPECT_EQ(PixelOf(Area(*popup), 8, 8), 0x996633u);
  // Windows made later take the style too.
  auto later = NewWindow(TWindowKind::Normal, kOwn);
  EXPECT_EQ(PixelOf(Area(*later), 8, 8), PixelColor(carbon.Window));

  // An unknown name changes nothing.
  EXPECT_FALSE(FToolkit->SetStyle("Nope"));
  EXPECT_EQ(FToolkit->ActiveStyle(), "Carbon");
  EXPECT_EQ(PixelOf(Area(*window), 8, 8), PixelColor(carbon.Window));

  EXPECT_TRUE(FToolkit->SetStyle("Windows"));
  EXPECT_EQ(FToolkit->ActiveStyle(), "Windows");
  EXPECT_EQ(PixelOf(Area(*window), 8, 8), 0x996633u);
  EXPECT_EQ(PixelOf(Area(*later), 8, 8), 0x996633u);
}

TEST_F(VisualStyleGtkTest, EveryStoredStyleLoadsAndTheMenuBarKeepsTheSystemLook) {
  auto window = FToolkit->CreateForm(FEvents, TWindowKind::Normal);
  auto menuBar = FToolkit->CreateMenuBar();
  menuBar->AddItem(nullptr).SetCaption("File");
  window->SetMenu(menuBar.get());
  window->SetBounds(0, 0, 300, 200);
  window->Show();
  GtkWidget* area = Area(*window);
  GtkWidget* bar = nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(gtk_widget_get_parent(area)));
  for (GList* item = children; item != nullptr; item = item->next) {
    if (GTK_IS_MENU_BAR(item->data)) {
      bar = GTK_WIDGET(item->data);
    }
  }
  g_list_free(children);
  ASSERT_NE(bar, nullptr);
  ASSERT_TRUE(PumpUntil([&] {
    return gtk_widget_get_allocated_height(bar) > 1 && gtk_widget_get_allocated_height(area) > 8;
  }));
  const guint32 systemText = TextColor(bar);

  for (const TStoredStyle& style : StoredStyles()) {
    SCOPED_TRACE(std::string(style.Name));
    ASSERT_TRUE(FToolkit->SetStyle(std::string(style.Name)));
    EXPECT_EQ(FToolkit->ActiveStyle(), style.Name);
    // The styled title bar takes its room from the client area.
    ASSERT_TRUE(PumpUntil([&] {
      const TBoundsRect client = window->ClientRect();
      return gtk_widget_get_allocated_height(area) == client.Bottom && client.Bottom > 8;
    })) << gtk_widget_get_allocated_height(area);
    EXPECT_EQ(PixelOf(Area(*window), 8, 8), PixelColor(style.Palette.Window));
    EXPECT_EQ(TextColor(bar), systemText);
  }
  window->SetMenu(nullptr);
}

// Every style gives a framed window a look of its own on the screen: the
// window draws its title bar in the style's colours in place of the window
// manager's, which keeps only its border; the outer size stays what was
// asked for, and the client area is what the frame and the title bar
// leave. The system's look comes back as it was.
TEST_F(VisualStyleGtkTest, EveryStyleLooksDistinctOnAFramedWindowOfTheSameOuterSize) {
  if (!HaveWindowManager()) {
    GTEST_SKIP() << "only a window manager frames the window";
  }
  auto window = FToolkit->CreateForm(FEvents, TWindowKind::Normal);
  window->SetCaption("Styled");
  window->SetBounds(200, 150, 360, 240);
  window->Show();
  GtkWidget* area = Area(*window);
  GtkWidget* top = gtk_widget_get_toplevel(area);
  GtkWidget* titleBar = TitleBarOf(area);
  ASSERT_NE(titleBar, nullptr);

  // The window as the style wants it, laid out.
  auto settled = [&](bool styled) {
    GdkWindow* gdkWindow = gtk_widget_get_window(top);
    const std::array<long, 4> frame = FrameOf(top);
    const int width = gdk_window_get_width(gdkWindow);
    const int height = gdk_window_get_height(gdkWindow);
    const int barHeight = styled ? gtk_widget_get_allocated_height(titleBar) : 0;
    const TBoundsRect client = window->ClientRect();
    const TBoundsRect bounds = window->Bounds();
    // The window manager's title bar makes the frame's top wider than its
    // bottom; with the border alone they are alike.
    return frame[2] > 0 && (frame[2] == frame[3]) == styled &&
           gtk_widget_get_visible(titleBar) == styled && (!styled || barHeight > 1) &&
           width + frame[0] + frame[1] == 360 && height + frame[2] + frame[3] == 240 &&
           bounds.Right - bounds.Left == 360 && bounds.Bottom - bounds.Top == 240 &&
           client == TBoundsRect{0, 0, width, height - barHeight} &&
           gtk_widget_get_allocated_height(area) == client.Bottom;
  };
  // The screen once the window is settled, a change from `previous`, and
  // stays so while the loop runs for a few rounds (GTK and the window
  // manager have drawn what they had to).
  auto capture = [&](bool styled, const std::string& previous) {
    std::string shot;
    int same = 0;
    EXPECT_TRUE(PumpUntil([&] {
      g_usleep(20000);
      if (!settled(styled)) {
        same = 0;
        return false;
      }
      std::string now = ScreenPixels(top);
      same = !now.empty() && now != previous && now == shot ? same + 1 : 0;
      shot = std::move(now);
      return same >= 5;
    })) << "frame "
        << FrameOf(top)[2] << "/" << FrameOf(top)[3];
    return shot;
  };

  const std::string system = capture(false, "");
  std::set<std::string> looks{system};
  std::string previous = system;
  for (const TStoredStyle& style : StoredStyles()) {
    SCOPED_TRACE(std::string(style.Name));
    ASSERT_TRUE(FToolkit->SetStyle(std::string(style.Name)));
    previous = capture(true, previous);
    EXPECT_TRUE(looks.insert(previous).second) << "looks like an earlier style";
    EXPECT_STREQ(gtk_header_bar_get_title(GTK_HEADER_BAR(gtk_bin_get_child(GTK_BIN(titleBar)))),
                 "Styled");
  }
  EXPECT_EQ(looks.size(), StoredStyles().size() + 1);

  ASSERT_TRUE(FToolkit->SetStyle("Windows"));
  EXPECT_TRUE(capture(false, previous) == system) << "the system's look is back as it was";
}

} // namespace
} // namespace tessera
