#pragma once

#include "platform/api/toolkit.h"
#include "platform/win32/windows_api.h"

namespace tessera::win32 {

// Draws one frame of the animation over what `dc` already holds in the
// square (0, 0)-(side, side), which must be the background the indicator
// sits on: the shapes are drawn at four times the size and shrunk onto it,
// which smooths their edges. `phase` in [0, 1) is the point in the cycle.
void DrawActivityIndicator(HDC dc, int side, TActivityIndicatorType type,
                           TActivityIndicatorColor color, double phase);

} // namespace tessera::win32
