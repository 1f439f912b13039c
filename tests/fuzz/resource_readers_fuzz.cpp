// The readers of what the packager takes from its user and from runtime
// images: a PE image's resources (and the version resource inside), a bare
// resource section, an icon file (.ico) and a version resource. The first
// byte picks the reader, the rest is its input. A reader may refuse its
// bytes with EResourceError and nothing else; what it accepts, written
// back, must read again the same.

#include "package/icon_file.h"
#include "package/pe_resources.h"
#include "package/version_info.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <tuple>
#include <vector>

namespace {

using namespace tessera;

// Up to this many resources, what is read is also written back and read
// again. A crafted directory lists up to 65536, and sorting and rebuilding
// those under the sanitizers takes seconds a run; reading them is checked.
constexpr size_t kMaxRoundTrip = 4096;

void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

// Resources in directory order (type, name, language), as a rebuilt
// directory lists them. Pointers are sorted, not the resources: a crafted
// directory lists tens of thousands.
std::vector<const TResource*> Sorted(const TResourceList& resources) {
  std::vector<const TResource*> sorted;
  for (const TResource& resource : resources) {
    sorted.push_back(&resource);
  }
  std::sort(sorted.begin(), sorted.end(), [](const TResource* a, const TResource* b) {
    return std::tie(a->Type, a->Name, a->Language) < std::tie(b->Type, b->Name, b->Language);
  });
  return sorted;
}

bool SameResources(const TResourceList& a, const TResourceList& b) {
  const std::vector<const TResource*> x = Sorted(a);
  const std::vector<const TResource*> y = Sorted(b);
  return std::equal(
      x.begin(), x.end(), y.begin(), y.end(), [](const TResource* l, const TResource* r) {
        return l->Type == r->Type && l->Name == r->Name && l->Language == r->Language &&
               l->CodePage == r->CodePage && l->Data == r->Data;
      });
}

void FuzzVersion(std::span<const uint8_t> bytes) {
  TVersionInfo info;
  try {
    info = ParseVersionInfo(bytes);
  } catch (const EResourceError&) {
    return;
  }
  std::vector<uint8_t> built;
  try {
    built = BuildVersionInfo(info);
  } catch (const EResourceError&) {
    return; // strings too long for the format once written out in full
  }
  const TVersionInfo again = ParseVersionInfo(built);
  Check(again.Fixed == info.Fixed);
  Check(again.Translations == info.Translations);
  Check(again.Tables.size() == info.Tables.size());
  for (size_t i = 0; i < info.Tables.size(); ++i) {
    Check(again.Tables[i].Key == info.Tables[i].Key);
    Check(again.Tables[i].Strings == info.Tables[i].Strings);
  }
}

void FuzzImage(std::span<const uint8_t> bytes) {
  TResourceList resources;
  try {
    resources = ReadImageResources(bytes);
  } catch (const EResourceError&) {
    return;
  }
  for (const TResource& resource : resources) {
    if (resource.Type == TResourceId::Of(kResourceVersion)) {
      FuzzVersion(resource.Data);
    }
  }
  if (resources.size() > kMaxRoundTrip) {
    return;
  }
  std::vector<uint8_t> rewritten;
  try {
    rewritten = ReplaceImageResources(bytes, resources);
  } catch (const EResourceError&) {
    return;
  }
  Check(SameResources(ReadImageResources(rewritten), resources));
}

void FuzzSection(std::span<const uint8_t> bytes) {
  if (bytes.size() < 4) {
    return;
  }
  const uint32_t baseRva =
      bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
  TResourceList resources;
  std::vector<uint8_t> built;
  try {
    resources = ParseResourceSection(bytes.subspan(4), baseRva);
    if (resources.size() > kMaxRoundTrip) {
      return;
    }
    built = BuildResourceSection(resources, baseRva);
  } catch (const EResourceError&) {
    return;
  }
  Check(SameResources(ParseResourceSection(built, baseRva), resources));
}

void FuzzIcon(std::span<const uint8_t> bytes) {
  std::vector<TIconImage> images;
  try {
    images = ReadIconFile(bytes);
  } catch (const EResourceError&) {
    return;
  }
  Check(!images.empty());
  for (const TIconImage& image : images) {
    Check(!image.Data.empty() && image.Data.size() <= bytes.size());
    Check(image.Planes != 0);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::span<const uint8_t> input(data + 1, size - 1);
  switch (data[0] % 4) {
  case 0:
    FuzzImage(input);
    break;
  case 1:
    FuzzSection(input);
    break;
  case 2:
    FuzzIcon(input);
    break;
  default:
    FuzzVersion(input);
    break;
  }
  return 0;
}
