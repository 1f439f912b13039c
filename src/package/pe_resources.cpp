#include "package/pe_resources.h"

#include "base/utf.h"

#include <algorithm>
#include <map>
#include <optional>

namespace tessera {

namespace {

constexpr uint32_t kHighBit = 0x80000000u;
constexpr size_t kDirectoryHeaderSize = 16;
constexpr size_t kDirectoryEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
constexpr size_t kSectionHeaderSize = 40;
// Far more than any image has; they bound the work a damaged directory
// whose entries share subdirectories could cause.
constexpr size_t kMaxResources = 65536;
constexpr uint64_t kMaxResourceBytes = 256u * 1024 * 1024;
// Entries that share data copy it once each. A resource compiler writes
// each resource's bytes once, so more copies than a few times the section
// come from a damaged or crafted directory (a few kilobytes sharing one
// subdirectory at every level would otherwise ask for hundreds of MB).
constexpr uint64_t kMaxCopiesOfTheSection = 4;

constexpr size_t kDirectoryResource = 2;
constexpr size_t kDirectorySecurity = 4;
constexpr size_t kDirectoryRelocation = 5;
constexpr size_t kDirectoryDebug = 6;

// IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_READ
constexpr uint32_t kResourceSectionFlags = 0x40000040u;

uint64_t AlignUp(uint64_t value, uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

bool IsPowerOfTwo(uint32_t value) {
  return value != 0 && (value & (value - 1)) == 0;
}

// ---- Reading a resource directory ----

class TDirectoryReader {
public:
  TDirectoryReader(std::span<const uint8_t> section, uint32_t baseRva)
      : FView(section, "the image's resource directory"), FBaseRva(baseRva),
        FMaxBytes(std::min<uint64_t>(kMaxResourceBytes, kMaxCopiesOfTheSection * section.size())) {}

  TResourceList Read() {
    Walk(0, 0, {});
    return std::move(FResources);
  }

private:
  TResourceId ReadId(uint32_t field) const {
    if ((field & kHighBit) == 0) {
      if (field > 0xFFFF) {
        throw EResourceError("the image's resource directory has an entry with a bad number");
      }
      return TResourceId::Of(static_cast<uint16_t>(field));
    }
    const size_t at = field & ~kHighBit;
    const uint16_t length = FView.Get16(at);
    if (length == 0) {
      throw EResourceError("the image's resource directory has an empty name");
    }
    const auto chars = FView.Slice(at + 2, size_t{length} * 2);
    std::u16string name(length, u'\0');
    for (size_t i = 0; i < length; ++i) {
      name[i] = static_cast<char16_t>(chars[2 * i] | (chars[2 * i + 1] << 8));
    }
    return TResourceId::Named(std::move(name));
  }

  // level 0: types, 1: names, 2: languages (whose entries are data).
  void Walk(size_t offset, int level, const std::vector<TResourceId>& path) {
    const size_t count = size_t{FView.Get16(offset + 12)} + FView.Get16(offset + 14);
    FView.Require(offset, kDirectoryHeaderSize + count * kDirectoryEntrySize);
    for (size_t i = 0; i < count; ++i) {
      const size_t entry = offset + kDirectoryHeaderSize + i * kDirectoryEntrySize;
      const uint32_t nameField = FView.Get32(entry);
      const uint32_t dataField = FView.Get32(entry + 4);
      const TResourceId id = ReadId(nameField);
      const bool isDirectory = (dataField & kHighBit) != 0;
      if (level < 2) {
        if (!isDirectory) {
          throw EResourceError("the image's resource directory is not three levels deep");
        }
        std::vector<TResourceId> next = path;
        next.push_back(id);
        Walk(dataField & ~kHighBit, level + 1, next);
        continue;
      }
      if (isDirectory || id.IsName()) {
        throw EResourceError("the image's resource directory is more than three levels deep");
      }
      ReadData(dataField, path, id.Number);
    }
  }

  void ReadData(size_t entry, const std::vector<TResourceId>& path, uint16_t language) {
    const uint32_t rva = FView.Get32(entry);
    const uint32_t size = FView.Get32(entry + 4);
    if (rva < FBaseRva || !FView.Has(rva - FBaseRva, size)) {
      throw EResourceError("a resource of the image lies outside its resource section");
    }
    if (FResources.size() >= kMaxResources || size > FMaxBytes - FTotalBytes) {
      throw EResourceError("the image's resource directory lists more resources than it can hold");
    }
    const auto data = FView.Slice(rva - FBaseRva, size);
    FTotalBytes += size;
    FResources.push_back({path[0], path[1], language, FView.Get32(entry + 8),
                          std::vector<uint8_t>(data.begin(), data.end())});
  }

  TByteView FView;
  uint32_t FBaseRva;
  uint64_t FMaxBytes;
  TResourceList FResources;
  uint64_t FTotalBytes = 0;
};

// ---- PE headers ----

struct TSection {
  size_t HeaderAt;
  uint32_t VirtualSize;
  uint32_t VirtualAddress;
  uint32_t RawSize;
  uint32_t RawPointer;
  uint32_t Characteristics;
  std::string Name;

  uint32_t MappedSize() const { return VirtualSize != 0 ? VirtualSize : RawSize; }
  bool Contains(uint32_t rva) const {
    return rva >= VirtualAddress && rva - VirtualAddress < std::max(MappedSize(), 1u);
  }
};

struct TPeHeaders {
  size_t Optional = 0;
  size_t SectionTable = 0;
  size_t DirectoryTable = 0;
  uint32_t DirectoryCount = 0;
  uint32_t SectionAlignment = 0;
  uint32_t FileAlignment = 0;
  uint32_t SizeOfHeaders = 0;
  uint32_t EntryPoint = 0;
  std::vector<TSection> Sections;

  size_t ChecksumAt() const { return Optional + 64; }
  uint32_t DirectoryRva(const TByteView& image, size_t index) const {
    return index < DirectoryCount ? image.Get32(DirectoryTable + index * 8) : 0;
  }
  uint32_t DirectorySize(const TByteView& image, size_t index) const {
    return index < DirectoryCount ? image.Get32(DirectoryTable + index * 8 + 4) : 0;
  }
  std::optional<size_t> SectionOf(uint32_t rva) const {
    for (size_t i = 0; i < Sections.size(); ++i) {
      if (Sections[i].Contains(rva)) {
        return i;
      }
    }
    return std::nullopt;
  }
};

TPeHeaders ReadPeHeaders(const TByteView& image) {
  if (!image.Has(0, 0x40) || image.Get8(0) != 'M' || image.Get8(1) != 'Z') {
    throw EResourceError("the runtime is not a Windows (PE) image");
  }
  const size_t pe = image.Get32(0x3C);
  if (!image.Has(pe, 24) || image.Get32(pe) != 0x00004550u) {
    throw EResourceError("the runtime is not a Windows (PE) image");
  }
  TPeHeaders headers;
  const uint16_t sectionCount = image.Get16(pe + 6);
  const uint16_t optionalSize = image.Get16(pe + 20);
  headers.Optional = pe + 24;
  headers.SectionTable = headers.Optional + optionalSize;
  const uint16_t magic = image.Get16(headers.Optional);
  if (magic != 0x10B && magic != 0x20B) {
    throw EResourceError("the runtime's optional header is neither PE32 nor PE32+");
  }
  const bool plus = magic == 0x20B;
  const size_t directoryCountAt = headers.Optional + (plus ? 108 : 92);
  headers.DirectoryTable = directoryCountAt + 4;
  if (optionalSize < headers.DirectoryTable - headers.Optional) {
    throw EResourceError("the runtime's optional header is too short");
  }
  headers.DirectoryCount = std::min<uint32_t>(
      image.Get32(directoryCountAt),
      static_cast<uint32_t>((headers.SectionTable - headers.DirectoryTable) / 8));
  headers.EntryPoint = image.Get32(headers.Optional + 16);
  headers.SectionAlignment = image.Get32(headers.Optional + 32);
  headers.FileAlignment = image.Get32(headers.Optional + 36);
  headers.SizeOfHeaders = image.Get32(headers.Optional + 60);
  if (!IsPowerOfTwo(headers.FileAlignment) || headers.FileAlignment > 0x10000 ||
      !IsPowerOfTwo(headers.SectionAlignment) || headers.SectionAlignment < headers.FileAlignment) {
    throw EResourceError("the runtime's section alignment is not valid");
  }
  image.Require(headers.SectionTable, size_t{sectionCount} * kSectionHeaderSize);
  for (size_t i = 0; i < sectionCount; ++i) {
    const size_t at = headers.SectionTable + i * kSectionHeaderSize;
    const auto name = image.Slice(at, 8);
    TSection section{at,
                     image.Get32(at + 8),
                     image.Get32(at + 12),
                     image.Get32(at + 16),
                     image.Get32(at + 20),
                     image.Get32(at + 36),
                     std::string(name.begin(), std::find(name.begin(), name.end(), 0))};
    if (section.RawSize != 0 && !image.Has(section.RawPointer, section.RawSize)) {
      throw EResourceError("section " + section.Name + " of the runtime lies past its end");
    }
    if (!headers.Sections.empty()) {
      const TSection& last = headers.Sections.back();
      if (section.VirtualAddress < uint64_t{last.VirtualAddress} + last.MappedSize()) {
        throw EResourceError("the runtime's sections are not in address order");
      }
    }
    headers.Sections.push_back(std::move(section));
  }
  return headers;
}

// The resource section's bytes as they are mapped (the file's part of it).
std::span<const uint8_t> SectionBytes(const TByteView& image, const TSection& section) {
  return image.Slice(section.RawPointer, std::min(section.RawSize, section.MappedSize()));
}

// ---- Building a resource directory ----

struct TNameNode {
  TResourceId Id;
  std::vector<const TResource*> Languages;
};

struct TTypeNode {
  TResourceId Id;
  std::vector<TNameNode> Names;
};

std::vector<TTypeNode> SortedTree(const TResourceList& resources) {
  std::vector<const TResource*> sorted;
  for (const TResource& resource : resources) {
    sorted.push_back(&resource);
  }
  const auto key = [](const TResource* r) { return std::tie(r->Type, r->Name, r->Language); };
  std::sort(sorted.begin(), sorted.end(),
            [&](const TResource* a, const TResource* b) { return key(a) < key(b); });
  std::vector<TTypeNode> tree;
  for (size_t i = 0; i < sorted.size(); ++i) {
    const TResource* r = sorted[i];
    if (i > 0 && !(key(sorted[i - 1]) < key(r))) {
      throw EResourceError("two resources of type " + r->Type.ToString() + " are both named " +
                           r->Name.ToString() + " in language " + std::to_string(r->Language));
    }
    if (tree.empty() || !(tree.back().Id == r->Type)) {
      tree.push_back({r->Type, {}});
    }
    auto& names = tree.back().Names;
    if (names.empty() || !(names.back().Id == r->Name)) {
      names.push_back({r->Name, {}});
    }
    names.back().Languages.push_back(r);
  }
  return tree;
}

size_t DirectorySize(size_t entries) {
  return kDirectoryHeaderSize + entries * kDirectoryEntrySize;
}

void PutDirectoryHeader(TByteWriter& out, const std::vector<TResourceId>& ids) {
  const auto named =
      std::count_if(ids.begin(), ids.end(), [](const TResourceId& id) { return id.IsName(); });
  out.Put32(0); // characteristics
  out.Put32(0); // time stamp
  out.Put32(0); // version
  out.Put16(static_cast<uint16_t>(named));
  out.Put16(static_cast<uint16_t>(ids.size() - static_cast<size_t>(named)));
}

} // namespace

bool operator<(const TResourceId& a, const TResourceId& b) {
  if (a.IsName() != b.IsName()) {
    return a.IsName();
  }
  return a.IsName() ? a.Name < b.Name : a.Number < b.Number;
}

std::string TResourceId::ToString() const {
  if (IsName()) {
    return Utf16ToUtf8(Name);
  }
  std::string text = "#";
  text += std::to_string(Number);
  return text;
}

TResourceList ParseResourceSection(std::span<const uint8_t> section, uint32_t baseRva) {
  return TDirectoryReader(section, baseRva).Read();
}

TResourceList ReadImageResources(std::span<const uint8_t> image) {
  const TByteView view(image, "the runtime image");
  const TPeHeaders headers = ReadPeHeaders(view);
  const uint32_t rva = headers.DirectoryRva(view, kDirectoryResource);
  if (rva == 0 || headers.DirectorySize(view, kDirectoryResource) == 0) {
    return {};
  }
  const auto index = headers.SectionOf(rva);
  if (!index || headers.Sections[*index].VirtualAddress != rva) {
    throw EResourceError("the runtime's resource directory does not start a section");
  }
  const TSection& section = headers.Sections[*index];
  return ParseResourceSection(SectionBytes(view, section), section.VirtualAddress);
}

std::vector<uint8_t> BuildResourceSection(const TResourceList& resources, uint32_t baseRva) {
  if (resources.size() > kMaxResources) {
    throw EResourceError("too many resources for one image");
  }
  const std::vector<TTypeNode> tree = SortedTree(resources);

  // Where everything goes: the directories (types, then every type's names,
  // then every name's languages), the data entries, the names, the data.
  size_t offset = DirectorySize(tree.size());
  std::vector<size_t> nameDirectories;
  for (const TTypeNode& type : tree) {
    nameDirectories.push_back(offset);
    offset += DirectorySize(type.Names.size());
  }
  std::vector<size_t> languageDirectories;
  for (const TTypeNode& type : tree) {
    for (const TNameNode& name : type.Names) {
      languageDirectories.push_back(offset);
      offset += DirectorySize(name.Languages.size());
    }
  }
  const size_t dataEntries = offset;
  offset += resources.size() * kDataEntrySize;
  std::map<std::u16string, size_t> strings;
  const auto placeName = [&](const TResourceId& id) {
    if (id.IsName() && strings.emplace(id.Name, offset).second) {
      offset += 2 + id.Name.size() * 2;
    }
  };
  for (const TTypeNode& type : tree) {
    placeName(type.Id);
    for (const TNameNode& name : type.Names) {
      placeName(name.Id);
    }
  }
  uint64_t dataOffset = AlignUp(offset, 8);
  std::vector<uint64_t> dataOffsets;
  for (const TTypeNode& type : tree) {
    for (const TNameNode& name : type.Names) {
      for (const TResource* resource : name.Languages) {
        dataOffsets.push_back(dataOffset);
        dataOffset = AlignUp(dataOffset + resource->Data.size(), 8);
      }
    }
  }
  if (dataOffset + baseRva > UINT32_MAX || dataOffset > kMaxResourceBytes) {
    throw EResourceError("the resources are too large for one image");
  }

  const auto nameField = [&](const TResourceId& id) {
    return id.IsName() ? kHighBit | static_cast<uint32_t>(strings.at(id.Name))
                       : uint32_t{id.Number};
  };
  TByteWriter out;
  std::vector<TResourceId> ids;
  for (const TTypeNode& type : tree) {
    ids.push_back(type.Id);
  }
  PutDirectoryHeader(out, ids);
  for (size_t t = 0; t < tree.size(); ++t) {
    out.Put32(nameField(tree[t].Id));
    out.Put32(kHighBit | static_cast<uint32_t>(nameDirectories[t]));
  }
  size_t nameIndex = 0;
  for (const TTypeNode& type : tree) {
    ids.clear();
    for (const TNameNode& name : type.Names) {
      ids.push_back(name.Id);
    }
    PutDirectoryHeader(out, ids);
    for (const TNameNode& name : type.Names) {
      out.Put32(nameField(name.Id));
      out.Put32(kHighBit | static_cast<uint32_t>(languageDirectories[nameIndex++]));
    }
  }
  size_t leaf = 0;
  for (const TTypeNode& type : tree) {
    for (const TNameNode& name : type.Names) {
      ids.assign(name.Languages.size(), TResourceId{});
      PutDirectoryHeader(out, ids);
      for (const TResource* resource : name.Languages) {
        out.Put32(resource->Language);
        out.Put32(static_cast<uint32_t>(dataEntries + kDataEntrySize * leaf++));
      }
    }
  }
  leaf = 0;
  for (const TTypeNode& type : tree) {
    for (const TNameNode& name : type.Names) {
      for (const TResource* resource : name.Languages) {
        out.Put32(static_cast<uint32_t>(baseRva + dataOffsets[leaf++]));
        out.Put32(static_cast<uint32_t>(resource->Data.size()));
        out.Put32(resource->CodePage);
        out.Put32(0);
      }
    }
  }
  std::vector<std::pair<size_t, const std::u16string*>> stringOrder;
  for (const auto& [text, at] : strings) {
    stringOrder.emplace_back(at, &text);
  }
  std::sort(stringOrder.begin(), stringOrder.end());
  for (const auto& [at, text] : stringOrder) {
    out.Put16(static_cast<uint16_t>(text->size()));
    for (const char16_t unit : *text) {
      out.Put16(static_cast<uint16_t>(unit));
    }
  }
  leaf = 0;
  for (const TTypeNode& type : tree) {
    for (const TNameNode& name : type.Names) {
      for (const TResource* resource : name.Languages) {
        out.Align(8);
        // Every offset above was computed the same way.
        if (out.Size() != dataOffsets[leaf++]) {
          throw EResourceError("internal error: resource layout mismatch");
        }
        out.PutBytes(resource->Data);
      }
    }
  }
  out.Align(8);
  return std::move(out.Bytes());
}

uint32_t PeChecksum(std::span<const uint8_t> image, size_t checksumOffset) {
  uint64_t sum = 0;
  for (size_t i = 0; i < image.size(); i += 2) {
    if (i == checksumOffset || i == checksumOffset + 2) {
      continue;
    }
    const uint32_t word = image[i] | (i + 1 < image.size() ? image[i + 1] << 8 : 0);
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + image.size());
}

std::vector<uint8_t> ReplaceImageResources(std::span<const uint8_t> image,
                                           const TResourceList& resources) {
  const TByteView view(image, "the runtime image");
  const TPeHeaders headers = ReadPeHeaders(view);
  const std::vector<TSection>& sections = headers.Sections;

  if (headers.DirectoryCount <= kDirectoryRelocation) {
    throw EResourceError("the runtime's optional header has no resource directory entry");
  }
  if (headers.DirectorySize(view, kDirectorySecurity) != 0) {
    throw EResourceError("the runtime is signed, and changing its resources would break the "
                         "signature: sign the packed application instead");
  }
  uint64_t imageEnd = headers.SizeOfHeaders;
  for (const TSection& section : sections) {
    if (section.RawSize != 0) {
      imageEnd = std::max<uint64_t>(imageEnd, uint64_t{section.RawPointer} + section.RawSize);
    }
  }
  if (imageEnd != image.size()) {
    throw EResourceError("the runtime carries data after its image");
  }

  // Where the new resource section goes: in place of the old one, else
  // before a relocation section at the end, else after the last section.
  const uint32_t resourceRva = headers.DirectoryRva(view, kDirectoryResource);
  const uint32_t relocationRva = headers.DirectoryRva(view, kDirectoryRelocation);
  std::optional<size_t> replaced;
  if (resourceRva != 0 && headers.DirectorySize(view, kDirectoryResource) != 0) {
    replaced = headers.SectionOf(resourceRva);
    if (!replaced || sections[*replaced].VirtualAddress != resourceRva) {
      throw EResourceError("the runtime's resource directory does not start a section");
    }
  }
  size_t first = sections.size();
  if (replaced) {
    first = *replaced;
  } else if (!sections.empty() && relocationRva != 0 &&
             sections.back().VirtualAddress == relocationRva) {
    first = sections.size() - 1;
  }
  const size_t movedFrom = replaced ? first + 1 : first;

  // Only the relocation table may move: nothing else points into it. And
  // nothing that code or the loader reaches by address may live in the
  // sections that change.
  for (size_t i = movedFrom; i < sections.size(); ++i) {
    if (relocationRva == 0 || sections[i].VirtualAddress != relocationRva) {
      throw EResourceError("the runtime's section " + sections[i].Name +
                           " follows its resources and cannot be moved");
    }
  }
  const auto changes = [&](uint32_t rva) {
    const auto index = headers.SectionOf(rva);
    return index && *index >= first;
  };
  for (size_t i = 0; i < headers.DirectoryCount; ++i) {
    const uint32_t rva = headers.DirectoryRva(view, i);
    if (i == kDirectoryResource || i == kDirectoryRelocation || i == kDirectorySecurity ||
        (rva == 0 && headers.DirectorySize(view, i) == 0)) {
      continue;
    }
    if (changes(rva)) {
      throw EResourceError("the runtime keeps data directory " + std::to_string(i) +
                           " in a section that would move");
    }
  }
  if (changes(headers.EntryPoint)) {
    throw EResourceError("the runtime's entry point lies in a section that would move");
  }
  if (headers.DirectorySize(view, kDirectoryDebug) != 0) {
    throw EResourceError("the runtime carries debug data: use a stripped runtime");
  }
  if (relocationRva != 0) {
    // Fix-ups inside the moving sections would be applied at old places.
    const auto index = headers.SectionOf(relocationRva);
    if (!index) {
      throw EResourceError("the runtime's relocation table lies outside its sections");
    }
    const TSection& relocations = sections[*index];
    const TByteView table(SectionBytes(view, relocations), "the runtime's relocation table");
    const uint32_t size = headers.DirectorySize(view, kDirectoryRelocation);
    size_t at = relocationRva - relocations.VirtualAddress;
    while (at + 8 <= uint64_t{relocationRva - relocations.VirtualAddress} + size) {
      const uint32_t page = table.Get32(at);
      const uint32_t blockSize = table.Get32(at + 4);
      if (blockSize < 8) {
        throw EResourceError("the runtime's relocation table is damaged");
      }
      if (changes(page)) {
        throw EResourceError("the runtime has fix-ups in a section that would move");
      }
      at += blockSize;
    }
  }
  const size_t sectionCount = sections.size() + (replaced ? 0 : 1);
  if (sectionCount > 96) {
    throw EResourceError("the runtime has too many sections");
  }

  // The new layout, from the first section that changes on.
  uint64_t virtualAddress;
  uint64_t rawPointer;
  if (first < sections.size()) {
    virtualAddress = sections[first].VirtualAddress;
    rawPointer = sections[first].RawPointer;
    if (sections[first].RawSize == 0) {
      rawPointer = AlignUp(imageEnd, headers.FileAlignment);
    }
  } else {
    const TSection* last = sections.empty() ? nullptr : &sections.back();
    virtualAddress = last ? AlignUp(uint64_t{last->VirtualAddress} + last->MappedSize(),
                                    headers.SectionAlignment)
                          : AlignUp(headers.SizeOfHeaders, headers.SectionAlignment);
    rawPointer = AlignUp(imageEnd, headers.FileAlignment);
  }
  // What stays must lie before the new section, what moves after it.
  for (size_t i = 0; i < sections.size(); ++i) {
    const TSection& section = sections[i];
    const bool stays = i < first;
    if (section.RawSize != 0 && (stays ? uint64_t{section.RawPointer} + section.RawSize > rawPointer
                                       : section.RawPointer < rawPointer)) {
      throw EResourceError("the runtime's sections are not in file order");
    }
  }
  const std::vector<uint8_t> resourceBytes =
      BuildResourceSection(resources, static_cast<uint32_t>(virtualAddress));

  TSection resourceSection{
      0,
      static_cast<uint32_t>(resourceBytes.size()),
      static_cast<uint32_t>(virtualAddress),
      static_cast<uint32_t>(AlignUp(resourceBytes.size(), headers.FileAlignment)),
      static_cast<uint32_t>(rawPointer),
      replaced ? sections[*replaced].Characteristics : kResourceSectionFlags,
      replaced ? sections[*replaced].Name : ".rsrc"};
  std::vector<TSection> layout(sections.begin(), sections.begin() + static_cast<ptrdiff_t>(first));
  layout.push_back(resourceSection);
  std::vector<std::pair<TSection, const TSection*>> moved; // new place, old place
  for (size_t i = movedFrom; i < sections.size(); ++i) {
    const TSection& previous = moved.empty() ? resourceSection : moved.back().first;
    TSection next = sections[i];
    next.VirtualAddress = static_cast<uint32_t>(AlignUp(
        uint64_t{previous.VirtualAddress} + previous.MappedSize(), headers.SectionAlignment));
    next.RawSize = static_cast<uint32_t>(AlignUp(next.RawSize, headers.FileAlignment));
    next.RawPointer = next.RawSize == 0 ? 0 : previous.RawPointer + previous.RawSize;
    moved.emplace_back(next, &sections[i]);
    layout.push_back(next);
  }
  const TSection& last = layout.back();
  const uint64_t sizeOfImage =
      AlignUp(uint64_t{last.VirtualAddress} + last.MappedSize(), headers.SectionAlignment);
  uint64_t fileSize = uint64_t{resourceSection.RawPointer} + resourceSection.RawSize;
  for (const auto& [next, old] : moved) {
    if (next.RawSize != 0) {
      fileSize = uint64_t{next.RawPointer} + next.RawSize;
    }
  }
  if (sizeOfImage > UINT32_MAX || fileSize > UINT32_MAX) {
    throw EResourceError("the rewritten runtime would be too large");
  }

  // The section table must fit in the headers, in bytes that were zero.
  const size_t tableEnd = headers.SectionTable + sectionCount * kSectionHeaderSize;
  uint64_t firstRaw = headers.SizeOfHeaders;
  for (const TSection& section : sections) {
    if (section.RawSize != 0) {
      firstRaw = std::min<uint64_t>(firstRaw, section.RawPointer);
    }
  }
  if (tableEnd > firstRaw) {
    throw EResourceError("the runtime's headers have no room for another section");
  }
  if (!replaced) {
    const auto spare = view.Slice(tableEnd - kSectionHeaderSize, kSectionHeaderSize);
    if (std::any_of(spare.begin(), spare.end(), [](uint8_t b) { return b != 0; })) {
      throw EResourceError("the runtime's headers have no room for another section");
    }
  }

  // Write the new file: everything before the first changed section as it
  // was, the resources, the moved sections' bytes.
  TByteWriter out;
  out.PutBytes(image.subspan(0, rawPointer <= image.size() ? static_cast<size_t>(rawPointer)
                                                           : image.size()));
  out.Bytes().resize(static_cast<size_t>(rawPointer), 0);
  out.PutBytes(resourceBytes);
  out.Bytes().resize(resourceSection.RawPointer + resourceSection.RawSize, 0);
  for (const auto& [next, old] : moved) {
    if (next.RawSize == 0) {
      continue;
    }
    out.PutBytes(view.Slice(old->RawPointer, old->RawSize));
    out.Bytes().resize(next.RawPointer + next.RawSize, 0);
  }

  // Headers.
  for (size_t i = 0; i < layout.size(); ++i) {
    const TSection& section = layout[i];
    const size_t at = headers.SectionTable + i * kSectionHeaderSize;
    for (size_t c = 0; c < 8; ++c) {
      out.Bytes()[at + c] = c < section.Name.size() ? static_cast<uint8_t>(section.Name[c]) : 0;
    }
    out.Set32(at + 8, section.VirtualSize);
    out.Set32(at + 12, section.VirtualAddress);
    out.Set32(at + 16, section.RawSize);
    out.Set32(at + 20, section.RawPointer);
    if (i >= first) {
      // No line numbers or relocations in an image's sections.
      out.Set32(at + 24, 0);
      out.Set32(at + 28, 0);
      out.Set32(at + 32, 0);
    }
    out.Set32(at + 36, section.Characteristics);
  }
  const size_t peHeader = headers.Optional - 20;
  out.Set16(peHeader + 2, static_cast<uint16_t>(sectionCount));
  out.Set32(headers.DirectoryTable + kDirectoryResource * 8, resourceSection.VirtualAddress);
  out.Set32(headers.DirectoryTable + kDirectoryResource * 8 + 4, resourceSection.VirtualSize);
  for (const auto& [next, old] : moved) {
    out.Set32(headers.DirectoryTable + kDirectoryRelocation * 8,
              relocationRva - old->VirtualAddress + next.VirtualAddress);
  }
  out.Set32(headers.Optional + 56, static_cast<uint32_t>(sizeOfImage));
  const int64_t oldResourceRaw = replaced ? sections[*replaced].RawSize : 0;
  const int64_t initializedData =
      int64_t{view.Get32(headers.Optional + 8)} + int64_t{resourceSection.RawSize} - oldResourceRaw;
  out.Set32(headers.Optional + 8,
            static_cast<uint32_t>(std::clamp<int64_t>(initializedData, 0, UINT32_MAX)));
  out.Set32(headers.ChecksumAt(), 0);
  out.Set32(headers.ChecksumAt(), PeChecksum(out.Bytes(), headers.ChecksumAt()));
  return std::move(out.Bytes());
}

} // namespace tessera
