#include "functions/file_mask.h"

#include "base/utf.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tessera {

namespace {

std::u32string CodePoints(std::string_view utf8) {
  const std::u16string units = Utf8ToUtf16(utf8);
  std::u32string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      out.push_back(0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                    (static_cast<char32_t>(units[i + 1]) - 0xDC00));
      ++i;
    } else {
      out.push_back(unit);
    }
  }
  return out;
}

// Lower case for the scripts file names are most often written in; the
// system compares names without regard to case, and a mask written in
// capitals must find the same files.
char32_t FoldCase(char32_t c) {
  if (c >= U'A' && c <= U'Z')
    return c + 32;
  if (c < 0xC0)
    return c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
      (c >= 0x410 && c <= 0x42F))
    return c + 32;
  if (c >= 0x400 && c <= 0x40F)
    return c + 80;
  if (c == 0x178)
    return 0xFF;
  // Latin Extended-A pairs capitals and small letters on even and odd code
  // points, except for the stretch from U+0139 to U+0148 and U+0179 to
  // U+017E, where the capitals are odd.
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
    return (c % 2 == 1) ? c + 1 : c;
  if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
      c != 0x17F)
    return (c % 2 == 0) ? c + 1 : c;
  return c;
}

struct TMaskItem {
  enum class TKind { Literal, AnyRun, AnyOne, Set } Kind = TKind::Literal;
  char32_t Char = 0;
  bool Negated = false;
  std::vector<std::pair<char32_t, char32_t>> Ranges; // folded, low <= high
};

std::vector<TMaskItem> ParseMask(const std::u32string& mask) {
  std::vector<TMaskItem> items;
  for (size_t i = 0; i < mask.size(); ++i) {
    TMaskItem item;
    const char32_t c = mask[i];
    if (c == U'*') {
      // Runs of stars mean the same as one.
      if (!items.empty() && items.back().Kind == TMaskItem::TKind::AnyRun)
        continue;
      item.Kind = TMaskItem::TKind::AnyRun;
    } else if (c == U'?') {
      item.Kind = TMaskItem::TKind::AnyOne;
    } else if (c == U'[' && mask.find(U']', i + 1) != std::u32string::npos) {
      const size_t close = mask.find(U']', i + 1);
      size_t j = i + 1;
      item.Kind = TMaskItem::TKind::Set;
      if (j < close && mask[j] == U'!') {
        item.Negated = true;
        ++j;
      }
      while (j < close) {
        char32_t low = FoldCase(mask[j]);
        char32_t high = low;
        if (j + 2 < close && mask[j + 1] == U'-') {
          high = FoldCase(mask[j + 2]);
          j += 3;
        } else {
          ++j;
        }
        item.Ranges.emplace_back(std::min(low, high), std::max(low, high));
      }
      i = close;
    } else {
      item.Char = FoldCase(c);
    }
    items.push_back(std::move(item));
  }
  return items;
}

bool MatchesOne(const TMaskItem& item, char32_t c) {
  switch (item.Kind) {
  case TMaskItem::TKind::AnyOne:
    return true;
  case TMaskItem::TKind::Literal:
    return item.Char == c;
  case TMaskItem::TKind::Set: {
    const bool inSet = std::any_of(item.Ranges.begin(), item.Ranges.end(),
                                   [c](const auto& r) { return c >= r.first && c <= r.second; });
    return inSet != item.Negated;
  }
  case TMaskItem::TKind::AnyRun:
    break;
  }
  return false;
}

} // namespace

bool MatchesFileMask(std::string_view name, std::string_view mask) {
  if (mask == "*.*")
    return true;
  std::u32string text = CodePoints(name);
  for (char32_t& c : text)
    c = FoldCase(c);
  const std::vector<TMaskItem> items = ParseMask(CodePoints(mask));

  // Greedy matching that goes back to the last star on a mismatch: linear
  // in practice and never worse than the product of the two lengths.
  size_t t = 0;
  size_t m = 0;
  size_t starItem = std::u32string::npos;
  size_t starText = 0;
  while (t < text.size()) {
    if (m < items.size() && items[m].Kind == TMaskItem::TKind::AnyRun) {
      starItem = m++;
      starText = t;
    } else if (m < items.size() && MatchesOne(items[m], text[t])) {
      ++m;
      ++t;
    } else if (starItem != std::u32string::npos) {
      m = starItem + 1;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (m < items.size() && items[m].Kind == TMaskItem::TKind::AnyRun)
    ++m;
  return m == items.size();
}

} // namespace tessera
