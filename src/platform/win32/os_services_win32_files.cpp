// Folders, their listings, the standard folders and the failure texts of the
// Windows OS services.
#include "platform/win32/os_services_win32.h"

#include "base/exceptions.h"
#include "platform/win32/windows_api.h"

#include <shlobj.h>

#include <string>
#include <vector>

namespace tessera {

using win32::Narrow;
using win32::Widen;

namespace {

std::string WithTrailingBackslash(std::string path) {
  if (path.empty() || path.back() != '\\')
    path.push_back('\\');
  return path;
}

// The shell's folder by CSIDL number, its current path, not created when
// missing; a single backslash when the shell cannot name it.
std::string ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
    return "\\";
  return WithTrailingBackslash(Narrow(path));
}

// The system's message for an error code in the user's language, with the
// line break and the full stop it ends with removed.
std::string SystemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                          FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                      reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  std::wstring text = length != 0 && buffer != nullptr ? std::wstring(buffer, length)
                                                       : L"System error " + std::to_wstring(code);
  if (buffer != nullptr)
    LocalFree(buffer);
  while (!text.empty() && (text.back() <= L' ' || text.back() == L'.'))
    text.pop_back();
  return Narrow(text);
}

// Owns a search handle of FindFirstFileW.
class TFindHandle {
public:
  explicit TFindHandle(HANDLE handle) : FHandle(handle) {}
  ~TFindHandle() {
    if (FHandle != INVALID_HANDLE_VALUE)
      FindClose(FHandle);
  }
  TFindHandle(const TFindHandle&) = delete;
  TFindHandle& operator=(const TFindHandle&) = delete;
  HANDLE Get() const { return FHandle; }

private:
  HANDLE FHandle;
};

[[noreturn]] void ThrowListingError(const std::string& path, DWORD code) {
  throw EFileError("Cannot read folder \"" + path + "\". " + SystemMessage(code));
}

} // namespace

std::string Win32OsServices::LastSystemErrorText() {
  return SystemMessage(GetLastError());
}

bool Win32OsServices::DirectoryExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32OsServices::CreateDir(const std::string& path) {
  return CreateDirectoryW(Widen(path).c_str(), nullptr) != 0;
}

std::vector<OsServices::TDirEntry> Win32OsServices::ListDirectory(const std::string& path) {
  std::wstring pattern = Widen(path);
  if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/')
    pattern.push_back(L'\\');
  pattern.push_back(L'*');
  std::vector<TDirEntry> entries;
  WIN32_FIND_DATAW data{};
  const TFindHandle find(FindFirstFileW(pattern.c_str(), &data));
  if (find.Get() == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A drive's root has no "." entry: an empty one finds nothing at all.
    if (error == ERROR_FILE_NOT_FOUND)
      return entries;
    ThrowListingError(path, error);
  }
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..")
      continue;
    entries.push_back({Narrow(name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileW(find.Get(), &data));
  const DWORD error = GetLastError();
  if (error != ERROR_NO_MORE_FILES)
    ThrowListingError(path, error);
  return entries;
}

std::string Win32OsServices::GetTempDirPath() {
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH)
    return "\\";
  // The long-name form: the temporary path can hold 8.3 names.
  const DWORD needed = GetLongPathNameW(temp, nullptr, 0);
  if (needed == 0)
    return "\\";
  std::wstring longPath(needed, L'\0');
  const DWORD got = GetLongPathNameW(temp, longPath.data(), needed);
  if (got == 0 || got >= needed)
    return "\\";
  longPath.resize(got);
  return WithTrailingBackslash(Narrow(longPath));
}

std::string Win32OsServices::GetUserDocumentsDirPath() {
  return ShellFolder(CSIDL_PERSONAL);
}

std::string Win32OsServices::GetUserDesktopDirPath() {
  return ShellFolder(CSIDL_DESKTOP);
}

std::string Win32OsServices::GetUserAppDataDirPath() {
  return ShellFolder(CSIDL_APPDATA);
}

} // namespace tessera
