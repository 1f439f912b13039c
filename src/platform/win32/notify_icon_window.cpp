#include "platform/win32/notify_icon_window.h"

namespace tessera::win32 {

HWND CreateNotifyIconWindow(const wchar_t* className, WNDPROC procedure, void* owner) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  // Registered once: later windows of the class find it there.
  if (!GetClassInfoExW(instance, className, &windowClass)) {
    windowClass = WNDCLASSEXW{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);
  }
  return CreateWindowExW(WS_EX_TOOLWINDOW, className, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                         instance, owner);
}

NOTIFYICONDATAW NotifyIconData(HWND window, UINT iconId) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = window;
  data.uID = iconId;
  return data;
}

HICON SmallApplicationIcon() {
  const int width = GetSystemMetrics(SM_CXSMICON);
  const int height = GetSystemMetrics(SM_CYSMICON);
  if (HANDLE own = LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, width, height,
                              LR_SHARED)) {
    return static_cast<HICON>(own);
  }
  return LoadIconW(nullptr, IDI_APPLICATION);
}

} // namespace tessera::win32
