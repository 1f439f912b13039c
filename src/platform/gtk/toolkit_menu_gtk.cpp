#include "platform/gtk/toolkit_menu_gtk.h"

#include "base/exceptions.h"
#include "platform/gtk/callback_guard.h"
#include "platform/gtk/menu_caption.h"
#include "platform/gtk/valid_utf8.h"

#include <utility>

namespace tessera::gtk {

namespace {

constexpr const char* kSeparatorCaption = "-";

// Between the image and the caption.
constexpr int kImageSpacing = 6;

// Where `child` is among the shell's items, or -1 (the end).
int PositionIn(GtkMenuShell* shell, GtkWidget* child) {
  GList* children = gtk_container_get_children(GTK_CONTAINER(shell));
  const int position = g_list_index(children, child);
  g_list_free(children);
  return position;
}

} // namespace

GtkToolkitMenuItem::GtkToolkitMenuItem(const GtkToolkitMenu& menu, const GtkToolkitMenuItem* parent,
                                       int id, GtkMenuShell* shell, bool reserveImagePlace)
    : FMenu(menu), FParent(parent), FId(id), FShell(shell), FReserveImagePlace(reserveImagePlace) {
  BuildWidget();
}

GtkToolkitMenuItem::~GtkToolkitMenuItem() {
  g_signal_handlers_disconnect_by_data(FWidget.Get(), this);
  if (FSubmenu) {
    gtk_widget_destroy(FSubmenu.Get());
  }
  gtk_widget_destroy(FWidget.Get());
}

void GtkToolkitMenuItem::BuildWidget() {
  const bool separator = FCaption == kSeparatorCaption;
  GtkWidget* old = FWidget.Get();
  if (old != nullptr && (FLabel == nullptr) == separator) {
    return;
  }
  GtkWidget* widget = nullptr;
  if (separator) {
    widget = gtk_separator_menu_item_new();
    FImage = nullptr;
    FLabel = nullptr;
  } else {
    widget = gtk_menu_item_new();
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, kImageSpacing);
    FImage = gtk_image_new();
    FLabel = gtk_label_new(nullptr);
    gtk_label_set_xalign(GTK_LABEL(FLabel), 0.0f);
    gtk_box_pack_start(GTK_BOX(box), FImage, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), FLabel, TRUE, TRUE, 0);
    gtk_container_add(GTK_CONTAINER(widget), box);
    gtk_widget_show(box);
    gtk_widget_show(FLabel);
  }
  TGObjectPtr<GtkWidget> held = TGObjectPtr<GtkWidget>::Retain(widget);
  g_signal_connect(widget, "activate", G_CALLBACK(&GtkToolkitMenuItem::OnActivate), this);
  gtk_widget_set_sensitive(widget, FEnabled);

  int position = -1;
  if (old != nullptr) {
    position = PositionIn(FShell, old);
    g_signal_handlers_disconnect_by_data(old, this);
    // Destroying an item destroys its sub-menu: the new item takes it first.
    if (FSubmenu) {
      gtk_menu_item_set_submenu(GTK_MENU_ITEM(old), nullptr);
    }
    gtk_widget_destroy(old);
  }
  FWidget = std::move(held);
  // Shown before it goes in: whoever watches the shell sees its size.
  gtk_widget_show(widget);
  gtk_menu_shell_insert(FShell, widget, position);
  if (FSubmenu) {
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), FSubmenu.Get());
  }
  ApplyCaption();
  ApplyImage();
}

void GtkToolkitMenuItem::ApplyCaption() {
  if (FLabel != nullptr) {
    gtk_label_set_text_with_mnemonic(GTK_LABEL(FLabel),
                                     MnemonicCaption(ValidUtf8(FCaption)).c_str());
  }
}

void GtkToolkitMenuItem::ApplyImage() {
  if (FImage == nullptr) {
    return;
  }
  GdkPixbuf* pixbuf = FImageData ? FImageData->MenuPixbuf() : nullptr;
  if (pixbuf != nullptr) {
    gtk_image_set_from_pixbuf(GTK_IMAGE(FImage), pixbuf);
  } else {
    gtk_image_clear(GTK_IMAGE(FImage));
  }
  if (FReserveImagePlace) {
    gtk_widget_set_size_request(FImage, kMenuImageSize, kMenuImageSize);
  }
  gtk_widget_set_visible(FImage, pixbuf != nullptr || FReserveImagePlace);
}

void GtkToolkitMenuItem::SetCaption(const std::string& caption) {
  FCaption = caption;
  BuildWidget();
  ApplyCaption();
  FMenu.Changed();
}

void GtkToolkitMenuItem::SetEnabled(bool enabled) {
  FEnabled = enabled;
  gtk_widget_set_sensitive(FWidget.Get(), enabled);
  FMenu.Changed();
}

void GtkToolkitMenuItem::SetImage(std::shared_ptr<const ToolkitImage> image) {
  // Images come from this toolkit's DecodeImage; anything else shows none.
  FImageData = std::dynamic_pointer_cast<const GtkToolkitImage>(std::move(image));
  ApplyImage();
  FMenu.Changed();
}

GtkMenuShell* GtkToolkitMenuItem::AddSubItemShell() {
  if (!FSubmenu) {
    FSubmenu = TGObjectPtr<GtkWidget>::Retain(gtk_menu_new());
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(FWidget.Get()), FSubmenu.Get());
  }
  ++FSubItems;
  return GTK_MENU_SHELL(FSubmenu.Get());
}

void GtkToolkitMenuItem::Click() const {
  // Items with sub-items open them; GTK activates those too.
  if (FSubItems > 0 || !FEnabled || !OnClick) {
    return;
  }
  // The handler may clear the menu, and this item with it.
  std::function<void()> click = OnClick;
  click();
}

void GtkToolkitMenuItem::OnActivate(GtkMenuItem*, gpointer self) noexcept {
  GuardCallback<int>("menu item click", 0, [&] {
    static_cast<GtkToolkitMenuItem*>(self)->Click();
    return 0;
  });
}

GtkToolkitMenu::GtkToolkitMenu(bool menuBar)
    : FMenuBar(menuBar),
      FShell(TGObjectPtr<GtkWidget>::Retain(menuBar ? gtk_menu_bar_new() : gtk_menu_new())) {
  gtk_widget_show(FShell.Get());
}

GtkToolkitMenu::~GtkToolkitMenu() {
  if (GtkMenuObserver* observer = std::exchange(FObserver, nullptr)) {
    observer->MenuDestroyed();
  }
  Clear();
  // Takes a menu bar off the window showing it.
  gtk_widget_destroy(FShell.Get());
}

ToolkitMenuItem& GtkToolkitMenu::AddItem(ToolkitMenuItem* parent) {
  GtkMenuShell* shell = GTK_MENU_SHELL(FShell.Get());
  bool reserveImagePlace = !FMenuBar;
  GtkToolkitMenuItem* parentItem = nullptr;
  if (parent != nullptr) {
    parentItem = dynamic_cast<GtkToolkitMenuItem*>(parent);
    if (parentItem == nullptr || &parentItem->Menu() != this) {
      throw Exception("the parent item belongs to another menu");
    }
    shell = parentItem->AddSubItemShell();
    reserveImagePlace = true;
  }
  FItems.push_back(
      std::make_unique<GtkToolkitMenuItem>(*this, parentItem, ++FLastId, shell, reserveImagePlace));
  if (parent == nullptr) {
    ++FCount;
  }
  Changed();
  return *FItems.back();
}

std::vector<const GtkToolkitMenuItem*>
GtkToolkitMenu::ItemsUnder(const GtkToolkitMenuItem* parent) const {
  std::vector<const GtkToolkitMenuItem*> found;
  for (const std::unique_ptr<GtkToolkitMenuItem>& item : FItems) {
    if (item->Parent() == parent) {
      found.push_back(item.get());
    }
  }
  return found;
}

const GtkToolkitMenuItem* GtkToolkitMenu::FindItem(int id) const {
  for (const std::unique_ptr<GtkToolkitMenuItem>& item : FItems) {
    if (item->Id() == id) {
      return item.get();
    }
  }
  return nullptr;
}

void GtkToolkitMenu::Changed() const {
  if (FObserver != nullptr) {
    FObserver->MenuChanged();
  }
}

void GtkToolkitMenu::Clear() {
  // Sub-items first, while the sub-menus holding them are still there.
  const bool hadItems = !FItems.empty();
  while (!FItems.empty()) {
    FItems.pop_back();
  }
  FCount = 0;
  if (hadItems) {
    Changed();
  }
}

} // namespace tessera::gtk
