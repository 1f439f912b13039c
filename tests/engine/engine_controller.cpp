#include "engine_objects.h"
#include "event_args.h"

#include <cstdio>

namespace tessera::engine {

namespace {

const std::wstring& ViewClassName() {
  static const std::wstring name = ClassNameForThisLoad(L"TesseraEngineView");
  return name;
}

// The page's window: a plain white child of the host's window that follows
// the controller's bounds and visibility, so tests can look at real window
// geometry.
HWND CreateViewWindow(HWND parent) {
  static const ATOM viewClass = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = ThisModule();
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = ViewClassName().c_str();
    return RegisterClassExW(&wc);
  }();
  if (viewClass == 0 && !ClassExists(ViewClassName()))
    return nullptr;
  return CreateWindowExW(0, ViewClassName().c_str(), L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                         0, 0, 0, 0, parent, nullptr, ThisModule(), nullptr);
}

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

std::string RealText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

} // namespace

TEngineController::TEngineController(TSessionPtr session, HWND parent)
    : ZoomFactorChanged(*session, "ZoomFactorChanged"),
      MoveFocusRequested(*session, "MoveFocusRequested"), GotFocus(*session, "GotFocus"),
      LostFocus(*session, "LostFocus"), AcceleratorKeyPressed(*session, "AcceleratorKeyPressed"),
      FSession(std::move(session)), FParent(parent) {
  FView = CreateViewWindow(parent);
  FWebView = MakeObject<TEngineWebView>(FSession, this);
}

TEngineController::~TEngineController() {
  if (!FClosed) {
    FSession->Log("released-without-close");
    CloseNow();
  }
  FWebView->ForgetController();
}

HRESULT TEngineController::Enter(const std::string& method, const std::string& line) {
  if (FClosed) {
    FSession->Log(line);
    return FSession->Fail(method, kInvalidState);
  }
  return FSession->EnterAndLog(method, line);
}

void TEngineController::ApplyWindow() {
  if (FView == nullptr)
    return;
  SetWindowPos(FView, nullptr, FBounds.left, FBounds.top, FBounds.right - FBounds.left,
               FBounds.bottom - FBounds.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(FView, FVisible ? SW_SHOWNA : SW_HIDE);
}

HRESULT TEngineController::get_IsVisible(BOOL* isVisible) {
  return Begin("get_IsVisible", [&] {
    if (const HRESULT code = FSession->Enter("get_IsVisible"); FAILED(code))
      return code;
    return OutValue(isVisible, FVisible);
  });
}

HRESULT TEngineController::put_IsVisible(BOOL isVisible) {
  if (const HRESULT code =
          Enter("put_IsVisible", std::string("put_IsVisible ") + (isVisible ? "1" : "0"));
      FAILED(code))
    return code;
  FVisible = isVisible ? TRUE : FALSE;
  ApplyWindow();
  return S_OK;
}

HRESULT TEngineController::get_Bounds(RECT* bounds) {
  return Begin("get_Bounds", [&] {
    if (const HRESULT code = FSession->Enter("get_Bounds"); FAILED(code))
      return code;
    return OutValue(bounds, FBounds);
  });
}

HRESULT TEngineController::put_Bounds(RECT bounds) {
  if (const HRESULT code = Enter("put_Bounds", "put_Bounds " + RectText(bounds)); FAILED(code))
    return code;
  FBounds = bounds;
  ApplyWindow();
  return S_OK;
}

HRESULT TEngineController::get_ZoomFactor(double* zoomFactor) {
  return Begin("get_ZoomFactor", [&] {
    if (const HRESULT code = FSession->Enter("get_ZoomFactor"); FAILED(code))
      return code;
    return OutValue(zoomFactor, FZoom);
  });
}

HRESULT TEngineController::put_ZoomFactor(double zoomFactor) {
  if (const HRESULT code = Enter("put_ZoomFactor", "put_ZoomFactor " + RealText(zoomFactor));
      FAILED(code))
    return code;
  if (zoomFactor <= 0.0)
    return FSession->Fail("put_ZoomFactor", E_INVALIDARG);
  if (zoomFactor != FZoom)
    SetZoomFromPage(zoomFactor);
  return S_OK;
}

void TEngineController::SetZoomFromPage(double zoomFactor) {
  FZoom = zoomFactor;
  TComPtr<TEngineController> keep(this);
  TSessionPtr session = FSession;
  // Like the runtime, the change is reported from the loop, not inside the
  // call that made it.
  FSession->Ui().Post([keep, zoomFactor] {
    if (keep->FClosed)
      return;
    auto empty = MakeObject<TEmptyArgs>();
    keep->ZoomFactorChanged.Raise(RealText(zoomFactor),
                                  [&](auto* handler) { handler->Invoke(keep.Get(), empty.Get()); });
  });
}

HRESULT TEngineController::SetBoundsAndZoomFactor(RECT bounds, double zoomFactor) {
  if (const HRESULT code =
          Enter("SetBoundsAndZoomFactor",
                "SetBoundsAndZoomFactor " + RectText(bounds) + " " + RealText(zoomFactor));
      FAILED(code))
    return code;
  FBounds = bounds;
  ApplyWindow();
  if (zoomFactor > 0.0 && zoomFactor != FZoom)
    SetZoomFromPage(zoomFactor);
  return S_OK;
}

HRESULT TEngineController::MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
  if (const HRESULT code =
          Enter("MoveFocus", "MoveFocus " + std::to_string(static_cast<int>(reason)));
      FAILED(code))
    return code;
  if (FView != nullptr && GetFocus() != FView)
    SetFocus(FView);
  return S_OK;
}

HRESULT TEngineController::get_ParentWindow(HWND* parentWindow) {
  return Begin("get_ParentWindow", [&] {
    if (const HRESULT code = FSession->Enter("get_ParentWindow"); FAILED(code))
      return code;
    return OutValue(parentWindow, FParent);
  });
}

HRESULT TEngineController::put_ParentWindow(HWND parentWindow) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llX",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(parentWindow)));
  if (const HRESULT code = Enter("put_ParentWindow", std::string("put_ParentWindow ") + text);
      FAILED(code))
    return code;
  FParent = parentWindow;
  if (FView != nullptr)
    SetParent(FView, parentWindow);
  return S_OK;
}

HRESULT TEngineController::NotifyParentWindowPositionChanged() {
  return Enter("NotifyParentWindowPositionChanged", "NotifyParentWindowPositionChanged");
}

HRESULT TEngineController::Close() {
  if (const HRESULT code = Enter("Close", "Close"); FAILED(code))
    return code;
  CloseNow();
  return S_OK;
}

void TEngineController::CloseNow() {
  FClosed = true;
  // Closing drops every handler still registered, which breaks the cycles
  // between the host's handlers and these objects.
  ZoomFactorChanged.ReleaseAll();
  MoveFocusRequested.ReleaseAll();
  GotFocus.ReleaseAll();
  LostFocus.ReleaseAll();
  AcceleratorKeyPressed.ReleaseAll();
  FWebView->CloseFromController();
  if (FView != nullptr) {
    DestroyWindow(FView);
    FView = nullptr;
  }
}

HRESULT TEngineController::get_CoreWebView2(ICoreWebView2** coreWebView2) {
  return Begin("get_CoreWebView2", [&] {
    if (const HRESULT code = FSession->Enter("get_CoreWebView2"); FAILED(code))
      return code;
    if (coreWebView2 == nullptr)
      return E_POINTER;
    *coreWebView2 = TComPtr<ICoreWebView2>(FWebView.Get()).Detach();
    return S_OK;
  });
}

} // namespace tessera::engine
