// The current user's registry of the Windows OS services. Every call opens
// what it needs below HKEY_CURRENT_USER and closes it before returning;
// keys are opened with full access in the process's own (64-bit) view.
#include "platform/win32/os_services_win32.h"

#include "base/exceptions.h"
#include "platform/win32/windows_api.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tessera {

using win32::Narrow;
using win32::TRegKey;
using win32::Widen;

namespace {

// Key names are at most 255 characters.
constexpr DWORD kMaxKeyNameLength = 255;

// The path below HKEY_CURRENT_USER. One leading backslash means the same
// as none, so "\" alone is the root itself; any other leading backslash is
// left for the registry, which refuses it. The registry reads names up to
// their first NUL, and so does everything here.
std::wstring SubkeyPath(const std::string& key) {
  std::wstring path = Widen(key);
  path.resize(std::min(path.size(), path.find(L'\0')));
  if (!path.empty() && path.front() == L'\\') {
    path.erase(0, 1);
  }
  return path;
}

TRegKey OpenKey(HKEY parent, const std::wstring& path, REGSAM access) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, path.c_str(), 0, access, &key) != ERROR_SUCCESS) {
    return {};
  }
  return TRegKey(key);
}

// Opens the key with full access, creating it and its missing parents.
TRegKey CreateKey(const std::wstring& path) {
  if (path.empty()) {
    return OpenKey(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS);
  }
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return {};
  }
  return TRegKey(key);
}

[[noreturn]] void Fail(const std::string& what, const std::string& name, LONG rc) {
  throw ERegistryError("The registry refused to " + what + " the value \"" + name + "\" (error " +
                       std::to_string(rc) + ")");
}

// The text of a REG_SZ or REG_EXPAND_SZ value (not expanded), up to its
// first NUL; "" when there is no such value.
std::string ReadText(HKEY key, const std::string& name) {
  const std::wstring valueName = Widen(name);
  DWORD type = 0;
  DWORD size = 0;
  LONG rc = RegQueryValueExW(key, valueName.c_str(), nullptr, &type, nullptr, &size);
  // The value may grow between the size query and the read; then the read
  // reports the new size and is tried again.
  std::vector<wchar_t> buffer;
  while (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
      throw ERegistryError("The registry value \"" + name + "\" is not text");
    }
    // Whole characters and one more, zeroed: the data need not end in NUL
    // nor hold a whole number of characters.
    buffer.assign(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = size;
    rc = RegQueryValueExW(key, valueName.c_str(), nullptr, &type,
                          reinterpret_cast<BYTE*>(buffer.data()), &got);
    if (rc == ERROR_SUCCESS && got <= size) {
      if (type != REG_SZ && type != REG_EXPAND_SZ) {
        throw ERegistryError("The registry value \"" + name + "\" is not text");
      }
      const std::wstring_view text(buffer.data(), got / sizeof(wchar_t));
      return Narrow(text.substr(0, text.find(L'\0')));
    }
    size = got;
  }
  if (rc == ERROR_FILE_NOT_FOUND) {
    return {};
  }
  Fail("read", name, rc);
}

// Deletes parent\subkey after its subkeys, each depth first, the last one
// first; whether the key itself was deleted.
bool DeleteTree(HKEY parent, const std::wstring& subkey) {
  if (const TRegKey key = OpenKey(parent, subkey, KEY_ALL_ACCESS)) {
    DWORD count = 0;
    if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      wchar_t name[kMaxKeyNameLength + 1];
      for (DWORD index = count; index-- > 0;) {
        DWORD length = kMaxKeyNameLength + 1;
        if (RegEnumKeyExW(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) ==
            ERROR_SUCCESS) {
          DeleteTree(key.Get(), std::wstring(name, length));
        }
      }
    }
  }
  return RegDeleteKeyW(parent, subkey.c_str()) == ERROR_SUCCESS;
}

} // namespace

bool Win32OsServices::RegistryWriteString(const std::string& key, const std::string& name,
                                          const std::string& value) {
  const TRegKey opened = CreateKey(SubkeyPath(key));
  if (!opened) {
    return false;
  }
  const std::wstring text = Widen(value);
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (bytes > MAXDWORD) {
    Fail("store", name, ERROR_INVALID_PARAMETER);
  }
  const LONG rc =
      RegSetValueExW(opened.Get(), Widen(name).c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(bytes));
  if (rc != ERROR_SUCCESS) {
    Fail("store", name, rc);
  }
  return true;
}

std::optional<std::string> Win32OsServices::RegistryReadString(const std::string& key,
                                                               const std::string& name) {
  const TRegKey opened = OpenKey(HKEY_CURRENT_USER, SubkeyPath(key), KEY_ALL_ACCESS);
  if (!opened) {
    return std::nullopt;
  }
  return ReadText(opened.Get(), name);
}

bool Win32OsServices::RegistryValueExists(const std::string& key, const std::string& name) {
  const TRegKey opened = OpenKey(HKEY_CURRENT_USER, SubkeyPath(key), KEY_ALL_ACCESS);
  return opened && RegQueryValueExW(opened.Get(), Widen(name).c_str(), nullptr, nullptr, nullptr,
                                    nullptr) == ERROR_SUCCESS;
}

bool Win32OsServices::RegistryDeleteValue(const std::string& key, const std::string& name) {
  const TRegKey opened = OpenKey(HKEY_CURRENT_USER, SubkeyPath(key), KEY_ALL_ACCESS);
  return opened && RegDeleteValueW(opened.Get(), Widen(name).c_str()) == ERROR_SUCCESS;
}

bool Win32OsServices::RegistryKeyExists(const std::string& key) {
  return static_cast<bool>(OpenKey(HKEY_CURRENT_USER, SubkeyPath(key), KEY_READ));
}

bool Win32OsServices::RegistryDeleteKey(const std::string& key) {
  const std::wstring path = SubkeyPath(key);
  // The root itself cannot be deleted; emptying it first would only lose
  // every key of the user and still fail.
  if (path.find_first_not_of(L'\\') == std::wstring::npos || !RegistryKeyExists(key)) {
    return false;
  }
  return DeleteTree(HKEY_CURRENT_USER, path);
}

} // namespace tessera
