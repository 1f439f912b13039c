// The GTK toolkit's tray icon as a StatusNotifierItem, on a private session
// bus with a watcher and host of the test's own that read the item, its
// look and its menu and click them as a desktop's panel does.
#include "platform/gtk/toolkit_gtk.h"
#include "platform/gtk/toolkit_menu_gtk.h"
#include "platform/gtk/toolkit_tray_icon_gtk.h"

#include "gtk_test_support.h"
#include "status_notifier_test_watcher.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessera {
namespace {

using testing_gtk::PngBytes;
using testing_gtk::PumpUntil;
using testing_gtk::TCallResult;

constexpr const char* kMenuInterface = "com.canonical.dbusmenu";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";

G_GNUC_BEGIN_IGNORE_DEPRECATIONS
// Whether the XEmbed icon was asked to show: the fallback in use.
bool XEmbedAsked(ToolkitTrayIcon& icon) {
  return gtk_status_icon_get_visible(dynamic_cast<gtk::GtkToolkitTrayIcon&>(icon).StatusIcon()) !=
         FALSE;
}
G_GNUC_END_IGNORE_DEPRECATIONS
std::string StringOf(GVariant* value) {
  std::string text = value != nullptr && g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)
                         ? g_variant_get_string(value, nullptr)
                         : "<not a string>";
  if (value != nullptr) {
    g_variant_unref(value);
  }
  return text;
}

// A menu layout (ia{sv}av) as text, one line an item, indented by level:
// the label or "-" for a separator, then " [off]" when disabled, " <png>"
// with a PNG image and " >" when it opens a sub-menu. Also notes each
// label's item id.
void DescribeLayout(GVariant* node, int level, std::string& out,
                    std::map<std::string, gint32>& ids) {
  gint32 id = 0;
  GVariant* properties = nullptr;
  GVariant* children = nullptr;
  g_variant_get(node, "(i@a{sv}@av)", &id, &properties, &children);
  if (level > 0) {
    const gchar* type = "standard";
    const gchar* label = "";
    const gchar* display = "";
    gboolean enabled = TRUE;
    g_variant_lookup(properties, "type", "&s", &type);
    g_variant_lookup(properties, "label", "&s", &label);
    g_variant_lookup(properties, "children-display", "&s", &display);
    g_variant_lookup(properties, "enabled", "b", &enabled);
    out += std::string(static_cast<size_t>(level - 1) * 2, ' ');
    out += g_strcmp0(type, "separator") == 0 ? "-" : label;
    out += enabled ? "" : " [off]";
    if (GVariant* icon =
            g_variant_lookup_value(properties, "icon-data", G_VARIANT_TYPE_BYTESTRING)) {
      gsize size = 0;
      const auto* bytes = static_cast<const char*>(g_variant_get_fixed_array(icon, &size, 1));
      out += size > 4 && std::string(bytes + 1, 3) == "PNG" ? " <png>" : " <not png>";
      g_variant_unref(icon);
    }
    out += g_strcmp0(display, "submenu") == 0 ? " >" : "";
    out += "\n";
    ids[label] = id;
  }
  GVariantIter iter;
  g_variant_iter_init(&iter, children);
  while (GVariant* child = g_variant_iter_next_value(&iter)) {
    GVariant* inner = g_variant_get_variant(child);
    DescribeLayout(inner, level + 1, out, ids);
    g_variant_unref(inner);
    g_variant_unref(child);
  }
  g_variant_unref(properties);
  g_variant_unref(children);
}

// Sets the windows' default icon for the test, then puts back the old ones.
class TScopedDefaultIcon {
public:
  explicit TScopedDefaultIcon(GdkPixbuf* icon) : FOld(gtk_window_get_default_icon_list()) {
    GList* list = g_list_append(nullptr, icon);
    gtk_window_set_default_icon_list(list);
    g_list_free(list);
  }
  ~TScopedDefaultIcon() {
    gtk_window_set_default_icon_list(FOld);
    g_list_free(FOld);
  }
  TScopedDefaultIcon(const TScopedDefaultIcon&) = delete;
  TScopedDefaultIcon& operator=(const TScopedDefaultIcon&) = delete;

private:
  GList* FOld;
};

class StatusNotifierTrayGtkTest : public testing::Test {
protected:
  void SetUp() override {
    if (!FBus.Running()) {
      GTEST_SKIP() << "dbus-daemon is not installed";
    }
    ASSERT_TRUE(FWatcher.Start()) << "the test's watcher took no name";
    auto& open = FMenu->AddItem(nullptr);
    open.SetCaption("&Open");
    open.OnClick = [this] { FClicks.push_back("Open"); };
    FMenu->AddItem(nullptr).SetCaption("-");
    auto& more = FMenu->AddItem(nullptr);
    more.SetCaption("More");
    more.OnClick = [this] { FClicks.push_back("More"); };
    auto& deep = FMenu->AddItem(&more);
    deep.SetCaption("snake_case");
    deep.SetImage(FToolkit->DecodeImage(PngBytes(8, 8)));
    deep.OnClick = [this] { FClicks.push_back("Deep"); };
    auto& off = FMenu->AddItem(&more);
    off.SetCaption("Off");
    off.SetEnabled(false);
    off.OnClick = [this] { FClicks.push_back("Off"); };
    auto& quit = FMenu->AddItem(nullptr);
    quit.SetCaption("Quit");
    quit.OnClick = [this] { FClicks.push_back("Quit"); };
    FIcon->OnClick = [this] { FClicks.push_back("icon"); };
    FIcon->SetPopupMenu(FMenu.get());
  }

  // Shows the icon and waits until the panel shows it; answers its name.
  std::string ShowItem() {
    FIcon->SetVisible(true);
    EXPECT_TRUE(PumpUntil([&] { return FWatcher.Items().size() == 1 && FIcon->Visible(); }))
        << "the item did not register";
    return FWatcher.Items().empty() ? std::string() : FWatcher.Items().front();
  }

  TCallResult CallMenu(const char* method, GVariant* parameters) {
    return FWatcher.Call(FItem, "/MenuBar", kMenuInterface, method, parameters);
  }

  // The whole menu as the panel reads it, described; notes the ids.
  std::string Layout() {
    TCallResult result =
        CallMenu("GetLayout", g_variant_new("(ii@as)", 0, -1, g_variant_new_strv(nullptr, 0)));
    EXPECT_TRUE(result) << result.Error;
    if (!result) {
      return "<no layout>";
    }
    GVariant* layout = g_variant_get_child_value(result.Reply, 1);
    std::string text;
    FIds.clear();
    DescribeLayout(layout, 0, text, FIds);
    g_variant_unref(layout);
    return text;
  }

  testing_gtk::TPrivateBus FBus;
  testing_gtk::TTestWatcher FWatcher{FBus.Address()};
  std::unique_ptr<Toolkit> FToolkit = CreateGtkToolkit();
  std::unique_ptr<ToolkitMenu> FMenu = FToolkit->CreatePopupMenu();
  std::unique_ptr<ToolkitTrayIcon> FIcon = FToolkit->CreateTrayIcon();
  std::vector<std::string> FClicks;
  std::string FItem;
  std::map<std::string, gint32> FIds;
};

TEST_F(StatusNotifierTrayGtkTest, PanelReadsTheItemsLookAndMenu) {
  // Two pixels whose bytes tell the order apart: RGBA in, ARGB out.
  GdkPixbuf* pixels = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 2, 1);
  guint8* data = gdk_pixbuf_get_pixels(pixels);
  const guint8 rgba[] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
  std::copy(std::begin(rgba), std::end(rgba), data);
  TScopedDefaultIcon icon(pixels);
  g_object_unref(pixels);

  EXPECT_FALSE(FIcon->Visible()) << "hidden when made";
  FItem = ShowItem();
  ASSERT_FALSE(FItem.empty());
  EXPECT_TRUE(g_str_has_prefix(FItem.c_str(), "org.kde.StatusNotifierItem-")) << FItem;
  EXPECT_FALSE(XEmbedAsked(*FIcon)) << "shown twice";

  const std::pair<const char*, std::string> strings[] = {
      {"Category", "ApplicationStatus"},
      {"Status", "Active"},
      {"Title", g_get_application_name()},
      {"IconName", ""},
      {"Menu", "/MenuBar"},
  };
  for (const auto& [name, value] : strings) {
    GVariant* read = FWatcher.Property(FItem, name);
    if (read != nullptr && g_variant_is_of_type(read, G_VARIANT_TYPE_OBJECT_PATH)) {
      EXPECT_EQ(g_variant_get_string(read, nullptr), value) << name;
      g_variant_unref(read);
    } else {
      EXPECT_EQ(StringOf(read), value) << name;
    }
  }
  GVariant* isMenu = FWatcher.Property(FItem, "ItemIsMenu");
  ASSERT_NE(isMenu, nullptr);
  EXPECT_FALSE(g_variant_get_boolean(isMenu)) << "a click is the application's";
  g_variant_unref(isMenu);

  GVariant* pixmaps = FWatcher.Property(FItem, "IconPixmap");
  ASSERT_NE(pixmaps, nullptr);
  ASSERT_EQ(g_variant_n_children(pixmaps), 1u);
  gint32 width = 0;
  gint32 height = 0;
  GVariant* argb = nullptr;
  g_variant_get_child(pixmaps, 0, "(ii@ay)", &width, &height, &argb);
  gsize size = 0;
  const auto* bytes = static_cast<const guint8*>(g_variant_get_fixed_array(argb, &size, 1));
  EXPECT_EQ(width, 2);
  EXPECT_EQ(height, 1);
  EXPECT_EQ(std::vector<guint8>(bytes, bytes + size),
            (std::vector<guint8>{0x44, 0x11, 0x22, 0x33, 0x88, 0x55, 0x66, 0x77}));
  g_variant_unref(argb);
  g_variant_unref(pixmaps);

  EXPECT_EQ(Layout(), "_Open\n"
                      "-\n"
                      "More >\n"
                      "  snake__case <png>\n"
                      "  Off [off]\n"
                      "Quit\n");

  // One level below an item, only the properties asked for.
  const gchar* labelOnly[] = {"label", nullptr};
  TCallResult part = CallMenu("GetLayout", g_variant_new("(ii^as)", FIds["More"], 1, labelOnly));
  ASSERT_TRUE(part) << part.Error;
  std::string text;
  std::map<std::string, gint32> ids;
  GVariant* layout = g_variant_get_child_value(part.Reply, 1);
  DescribeLayout(layout, 0, text, ids);
  g_variant_unref(layout);
  EXPECT_EQ(text, "snake__case\nOff\n") << "neither image nor state was asked for";

  TCallResult group =
      CallMenu("GetGroupProperties",
               g_variant_new("(@ai^as)",
                             g_variant_new_fixed_array(
                                 G_VARIANT_TYPE_INT32,
                                 std::vector<gint32>{FIds["Off"], 9999}.data(), 2, sizeof(gint32)),
                             labelOnly));
  ASSERT_TRUE(group) << group.Error;
  GVariant* found = g_variant_get_child_value(group.Reply, 0);
  EXPECT_EQ(g_variant_n_children(found), 1u) << "an id no item has is left out";
  g_variant_unref(found);

  EXPECT_FALSE(
      CallMenu("GetLayout", g_variant_new("(ii@as)", 9999, -1, g_variant_new_strv(nullptr, 0))))
      << "no item has the id";
}

TEST_F(StatusNotifierTrayGtkTest, ClicksFromThePanelRunFromTheLoopAfterTheAnswer) {
  FItem = ShowItem();
  ASSERT_FALSE(FItem.empty());
  Layout();

  // A handler that runs a loop of its own, as a dialog does, while the
  // panel waits for its answer: run inside the bus's callback, the answer
  // would wait for the handler and the handler for the answer.
  bool answered = false;
  bool sawAnswer = false;
  FIcon->OnClick = [&] {
    FClicks.push_back("icon");
    sawAnswer = PumpUntil([&] { return answered; });
  };
  FWatcher.Send(FItem, "/StatusNotifierItem", kItemInterface, "Activate",
                g_variant_new("(ii)", 10, 10), &answered);
  ASSERT_TRUE(PumpUntil([&] { return !FClicks.empty() && answered; }));
  EXPECT_TRUE(sawAnswer);

  const auto event = [&](gint32 id, const char* kind) {
    return CallMenu("Event", g_variant_new("(isvu)", id, kind, g_variant_new_int32(0), 0u));
  };
  EXPECT_TRUE(event(FIds["Quit"], "clicked"));
  // Neither a sub-menu's own item, nor a disabled one, nor a mere hover
  // runs anything; an id no item has is an error.
  EXPECT_TRUE(event(FIds["More"], "clicked"));
  EXPECT_TRUE(event(FIds["Off"], "clicked"));
  EXPECT_TRUE(event(FIds["_Open"], "hovered"));
  EXPECT_FALSE(event(9999, "clicked"));
  TCallResult group = CallMenu(
      "EventGroup",
      g_variant_new_parsed("([(%i, 'clicked', <0>, uint32 0), (9999, 'clicked', <0>, uint32 0)],)",
                           FIds["snake__case"]));
  ASSERT_TRUE(group) << group.Error;
  EXPECT_EQ(g_variant_print(group.Reply, FALSE), std::string("([9999],)"));
  ASSERT_TRUE(PumpUntil([&] { return FClicks.size() == 3; }));
  EXPECT_EQ(FClicks, (std::vector<std::string>{"icon", "Quit", "Deep"}));

  // A panel that reads no menus asks the item to pop it up.
  GtkWidget* menu = dynamic_cast<gtk::GtkToolkitMenu&>(*FMenu).Widget();
  EXPECT_TRUE(FWatcher.Call(FItem, "/StatusNotifierItem", kItemInterface, "ContextMenu",
                            g_variant_new("(ii)", 10, 10)));
  EXPECT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(menu); }));
  gtk_menu_popdown(GTK_MENU(menu));

  // A handler may fail, or free the icon it was called by.
  FIcon->OnClick = [] { throw std::runtime_error("page gone"); };
  EXPECT_TRUE(FWatcher.Call(FItem, "/StatusNotifierItem", kItemInterface, "Activate",
                            g_variant_new("(ii)", 0, 0)));
  FIcon->OnClick = [this] { FIcon.reset(); };
  EXPECT_TRUE(FWatcher.Call(FItem, "/StatusNotifierItem", kItemInterface, "Activate",
                            g_variant_new("(ii)", 0, 0)));
  EXPECT_TRUE(PumpUntil([&] { return FIcon == nullptr && FWatcher.Items().empty(); }))
      << "the item stays on the panel after the icon went";
}

TEST_F(StatusNotifierTrayGtkTest, MenuChangesReachThePanel) {
  FItem = ShowItem();
  ASSERT_FALSE(FItem.empty());
  Layout();
  const gint32 oldQuit = FIds["Quit"];
  const size_t updates = FWatcher.LayoutUpdates().size();

  auto& menu = dynamic_cast<gtk::GtkToolkitMenu&>(*FMenu);
  const_cast<gtk::GtkToolkitMenuItem*>(menu.FindItem(oldQuit))->SetCaption("Exit");
  ASSERT_TRUE(PumpUntil([&] { return FWatcher.LayoutUpdates().size() > updates; }));
  EXPECT_EQ(Layout(), "_Open\n-\nMore >\n  snake__case <png>\n  Off [off]\nExit\n");

  // Built anew: ids of the old items find nothing.
  FMenu->Clear();
  FMenu->AddItem(nullptr).SetCaption("Fresh");
  ASSERT_TRUE(PumpUntil([&] { return Layout() == "Fresh\n"; }));
  EXPECT_NE(FIds["Fresh"], oldQuit);
  EXPECT_FALSE(
      CallMenu("Event", g_variant_new("(isvu)", oldQuit, "clicked", g_variant_new_int32(0), 0u)));

  // A menu freed while set leaves an empty one.
  FMenu.reset();
  EXPECT_TRUE(PumpUntil([&] { return Layout().empty(); }));
  EXPECT_TRUE(FClicks.empty());
}

TEST_F(StatusNotifierTrayGtkTest, AMenuTooDeepForOneMessageIsCutNotSent) {
  // A page may nest menus without end; a layout nested deeper than a bus
  // message may be would make the bus drop the item's connection.
  FMenu->Clear();
  ToolkitMenuItem* parent = nullptr;
  for (int level = 0; level < 40; ++level) {
    parent = &FMenu->AddItem(parent);
    parent->SetCaption("L" + std::to_string(level));
  }
  FItem = ShowItem();
  ASSERT_FALSE(FItem.empty());
  const std::string layout = Layout();
  EXPECT_TRUE(g_str_has_prefix(layout.c_str(), "L0 >\n  L1 >\n")) << layout;
  EXPECT_EQ(layout.find("L39"), std::string::npos) << "sent in full";
  EXPECT_TRUE(FIcon->Visible()) << "the item lost its bus";
}

TEST_F(StatusNotifierTrayGtkTest, ShownOnlyWhileAWatcherAndAHostTakeIt) {
  FItem = ShowItem();
  ASSERT_FALSE(FItem.empty());

  FIcon->SetVisible(false);
  EXPECT_FALSE(FIcon->Visible());
  EXPECT_TRUE(PumpUntil([&] { return FWatcher.Items().empty(); })) << "still on the panel";
  EXPECT_FALSE(XEmbedAsked(*FIcon));
  FItem = ShowItem();
  EXPECT_EQ(FWatcher.Registrations(), 2);

  // Without a host behind the watcher no panel shows the item.
  FWatcher.SetHostPresent(false);
  EXPECT_TRUE(PumpUntil([&] { return !FIcon->Visible(); }));
  FWatcher.SetHostPresent(true);
  EXPECT_TRUE(PumpUntil([&] { return FIcon->Visible(); }));

  // The watcher goes: the XEmbed icon stands in, and no XEmbed tray runs
  // here to show it. A watcher that comes takes the item again.
  FWatcher.Stop();
  EXPECT_TRUE(PumpUntil([&] { return XEmbedAsked(*FIcon); }));
  EXPECT_FALSE(FIcon->Visible());
  ASSERT_TRUE(FWatcher.Start());
  EXPECT_TRUE(PumpUntil([&] { return FWatcher.Items().size() == 1 && FIcon->Visible(); }));
  EXPECT_FALSE(XEmbedAsked(*FIcon));
  EXPECT_EQ(FWatcher.Registrations(), 3);
}

TEST_F(StatusNotifierTrayGtkTest, RefusedByTheWatcherTheXEmbedIconStandsIn) {
  FWatcher.Refuse = true;
  FIcon->SetVisible(true);
  EXPECT_TRUE(PumpUntil([&] { return XEmbedAsked(*FIcon); }));
  EXPECT_FALSE(FIcon->Visible()) << "no XEmbed tray runs here";
  EXPECT_TRUE(FWatcher.Items().empty());

  // Shown again, the icon asks the watcher again.
  FIcon->SetVisible(false);
  FWatcher.Refuse = false;
  ShowItem();
  EXPECT_FALSE(XEmbedAsked(*FIcon));
}

} // namespace
} // namespace tessera
