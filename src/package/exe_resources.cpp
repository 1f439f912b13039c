#include "package/exe_resources.h"

#include "base/utf.h"

#include <algorithm>
#include <set>

namespace tessera {

namespace {

constexpr size_t kGroupHeaderSize = 6;
constexpr size_t kGroupEntrySize = 14;
constexpr uint16_t kEnglishUs = 0x0409;

bool IsType(const TResource& resource, uint16_t type) {
  return !resource.Type.IsName() && resource.Type.Number == type;
}

// The icon images a group names; a damaged group names what it can.
std::set<uint16_t> IconsOfGroup(const std::vector<uint8_t>& group) {
  std::set<uint16_t> ids;
  if (group.size() < kGroupHeaderSize) {
    return ids;
  }
  const TByteView view(group, "an icon group");
  const size_t count = view.Get16(4);
  for (size_t i = 0; i < count && view.Has(kGroupHeaderSize + i * kGroupEntrySize, kGroupEntrySize);
       ++i) {
    ids.insert(view.Get16(kGroupHeaderSize + i * kGroupEntrySize + 12));
  }
  return ids;
}

std::vector<uint8_t> GroupOf(const std::vector<TIconImage>& icon,
                             const std::vector<uint16_t>& ids) {
  TByteWriter out;
  out.Put16(0);
  out.Put16(1);
  out.Put16(static_cast<uint16_t>(icon.size()));
  for (size_t i = 0; i < icon.size(); ++i) {
    const TIconImage& image = icon[i];
    out.Put8(image.Width);
    out.Put8(image.Height);
    out.Put8(image.ColorCount);
    out.Put8(0);
    out.Put16(image.Planes);
    out.Put16(image.BitCount);
    out.Put32(static_cast<uint32_t>(image.Data.size()));
    out.Put16(ids[i]);
  }
  return std::move(out.Bytes());
}

} // namespace

void ChangeExeIcon(TResourceList& resources, const std::vector<TIconImage>& icon) {
  if (icon.empty() || icon.size() > 0xFFFF) {
    throw EResourceError("an icon needs between 1 and 65535 images");
  }
  // The shell's icon: the first group in directory order.
  std::optional<TResourceId> name;
  uint16_t language = 0;
  for (const TResource& resource : resources) {
    if (IsType(resource, kResourceGroupIcon) &&
        (!name || resource.Name < *name ||
         (resource.Name == *name && resource.Language < language))) {
      name = resource.Name;
      language = resource.Language;
    }
  }
  if (!name) {
    name = TResourceId::Named(u"MAINICON");
  }

  std::set<uint16_t> dropped;
  std::set<uint16_t> kept;
  for (const TResource& resource : resources) {
    if (IsType(resource, kResourceGroupIcon)) {
      const std::set<uint16_t> ids = IconsOfGroup(resource.Data);
      (resource.Name == *name ? dropped : kept).insert(ids.begin(), ids.end());
    }
  }
  std::erase_if(resources, [&](const TResource& resource) {
    if (IsType(resource, kResourceGroupIcon)) {
      return resource.Name == *name;
    }
    return IsType(resource, kResourceIcon) && !resource.Name.IsName() &&
           dropped.count(resource.Name.Number) != 0 && kept.count(resource.Name.Number) == 0;
  });

  std::set<uint16_t> used;
  for (const TResource& resource : resources) {
    if (IsType(resource, kResourceIcon) && !resource.Name.IsName()) {
      used.insert(resource.Name.Number);
    }
  }
  std::vector<uint16_t> ids;
  for (uint32_t id = 1; id <= 0xFFFF && ids.size() < icon.size(); ++id) {
    if (used.count(static_cast<uint16_t>(id)) == 0) {
      ids.push_back(static_cast<uint16_t>(id));
    }
  }
  if (ids.size() < icon.size()) {
    throw EResourceError("the image has no free icon numbers left");
  }
  for (size_t i = 0; i < icon.size(); ++i) {
    resources.push_back(
        {TResourceId::Of(kResourceIcon), TResourceId::Of(ids[i]), language, 0, icon[i].Data});
  }
  resources.push_back(
      {TResourceId::Of(kResourceGroupIcon), *name, language, 0, GroupOf(icon, ids)});
}

void UpdateExeInfo(TResourceList& resources, const TExeInfo& info) {
  if (std::none_of(resources.begin(), resources.end(),
                   [](const TResource& r) { return IsType(r, kResourceVersion); })) {
    resources.push_back({TResourceId::Of(kResourceVersion), TResourceId::Of(1), kEnglishUs, 0,
                         BuildVersionInfo(TVersionInfo::Blank())});
  }
  for (TResource& resource : resources) {
    if (!IsType(resource, kResourceVersion)) {
      continue;
    }
    TVersionInfo version = ParseVersionInfo(resource.Data);
    const auto set = [&](std::u16string_view name, const std::optional<std::string>& value) {
      if (value) {
        version.SetString(name, Utf8ToUtf16(*value));
      }
    };
    set(u"CompanyName", info.Company);
    set(u"FileDescription", info.Description ? info.Description : info.ProductName);
    set(u"LegalCopyright", info.Copyright);
    set(u"ProductName", info.ProductName);
    if (info.ProductVersion) {
      version.SetFileVersion(*info.ProductVersion);
      version.SetProductVersion(*info.ProductVersion);
      const std::string text = FormatVersionNumber(*info.ProductVersion);
      set(u"FileVersion", text);
      set(u"ProductVersion", text);
    }
    if (info.FileName) {
      set(u"OriginalFilename", info.FileName);
      const size_t dot = info.FileName->rfind('.');
      set(u"InternalName",
          dot == std::string::npos || dot == 0 ? *info.FileName : info.FileName->substr(0, dot));
    }
    resource.Data = BuildVersionInfo(version);
  }
}

} // namespace tessera
