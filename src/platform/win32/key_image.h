#pragma once

#include "platform/win32/windows_api.h"

namespace tessera::win32 {

// Draws the toolkit's "key" image, a small key lying on its side with its
// bow on the left, into the square of `side` pixels at (left, top). Drawn
// from shapes, so it is as sharp at 32 pixels as at 16.
void DrawKeyImage(HDC dc, int left, int top, int side);

} // namespace tessera::win32
