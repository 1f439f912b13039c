#include "platform/win32/visual_style_win32.h"

#include "platform/win32/dwm_attributes.h"

namespace tessera::win32 {

namespace {

void SetColorAttribute(HWND window, DWORD attribute, COLORREF color) {
  SetDwmWindowAttribute(window, attribute, &color, sizeof(color));
}

} // namespace

void ApplyFrameStyle(HWND window, const TStylePalette* palette) {
  const BOOL dark = palette != nullptr && palette->Dark ? TRUE : FALSE;
  // Windows 10 before 20H1 knows the dark title bar under an older number.
  if (FAILED(SetDwmWindowAttribute(window, kDwmUseImmersiveDarkMode, &dark, sizeof(dark)))) {
    SetDwmWindowAttribute(window, kDwmUseImmersiveDarkModeBefore20H1, &dark, sizeof(dark));
  }
  // Palettes hold plain colours, which are COLORREF values as they are.
  SetColorAttribute(window, kDwmBorderColor,
                    palette != nullptr ? palette->Frame : kDwmColorDefault);
  SetColorAttribute(window, kDwmCaptionColor,
                    palette != nullptr ? palette->Caption : kDwmColorDefault);
  SetColorAttribute(window, kDwmTextColor,
                    palette != nullptr ? palette->CaptionText : kDwmColorDefault);
}

} // namespace tessera::win32
