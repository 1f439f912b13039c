#pragma once

#include "platform/api/web_view_platform.h"

#include <gtk/gtk.h>

namespace tessera::gtk {

// The client area of every toolkit window: a GtkFixed that
// - asks for no minimum size, so that what is put in it (a web view sized
//   to the window) never keeps its window from shrinking;
// - paints its CSS background (the window's colour);
// - lays out the children marked below whenever its size changes: a child
//   marked "align bottom" takes a strip of that height along the bottom,
//   full width (the first one put in lowest); a child marked "fill" takes what
//   is left above the strips. Other children keep the place and size they
//   were put at.
GtkWidget* NewClientArea();

bool IsClientArea(GtkWidget* widget);

// The size the area would like: its window's size.
void SetNaturalSize(GtkWidget* area, int width, int height);

void SetAlignBottom(GtkWidget* child, int height);
void SetFillParent(GtkWidget* child, bool fill);
bool FillsParent(GtkWidget* child);

// What a "fill" child gets in an area of `width` by `height`: the rectangle
// above the visible bottom strips, in the area's coordinates.
TBoundsRect FillRect(GtkWidget* area, int width, int height);

// Lays the area's children out again after one of them was shown, hidden
// or marked.
void QueueLayout(GtkWidget* area);

} // namespace tessera::gtk
