#pragma once

#include "platform/api/toolkit.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tessera {

// Images by name, only ever appended, so the count is always the index of
// the next one. Emptied only when a menu is rebuilt.
class TImageCollection {
public:
  struct TNamedImage {
    std::string Name;
    std::shared_ptr<const ToolkitImage> Image;
  };

  int Count() const { return static_cast<int>(FImages.size()); }
  void Add(std::string name, std::shared_ptr<const ToolkitImage> image);
  void Clear() { FImages.clear(); }
  const TNamedImage& operator[](int index) const { return FImages.at(index); }

private:
  std::vector<TNamedImage> FImages;
};

// One item of a page-built menu: the toolkit's item with the integer ID the
// page gave it, and its sub-items in order. IDs need not be unique.
struct TMenuNode {
  ToolkitMenuItem* Item = nullptr;
  std::int32_t Tag = 0;
  std::string ImageName;
  int ImageIndex = -1;
  std::vector<std::unique_ptr<TMenuNode>> Children;
};

// A menu the page fills: the toolkit menu, the tree of its items with their
// IDs, its image collection and the name prefix of its images.
struct TPageMenu {
  std::unique_ptr<ToolkitMenu> Menu;
  std::vector<std::unique_ptr<TMenuNode>> Items;
  TImageCollection Images;
  std::string_view ImagePrefix;

  // Removes every item at every level; the images stay.
  void ClearItems();
  // The first item, depth first in order, whose ID is `tag`; null for none.
  TMenuNode* FindMenuItemByTag(std::int32_t tag);
};

// Holds what the menu and tray functions show for the life of the bridge
// module: the main window's menu bar, the notification-area icon with its
// pop-up menu, and their image collections. It is never shown; it exists
// so that these live on one owner that goes away with the module.
class TBrowserExternalForm {
public:
  static constexpr std::string_view kCaption =
      "[Not visible form: intended to be used to place DPI aware controls]";

  explicit TBrowserExternalForm(Toolkit& toolkit);
  ~TBrowserExternalForm();
  TBrowserExternalForm(const TBrowserExternalForm&) = delete;
  TBrowserExternalForm& operator=(const TBrowserExternalForm&) = delete;

  TPageMenu MainMenu;
  // Made before the tray menu it pops up and removed after it is unset.
  std::unique_ptr<ToolkitTrayIcon> TrayIcon;
  TPageMenu TrayMenu;
};

} // namespace tessera
