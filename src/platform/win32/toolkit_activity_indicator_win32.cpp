#include "platform/win32/toolkit_activity_indicator_win32.h"

#include "base/exceptions.h"
#include "platform/win32/activity_indicator_drawing.h"
#include "platform/win32/gdi_handles.h"

namespace tessera::win32 {

namespace {

constexpr const wchar_t* kIndicatorClass = L"TesseraActivityIndicator";
constexpr UINT_PTR kFrameTimer = 1;
// About 25 frames a second.
constexpr UINT kFrameInterval = 40;

HWND CreateIndicatorWindow(HWND owner, int left, int top, int side) {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    // No cursor of its own: the owner's shows through (WM_SETCURSOR goes
    // to the parent first).
    windowClass.lpszClassName = kIndicatorClass;
    RegisterClassExW(&windowClass);
    return true;
  }();
  (void)registered;
  HWND hwnd = CreateWindowExW(0, kIndicatorClass, L"", WS_CHILD | WS_VISIBLE, left, top, side, side,
                              owner, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (hwnd == nullptr) {
    throw Exception("cannot create an activity indicator");
  }
  return hwnd;
}

} // namespace

Win32ActivityIndicator::Win32ActivityIndicator(HWND owner, int left, int top)
    : FControl(CreateIndicatorWindow(owner, left, top, ActivityIndicatorPixels(FSize))) {
  FControl.OnMessage = [this](UINT message, WPARAM wParam, LPARAM lParam) {
    return HandleMessage(message, wParam, lParam);
  };
}

std::optional<LRESULT> Win32ActivityIndicator::HandleMessage(UINT message, WPARAM wParam,
                                                             LPARAM /*lParam*/) {
  switch (message) {
  case WM_ERASEBKGND:
    return 1; // WM_PAINT covers every pixel
  case WM_PAINT: {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(FControl.Get(), &paint);
    Paint(dc);
    EndPaint(FControl.Get(), &paint);
    return 0;
  }
  case WM_PRINTCLIENT:
    Paint(reinterpret_cast<HDC>(wParam));
    return 0;
  case WM_TIMER:
    if (wParam == kFrameTimer) {
      InvalidateRect(FControl.Get(), nullptr, FALSE);
      return 0;
    }
    return std::nullopt;
  default:
    return std::nullopt;
  }
}

void Win32ActivityIndicator::Paint(HDC dc) {
  HWND hwnd = FControl.Get();
  RECT client{};
  GetClientRect(hwnd, &client);
  const int side = client.right;
  if (side <= 0) {
    return;
  }
  TMemoryCanvas canvas(dc, side, side);
  // The owner paints its background into the buffer, shifted so that its
  // part under the indicator lands at (0, 0).
  HWND parent = GetParent(hwnd);
  POINT origin{0, 0};
  MapWindowPoints(hwnd, parent, &origin, 1);
  POINT previous{};
  SetViewportOrgEx(canvas.Dc(), -origin.x, -origin.y, &previous);
  SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc()), 0);
  SetViewportOrgEx(canvas.Dc(), previous.x, previous.y, nullptr);
  if (FAnimate) {
    const int cycle = ActivityIndicatorCycleMs(FType);
    const double phase =
        static_cast<double>((GetTickCount64() - FStartTick) % static_cast<unsigned>(cycle)) / cycle;
    DrawActivityIndicator(canvas.Dc(), side, FType, FColor, phase);
  }
  BitBlt(dc, 0, 0, side, side, canvas.Dc(), 0, 0, SRCCOPY);
}

void Win32ActivityIndicator::SetColor(TActivityIndicatorColor color) {
  FColor = color;
  InvalidateRect(FControl.Get(), nullptr, FALSE);
}

void Win32ActivityIndicator::SetIndicatorType(TActivityIndicatorType type) {
  FType = type;
  InvalidateRect(FControl.Get(), nullptr, FALSE);
}

void Win32ActivityIndicator::SetIndicatorSize(TActivityIndicatorSize size) {
  FSize = size;
  const int side = ActivityIndicatorPixels(size);
  SetWindowPos(FControl.Get(), nullptr, 0, 0, side, side,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32ActivityIndicator::SetAnimate(bool animate) {
  HWND hwnd = FControl.Get();
  if (hwnd == nullptr || animate == FAnimate) {
    return;
  }
  FAnimate = animate;
  if (animate) {
    FStartTick = GetTickCount64();
    SetTimer(hwnd, kFrameTimer, kFrameInterval, nullptr);
  } else {
    KillTimer(hwnd, kFrameTimer);
  }
  InvalidateRect(hwnd, nullptr, FALSE);
}

} // namespace tessera::win32
