// The GTK toolkit's menus, menu bars on windows and decoded images, read
// back from the widgets GTK shows.
#include "platform/gtk/menu_caption.h"
#include "platform/gtk/toolkit_gtk.h"
#include "platform/gtk/toolkit_image_gtk.h"
#include "platform/gtk/toolkit_menu_gtk.h"

#include "gtk_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace tessera {
namespace {

using testing_gtk::Area;
using testing_gtk::PngBytes;
using testing_gtk::PumpUntil;
using testing_gtk::TopLevelOf;
using testing_gtk::TRecordingEvents;

std::vector<GtkWidget*> Children(GtkWidget* container) {
  std::vector<GtkWidget*> found;
  GList* children = gtk_container_get_children(GTK_CONTAINER(container));
  for (GList* item = children; item != nullptr; item = item->next) {
    found.push_back(GTK_WIDGET(item->data));
  }
  g_list_free(children);
  return found;
}

template <typename T> T* ChildOfType(GtkWidget* container, GType type) {
  for (GtkWidget* child : Children(container)) {
    if (G_TYPE_CHECK_INSTANCE_TYPE(child, type)) {
      return reinterpret_cast<T*>(child);
    }
  }
  return nullptr;
}

// A shell's items as text, one line each, indented by level: the label
// as shown, "[off]" for insensitive items and "<WxH>" for a shown image.
void DescribeShell(GtkWidget* shell, int level, std::string& out) {
  for (GtkWidget* item : Children(shell)) {
    out += std::string(static_cast<size_t>(level) * 2, ' ');
    GtkWidget* box = gtk_bin_get_child(GTK_BIN(item));
    if (GTK_IS_SEPARATOR_MENU_ITEM(item)) {
      out += "-";
    } else if (box != nullptr && GTK_IS_BOX(box)) {
      out += gtk_label_get_text(ChildOfType<GtkLabel>(box, GTK_TYPE_LABEL));
      GtkImage* image = ChildOfType<GtkImage>(box, GTK_TYPE_IMAGE);
      if (image != nullptr && gtk_image_get_storage_type(image) == GTK_IMAGE_PIXBUF) {
        GdkPixbuf* pixbuf = gtk_image_get_pixbuf(image);
        out += " <" + std::to_string(gdk_pixbuf_get_width(pixbuf)) + "x" +
               std::to_string(gdk_pixbuf_get_height(pixbuf)) + ">";
      }
    } else {
      out += "?";
    }
    if (!gtk_widget_get_sensitive(item)) {
      out += " [off]";
    }
    out += '\n';
    if (GtkWidget* submenu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(item))) {
      DescribeShell(submenu, level + 1, out);
    }
  }
}

std::string Describe(const ToolkitMenu& menu) {
  std::string out;
  DescribeShell(dynamic_cast<const gtk::GtkToolkitMenu&>(menu).Widget(), 0, out);
  return out;
}

// The GTK widget of a menu item.
GtkMenuItem* WidgetOf(ToolkitMenuItem& item) {
  return GTK_MENU_ITEM(dynamic_cast<gtk::GtkToolkitMenuItem&>(item).Widget());
}

TEST(MenuCaption, AmpersandsMarkTheKeyAndUnderscoresStayPlain) {
  const std::pair<const char*, const char*> cases[] = {
      {"File", "File"},
      {"&File", "_File"},
      {"Save &As", "Save _As"},
      {"R&&D", "R&D"},
      {"&&&Edit", "&_Edit"},
      {"snake_case", "snake__case"},
      {"&a &b", "_a b"},
      {"end &", "end &"},
      {"&_x", "__x"},
      {"&Ärger", "_Ärger"},
      {"", ""},
  };
  for (const auto& [caption, label] : cases) {
    EXPECT_EQ(gtk::MnemonicCaption(caption), label) << caption;
  }
}

class ToolkitMenuGtkTest : public testing::Test {
protected:
  std::unique_ptr<Toolkit> FToolkit = CreateGtkToolkit();
};

TEST_F(ToolkitMenuGtkTest, NestedMenuShowsCaptionsStatesSeparatorsAndImages) {
  auto image = FToolkit->DecodeImage(PngBytes(32, 24));
  ASSERT_NE(image, nullptr);
  auto menu = FToolkit->CreateMenuBar();
  auto& file = menu->AddItem(nullptr);
  file.SetCaption("&File");
  file.SetImage(image);
  auto& open = menu->AddItem(&file);
  open.SetCaption("Open…");
  open.SetImage(image);
  menu->AddItem(&file).SetCaption("-");
  auto& recent = menu->AddItem(&file);
  recent.SetCaption("Recent");
  recent.SetEnabled(false);
  menu->AddItem(&recent).SetCaption("a_b.txt");
  auto& help = menu->AddItem(nullptr);
  help.SetCaption("Help");
  menu->AddItem(nullptr).SetCaption("bad \xff byte");

  EXPECT_EQ(Describe(*menu), "File <16x12>\n"
                             "  Open… <16x12>\n"
                             "  -\n"
                             "  Recent [off]\n"
                             "    a_b.txt\n"
                             "Help\n"
                             "bad \xef\xbf\xbd byte\n");
  EXPECT_EQ(menu->Count(), 3);
  EXPECT_EQ(file.Caption(), "&File");
  EXPECT_FALSE(recent.Enabled());
  EXPECT_EQ(gtk_label_get_mnemonic_keyval(
                ChildOfType<GtkLabel>(gtk_bin_get_child(GTK_BIN(WidgetOf(file))), GTK_TYPE_LABEL)),
            static_cast<guint>(GDK_KEY_f));

  // Changing the state and the image in place; null takes the image away.
  recent.SetEnabled(true);
  open.SetImage(nullptr);
  help.SetImage(FToolkit->DecodeImage(PngBytes(8, 8)));
  EXPECT_EQ(Describe(*menu), "File <16x12>\n"
                             "  Open…\n"
                             "  -\n"
                             "  Recent\n"
                             "    a_b.txt\n"
                             "Help <16x16>\n"
                             "bad \xef\xbf\xbd byte\n");

  // An item of another menu is no parent here.
  auto other = FToolkit->CreatePopupMenu();
  EXPECT_THROW(other->AddItem(&file), std::exception);
  EXPECT_EQ(other->Count(), 0);
}

TEST_F(ToolkitMenuGtkTest, SeparatorAndItemTurnIntoEachOtherInPlace) {
  auto menu = FToolkit->CreatePopupMenu();
  menu->AddItem(nullptr).SetCaption("first");
  auto& item = menu->AddItem(nullptr);
  menu->AddItem(nullptr).SetCaption("last");
  item.SetCaption("Sub");
  item.SetEnabled(false);
  menu->AddItem(&item).SetCaption("inner");
  int clicks = 0;
  item.OnClick = [&] { ++clicks; };

  item.SetCaption("-");
  EXPECT_EQ(Describe(*menu), "first\n- [off]\n  inner\nlast\n");
  EXPECT_EQ(item.Caption(), "-");
  item.SetCaption("Back");
  EXPECT_EQ(Describe(*menu), "first\nBack [off]\n  inner\nlast\n");
  EXPECT_EQ(menu->Count(), 3);

  // The handler moved with it: the item runs it once it is a leaf again.
  auto leafMenu = FToolkit->CreatePopupMenu();
  auto& leaf = leafMenu->AddItem(nullptr);
  leaf.OnClick = [&] { ++clicks; };
  leaf.SetCaption("-");
  leaf.SetCaption("Leaf");
  gtk_menu_item_activate(WidgetOf(leaf));
  EXPECT_EQ(clicks, 1);
}

TEST_F(ToolkitMenuGtkTest, ChoosingRunsTheClickOfEnabledLeavesOnly) {
  auto menu = FToolkit->CreateMenuBar();
  std::vector<std::string> clicks;
  auto& file = menu->AddItem(nullptr);
  file.SetCaption("File");
  file.OnClick = [&] { clicks.push_back("File"); };
  auto& quit = menu->AddItem(&file);
  quit.SetCaption("Quit");
  quit.OnClick = [&] { clicks.push_back("Quit"); };
  auto& off = menu->AddItem(&file);
  off.SetCaption("Off");
  off.SetEnabled(false);
  off.OnClick = [&] { clicks.push_back("Off"); };
  auto& empty = menu->AddItem(nullptr);
  empty.SetCaption("No handler");

  gtk_menu_item_activate(WidgetOf(file));
  gtk_menu_item_activate(WidgetOf(quit));
  gtk_menu_item_activate(WidgetOf(off));
  gtk_menu_item_activate(WidgetOf(empty));
  EXPECT_EQ(clicks, std::vector<std::string>{"Quit"});

  // A handler that throws is stopped at the toolkit's edge.
  quit.OnClick = [] { throw std::runtime_error("page gone"); };
  gtk_menu_item_activate(WidgetOf(quit));

  // A handler may rebuild the menu it was chosen from.
  quit.OnClick = [&] {
    menu->Clear();
    menu->AddItem(nullptr).SetCaption("Rebuilt");
  };
  gtk_menu_item_activate(WidgetOf(quit));
  EXPECT_EQ(Describe(*menu), "Rebuilt\n");
}

TEST_F(ToolkitMenuGtkTest, ClearFreesEveryItemAndTheMenuIsBuiltAgain) {
  auto menu = FToolkit->CreatePopupMenu();
  auto& top = menu->AddItem(nullptr);
  top.SetCaption("Top");
  menu->AddItem(&menu->AddItem(&top)).SetCaption("deep");
  GtkWidget* submenu = gtk_menu_item_get_submenu(WidgetOf(top));
  ASSERT_NE(submenu, nullptr);
  g_object_ref(submenu);

  menu->Clear();
  EXPECT_EQ(menu->Count(), 0);
  EXPECT_EQ(Describe(*menu), "");
  EXPECT_TRUE(Children(submenu).empty()) << "the sub-menus went too";
  g_object_unref(submenu);

  auto& again = menu->AddItem(nullptr);
  again.SetCaption("Again");
  menu->AddItem(&again).SetCaption("child");
  EXPECT_EQ(menu->Count(), 1);
  EXPECT_EQ(Describe(*menu), "Again\n  child\n");
}

class ToolkitWindowMenuGtkTest : public ToolkitMenuGtkTest {
protected:
  void SetUp() override {
    FWindow = FToolkit->CreateForm(FEvents, TWindowKind::Normal);
    FMenu = FToolkit->CreateMenuBar();
    FMenu->AddItem(nullptr).SetCaption("&File");
    FMenu->AddItem(nullptr).SetCaption("Help");
  }

  // The menu bar over the window's client area, or null.
  GtkWidget* ShownBar() const {
    GtkWidget* box = gtk_widget_get_parent(Area(*FWindow));
    for (GtkWidget* child : Children(box)) {
      if (GTK_IS_MENU_BAR(child)) {
        return child;
      }
    }
    return nullptr;
  }

  std::pair<int, int> AreaSize() const {
    return {gtk_widget_get_allocated_width(Area(*FWindow)),
            gtk_widget_get_allocated_height(Area(*FWindow))};
  }

  std::pair<int, int> RealSize() const {
    GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(TopLevelOf(*FWindow)));
    return {gdk_window_get_width(window), gdk_window_get_height(window)};
  }

  TRecordingEvents FEvents;
  std::unique_ptr<ToolkitWindow> FWindow;
  std::unique_ptr<ToolkitMenu> FMenu;
};

TEST_F(ToolkitWindowMenuGtkTest, MenuBarTakesItsHeightFromTheClientArea) {
  for (TBorderStyle border : {TBorderStyle::Sizeable, TBorderStyle::Dialog}) {
    SCOPED_TRACE(static_cast<int>(border));
    FWindow->SetBorderStyle(border);
    // The window's own size, inside the window manager's frame.
    FWindow->SetClientSize(400, 300);
    FWindow->Show();
    ASSERT_TRUE(PumpUntil([&] {
      return AreaSize() == std::make_pair(400, 300) && RealSize() == std::make_pair(400, 300);
    }));
    const int resizes = FEvents.Resizes;

    FWindow->SetMenu(FMenu.get());
    ASSERT_EQ(ShownBar(), dynamic_cast<gtk::GtkToolkitMenu&>(*FMenu).Widget());
    const int barHeight = 300 - FWindow->ClientRect().Bottom;
    EXPECT_GT(barHeight, 10);
    EXPECT_EQ(FWindow->ClientRect(), (TBoundsRect{0, 0, 400, 300 - barHeight}));
    EXPECT_EQ(FEvents.Resizes, resizes + 1) << "reported at once";
    EXPECT_TRUE(PumpUntil([&] { return AreaSize() == std::make_pair(400, 300 - barHeight); }))
        << AreaSize().second;
    EXPECT_EQ(RealSize(), std::make_pair(400, 300)) << "the window keeps its size";
    EXPECT_EQ(FEvents.Resizes, resizes + 1) << "and not again when GTK gets there";

    // The client size asked for is the size below the bar.
    FWindow->SetClientSize(300, 200);
    EXPECT_EQ(FWindow->ClientRect(), (TBoundsRect{0, 0, 300, 200}));
    EXPECT_TRUE(PumpUntil([&] { return RealSize() == std::make_pair(300, 200 + barHeight); }));
    EXPECT_TRUE(PumpUntil([&] { return AreaSize() == std::make_pair(300, 200); }));

    FWindow->SetMenu(nullptr);
    EXPECT_EQ(ShownBar(), nullptr);
    EXPECT_EQ(FWindow->ClientRect(), (TBoundsRect{0, 0, 300, 200 + barHeight}));
    EXPECT_TRUE(PumpUntil([&] { return AreaSize() == std::make_pair(300, 200 + barHeight); }));
    FWindow->Hide();
  }
}

TEST_F(ToolkitWindowMenuGtkTest, BarFilledWhileShownKeepsTheWindowSize) {
  // Pages set the menu first and fill it afterwards; a fixed frame must not
  // grow when the bar does.
  auto menu = FToolkit->CreateMenuBar();
  FWindow->SetBorderStyle(TBorderStyle::Dialog);
  FWindow->SetClientSize(400, 300);
  FWindow->SetMenu(menu.get());
  EXPECT_EQ(FWindow->ClientRect(), (TBoundsRect{0, 0, 400, 300})) << "an empty bar takes no room";
  FWindow->Show();
  ASSERT_TRUE(PumpUntil([&] { return AreaSize() == std::make_pair(400, 300); }));
  const int resizes = FEvents.Resizes;

  auto& file = menu->AddItem(nullptr);
  file.SetCaption("File");
  menu->AddItem(&file).SetCaption("Quit");
  const int height = FWindow->ClientRect().Bottom;
  EXPECT_LT(height, 290);
  EXPECT_TRUE(PumpUntil([&] { return AreaSize() == std::make_pair(400, height); }));
  EXPECT_GT(FEvents.Resizes, resizes);
  EXPECT_EQ(RealSize(), std::make_pair(400, 300));

  menu->Clear();
  EXPECT_TRUE(PumpUntil([&] { return AreaSize() == std::make_pair(400, 300); }));
  EXPECT_EQ(RealSize(), std::make_pair(400, 300));
}

TEST_F(ToolkitWindowMenuGtkTest, EmbeddedWindowsAndBarsFollowTheMenu) {
  FWindow->SetClientSize(400, 300);
  FWindow->SetMenu(FMenu.get());
  const TBoundsRect client = FWindow->ClientRect();
  ASSERT_LT(client.Bottom, 300);
  FWindow->Show();

  // A window embedded in the client area fills what the bar leaves.
  TRecordingEvents childEvents;
  auto child = FToolkit->CreateForm(childEvents, TWindowKind::Normal);
  child->SetParent(FWindow.get());
  child->Show();
  EXPECT_EQ(child->ClientRect(), client);
  EXPECT_TRUE(
      PumpUntil([&] { return gtk_widget_get_allocated_height(Area(*child)) == client.Bottom; }));

  // Made top-level again, its own bar goes back above its area.
  auto childMenu = FToolkit->CreateMenuBar();
  childMenu->AddItem(nullptr).SetCaption("Child");
  child->SetMenu(childMenu.get());
  child->SetParent(nullptr);
  // Below the title bar a style would show, hidden here.
  GtkWidget* box = gtk_widget_get_parent(Area(*child));
  const std::vector<GtkWidget*> rows = Children(box);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_TRUE(GTK_IS_EVENT_BOX(rows[0]) && !gtk_widget_get_visible(rows[0]));
  EXPECT_EQ(rows[1], dynamic_cast<gtk::GtkToolkitMenu&>(*childMenu).Widget());
  EXPECT_EQ(rows[2], Area(*child));

  // A bar shown by a second window leaves the first.
  child->SetMenu(FMenu.get());
  EXPECT_EQ(ShownBar(), nullptr);
  EXPECT_EQ(FWindow->ClientRect(), (TBoundsRect{0, 0, 400, 300}));

  // A menu freed while shown takes its bar away; the window goes on.
  FWindow->SetMenu(childMenu.get());
  childMenu.reset();
  EXPECT_EQ(ShownBar(), nullptr);
  EXPECT_EQ(FWindow->ClientRect(), (TBoundsRect{0, 0, 400, 300}));
  FWindow->SetMenu(nullptr);

  // A pop-up menu is no bar.
  auto popup = FToolkit->CreatePopupMenu();
  EXPECT_THROW(FWindow->SetMenu(popup.get()), std::exception);
}

TEST(DecodeImage, ReadsWhatGdkPixbufReadsAndRefusesTheRest) {
  auto image = gtk::DecodeGtkImage(PngBytes(40, 20));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Width(), 40);
  EXPECT_EQ(image->Height(), 20);
  EXPECT_EQ(gdk_pixbuf_get_width(image->MenuPixbuf()), 16);
  EXPECT_EQ(gdk_pixbuf_get_height(image->MenuPixbuf()), 8);

  // A large picture keeps its size but is held smaller.
  auto large = gtk::DecodeGtkImage(PngBytes(3000, 6));
  ASSERT_NE(large, nullptr);
  EXPECT_EQ(large->Width(), 3000);
  EXPECT_EQ(large->Height(), 6);
  EXPECT_LE(gdk_pixbuf_get_width(large->Pixbuf()), 1024);

  const std::string png = PngBytes(10, 10);
  const std::string junk[] = {"", "not an image at all", png.substr(0, png.size() / 2),
                              std::string(64, '\0')};
  for (const std::string& bytes : junk) {
    EXPECT_EQ(gtk::DecodeGtkImage(bytes), nullptr) << bytes.size();
  }
}

} // namespace
} // namespace tessera
