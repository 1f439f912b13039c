#pragma once

#include <gtk/gtk.h>

namespace tessera::gtk {

// The border a window manager draws around a toplevel window (its title bar
// and frame), in pixels on each side: what lies between the window's own
// size and its outer size.
struct TFrameExtents {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Left + Right; }
  int Height() const { return Top + Bottom; }
  bool operator==(const TFrameExtents&) const = default;
};

// Whether the event tells of a new frame around the toplevel (the window
// manager changed _NET_FRAME_EXTENTS).
bool IsFrameExtentsChange(const GdkEventProperty* event);

// The frame the window manager announced for the toplevel; zero when it
// announced none (no window manager, a window without decorations, a
// display other than X11).
TFrameExtents ReadFrameExtents(GdkWindow* toplevel);

// Asks the window manager to announce the frame it will give the toplevel,
// before the window is mapped, where it offers that; the answer comes as a
// change of the property, like every later one.
void RequestFrameExtents(GdkWindow* toplevel);

} // namespace tessera::gtk
