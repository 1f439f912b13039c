#pragma once

#include "platform/api/stored_styles.h"
#include "platform/win32/windows_api.h"

namespace tessera::win32 {

// Gives the window manager's title bar and border of `window` the palette's
// colours and, for a dark palette, the system's dark title bar; null gives
// the system's own look back. The window manager draws them: systems
// without the attributes (before Windows 11 for the colours, Wine) keep
// their look, which is no failure.
void ApplyFrameStyle(HWND window, const TStylePalette* palette);

} // namespace tessera::win32
