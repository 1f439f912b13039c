#pragma once

#include "platform/api/toolkit.h"
#include "platform/win32/windows_api.h"

namespace tessera::win32 {

// The system's message box with its buttons recaptioned, owned by `owner`
// (may be null). Enter chooses the first (default) button; Escape and
// closing the box choose Cancel.
TModalResult ShowMessageDialog(const TMessageDialogRequest& request, HWND owner);

} // namespace tessera::win32
