#include "platform/win32/child_control.h"

#include "platform/win32/callback_guard.h"
#include "platform/win32/toolkit_window_win32.h"

#include <commctrl.h>

namespace tessera::win32 {

namespace {
constexpr UINT_PTR kSubclassId = 1;
} // namespace

TChildControl::TChildControl(HWND hwnd) : FHandle(hwnd) {
  if (FHandle != nullptr) {
    SetWindowSubclass(FHandle, &TChildControl::SubclassProc, kSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
  }
}

TChildControl::~TChildControl() {
  if (FHandle == nullptr) {
    return;
  }
  HWND hwnd = FHandle;
  HWND parent = GetParent(hwnd);
  Detach();
  DestroyWindow(hwnd);
  // The place it held goes to its siblings.
  if (parent != nullptr) {
    LayoutChildren(parent);
  }
}

void TChildControl::Detach() {
  RemoveWindowSubclass(FHandle, &TChildControl::SubclassProc, kSubclassId);
  RemovePropW(FHandle, kAlignBottomProp);
  FHandle = nullptr;
}

LRESULT TChildControl::DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefSubclassProc(FHandle, message, wParam, lParam);
}

LRESULT CALLBACK TChildControl::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                             UINT_PTR /*id*/, DWORD_PTR data) noexcept {
  auto* control = reinterpret_cast<TChildControl*>(data);
  if (message == WM_NCDESTROY) {
    control->Detach();
    return DefSubclassProc(hwnd, message, wParam, lParam);
  }
  if (control->OnMessage) {
    std::optional<LRESULT> answer =
        GuardCallback<std::optional<LRESULT>>("control message", std::nullopt, [&] {
          return control->OnMessage(message, wParam, lParam);
        });
    if (answer) {
      return *answer;
    }
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

} // namespace tessera::win32
