#pragma once

#include "platform/win32/windows_api.h"

#include <shellapi.h>

namespace tessera::win32 {

// Creates the hidden window through which the shell talks to a
// notification-area icon, of a class of its own (registered on first use
// with `procedure`). A hidden top-level window rather than a message-only
// one: only top-level windows hear the shell's TaskbarCreated broadcast.
// `owner` reaches the procedure as the creation parameter of WM_NCCREATE.
// Null when the system refuses the window (GetLastError says why).
HWND CreateNotifyIconWindow(const wchar_t* className, WNDPROC procedure, void* owner);

// The image's own icon at the small size when it carries one, else the
// system's application icon; the shell shows it in the notification area
// and beside notifications. Both are shared: nothing to free.
HICON SmallApplicationIcon();

// The part of Shell_NotifyIconW's data that names an icon: the window the
// shell talks to and the icon's ID there. Callers add what they change.
NOTIFYICONDATAW NotifyIconData(HWND window, UINT iconId);

} // namespace tessera::win32
