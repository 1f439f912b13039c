#include "platform/win32/text_width_win32.h"

#include "platform/win32/gdi_handles.h"
#include "platform/win32/windows_api.h"

namespace tessera::win32 {

namespace {

// The screen's device context for one scope.
class TScreenDc {
public:
  TScreenDc() : FDc(GetDC(nullptr)) {}
  ~TScreenDc() {
    if (FDc != nullptr) {
      ReleaseDC(nullptr, FDc);
    }
  }
  TScreenDc(const TScreenDc&) = delete;
  TScreenDc& operator=(const TScreenDc&) = delete;
  HDC Get() const { return FDc; }

private:
  HDC FDc;
};

} // namespace

int MeasureTextWidth(const std::string& fontFamily, int fontHeightPixels, const std::string& text) {
  if (text.empty() || fontHeightPixels <= 0) {
    return 0;
  }
  TScreenDc screen;
  if (screen.Get() == nullptr) {
    return 0;
  }
  // A negative height asks for the character height, as windows set theirs.
  TFont font(CreateFontW(-fontHeightPixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                         DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                         DEFAULT_PITCH | FF_DONTCARE, Widen(fontFamily).c_str()));
  if (!font) {
    return 0;
  }
  TSelectObject selected(screen.Get(), font.Get());
  const std::wstring wide = Widen(text);
  SIZE size{};
  if (!GetTextExtentPoint32W(screen.Get(), wide.c_str(), static_cast<int>(wide.size()), &size)) {
    return 0;
  }
  return size.cx;
}

} // namespace tessera::win32
