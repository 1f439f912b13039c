#pragma once

#include "platform/win32/windows_api.h"

namespace tessera::win32 {

// Attributes of the desktop window manager that the toolkit sets.
inline constexpr DWORD kDwmUseImmersiveDarkModeBefore20H1 = 19;
inline constexpr DWORD kDwmUseImmersiveDarkMode = 20;
inline constexpr DWORD kDwmWindowCornerPreference = 33;
inline constexpr DWORD kDwmBorderColor = 34;
inline constexpr DWORD kDwmCaptionColor = 35;
inline constexpr DWORD kDwmTextColor = 36;
// The value of the three colour attributes that gives the system's colour
// back.
inline constexpr COLORREF kDwmColorDefault = 0xFFFFFFFFu;

// DwmSetWindowAttribute, from dwmapi when the system has it (the library
// stays loaded for the life of the process); E_NOTIMPL without it. Systems
// that do not know an attribute refuse it, and the window keeps the
// system's look there.
HRESULT SetDwmWindowAttribute(HWND window, DWORD attribute, const void* value, DWORD size);

} // namespace tessera::win32
