// The GTK toolkit's tray icon where no StatusNotifierItem watcher runs:
// the XEmbed icon's state and signals, what Visible() says with no tray at
// all, and real clicks on it in an XEmbed tray (trayer) when one is
// installed.
#include "platform/gtk/toolkit_gtk.h"
#include "platform/gtk/toolkit_menu_gtk.h"
#include "platform/gtk/toolkit_tray_icon_gtk.h"

#include "gtk_test_support.h"
#include "status_notifier_test_watcher.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace tessera {
namespace {

using testing_gtk::PumpUntil;

GtkStatusIcon* StatusIconOf(ToolkitTrayIcon& icon) {
  return dynamic_cast<gtk::GtkToolkitTrayIcon&>(icon).StatusIcon();
}

GtkWidget* WidgetOf(ToolkitMenu& menu) {
  return dynamic_cast<gtk::GtkToolkitMenu&>(menu).Widget();
}

G_GNUC_BEGIN_IGNORE_DEPRECATIONS
bool Embedded(GtkStatusIcon* icon) {
  return gtk_status_icon_is_embedded(icon) != FALSE;
}

// The icon's place on the screen.
GdkRectangle IconArea(GtkStatusIcon* icon) {
  GdkRectangle area{};
  gtk_status_icon_get_geometry(icon, nullptr, &area, nullptr);
  return area;
}
G_GNUC_END_IGNORE_DEPRECATIONS

// Runs xdotool with the arguments, as a user's hand on the mouse.
bool Xdotool(std::vector<std::string> args) {
  std::vector<gchar*> argv{const_cast<gchar*>("xdotool")};
  for (std::string& arg : args) {
    argv.push_back(arg.data());
  }
  argv.push_back(nullptr);
  gint status = -1;
  const bool ran = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr,
                                nullptr, nullptr, nullptr, &status, nullptr);
  return ran && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void ClickAt(int x, int y, int button) {
  ASSERT_TRUE(Xdotool(
      {"mousemove", std::to_string(x), std::to_string(y), "click", std::to_string(button)}));
}

// An XEmbed tray along the top edge, ended with the test.
class TTray : public testing_gtk::TScopedProgram {
public:
  static constexpr int kHeight = 32;

  TTray()
      : TScopedProgram("trayer", {"--edge", "top", "--align", "left", "--height",
                                  std::to_string(kHeight), "--widthtype", "request", "--expand",
                                  "false", "--SetPartialStrut", "false"}) {}
};

class ToolkitTrayIconGtkTest : public testing::Test {
protected:
  // Whatever bus the test was started with, the icon finds no watcher: a
  // session bus that cannot be reached.
  testing_gtk::TScopedEnv FNoBus{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tessera-bus"};
  void SetUp() override {
    auto& open = FMenu->AddItem(nullptr);
    open.SetCaption("Open");
    open.OnClick = [this] { FClicks.push_back("Open"); };
    FMenu->AddItem(nullptr).SetCaption("-");
    auto& quit = FMenu->AddItem(nullptr);
    quit.SetCaption("Quit");
    quit.OnClick = [this] { FClicks.push_back("Quit"); };
    FIcon->OnClick = [this] { FClicks.push_back("icon"); };
  }

  std::unique_ptr<Toolkit> FToolkit = CreateGtkToolkit();
  std::unique_ptr<ToolkitMenu> FMenu = FToolkit->CreatePopupMenu();
  std::unique_ptr<ToolkitTrayIcon> FIcon = FToolkit->CreateTrayIcon();
  std::vector<std::string> FClicks;
};

TEST_F(ToolkitTrayIconGtkTest, HiddenWhenMadeShownOnRequestAndClickRunsTheHandler) {
  GtkStatusIcon* icon = StatusIconOf(*FIcon);
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  const auto visible = [&] { return gtk_status_icon_get_visible(icon) != FALSE; };
  G_GNUC_END_IGNORE_DEPRECATIONS
  EXPECT_FALSE(FIcon->Visible());
  EXPECT_FALSE(visible());
  // Once the bus turned out absent, the XEmbed icon is asked to show; no
  // tray runs to show it, and Visible() says so.
  for (bool wanted : {true, true, false, false, true}) {
    FIcon->SetVisible(wanted);
    EXPECT_TRUE(PumpUntil([&] { return visible() == wanted; })) << wanted;
    EXPECT_FALSE(FIcon->Visible());
  }

  g_signal_emit_by_name(icon, "activate");
  EXPECT_EQ(FClicks, std::vector<std::string>{"icon"});
  FIcon->OnClick = [] { throw std::runtime_error("page gone"); };
  g_signal_emit_by_name(icon, "activate");
  FIcon->OnClick = nullptr;
  g_signal_emit_by_name(icon, "activate");

  // The pop-up is a menu: a bar does not pop up.
  auto bar = FToolkit->CreateMenuBar();
  EXPECT_THROW(FIcon->SetPopupMenu(bar.get()), std::exception);
}

TEST_F(ToolkitTrayIconGtkTest, PopUpShowsTheMenuOnlyWithItems) {
  GtkStatusIcon* icon = StatusIconOf(*FIcon);
  GtkWidget* menu = WidgetOf(*FMenu);
  FIcon->SetVisible(true);
  g_signal_emit_by_name(icon, "popup-menu", 3u, static_cast<guint>(GDK_CURRENT_TIME));
  EXPECT_FALSE(gtk_widget_get_mapped(menu)) << "no menu set";

  FIcon->SetPopupMenu(FMenu.get());
  g_signal_emit_by_name(icon, "popup-menu", 3u, static_cast<guint>(GDK_CURRENT_TIME));
  EXPECT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(menu); }));
  gtk_menu_popdown(GTK_MENU(menu));
  EXPECT_TRUE(PumpUntil([&] { return !gtk_widget_get_mapped(menu); }));

  FMenu->Clear();
  g_signal_emit_by_name(icon, "popup-menu", 3u, static_cast<guint>(GDK_CURRENT_TIME));
  EXPECT_FALSE(gtk_widget_get_mapped(menu)) << "an empty menu";
  // A menu freed while set leaves the icon with nothing to pop up.
  FMenu.reset();
  g_signal_emit_by_name(icon, "popup-menu", 3u, static_cast<guint>(GDK_CURRENT_TIME));
}

TEST_F(ToolkitTrayIconGtkTest, RealClicksInATrayReachTheIconAndItsMenu) {
  TTray tray;
  if (!tray.Running()) {
    GTEST_SKIP() << "trayer is not installed";
  }
  GtkStatusIcon* icon = StatusIconOf(*FIcon);
  FIcon->SetPopupMenu(FMenu.get());
  FIcon->SetVisible(true);
  ASSERT_TRUE(PumpUntil([&] { return Embedded(icon) && IconArea(icon).width > 0; }))
      << "the tray took no icon";
  EXPECT_TRUE(FIcon->Visible());
  // Shown in the tray before it takes clicks.
  ASSERT_TRUE(PumpUntil([] { return testing_gtk::Viewable(testing_gtk::TrayPlug()); }))
      << "the icon is not shown";
  // The window manager places the tray as it places any window (in the
  // middle of the screen) before the tray moves itself to the edge it was
  // told: the icon is clicked where it stays.
  GdkRectangle area{};
  ASSERT_TRUE(PumpUntil([&] {
    area = IconArea(icon);
    return area.y >= 0 && area.y + area.height <= TTray::kHeight;
  })) << "the tray did not move to the top edge; the icon is at "
      << area.x << "," << area.y;
  const int x = area.x + area.width / 2;
  const int y = area.y + area.height / 2;

  ClickAt(x, y, 1);
  // A click that missed the icon went to the desktop, where the right
  // button opens the window manager's own menu, which takes the keyboard
  // and the pointer from every test after this one.
  ASSERT_TRUE(PumpUntil([&] { return !FClicks.empty(); }));
  EXPECT_EQ(FClicks, std::vector<std::string>{"icon"});

  // The right button pops the menu up; choosing an item runs its handler.
  GtkWidget* menu = WidgetOf(*FMenu);
  ClickAt(x, y, 3);
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(menu); }));
  GList* items = gtk_container_get_children(GTK_CONTAINER(menu));
  GtkWidget* quit = GTK_WIDGET(g_list_nth_data(items, 2));
  g_list_free(items);
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_allocated_height(quit) > 1; }));
  int left = 0;
  int top = 0;
  gdk_window_get_origin(gtk_widget_get_window(quit), &left, &top);
  GtkAllocation allocation{};
  gtk_widget_get_allocation(quit, &allocation);
  ASSERT_TRUE(PumpUntil([&] { return testing_gtk::Viewable(gtk_widget_get_toplevel(menu)); }))
      << "the menu is not shown";
  ClickAt(left + allocation.x + allocation.width / 2, top + allocation.y + allocation.height / 2,
          1);
  EXPECT_TRUE(PumpUntil([&] { return FClicks.size() == 2; }));
  EXPECT_EQ(FClicks, (std::vector<std::string>{"icon", "Quit"}));
  EXPECT_TRUE(PumpUntil([&] { return !gtk_widget_get_mapped(menu); }));
}

// Neither a watcher nor an XEmbed tray: the icon is asked to show, and
// Visible() tells that nothing shows it, whether the session has no bus or a
// bus without a watcher.
TEST(ToolkitTrayIconGtk, WithNoTrayAtAllTheIconIsNotVisible) {
  for (const bool withBus : {false, true}) {
    std::optional<testing_gtk::TScopedEnv> noBus;
    std::optional<testing_gtk::TPrivateBus> bus;
    if (withBus) {
      bus.emplace();
      if (!bus->Running()) {
        continue;
      }
    } else {
      noBus.emplace("DBUS_SESSION_BUS_ADDRESS", nullptr);
    }
    auto toolkit = CreateGtkToolkit();
    auto icon = toolkit->CreateTrayIcon();
    icon->SetVisible(true);
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    EXPECT_TRUE(PumpUntil([&] { return gtk_status_icon_get_visible(StatusIconOf(*icon)); }))
        << "the XEmbed icon is tried, with a bus: " << withBus;
    G_GNUC_END_IGNORE_DEPRECATIONS
    EXPECT_FALSE(icon->Visible()) << "with a bus: " << withBus;
  }
}

} // namespace
} // namespace tessera
