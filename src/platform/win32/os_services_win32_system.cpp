// Environment, shell launches and the single-instance marker of the
// Windows OS services.
#include "platform/win32/os_services_win32.h"

#include "platform/win32/kernel_handle.h"
#include "platform/win32/windows_api.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <utility>

namespace tessera {

using win32::Narrow;
using win32::TKernelHandle;
using win32::Widen;

namespace {

std::string WithTrailingBackslash(std::string path) {
  if (path.empty() || path.back() != '\\')
    path.push_back('\\');
  return path;
}

// Owns a module handle from LoadLibraryW.
class TLibrary {
public:
  explicit TLibrary(const std::wstring& path) : FModule(LoadLibraryW(path.c_str())) {}
  ~TLibrary() {
    if (FModule != nullptr)
      FreeLibrary(FModule);
  }
  TLibrary(const TLibrary&) = delete;
  TLibrary& operator=(const TLibrary&) = delete;
  HMODULE Get() const { return FModule; }

private:
  HMODULE FModule;
};

} // namespace

std::string Win32OsServices::GetUserLanguage() {
  wchar_t name[16] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, name, 16) == 0)
    return {};
  return Narrow(name);
}

std::string Win32OsServices::GetDecimalSeparator() {
  wchar_t separator[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) == 0 ||
      separator[0] == L'\0')
    return ".";
  return Narrow(separator);
}

int Win32OsServices::CompareTextInUserLocale(std::string_view a, std::string_view b) {
  const std::wstring wideA = Widen(a);
  const std::wstring wideB = Widen(b);
  const int order = CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, wideA.data(),
                                    static_cast<int>(wideA.size()), wideB.data(),
                                    static_cast<int>(wideB.size()), nullptr, nullptr, 0);
  // CSTR_LESS_THAN, CSTR_EQUAL and CSTR_GREATER are 1, 2 and 3; 0 is a
  // failure (a text the system cannot compare), where the texts' own order
  // decides.
  if (order == 0)
    return wideA.compare(wideB);
  return order - CSTR_EQUAL;
}

std::string Win32OsServices::GetLocalAppDataDirPath() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
    return "\\";
  return WithTrailingBackslash(Narrow(path));
}

void Win32OsServices::SetEnvironmentValue(const std::string& name, const std::string& value) {
  SetEnvironmentVariableW(Widen(name).c_str(), Widen(value).c_str());
}

void Win32OsServices::RemoveEnvironmentValue(const std::string& name) {
  SetEnvironmentVariableW(Widen(name).c_str(), nullptr);
}

std::optional<std::string> Win32OsServices::GetEnvironmentValue(const std::string& name) {
  const std::wstring wideName = Widen(name);
  std::wstring value(64, L'\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length =
        GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0)
      return GetLastError() == ERROR_ENVVAR_NOT_FOUND ? std::nullopt
                                                      : std::optional<std::string>("");
    if (length < value.size()) {
      value.resize(length);
      return Narrow(value);
    }
    value.resize(length);
  }
}

bool Win32OsServices::CheckEdgeIsInstalled(const std::string& loaderPath) {
  if (!FileExists(loaderPath))
    return false;
  TLibrary library(Widen(loaderPath));
  if (library.Get() == nullptr)
    return false;
  using TGetVersion = HRESULT(STDAPICALLTYPE*)(PCWSTR, LPWSTR*);
  const auto getVersion = reinterpret_cast<TGetVersion>(reinterpret_cast<void*>(
      GetProcAddress(library.Get(), "GetAvailableCoreWebView2BrowserVersionString")));
  // A library without the query cannot vouch for an installed engine.
  if (getVersion == nullptr)
    return false;
  LPWSTR version = nullptr;
  getVersion(nullptr, &version);
  const bool installed = version != nullptr && version[0] != L'\0';
  if (version != nullptr)
    CoTaskMemFree(version);
  return installed;
}

bool Win32OsServices::ShellExec(const std::string& file, const std::string& arguments) {
  const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
      GetActiveWindow(), L"open", Widen(file).c_str(),
      arguments.empty() ? nullptr : Widen(arguments).c_str(), nullptr, SW_SHOWNORMAL));
  return result > 32;
}

std::uint32_t Win32OsServices::ShellExecAsAdminAndWait(TNativeWindow owner, const std::string& file,
                                                       const std::string& parameters) {
  const std::wstring wideFile = Widen(file);
  const std::wstring wideParameters = Widen(parameters);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.hwnd = reinterpret_cast<HWND>(owner);
  info.lpVerb = L"runas";
  info.lpFile = wideFile.c_str();
  info.lpParameters = parameters.empty() ? nullptr : wideParameters.c_str();
  info.nShow = SW_HIDE;
  if (!ShellExecuteExW(&info) || info.hProcess == nullptr)
    return 0;
  TKernelHandle process(info.hProcess);
  // Sleep until the process ends or a message arrives, and handle the
  // messages meanwhile, so the windows keep painting and animating without
  // the wait costing any processor time.
  bool quitRequested = false;
  while (!quitRequested) {
    const HANDLE handles[] = {process.Get()};
    const DWORD wait = MsgWaitForMultipleObjects(1, handles, FALSE, INFINITE, QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_FAILED)
      break;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // The application is ending: stop waiting and leave the request for
        // the outer loop.
        PostQuitMessage(static_cast<int>(message.wParam));
        quitRequested = true;
        break;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  DWORD exitCode = 0;
  if (!GetExitCodeProcess(process.Get(), &exitCode))
    return 0;
  return exitCode;
}

} // namespace tessera
