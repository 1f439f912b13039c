#pragma once

#include "package/resource_bytes.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessera {

// Resource types the packager rewrites.
inline constexpr uint16_t kResourceIcon = 3;
inline constexpr uint16_t kResourceGroupIcon = 14;
inline constexpr uint16_t kResourceVersion = 16;

// A resource type or name: a string ("MAINICON") or a number.
struct TResourceId {
  std::u16string Name; // a named id when not empty
  uint16_t Number = 0; // otherwise this number

  static TResourceId Of(uint16_t number) { return {{}, number}; }
  static TResourceId Named(std::u16string name) { return {std::move(name), 0}; }
  bool IsName() const { return !Name.empty(); }
  bool operator==(const TResourceId&) const = default;
  // The order of a resource directory: names first, by their UTF-16 code
  // units (resource compilers store them in capitals), then numbers.
  friend bool operator<(const TResourceId& a, const TResourceId& b);
  // "MAINICON" or "#14", for messages.
  std::string ToString() const;
};

struct TResource {
  TResourceId Type;
  TResourceId Name;
  uint16_t Language = 0;
  uint32_t CodePage = 0;
  std::vector<uint8_t> Data;
};

using TResourceList = std::vector<TResource>;

// The resources of a PE image held in memory (the file's bytes, without
// anything appended), in directory order. An image without resources gives
// an empty list. Raises EResourceError when the image or its resource
// directory cannot be read.
TResourceList ReadImageResources(std::span<const uint8_t> image);

// The resource tree laid out in the three levels of a resource directory
// (type, name, language), for a section loaded at baseRva. Raises
// EResourceError for two resources with the same type, name and language.
std::vector<uint8_t> BuildResourceSection(const TResourceList& resources, uint32_t baseRva);

// Reads a resource section built for baseRva (the inverse of the above).
TResourceList ParseResourceSection(std::span<const uint8_t> section, uint32_t baseRva);

// A copy of the image whose resources are the given ones. The resource
// section is rebuilt where it stands, and the relocation section after it,
// the only section this may move, follows it; an image without resources
// gets a new section. The headers follow: the resource and relocation
// directories, the section table, SizeOfImage, SizeOfInitializedData and
// the checksum. Raises EResourceError for an image this cannot rewrite
// safely (a signed image, data the code may point to after the resources,
// no room for a section header), saying why.
std::vector<uint8_t> ReplaceImageResources(std::span<const uint8_t> image,
                                           const TResourceList& resources);

// The PE checksum of the image (the loader's algorithm: 16-bit sums with
// the carry folded back, the checksum field counted as 0, plus the length).
uint32_t PeChecksum(std::span<const uint8_t> image, size_t checksumOffset);

} // namespace tessera
