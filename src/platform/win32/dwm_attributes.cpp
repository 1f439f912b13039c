#include "platform/win32/dwm_attributes.h"

namespace tessera::win32 {

namespace {

using TDwmSetWindowAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

TDwmSetWindowAttribute DwmSetWindowAttributeFunction() {
  static const TDwmSetWindowAttribute function = []() -> TDwmSetWindowAttribute {
    HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
    if (dwm == nullptr) {
      return nullptr;
    }
    return reinterpret_cast<TDwmSetWindowAttribute>(
        reinterpret_cast<void*>(GetProcAddress(dwm, "DwmSetWindowAttribute")));
  }();
  return function;
}

} // namespace

HRESULT SetDwmWindowAttribute(HWND window, DWORD attribute, const void* value, DWORD size) {
  TDwmSetWindowAttribute setAttribute = DwmSetWindowAttributeFunction();
  if (setAttribute == nullptr) {
    return E_NOTIMPL;
  }
  return setAttribute(window, attribute, value, size);
}

} // namespace tessera::win32
