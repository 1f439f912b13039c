#pragma once

#include "platform/api/toolkit.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessera {

// The visual styles the runtime carries, written once for every backend and
// the fake: their names, in the order they are stored, and the colours each
// gives the application's own windows. The page inside a web view never
// takes them, and neither do menus, which stay drawn by the system.

// The system's own look: always there, listed before the stored styles, and
// what "no style" means.
inline constexpr std::string_view kSystemStyleName = "Windows";

// Plain colours (TColor, 0x00BBGGRR).
struct TStylePalette {
  // The window's outer border.
  TColor Frame;
  // The title bar and the text on it.
  TColor Caption;
  TColor CaptionText;
  // The client area of the window and the text drawn on it (labels,
  // message dialogs).
  TColor Window;
  TColor WindowText;
  // A dark style: the system's dark title bar and controls where it has them.
  bool Dark;
};

struct TStoredStyle {
  std::string_view Name;
  TStylePalette Palette;
};

// The 39 stored styles, in stored order.
std::span<const TStoredStyle> StoredStyles();

// The stored style whose name matches `name` with letter case ignored (as
// the style manager matches names), or nullptr; "Windows" is no stored
// style.
const TStoredStyle* FindStoredStyle(std::string_view name);

// Whether `name` names the system's own look, letter case ignored.
bool IsSystemStyleName(std::string_view name);

// Every style's name as the toolkit lists them: "Windows" first, then the
// stored styles in stored order.
std::vector<std::string> AllStyleNames();

} // namespace tessera
