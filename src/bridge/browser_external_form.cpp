#include "bridge/browser_external_form.h"

#include <utility>

namespace tessera {

void TImageCollection::Add(std::string name, std::shared_ptr<const ToolkitImage> image) {
  FImages.push_back({std::move(name), std::move(image)});
}

void TPageMenu::ClearItems() {
  // The toolkit frees its items; the tree pointing at them goes first.
  Items.clear();
  Menu->Clear();
}

namespace {

TMenuNode* FindIn(std::vector<std::unique_ptr<TMenuNode>>& nodes, std::int32_t tag) {
  for (const std::unique_ptr<TMenuNode>& node : nodes) {
    if (node->Tag == tag) {
      return node.get();
    }
    if (TMenuNode* found = FindIn(node->Children, tag)) {
      return found;
    }
  }
  return nullptr;
}

} // namespace

TMenuNode* TPageMenu::FindMenuItemByTag(std::int32_t tag) {
  return FindIn(Items, tag);
}

TBrowserExternalForm::TBrowserExternalForm(Toolkit& toolkit) {
  MainMenu.Menu = toolkit.CreateMenuBar();
  MainMenu.ImagePrefix = "MainMenuImg";
  TrayIcon = toolkit.CreateTrayIcon();
  TrayMenu.Menu = toolkit.CreatePopupMenu();
  TrayMenu.ImagePrefix = "TrayMenuImg";
  TrayIcon->SetPopupMenu(TrayMenu.Menu.get());
}

TBrowserExternalForm::~TBrowserExternalForm() {
  // The icon must let go of its menu before either is freed, and goes
  // from the notification area before the menu it pops up.
  TrayIcon->SetVisible(false);
  TrayIcon->SetPopupMenu(nullptr);
  TrayIcon.reset();
}

} // namespace tessera
