#include "package/version_info.h"

#include "base/utf.h"

#include <algorithm>
#include <functional>

namespace tessera {

namespace {

constexpr uint32_t kFixedSignature = 0xFEEF04BDu;
constexpr size_t kFixedSize = 13 * 4;
constexpr size_t kNodeHeaderSize = 6;
constexpr uint16_t kBinary = 0;
constexpr uint16_t kText = 1;
constexpr int kMaxDepth = 3; // root, file info block, table, string

// Field indexes of VS_FIXEDFILEINFO.
constexpr size_t kFileVersionMS = 2;
constexpr size_t kProductVersionMS = 4;

size_t AlignUp(size_t value) {
  return (value + 3) & ~size_t{3};
}

// One node of the format: wLength, wValueLength, wType, a key, a value and
// children, each aligned to 32 bits from the resource's start.
struct TNode {
  std::u16string Key;
  uint16_t Type = 0;
  std::span<const uint8_t> Value;
  std::vector<TNode> Children;
};

TNode ParseNode(const TByteView& view, size_t offset, size_t limit, int depth) {
  const uint16_t length = view.Get16(offset);
  if (length < kNodeHeaderSize || offset + length > limit) {
    throw EResourceError("the runtime's version resource is damaged");
  }
  const size_t end = offset + length;
  const uint16_t valueLength = view.Get16(offset + 2);
  TNode node;
  node.Type = view.Get16(offset + 4);
  size_t at = offset + kNodeHeaderSize;
  for (;; at += 2) {
    if (at + 2 > end) {
      throw EResourceError("the runtime's version resource is damaged");
    }
    const uint16_t unit = view.Get16(at);
    if (unit == 0) {
      at += 2;
      break;
    }
    node.Key.push_back(static_cast<char16_t>(unit));
  }
  at = std::min(AlignUp(at), end);
  // Text lengths count UTF-16 units, but writers differ on whether the
  // terminating zero counts (some count bytes): the value of a string,
  // which has no children, is the rest of its node; others are cut where
  // the node ends.
  const size_t valueBytes =
      depth == kMaxDepth
          ? end - at
          : std::min<size_t>(node.Type == kText ? valueLength * 2u : valueLength, end - at);
  node.Value = view.Slice(at, valueBytes);
  at = AlignUp(at + valueBytes);
  while (at < end) {
    if (depth == kMaxDepth) {
      throw EResourceError("the runtime's version resource is nested too deeply");
    }
    const TNode child = ParseNode(view, at, end, depth + 1);
    at = AlignUp(at + view.Get16(at));
    node.Children.push_back(child);
  }
  return node;
}

std::u16string TextOf(const TNode& node) {
  std::u16string text;
  for (size_t i = 0; i + 1 < node.Value.size(); i += 2) {
    const auto unit = static_cast<char16_t>(node.Value[i] | (node.Value[i + 1] << 8));
    if (unit == 0) {
      break;
    }
    text.push_back(unit);
  }
  return text;
}

// Writes a node; children writes the children, each aligned.
void PutNode(TByteWriter& out, std::u16string_view key, uint16_t type,
             std::span<const uint8_t> value, uint16_t valueLength,
             const std::function<void()>& children = {}) {
  out.Align(4);
  const size_t start = out.Size();
  out.Put16(0);
  out.Put16(valueLength);
  out.Put16(type);
  for (const char16_t unit : key) {
    out.Put16(static_cast<uint16_t>(unit));
  }
  out.Put16(0);
  out.Align(4);
  out.PutBytes(value);
  if (children) {
    children();
  }
  const size_t length = out.Size() - start;
  if (length > 0xFFFF) {
    throw EResourceError("the version strings are too long for a version resource");
  }
  out.Set16(start, static_cast<uint16_t>(length));
}

std::vector<uint8_t> TextBytes(const std::u16string& text) {
  TByteWriter bytes;
  for (const char16_t unit : text) {
    bytes.Put16(static_cast<uint16_t>(unit));
  }
  bytes.Put16(0);
  return std::move(bytes.Bytes());
}

TVersionNumber Split(uint32_t high, uint32_t low) {
  return {static_cast<uint16_t>(high >> 16), static_cast<uint16_t>(high),
          static_cast<uint16_t>(low >> 16), static_cast<uint16_t>(low)};
}

} // namespace

std::optional<TVersionNumber> ParseVersionNumber(std::string_view text) {
  TVersionNumber version{};
  size_t part = 0;
  size_t at = 0;
  while (true) {
    if (part == version.size()) {
      return std::nullopt;
    }
    uint32_t value = 0;
    size_t digits = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
      value = value * 10 + static_cast<uint32_t>(text[at] - '0');
      if (value > 0xFFFF) {
        return std::nullopt;
      }
      ++at;
      ++digits;
    }
    if (digits == 0) {
      return std::nullopt;
    }
    version[part++] = static_cast<uint16_t>(value);
    if (at == text.size()) {
      return version;
    }
    if (text[at] != '.') {
      return std::nullopt;
    }
    ++at;
  }
}

std::string FormatVersionNumber(const TVersionNumber& version) {
  return std::to_string(version[0]) + "." + std::to_string(version[1]) + "." +
         std::to_string(version[2]) + "." + std::to_string(version[3]);
}

TVersionInfo TVersionInfo::Blank() {
  TVersionInfo info;
  info.Fixed = {kFixedSignature,
                0x00010000u,
                0,
                0,
                0,
                0,
                0x3Fu,       // VS_FFI_FILEFLAGSMASK
                0,           // no flags
                0x00040004u, // VOS_NT_WINDOWS32
                1,           // VFT_APP
                0,
                0,
                0};
  info.Tables.push_back({u"040904B0", {}});
  info.Translations.push_back(0x04B00409u);
  return info;
}

TVersionNumber TVersionInfo::FileVersion() const {
  return Split(Fixed[kFileVersionMS], Fixed[kFileVersionMS + 1]);
}

TVersionNumber TVersionInfo::ProductVersion() const {
  return Split(Fixed[kProductVersionMS], Fixed[kProductVersionMS + 1]);
}

void TVersionInfo::SetFileVersion(const TVersionNumber& version) {
  Fixed[kFileVersionMS] = (uint32_t{version[0]} << 16) | version[1];
  Fixed[kFileVersionMS + 1] = (uint32_t{version[2]} << 16) | version[3];
}

void TVersionInfo::SetProductVersion(const TVersionNumber& version) {
  Fixed[kProductVersionMS] = (uint32_t{version[0]} << 16) | version[1];
  Fixed[kProductVersionMS + 1] = (uint32_t{version[2]} << 16) | version[3];
}

std::optional<std::u16string> TVersionInfo::String(std::u16string_view name) const {
  if (Tables.empty()) {
    return std::nullopt;
  }
  for (const auto& [key, value] : Tables.front().Strings) {
    if (key == name) {
      return value;
    }
  }
  return std::nullopt;
}

void TVersionInfo::SetString(std::u16string_view name, const std::u16string& value) {
  for (TVersionStringTable& table : Tables) {
    const auto found = std::find_if(table.Strings.begin(), table.Strings.end(),
                                    [&](const auto& entry) { return entry.first == name; });
    if (found != table.Strings.end()) {
      found->second = value;
    } else {
      table.Strings.emplace_back(std::u16string(name), value);
    }
  }
}

TVersionInfo ParseVersionInfo(std::span<const uint8_t> bytes) {
  const TByteView view(bytes, "the runtime's version resource");
  const TNode root = ParseNode(view, 0, bytes.size(), 0);
  if (root.Key != u"VS_VERSION_INFO") {
    throw EResourceError("the runtime's version resource does not start with VS_VERSION_INFO");
  }
  TVersionInfo info = TVersionInfo::Blank();
  info.Tables.clear();
  info.Translations.clear();
  if (!root.Value.empty()) {
    const TByteView fixed(root.Value, "the fixed part of the runtime's version resource");
    fixed.Require(0, kFixedSize);
    for (size_t i = 0; i < info.Fixed.size(); ++i) {
      info.Fixed[i] = fixed.Get32(i * 4);
    }
    if (info.Fixed[0] != kFixedSignature) {
      throw EResourceError("the fixed part of the runtime's version resource has a bad signature");
    }
  }
  for (const TNode& block : root.Children) {
    if (block.Key == u"StringFileInfo") {
      for (const TNode& table : block.Children) {
        TVersionStringTable strings{table.Key, {}};
        for (const TNode& entry : table.Children) {
          strings.Strings.emplace_back(entry.Key, TextOf(entry));
        }
        info.Tables.push_back(std::move(strings));
      }
    } else if (block.Key == u"VarFileInfo") {
      for (const TNode& var : block.Children) {
        if (var.Key != u"Translation") {
          continue;
        }
        const TByteView values(var.Value, "the runtime's version translations");
        for (size_t i = 0; i + 4 <= values.Size(); i += 4) {
          info.Translations.push_back(values.Get32(i));
        }
      }
    } else {
      throw EResourceError("the runtime's version resource has a block \"" +
                           Utf16ToUtf8(block.Key) + "\" this packager does not know");
    }
  }
  return info;
}

std::vector<uint8_t> BuildVersionInfo(const TVersionInfo& info) {
  TByteWriter fixed;
  for (const uint32_t field : info.Fixed) {
    fixed.Put32(field);
  }
  TByteWriter translations;
  for (const uint32_t translation : info.Translations) {
    translations.Put32(translation);
  }
  TByteWriter out;
  PutNode(out, u"VS_VERSION_INFO", kBinary, fixed.Bytes(), kFixedSize, [&] {
    if (!info.Tables.empty()) {
      PutNode(out, u"StringFileInfo", kText, {}, 0, [&] {
        for (const TVersionStringTable& table : info.Tables) {
          PutNode(out, table.Key, kText, {}, 0, [&] {
            for (const auto& [name, value] : table.Strings) {
              const std::vector<uint8_t> text = TextBytes(value);
              PutNode(out, name, kText, text, static_cast<uint16_t>(text.size() / 2));
            }
          });
        }
      });
    }
    if (!info.Translations.empty()) {
      PutNode(out, u"VarFileInfo", kText, {}, 0, [&] {
        PutNode(out, u"Translation", kBinary, translations.Bytes(),
                static_cast<uint16_t>(translations.Size()));
      });
    }
  });
  return std::move(out.Bytes());
}

} // namespace tessera
