// The GTK toolkit's controls: the marquee bar, the activity indicator and
// the password box.
#include "platform/gtk/toolkit_gtk.h"

#include "gtk_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tessera {
namespace {

using testing_gtk::Area;
using testing_gtk::PumpUntil;
using testing_gtk::RunLater;
using testing_gtk::TopLevelOf;
using testing_gtk::TRecordingEvents;
using testing_gtk::TypeKey;

// The children of a client area of one widget type.
std::vector<GtkWidget*> ChildrenOfType(GtkWidget* area, GType type) {
  std::vector<GtkWidget*> found;
  GList* children = gtk_container_get_children(GTK_CONTAINER(area));
  for (GList* item = children; item != nullptr; item = item->next) {
    if (G_TYPE_CHECK_INSTANCE_TYPE(item->data, type)) {
      found.push_back(GTK_WIDGET(item->data));
    }
  }
  g_list_free(children);
  return found;
}

TBoundsRect AllocationOf(GtkWidget* widget) {
  GtkAllocation a{};
  gtk_widget_get_allocation(widget, &a);
  return {a.x, a.y, a.x + a.width, a.y + a.height};
}

class ToolkitControlsGtkTest : public testing::Test {
protected:
  void SetUp() override {
    FOwner = FToolkit->CreateForm(FEvents, TWindowKind::Normal);
    FOwner->SetBorderStyle(TBorderStyle::None);
    FOwner->SetBounds(0, 0, 400, 300);
    FOwner->Show();
  }

  std::unique_ptr<Toolkit> FToolkit = CreateGtkToolkit();
  TRecordingEvents FEvents;
  std::unique_ptr<ToolkitWindow> FOwner;
};

TEST_F(ToolkitControlsGtkTest, MarqueeBarRunsAlongTheBottomAndPulses) {
  auto bar = FToolkit->CreateMarqueeProgressBar(*FOwner, 4);
  const auto bars = ChildrenOfType(Area(*FOwner), GTK_TYPE_PROGRESS_BAR);
  ASSERT_EQ(bars.size(), 1u);
  EXPECT_TRUE(bar->Visible());
  EXPECT_EQ(bar->Height(), 4);
  EXPECT_TRUE(PumpUntil([&] { return AllocationOf(bars[0]) == TBoundsRect{0, 296, 400, 300}; }));
  FOwner->SetBounds(0, 0, 500, 200);
  EXPECT_TRUE(PumpUntil([&] { return AllocationOf(bars[0]) == TBoundsRect{0, 196, 500, 200}; }));
  bar->SetVisible(false);
  EXPECT_FALSE(bar->Visible());
  EXPECT_FALSE(gtk_widget_get_visible(bars[0]));
  bar.reset();
  EXPECT_TRUE(ChildrenOfType(Area(*FOwner), GTK_TYPE_PROGRESS_BAR).empty());
}

// How many of the indicator's pixels are near white, drawn offscreen.
int WhitePixels(GtkWidget* widget) {
  const int width = gtk_widget_get_allocated_width(widget);
  const int height = gtk_widget_get_allocated_height(widget);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(surface);
  gtk_widget_draw(widget, cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  int count = 0;
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const guint32*>(cairo_image_surface_get_data(surface) +
                                                       y * cairo_image_surface_get_stride(surface));
    for (int x = 0; x < width; ++x) {
      count += (row[x] & 0xFFFFFFu) > 0xC0C0C0u && (row[x] >> 24) > 0xC0u;
    }
  }
  cairo_surface_destroy(surface);
  return count;
}

TEST_F(ToolkitControlsGtkTest, ActivityIndicatorTakesItsSizeAndDrawsOnlyWhileAnimating) {
  auto indicator = FToolkit->CreateActivityIndicator(*FOwner, 9, 8);
  const auto areas = ChildrenOfType(Area(*FOwner), GTK_TYPE_DRAWING_AREA);
  ASSERT_EQ(areas.size(), 1u);
  GtkWidget* widget = areas[0];
  const std::pair<TActivityIndicatorSize, int> sizes[] = {{TActivityIndicatorSize::Small, 24},
                                                          {TActivityIndicatorSize::Medium, 32},
                                                          {TActivityIndicatorSize::Large, 48},
                                                          {TActivityIndicatorSize::XLarge, 64}};
  for (const auto& [size, pixels] : sizes) {
    const int side = pixels; // clang 14 cannot capture a structured binding
    indicator->SetIndicatorSize(size);
    EXPECT_TRUE(PumpUntil([&] {
      return AllocationOf(widget) == TBoundsRect{9, 8, 9 + side, 8 + side};
    })) << side;
  }
  indicator->SetColor(TActivityIndicatorColor::White);
  EXPECT_EQ(WhitePixels(widget), 0);
  indicator->SetAnimate(true);
  for (auto type : {TActivityIndicatorType::MomentumDots, TActivityIndicatorType::RotatingSector,
                    TActivityIndicatorType::SectorRing}) {
    indicator->SetIndicatorType(type);
    EXPECT_GT(WhitePixels(widget), 20) << static_cast<int>(type);
  }
  indicator->SetColor(TActivityIndicatorColor::Black);
  EXPECT_EQ(WhitePixels(widget), 0) << "black shapes now";
  indicator->SetAnimate(false);
  indicator->SetColor(TActivityIndicatorColor::White);
  EXPECT_EQ(WhitePixels(widget), 0);
}

TEST_F(ToolkitControlsGtkTest, PasswordBoxHidesItsTextBehindTheCharacterWithTheKeyImage) {
  auto edit = FToolkit->CreatePasswordEdit(*FOwner, TBoundsRect{24, 24, 281, 45}, '*', "key");
  const auto entries = ChildrenOfType(Area(*FOwner), GTK_TYPE_ENTRY);
  ASSERT_EQ(entries.size(), 1u);
  GtkEntry* entry = GTK_ENTRY(entries[0]);
  EXPECT_FALSE(gtk_entry_get_visibility(entry));
  EXPECT_EQ(gtk_entry_get_invisible_char(entry), static_cast<gunichar>('*'));
  GdkPixbuf* image = gtk_entry_get_icon_pixbuf(entry, GTK_ENTRY_ICON_PRIMARY);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(gdk_pixbuf_get_width(image), 16);
  EXPECT_EQ(gdk_pixbuf_get_height(image), 16);
  EXPECT_EQ(gtk_entry_get_icon_pixbuf(entry, GTK_ENTRY_ICON_SECONDARY), nullptr);
  // The box keeps the place and size it was given, small as it is.
  EXPECT_TRUE(PumpUntil([&] {
    return AllocationOf(entries[0]) == TBoundsRect{24, 24, 281, 45};
  })) << AllocationOf(entries[0]).Bottom;

  edit->SetText("pässwörd 中");
  EXPECT_EQ(edit->Text(), "pässwörd 中");

  auto plain = FToolkit->CreatePasswordEdit(*FOwner, TBoundsRect{24, 50, 281, 71}, '#', "none");
  GtkEntry* plainEntry = GTK_ENTRY(ChildrenOfType(Area(*FOwner), GTK_TYPE_ENTRY).at(1));
  EXPECT_EQ(gtk_entry_get_icon_pixbuf(plainEntry, GTK_ENTRY_ICON_PRIMARY), nullptr);
  EXPECT_EQ(gtk_entry_get_invisible_char(plainEntry), static_cast<gunichar>('#'));
}

TEST_F(ToolkitControlsGtkTest, KeyUpInThePasswordBoxSeesTheTextTheKeyLeft) {
  auto edit = FToolkit->CreatePasswordEdit(*FOwner, TBoundsRect{24, 24, 281, 45}, '*', "key");
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_realized(GTK_WIDGET(TopLevelOf(*FOwner))); }));
  edit->SetFocus();
  std::vector<std::pair<std::uint32_t, std::string>> seen;
  edit->OnKeyUp = [&](std::uint32_t key) { seen.emplace_back(key, edit->Text()); };
  GtkWidget* top = GTK_WIDGET(TopLevelOf(*FOwner));
  TypeKey(top, GDK_KEY_a);
  TypeKey(top, GDK_KEY_B);
  TypeKey(top, GDK_KEY_Return);
  TypeKey(top, GDK_KEY_BackSpace);
  using Seen = std::vector<std::pair<std::uint32_t, std::string>>;
  EXPECT_EQ(seen, (Seen{{'A', "a"}, {'B', "aB"}, {0x0D, "aB"}, {0x08, "a"}}));
}

TEST_F(ToolkitControlsGtkTest, PasswordWindowEndsItsModalRunFromAKeyUp) {
  auto edit = FToolkit->CreatePasswordEdit(*FOwner, TBoundsRect{24, 24, 281, 45}, '*', "key");
  edit->OnKeyUp = [&](std::uint32_t) {
    if (edit->Text() == "ok") {
      FOwner->EndModal(TModalResult::OK);
    }
  };
  FOwner->Hide();
  edit->SetFocus();
  RunLater(50, [&] {
    GtkWidget* top = GTK_WIDGET(TopLevelOf(*FOwner));
    TypeKey(top, GDK_KEY_o);
    TypeKey(top, GDK_KEY_k);
  });
  EXPECT_EQ(FOwner->ShowModal(), TModalResult::OK);
}

} // namespace
} // namespace tessera
