#pragma once

#include "platform/win32/windows_api.h"

#include <functional>
#include <optional>

namespace tessera::win32 {

// Owns a child control window and watches its messages. The control dies
// with its parent window when the parent goes first; the object notices
// (Get() turns null) instead of destroying a handle that may have been
// reused. `OnMessage` sees each message before the control's own handling
// and answers it by returning a value; returning nothing lets the control
// handle it as usual (DefaultHandling does that from inside the hook).
class TChildControl {
public:
  using TMessageHook = std::function<std::optional<LRESULT>(UINT, WPARAM, LPARAM)>;

  // Takes ownership of `hwnd` (may be null when creation failed).
  explicit TChildControl(HWND hwnd);
  ~TChildControl();
  TChildControl(const TChildControl&) = delete;
  TChildControl& operator=(const TChildControl&) = delete;

  HWND Get() const { return FHandle; }
  LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam);

  TMessageHook OnMessage;

private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR data) noexcept;
  void Detach();

  HWND FHandle;
};

} // namespace tessera::win32
