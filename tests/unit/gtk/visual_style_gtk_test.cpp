// The GTK toolkit's visual styles: a style sheet for the whole screen that
// colours the application's windows while a stored style is active.
#include "platform/api/stored_styles.h"
#include "platform/gtk/toolkit_gtk.h"

#include "gtk_test_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace tessera {
namespace {

using testing_gtk::Area;
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
  window->SetBounds(0, 0, 100, 100);
  window->Show();
  GtkWidget* area = Area(*window);
  GList* children = gtk_container_get_children(GTK_CONTAINER(gtk_widget_get_parent(area)));
  ASSERT_NE(children, nullptr);
  GtkWidget* bar = GTK_WIDGET(children->data);
  g_list_free(children);
  ASSERT_TRUE(GTK_IS_MENU_BAR(bar));
  ASSERT_TRUE(PumpUntil([&] {
    return gtk_widget_get_allocated_height(bar) > 1 && gtk_widget_get_allocated_height(area) > 8;
  }));
  const guint32 systemText = TextColor(bar);

  for (const TStoredStyle& style : StoredStyles()) {
    SCOPED_TRACE(std::string(style.Name));
    ASSERT_TRUE(FToolkit->SetStyle(std::string(style.Name)));
    EXPECT_EQ(FToolkit->ActiveStyle(), style.Name);
    EXPECT_EQ(PixelOf(Area(*window), 8, 8), PixelColor(style.Palette.Window));
    EXPECT_EQ(TextColor(bar), systemText);
  }
  window->SetMenu(nullptr);
}

} // namespace
} // namespace tessera
