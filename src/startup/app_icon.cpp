#include "startup/app_icon.h"

#include "package/app_icon_entry.h"

#include <iostream>
#include <string>

namespace tessera {

void ApplyPackageIcon(const TZipArchive& package, Toolkit& toolkit) {
  if (package.IndexOf(kAppIconEntryName) < 0) {
    return;
  }
  const std::optional<std::vector<uint8_t>> bytes = package.ExtractBytes(kAppIconEntryName);
  const std::shared_ptr<const ToolkitImage> icon =
      bytes ? toolkit.DecodeImage(std::string(bytes->begin(), bytes->end())) : nullptr;
  if (icon == nullptr) {
    std::cerr << "tessera: the package's icon (entry \"" << kAppIconEntryName
              << "\") is no picture this system reads; the windows keep the default icon\n";
    return;
  }
  toolkit.SetApplicationIcon(*icon);
}

} // namespace tessera
