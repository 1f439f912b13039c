#include "platform/win32/os_services_win32.h"

#include "platform/win32/windows_api.h"

#include <shellapi.h>

#include <vector>

namespace tessera {

using win32::Narrow;
using win32::TRegKey;
using win32::Widen;

namespace {

// Reads a text value; values of any other type count as absent.
std::wstring ReadStringValue(HKEY key, const wchar_t* name) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0) {
    return {};
  }
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  DWORD got = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &got) !=
      ERROR_SUCCESS) {
    return {};
  }
  value.resize(got / sizeof(wchar_t));
  while (!value.empty() && value.back() == L'\0') {
    value.pop_back();
  }
  return value;
}

// Names of every subkey of key, in enumeration order.
std::vector<std::wstring> SubkeyNames(HKEY key) {
  std::vector<std::wstring> names;
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    const LONG rc = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) {
      break;
    }
    if (rc == ERROR_SUCCESS) {
      names.emplace_back(name, length);
    }
  }
  return names;
}

} // namespace

std::string Win32OsServices::GetExecutablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) {
      return {};
    }
    if (n < buffer.size()) {
      buffer.resize(n);
      return Narrow(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::vector<std::string> Win32OsServices::GetCommandLineArguments() {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr) {
    return args;
  }
  for (int i = 0; i < count; ++i) {
    args.push_back(Narrow(argv[i]));
  }
  LocalFree(argv);
  return args;
}

std::string Win32OsServices::DecodeAnsiText(std::string_view bytes) {
  if (bytes.empty()) {
    return {};
  }
  const int count =
      MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(count), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), count);
  return Narrow(wide);
}

TSystemMimeTypes Win32OsServices::ReadMimeDatabase() {
  TSystemMimeTypes result;
  for (const std::wstring& name : SubkeyNames(HKEY_CLASSES_ROOT)) {
    if (name.empty() || name[0] != L'.') {
      continue;
    }
    TRegKey key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, name.c_str(), 0, KEY_READ, key.Receive()) ==
        ERROR_SUCCESS) {
      result.ContentTypes.emplace_back(Narrow(name),
                                       Narrow(ReadStringValue(key.Get(), L"Content Type")));
    }
  }
  TRegKey database;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"MIME\\Database\\Content Type", 0, KEY_READ,
                    database.Receive()) == ERROR_SUCCESS) {
    for (const std::wstring& type : SubkeyNames(database.Get())) {
      TRegKey key;
      if (RegOpenKeyExW(database.Get(), type.c_str(), 0, KEY_READ, key.Receive()) ==
          ERROR_SUCCESS) {
        result.Extensions.emplace_back(Narrow(type),
                                       Narrow(ReadStringValue(key.Get(), L"Extension")));
      }
    }
  }
  return result;
}

void Win32OsServices::ShowErrorBox(const std::string& text, const std::string& caption) {
  MessageBoxW(GetActiveWindow(), Widen(text).c_str(), Widen(caption).c_str(), MB_OK | MB_ICONERROR);
}

void Win32OsServices::ExitProcess(int code) {
  ::ExitProcess(static_cast<UINT>(code));
}

std::unique_ptr<OsServices> CreateOsServices() {
  return std::make_unique<Win32OsServices>();
}

} // namespace tessera
