#include "platform/win32/toolkit_window_win32.h"

#include "base/exceptions.h"
#include "platform/win32/callback_guard.h"
#include "platform/win32/dwm_attributes.h"
#include "platform/win32/toolkit_menu_win32.h"
#include "platform/win32/visual_style_win32.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tessera::win32 {

namespace {

constexpr const wchar_t* kWindowClass = L"TesseraWindow";
constexpr const wchar_t* kShadowPopupClass = L"TesseraShadowPopup";

// COLOR_BTNFACE: a new window's colour until its owner sets one.
constexpr TColor kDefaultColor = SystemColor(COLOR_BTNFACE);

// The style bits a border style decides; everything else (visibility,
// disabled, clipping, the state bits) is kept when the border changes.
constexpr DWORD kBorderStyleBits = WS_POPUP | WS_CHILD | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                                   WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_BORDER | WS_DLGFRAME;
constexpr DWORD kBorderExStyleBits =
    WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE | WS_EX_APPWINDOW;

struct TStyles {
  DWORD Style;
  DWORD ExStyle;
};

TStyles StylesFor(TWindowKind kind, TBorderStyle border, bool embedded) {
  TStyles styles{0, 0};
  if (kind == TWindowKind::ShadowPopup) {
    // A bare pop-up whatever the border style says: the frame is the drop
    // shadow of its class and the region its owner gives it.
    styles.Style = WS_POPUP;
  } else {
    switch (border) {
    case TBorderStyle::None:
      // No frame; the system menu and the boxes, which draw nothing
      // without a caption, let the task bar minimize and restore it.
      styles.Style = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
      break;
    case TBorderStyle::Single:
      styles.Style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
      break;
    case TBorderStyle::Sizeable:
      styles.Style = WS_OVERLAPPEDWINDOW;
      break;
    case TBorderStyle::Dialog:
      styles.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
      styles.ExStyle = WS_EX_DLGMODALFRAME;
      break;
    case TBorderStyle::ToolWindow:
      styles.Style = WS_CAPTION | WS_SYSMENU;
      styles.ExStyle = WS_EX_TOOLWINDOW;
      break;
    case TBorderStyle::SizeToolWin:
      styles.Style = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
      styles.ExStyle = WS_EX_TOOLWINDOW;
      break;
    }
  }
  if (embedded) {
    styles.Style = (styles.Style & ~(WS_POPUP | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) | WS_CHILD;
  }
  return styles;
}

COLORREF ResolveColor(TColor color) {
  if ((color & 0xFF000000u) == kSystemColorFlag) {
    return GetSysColor(static_cast<int>(color & 0xFFu));
  }
  return color & 0x00FFFFFFu;
}

HCURSOR CursorFor(TCursorKind kind) {
  return LoadCursorW(nullptr, kind == TCursorKind::AppStarting ? IDC_APPSTARTING : IDC_ARROW);
}

Win32ToolkitWindow* WindowOf(HWND hwnd) {
  return reinterpret_cast<Win32ToolkitWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

std::vector<HWND> DirectChildren(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

bool IsVisibleStyle(HWND hwnd) {
  return (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

} // namespace

void RegisterWindowClasses() {
  static const bool registered = [] {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = &Win32ToolkitWindow::WindowProc;
    windowClass.hInstance = instance;
    // The image's own icon when it carries one, else the system's.
    windowClass.hIcon = LoadIconW(instance, L"MAINICON");
    windowClass.hCursor = nullptr; // WM_SETCURSOR sets the window's own
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);
    windowClass.style |= CS_DROPSHADOW;
    windowClass.lpszClassName = kShadowPopupClass;
    RegisterClassExW(&windowClass);
    return true;
  }();
  (void)registered;
}

void LayoutChildren(HWND parent) {
  RECT client{};
  GetClientRect(parent, &client);
  const int width = client.right - client.left;
  int bottom = client.bottom;
  const std::vector<HWND> children = DirectChildren(parent);
  for (HWND child : children) {
    const auto height = reinterpret_cast<std::intptr_t>(GetPropW(child, kAlignBottomProp));
    if (height > 0 && IsVisibleStyle(child)) {
      bottom -= static_cast<int>(height);
      // Kept above its siblings: a web view's own window would cover it.
      SetWindowPos(child, HWND_TOP, 0, bottom, width, static_cast<int>(height), SWP_NOACTIVATE);
    }
  }
  for (HWND child : children) {
    if (GetPropW(child, kFillParentProp) != nullptr) {
      SetWindowPos(child, nullptr, 0, 0, width, std::max(bottom, 0), SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

void FocusControl(HWND control) {
  ::SetFocus(control);
  if (HWND root = GetAncestor(control, GA_ROOT); root != nullptr && root != control) {
    SetPropW(root, kLastFocusProp, control);
  }
}

Win32ToolkitWindow::Win32ToolkitWindow(ToolkitWindowEvents& events, TWindowKind kind,
                                       std::shared_ptr<TToolkitShared> shared)
    : FEvents(events), FKind(kind), FShared(std::move(shared)), FColor(kDefaultColor) {
  RegisterWindowClasses();
  const bool shadow = kind == TWindowKind::ShadowPopup;
  if (shadow) {
    FBorderStyle = TBorderStyle::None;
  }
  // A normal window starts overlapped so that the system chooses its place
  // (cascading) as it does for any new application window; its real
  // styles are set right after.
  const DWORD style = (shadow ? WS_POPUP : WS_OVERLAPPED) | WS_CLIPCHILDREN;
  const int position = shadow ? 0 : CW_USEDEFAULT;
  CreateWindowExW(0, shadow ? kShadowPopupClass : kWindowClass, L"", style, position, position,
                  shadow ? 0 : CW_USEDEFAULT, shadow ? 0 : CW_USEDEFAULT, nullptr, nullptr,
                  GetModuleHandleW(nullptr), this);
  if (FHandle == nullptr) {
    throw Exception("cannot create a window (error " + std::to_string(GetLastError()) + ")");
  }
  ApplyStyles();
  FShared->Windows.push_back(this);
  ApplyVisualStyle();
}

Win32ToolkitWindow::~Win32ToolkitWindow() {
  if (FShared->MainWindow == this) {
    FShared->MainWindow = nullptr;
  }
  std::erase(FShared->Windows, this);
  if (FHandle == nullptr) {
    return;
  }
  // Embedded windows belong to other owners: give them back their own
  // top-level windows instead of destroying them with this one.
  for (HWND child : DirectChildren(FHandle)) {
    if (GetPropW(child, kFillParentProp) != nullptr) {
      if (Win32ToolkitWindow* window = WindowOf(child)) {
        window->SetParent(nullptr);
      }
    }
  }
  RemovePropW(FHandle, kLastFocusProp);
  ReleaseMenuBar();
  SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
  DestroyWindow(FHandle);
}

void Win32ToolkitWindow::NotifyHandleCreated() {
  FEvents.HandleCreated(reinterpret_cast<TNativeWindow>(FHandle));
}

LRESULT CALLBACK Win32ToolkitWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                                LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    auto* window =
        static_cast<Win32ToolkitWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    window->FHandle = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  }
  Win32ToolkitWindow* window = WindowOf(hwnd);
  if (window == nullptr) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    // Destroyed from outside (with a parent that was not ours): the object
    // outlives its window and must not reach for it any more.
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    RemovePropW(hwnd, kLastFocusProp);
    RemovePropW(hwnd, kFillParentProp);
    window->FHandle = nullptr;
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return GuardCallback<LRESULT>("window procedure", 0,
                                [&] { return window->HandleMessage(message, wParam, lParam); });
}

LRESULT Win32ToolkitWindow::HandleSysCommand(UINT message, WPARAM wParam, LPARAM lParam) {
  // The command is compared whole: a value with the low bits set is another
  // command as far as the window is concerned.
  const TSysCommand command = wParam == SC_MINIMIZE  ? TSysCommand::Minimize
                              : wParam == SC_RESTORE ? TSysCommand::Restore
                                                     : TSysCommand::Other;
  if (FEmbedded) {
    // A window that hosts a web view inside another window: minimize and
    // restore hide and show the page, and every command ends here, so the
    // system never moves, sizes or closes the embedded window itself.
    FEvents.SysCommand(command);
    return 0;
  }
  // A top-level window reports the two commands and still gets the
  // system's handling, or the title bar's buttons and the system menu
  // would do nothing.
  if (command != TSysCommand::Other)
    FEvents.SysCommand(command);
  return DefWindowProcW(FHandle, message, wParam, lParam);
}

LRESULT Win32ToolkitWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = FHandle;
  switch (message) {
  case WM_CLOSE:
    // The object may be gone once Close returns (its owner may free it
    // when told the window closed).
    Close();
    return 0;
  case WM_SYSCOMMAND:
    return HandleSysCommand(message, wParam, lParam);
  case WM_SIZE:
    ++FSizeMessages;
    LayoutChildren(hwnd);
    FEvents.Resized();
    return 0;
  case WM_GETMINMAXINFO: {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    if (!FEmbedded) {
      if (FMinWidth > 0) {
        info->ptMinTrackSize.x = FMinWidth;
      }
      if (FMinHeight > 0) {
        info->ptMinTrackSize.y = FMinHeight;
      }
      if (FMaxWidth > 0) {
        info->ptMaxTrackSize.x = FMaxWidth;
        info->ptMaxSize.x = std::min<LONG>(info->ptMaxSize.x, FMaxWidth);
      }
      if (FMaxHeight > 0) {
        info->ptMaxTrackSize.y = FMaxHeight;
        info->ptMaxSize.y = std::min<LONG>(info->ptMaxSize.y, FMaxHeight);
      }
    }
    return 0;
  }
  case WM_WINDOWPOSCHANGING: {
    // The system applies the track sizes only to some styles (not to
    // frameless pop-ups); the limits hold for every border style.
    auto* position = reinterpret_cast<WINDOWPOS*>(lParam);
    if (!FEmbedded && (position->flags & SWP_NOSIZE) == 0 && !IsIconic(hwnd)) {
      int width = position->cx;
      int height = position->cy;
      ClampSize(width, height);
      position->cx = width;
      position->cy = height;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  case WM_ERASEBKGND: {
    RECT client{};
    GetClientRect(hwnd, &client);
    TBrush brush(CreateSolidBrush(BackgroundColor()));
    FillRect(reinterpret_cast<HDC>(wParam), &client, brush.Get());
    return 1;
  }
  case WM_COMMAND:
    // A choice from the menu bar: no control (lParam) and no accelerator
    // (the high word).
    if (lParam == 0 && HIWORD(wParam) == 0) {
      if (Win32Menu* menu = Win32Menu::FromHandle(::GetMenu(hwnd))) {
        menu->Dispatch(LOWORD(wParam));
        return 0;
      }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
  case WM_DESTROY:
    // Destroyed from outside: the menu bar stays its owner's.
    ReleaseMenuBar();
    return DefWindowProcW(hwnd, message, wParam, lParam);
  case WM_SETCURSOR:
    if (LOWORD(lParam) == HTCLIENT) {
      ::SetCursor(CursorFor(FCursor));
      return TRUE;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
  case WM_ACTIVATE:
    if (LOWORD(wParam) == WA_INACTIVE) {
      if (HWND focus = GetFocus(); focus != nullptr && IsChild(hwnd, focus)) {
        SetPropW(hwnd, kLastFocusProp, focus);
      }
      return 0;
    }
    if (auto last = static_cast<HWND>(GetPropW(hwnd, kLastFocusProp));
        last != nullptr && IsWindow(last) && IsChild(hwnd, last) && !IsIconic(hwnd)) {
      ::SetFocus(last);
      return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
  default:
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

TNativeWindow Win32ToolkitWindow::Handle() const {
  return reinterpret_cast<TNativeWindow>(FHandle);
}

void Win32ToolkitWindow::SetCaption(const std::string& caption) {
  SetWindowTextW(FHandle, Widen(caption).c_str());
}

std::string Win32ToolkitWindow::Caption() const {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(FHandle)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(FHandle, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

void Win32ToolkitWindow::SetBounds(int left, int top, int width, int height) {
  if (!FEmbedded && (IsZoomed(FHandle) || IsIconic(FHandle))) {
    // Sets the place the window returns to; it stays maximized or minimized.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    GetWindowPlacement(FHandle, &placement);
    placement.rcNormalPosition = RECT{left, top, left + width, top + height};
    placement.showCmd = IsWindowVisible(FHandle) ? SW_SHOWNA : SW_HIDE;
    if (IsZoomed(FHandle) && placement.showCmd != SW_HIDE) {
      placement.showCmd = SW_SHOWMAXIMIZED;
    } else if (IsIconic(FHandle) && placement.showCmd != SW_HIDE) {
      placement.showCmd = SW_SHOWMINNOACTIVE;
    }
    SetWindowPlacement(FHandle, &placement);
    return;
  }
  SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32ToolkitWindow::SetSize(int width, int height) {
  // The window was made where the system chose (CW_USEDEFAULT) and stays
  // there; a maximized or minimized one gets the size to return to.
  RECT rect{};
  if (!FEmbedded && (IsZoomed(FHandle) || IsIconic(FHandle))) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    GetWindowPlacement(FHandle, &placement);
    rect = placement.rcNormalPosition;
  } else {
    GetWindowRect(FHandle, &rect);
  }
  SetBounds(rect.left, rect.top, width, height);
}

TBoundsRect Win32ToolkitWindow::Bounds() const {
  RECT rect{};
  GetWindowRect(FHandle, &rect);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

void Win32ToolkitWindow::SetClientSize(int width, int height) {
  RECT window{};
  RECT client{};
  GetWindowRect(FHandle, &window);
  GetClientRect(FHandle, &client);
  // The frame as the window has it now (caption, borders, menu bar).
  const int frameWidth = (window.right - window.left) - client.right;
  const int frameHeight = (window.bottom - window.top) - client.bottom;
  SetWindowPos(FHandle, nullptr, 0, 0, width + frameWidth, height + frameHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TBoundsRect Win32ToolkitWindow::ClientRect() const {
  RECT client{};
  GetClientRect(FHandle, &client);
  return {0, 0, client.right, client.bottom};
}

void Win32ToolkitWindow::ApplyStyles() {
  const TStyles styles = StylesFor(FKind, FBorderStyle, FEmbedded);
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(FHandle, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(FHandle, GWL_EXSTYLE));
  SetWindowLongPtrW(FHandle, GWL_STYLE, (style & ~kBorderStyleBits) | styles.Style);
  SetWindowLongPtrW(FHandle, GWL_EXSTYLE, (exStyle & ~kBorderExStyleBits) | styles.ExStyle);
  // The outer rectangle stays; the client area takes what the new frame
  // leaves.
  SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32ToolkitWindow::SetBorderStyle(TBorderStyle style) {
  FBorderStyle = style;
  ApplyStyles();
}

TWindowState Win32ToolkitWindow::CurrentState() const {
  if (IsIconic(FHandle)) {
    return TWindowState::Minimized;
  }
  if (IsZoomed(FHandle)) {
    return TWindowState::Maximized;
  }
  return TWindowState::Normal;
}

void Win32ToolkitWindow::SetWindowState(TWindowState state) {
  FWindowState = state;
  // A hidden window takes its state when it is shown; showing it now would
  // be a side effect nobody asked for.
  if (FEmbedded || !IsWindowVisible(FHandle)) {
    return;
  }
  switch (state) {
  case TWindowState::Normal:
    ShowWindow(FHandle, SW_SHOWNORMAL);
    // A window minimized from maximized comes back maximized first.
    if (IsZoomed(FHandle)) {
      ShowWindow(FHandle, SW_SHOWNORMAL);
    }
    break;
  case TWindowState::Minimized:
    ShowWindow(FHandle, SW_MINIMIZE);
    break;
  case TWindowState::Maximized:
    ShowWindow(FHandle, SW_MAXIMIZE);
    break;
  }
}

TWindowState Win32ToolkitWindow::WindowState() const {
  if (FEmbedded || !IsWindowVisible(FHandle)) {
    return FWindowState;
  }
  return CurrentState();
}

void Win32ToolkitWindow::SetStayOnTop(bool stayOnTop) {
  FStayOnTop = stayOnTop;
  if (FEmbedded) {
    return;
  }
  SetWindowPos(FHandle, stayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32ToolkitWindow::ClampSize(int& width, int& height) const {
  if (FMaxWidth > 0) {
    width = std::min(width, FMaxWidth);
  }
  if (FMaxHeight > 0) {
    height = std::min(height, FMaxHeight);
  }
  if (FMinWidth > 0) {
    width = std::max(width, FMinWidth);
  }
  if (FMinHeight > 0) {
    height = std::max(height, FMinHeight);
  }
}

void Win32ToolkitWindow::SetSizeLimits(int minWidth, int minHeight, int maxWidth, int maxHeight) {
  FMinWidth = std::max(minWidth, 0);
  FMinHeight = std::max(minHeight, 0);
  FMaxWidth = std::max(maxWidth, 0);
  FMaxHeight = std::max(maxHeight, 0);
  if (FEmbedded || IsZoomed(FHandle) || IsIconic(FHandle)) {
    return;
  }
  // The current size obeys the new limits at once.
  RECT rect{};
  GetWindowRect(FHandle, &rect);
  SetWindowPos(FHandle, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32ToolkitWindow::MoveTo(int left, int top) {
  RECT rect{};
  if (IsZoomed(FHandle) || IsIconic(FHandle)) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    GetWindowPlacement(FHandle, &placement);
    rect = placement.rcNormalPosition;
    SetBounds(left, top, rect.right - rect.left, rect.bottom - rect.top);
    return;
  }
  SetWindowPos(FHandle, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32ToolkitWindow::CenterOnDesktop() {
  if (FEmbedded) {
    return;
  }
  const TBoundsRect bounds = Bounds();
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  MoveTo(left + (width - (bounds.Right - bounds.Left)) / 2,
         top + (height - (bounds.Bottom - bounds.Top)) / 2);
}

void Win32ToolkitWindow::CenterOnScreen() {
  if (FEmbedded) {
    return;
  }
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
  const RECT& work = info.rcWork;
  const TBoundsRect bounds = Bounds();
  MoveTo(work.left + ((work.right - work.left) - (bounds.Right - bounds.Left)) / 2,
         work.top + ((work.bottom - work.top) - (bounds.Bottom - bounds.Top)) / 2);
}

void Win32ToolkitWindow::SetColor(TColor color) {
  FColor = color;
  InvalidateRect(FHandle, nullptr, TRUE);
}

void Win32ToolkitWindow::SetCursor(TCursorKind cursor) {
  FCursor = cursor;
  // Over the window now: show it at once, not at the next mouse move.
  POINT point{};
  if (GetCursorPos(&point)) {
    HWND under = WindowFromPoint(point);
    if (under == FHandle || (under != nullptr && IsChild(FHandle, under))) {
      ::SetCursor(CursorFor(cursor));
    }
  }
}

void Win32ToolkitWindow::SetFont(const std::string& family, int heightPixels) {
  // A negative height asks for the character height, without the internal
  // leading: the size the text is designed at.
  TFont font(CreateFontW(-heightPixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, Widen(family).c_str()));
  if (!font) {
    return;
  }
  // The controls switch to the new font before the old one is deleted.
  // Embedded windows keep their own.
  for (HWND child : DirectChildren(FHandle)) {
    if (GetPropW(child, kFillParentProp) == nullptr) {
      SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    }
  }
  FFont = std::move(font);
}

void Win32ToolkitWindow::ApplyVisualStyle() {
  if (FKind != TWindowKind::Normal || FHandle == nullptr) {
    return;
  }
  const TStoredStyle* style = FShared->Style;
  // Windows that never had a style keep the window manager's defaults
  // untouched.
  if (style != nullptr || FFrameStyled) {
    ApplyFrameStyle(FHandle, style != nullptr ? &style->Palette : nullptr);
    FFrameStyled = style != nullptr;
  }
  RedrawWindow(FHandle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE);
}

COLORREF Win32ToolkitWindow::BackgroundColor() const {
  if (FKind == TWindowKind::Normal && FShared->Style != nullptr) {
    return ResolveColor(FShared->Style->Palette.Window);
  }
  return ResolveColor(FColor);
}

void Win32ToolkitWindow::SetCornerPreference(int preference) {
  const DWORD value = static_cast<DWORD>(preference);
  // Systems that do not know the attribute refuse it and keep square
  // corners, which is all that can be done there.
  SetDwmWindowAttribute(FHandle, kDwmWindowCornerPreference, &value, sizeof(value));
}

bool Win32ToolkitWindow::SetRoundRectRegion(int right, int bottom, int ellipseWidth,
                                            int ellipseHeight) {
  TRegion region(CreateRoundRectRgn(0, 0, right, bottom, ellipseWidth, ellipseHeight));
  if (!region) {
    return false;
  }
  if (SetWindowRgn(FHandle, region.Get(), TRUE) == 0) {
    return false; // still ours, deleted here
  }
  region.Release(); // the system owns it now
  return true;
}

void Win32ToolkitWindow::Show() {
  if (FEmbedded) {
    ShowWindow(FHandle, SW_SHOWNA);
    return;
  }
  if (IsWindowVisible(FHandle)) {
    return;
  }
  switch (FWindowState) {
  case TWindowState::Normal:
    ShowWindow(FHandle, SW_SHOWNORMAL);
    break;
  case TWindowState::Minimized:
    ShowWindow(FHandle, SW_SHOWMINIMIZED);
    break;
  case TWindowState::Maximized:
    ShowWindow(FHandle, SW_SHOWMAXIMIZED);
    break;
  }
}

void Win32ToolkitWindow::Hide() {
  if (!FEmbedded && IsWindowVisible(FHandle)) {
    FWindowState = CurrentState();
  }
  ShowWindow(FHandle, SW_HIDE);
}

bool Win32ToolkitWindow::Visible() const {
  return IsVisibleStyle(FHandle);
}

void Win32ToolkitWindow::BringToFront() {
  SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  if (!FEmbedded) {
    SetForegroundWindow(FHandle);
  }
}

void Win32ToolkitWindow::SetFocus() {
  ::SetFocus(FHandle);
}

void Win32ToolkitWindow::Close() {
  if (FHandle == nullptr || !FEvents.CloseQuery()) {
    return;
  }
  const bool isMainWindow = FShared->MainWindow == this;
  if (FModal) {
    // ShowModal hides it once the other windows are enabled again, so that
    // activation goes back to one of them.
    if (FModalResult == TModalResult::None) {
      FModalResult = TModalResult::Cancel;
    }
  } else {
    Hide();
  }
  // The owner may free this object here; nothing below touches it.
  FEvents.Closed();
  if (isMainWindow) {
    PostQuitMessage(0);
  }
}

TModalResult Win32ToolkitWindow::ShowModal() {
  if (FModal || FEmbedded) {
    return TModalResult::None;
  }
  // Every other window of the application that the user could reach now.
  std::vector<HWND> disabled;
  auto collect = [](HWND hwnd, LPARAM context) -> BOOL {
    auto* state = reinterpret_cast<std::pair<HWND, std::vector<HWND>*>*>(context);
    if (hwnd != state->first && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
      state->second->push_back(hwnd);
    }
    return TRUE;
  };
  std::pair<HWND, std::vector<HWND>*> state{FHandle, &disabled};
  EnumThreadWindows(GetCurrentThreadId(), collect, reinterpret_cast<LPARAM>(&state));
  HWND previousActive = GetActiveWindow();
  for (HWND hwnd : disabled) {
    EnableWindow(hwnd, FALSE);
  }

  FModal = true;
  FModalResult = TModalResult::None;
  Show();
  SetForegroundWindow(FHandle);
  MSG message{};
  while (FModalResult == TModalResult::None) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      // The application is ending: the outer loop must see the quit too.
      if (got == 0) {
        PostQuitMessage(static_cast<int>(message.wParam));
      }
      FModalResult = TModalResult::Cancel;
      break;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  const TModalResult result = FModalResult;
  FModal = false;

  for (HWND hwnd : disabled) {
    if (IsWindow(hwnd)) {
      EnableWindow(hwnd, TRUE);
    }
  }
  if (FHandle != nullptr) {
    if (previousActive != nullptr && IsWindow(previousActive) && previousActive != FHandle) {
      SetActiveWindow(previousActive);
    }
    Hide();
  }
  return result;
}

void Win32ToolkitWindow::EndModal(TModalResult result) {
  FModalResult = result;
}

void Win32ToolkitWindow::SetParent(ToolkitWindow* parent) {
  if (parent == nullptr) {
    if (!FEmbedded) {
      return;
    }
    FEmbedded = false;
    RemovePropW(FHandle, kFillParentProp);
    ShowWindow(FHandle, SW_HIDE);
    ::SetParent(FHandle, nullptr);
    ApplyStyles();
    if (FStayOnTop) {
      SetStayOnTop(true);
    }
    return;
  }
  HWND parentHandle = static_cast<Win32ToolkitWindow*>(parent)->Hwnd();
  if (parentHandle == nullptr || parentHandle == FHandle) {
    return;
  }
  // A window becomes a child before it gets its new parent (and a pop-up
  // again only after it left it), as SetParent asks.
  if (!FEmbedded) {
    // A child is never maximized or minimized; the state comes back when
    // the window is top-level again and shown.
    FWindowState = WindowState();
    if (IsWindowVisible(FHandle) && (IsZoomed(FHandle) || IsIconic(FHandle))) {
      ShowWindow(FHandle, SW_SHOWNOACTIVATE);
    }
  }
  FEmbedded = true;
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(FHandle, GWL_EXSTYLE));
  SetWindowLongPtrW(FHandle, GWL_EXSTYLE, exStyle & ~static_cast<DWORD>(WS_EX_TOPMOST));
  ApplyStyles();
  ::SetParent(FHandle, parentHandle);
  SetPropW(FHandle, kFillParentProp, reinterpret_cast<HANDLE>(1));
  LayoutChildren(parentHandle);
}

void Win32ToolkitWindow::ReleaseMenuBar() {
  if (Win32Menu* menu = Win32Menu::FromHandle(::GetMenu(FHandle))) {
    ::SetMenu(FHandle, nullptr);
    menu->SetWindow(nullptr);
  }
}

void Win32ToolkitWindow::SetMenu(ToolkitMenu* menuBar) {
  auto* menu = static_cast<Win32Menu*>(menuBar);
  if (menu != nullptr && !menu->IsMenuBar()) {
    throw Exception("a pop-up menu cannot be shown as a window's menu bar");
  }
  if (FHandle == nullptr) {
    return;
  }
  const HMENU handle = menu != nullptr ? menu->Handle() : nullptr;
  if (::GetMenu(FHandle) == handle) {
    return;
  }
  // A menu bar shows in one window at a time: the window that has it now
  // gives it up first (and reports its own larger client area).
  if (menu != nullptr && menu->Window() != nullptr && menu->Window() != FHandle &&
      ::GetMenu(menu->Window()) == handle) {
    if (Win32ToolkitWindow* other = WindowOf(menu->Window())) {
      other->SetMenu(nullptr);
    } else {
      ::SetMenu(menu->Window(), nullptr);
    }
  }
  if (Win32Menu* previous = Win32Menu::FromHandle(::GetMenu(FHandle))) {
    previous->SetWindow(nullptr);
  }
  const TBoundsRect before = ClientRect();
  const unsigned sizeMessages = FSizeMessages;
  if (!::SetMenu(FHandle, handle)) {
    throw Exception("cannot show the menu bar (error " + std::to_string(GetLastError()) + ")");
  }
  if (menu != nullptr) {
    menu->SetWindow(FHandle);
  }
  DrawMenuBar(FHandle);
  // The bar takes its room from the client area. The system reports that
  // with WM_SIZE; where it did not, the layout and the owner learn it here.
  if (FSizeMessages == sizeMessages && ClientRect() != before) {
    LayoutChildren(FHandle);
    FEvents.Resized();
  }
}

} // namespace tessera::win32
