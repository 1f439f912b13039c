#include "platform/win32/toolkit_password_edit_win32.h"

#include "base/exceptions.h"
#include "platform/win32/gdi_handles.h"
#include "platform/win32/key_image.h"
#include "platform/win32/toolkit_window_win32.h"

#include <algorithm>

namespace tessera::win32 {

namespace {

constexpr const wchar_t* kImageButtonClass = L"TesseraImageButton";
// Space between the button and the first character.
constexpr int kTextGap = 2;

HWND CreateEdit(HWND owner, const TBoundsRect& bounds, char passwordChar) {
  HWND edit = CreateWindowExW(
      WS_EX_CLIENTEDGE, L"EDIT", L"",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN | ES_AUTOHSCROLL | ES_PASSWORD,
      bounds.Left, bounds.Top, bounds.Right - bounds.Left, bounds.Bottom - bounds.Top, owner,
      nullptr, GetModuleHandleW(nullptr), nullptr);
  if (edit == nullptr) {
    throw Exception("cannot create a password box");
  }
  // The character is a byte of the caller's text; as Latin-1 it is the same
  // character for every ASCII one.
  SendMessageW(edit, EM_SETPASSWORDCHAR, static_cast<unsigned char>(passwordChar), 0);
  return edit;
}

HWND CreateImageButton(HWND edit) {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kImageButtonClass;
    RegisterClassExW(&windowClass);
    return true;
  }();
  (void)registered;
  return CreateWindowExW(0, kImageButtonClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, edit,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
}

// The image's side: 16 pixels at the standard 96 dots per inch, scaled with
// the screen (32 at 200 %), never taller than the box.
int ImageSide(HWND hwnd, int available) {
  HDC dc = GetDC(hwnd);
  const int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc != nullptr) {
    ReleaseDC(hwnd, dc);
  }
  return std::max(1, std::min(MulDiv(16, dpi, 96), available));
}

} // namespace

Win32PasswordEdit::Win32PasswordEdit(HWND owner, const TBoundsRect& bounds, char passwordChar,
                                     const std::string& imageName, HFONT font)
    : FEdit(CreateEdit(owner, bounds, passwordChar)) {
  if (imageName == "key") {
    FButton = std::make_unique<TChildControl>(CreateImageButton(FEdit.Get()));
    FButton->OnMessage = [this](UINT message, WPARAM wParam, LPARAM lParam) {
      return HandleButtonMessage(message, wParam, lParam);
    };
  }
  FEdit.OnMessage = [this](UINT message, WPARAM wParam, LPARAM lParam) {
    return HandleEditMessage(message, wParam, lParam);
  };
  if (font != nullptr) {
    SendMessageW(FEdit.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  LayoutButton();
}

void Win32PasswordEdit::LayoutButton() {
  HWND edit = FEdit.Get();
  if (edit == nullptr || !FButton || FButton->Get() == nullptr) {
    return;
  }
  RECT client{};
  GetClientRect(edit, &client);
  const int height = client.bottom - client.top;
  const int side = ImageSide(edit, height);
  SetWindowPos(FButton->Get(), nullptr, 0, 0, side, height, SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(edit, EM_SETMARGINS, EC_LEFTMARGIN, MAKELPARAM(side + kTextGap, 0));
}

std::optional<LRESULT> Win32PasswordEdit::HandleEditMessage(UINT message, WPARAM wParam,
                                                            LPARAM lParam) {
  switch (message) {
  case WM_KEYUP: {
    // The box handles the key first, so the handler sees the text as the
    // key left it.
    const LRESULT result = FEdit.DefaultHandling(message, wParam, lParam);
    if (OnKeyUp) {
      // The handler may end the window; nothing here is touched after it.
      auto handler = OnKeyUp;
      handler(static_cast<std::uint32_t>(wParam));
    }
    return result;
  }
  case WM_SETFONT:
  case WM_SIZE: {
    // A new font resets the box's margins.
    const LRESULT result = FEdit.DefaultHandling(message, wParam, lParam);
    LayoutButton();
    return result;
  }
  default:
    return std::nullopt;
  }
}

std::optional<LRESULT> Win32PasswordEdit::HandleButtonMessage(UINT message, WPARAM /*wParam*/,
                                                              LPARAM /*lParam*/) {
  if (message != WM_PAINT) {
    return std::nullopt;
  }
  HWND button = FButton->Get();
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(button, &paint);
  RECT client{};
  GetClientRect(button, &client);
  TBrush background(CreateSolidBrush(GetSysColor(COLOR_WINDOW)));
  FillRect(dc, &client, background.Get());
  const int side = std::min(client.right, client.bottom);
  DrawKeyImage(dc, (client.right - side) / 2, (client.bottom - side) / 2, side);
  EndPaint(button, &paint);
  return 0;
}

std::string Win32PasswordEdit::Text() const {
  HWND edit = FEdit.Get();
  if (edit == nullptr) {
    return {};
  }
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

void Win32PasswordEdit::SetText(const std::string& text) {
  SetWindowTextW(FEdit.Get(), Widen(text).c_str());
}

void Win32PasswordEdit::SetFocus() {
  if (FEdit.Get() != nullptr) {
    FocusControl(FEdit.Get());
  }
}

} // namespace tessera::win32
