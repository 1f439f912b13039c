#pragma once

#include "platform/api/stored_styles.h"
#include "platform/gtk/gobject_ptr.h"

#include <gtk/gtk.h>

#include <string>

namespace tessera::gtk {

// Style classes of the windows a visual style reaches: the toplevel of a
// normal toolkit window (its title bar and frame, when GTK draws them), its
// client area (the background and the text on it) and the title bar it
// shows in place of the window manager's while a stored style is active.
// Small transient pop-ups, menus and the menu bar carry none, so they keep
// the system's look.
inline constexpr const char* kStyledWindowClass = "tessera-styled";
inline constexpr const char* kStyledClientClass = "tessera-styled-client";
inline constexpr const char* kStyledTitleBarClass = "tessera-titlebar";

// The style sheet that gives the styled windows a palette's colours.
std::string VisualStyleCss(const TStylePalette& palette);

// The application's visual style: one style provider for the whole screen,
// above the windows' own rules, present while a stored style is active.
class TVisualStyleGtk {
public:
  TVisualStyleGtk() = default;
  ~TVisualStyleGtk();
  TVisualStyleGtk(const TVisualStyleGtk&) = delete;
  TVisualStyleGtk& operator=(const TVisualStyleGtk&) = delete;

  // See Toolkit::SetStyle.
  bool Set(const std::string& name);
  std::string ActiveName() const { return FActiveName; }

private:
  void RemoveProvider();

  TGObjectPtr<GtkCssProvider> FProvider;
  std::string FActiveName{kSystemStyleName};
};

} // namespace tessera::gtk
