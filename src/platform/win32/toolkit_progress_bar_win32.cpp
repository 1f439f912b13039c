#include "platform/win32/toolkit_progress_bar_win32.h"

#include "base/exceptions.h"
#include "platform/win32/toolkit_window_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>

namespace tessera::win32 {

namespace {

// Milliseconds between steps of the marquee animation.
constexpr LPARAM kMarqueeInterval = 30;

HWND CreateBar(HWND owner, int height) {
  INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&init);
  RECT client{};
  GetClientRect(owner, &client);
  HWND bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | PBS_MARQUEE, 0,
                             client.bottom - height, client.right, height, owner, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  if (bar == nullptr) {
    throw Exception("cannot create a progress bar");
  }
  SetPropW(bar, kAlignBottomProp, reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(height)));
  SendMessageW(bar, PBM_SETMARQUEE, TRUE, kMarqueeInterval);
  return bar;
}

} // namespace

Win32ProgressBar::Win32ProgressBar(HWND owner, int height)
    : FHeight(std::max(height, 1)), FControl(CreateBar(owner, FHeight)) {
  LayoutChildren(owner);
}

void Win32ProgressBar::SetVisible(bool visible) {
  HWND bar = FControl.Get();
  if (bar == nullptr) {
    return;
  }
  // A hidden bar need not keep its timer running.
  SendMessageW(bar, PBM_SETMARQUEE, visible ? TRUE : FALSE, kMarqueeInterval);
  ShowWindow(bar, visible ? SW_SHOWNA : SW_HIDE);
  LayoutChildren(GetParent(bar));
}

bool Win32ProgressBar::Visible() const {
  HWND bar = FControl.Get();
  return bar != nullptr && (GetWindowLongPtrW(bar, GWL_STYLE) & WS_VISIBLE) != 0;
}

} // namespace tessera::win32
