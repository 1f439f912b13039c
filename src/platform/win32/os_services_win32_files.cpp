// Files, folders, their listings, the standard folders and the failure
// texts of the Windows OS services.
#include "platform/win32/os_services_win32.h"

#include "base/exceptions.h"
#include "platform/win32/kernel_handle.h"
#include "platform/win32/windows_api.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// Writes all the bytes to the open file; false with the system's error set
// when it fails.
bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr))
      return false;
    if (written == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

// The old way, for a file that cannot be replaced: truncate and write in
// place.
bool WriteInPlace(const std::wstring& path, std::string_view bytes) {
  TKernelHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.Valid() && WriteAll(file.Get(), bytes);
}

// Deletes the temporary file unless it took the target's place; the error
// the failure left is kept for LastSystemErrorText.
class TTemporaryFile {
public:
  TTemporaryFile() = default;
  ~TTemporaryFile() {
    if (FPath.empty())
      return;
    const DWORD error = GetLastError();
    DeleteFileW(FPath.c_str());
    SetLastError(error);
  }
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;
  void Own(std::wstring path) { FPath = std::move(path); }
  const std::wstring& Path() const { return FPath; }
  void Keep() { FPath.clear(); }

private:
  std::wstring FPath;
};

// The path of the file a link leads to; the path itself for anything else
// or when the link cannot be followed.
std::wstring FinalPath(const std::wstring& path) {
  TKernelHandle file(CreateFileW(path.c_str(), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid())
    return path;
  const DWORD needed = GetFinalPathNameByHandleW(file.Get(), nullptr, 0, FILE_NAME_NORMALIZED);
  if (needed == 0)
    return path;
  std::wstring final(needed, L'\0');
  const DWORD got =
      GetFinalPathNameByHandleW(file.Get(), final.data(), needed, FILE_NAME_NORMALIZED);
  if (got == 0 || got >= needed)
    return path;
  final.resize(got);
  return final;
}

// Whether the path leads into the device namespace ("\\.\pipe\x", "\\.\COM1")
// or names a device the way DOS did ("C:\data\CON"), which the full path
// shows as "\\.\CON".
bool NamesADevice(const std::wstring& path) {
  if (path.starts_with(L"\\\\.\\") || path.starts_with(L"//./"))
    return true;
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0)
    return false;
  std::wstring full(needed, L'\0');
  const DWORD got = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  return got != 0 && got < needed && std::wstring_view(full).starts_with(L"\\\\.\\");
}

// What SaveBytesToFile does; false with the system's error set.
bool ReplaceFileContent(const std::wstring& path, std::string_view bytes) {
  if (NamesADevice(path)) {
    // Opening a pipe or a port may wait for the other end; none is a
    // place for a page's file.
    SetLastError(ERROR_BAD_FILE_TYPE);
    return false;
  }
  const DWORD attributes = GetFileAttributesW(path.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (!exists && GetLastError() != ERROR_FILE_NOT_FOUND)
    return false;
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  // The new content replaces the file a link leads to, not the link.
  const std::wstring target =
      exists && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? FinalPath(path) : path;

  const size_t cut = target.find_last_of(L"\\/");
  const std::wstring folder =
      cut == std::wstring::npos ? std::wstring() : target.substr(0, cut + 1);
  thread_local std::mt19937_64 random{std::random_device{}()};
  TTemporaryFile temporary;
  TKernelHandle file;
  for (int attempt = 0; attempt < 100 && !file.Valid(); ++attempt) {
    std::wstring candidate = folder + L"~tessera-save-";
    for (std::uint64_t bits = random(), i = 0; i < 16; ++i, bits >>= 4)
      candidate.push_back(L"0123456789abcdef"[bits & 15]);
    candidate += L".tmp";
    file.Reset(CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Valid())
      temporary.Own(candidate);
    else if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
      break;
  }
  if (!file.Valid()) {
    // A folder that admits no new file may still let its file be written.
    if (exists && GetLastError() == ERROR_ACCESS_DENIED)
      return WriteInPlace(target, bytes);
    return false;
  }
  // On the disk before the name moves, so a crash leaves the old content or
  // the new, never an empty file.
  if (!WriteAll(file.Get(), bytes) || !FlushFileBuffers(file.Get()))
    return false;
  file.Reset();

  if (exists) {
    // The replacement merges in the replaced file's attributes, security
    // and creation time; the attributes are set here as well, for a system
    // whose replacement does not, and for the move below.
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if ((attributes & kKept) != 0)
      SetFileAttributesW(temporary.Path().c_str(), attributes & kKept);
    if (ReplaceFileW(target.c_str(), temporary.Path().c_str(), nullptr,
                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
      temporary.Keep();
      return true;
    }
  }
  if (MoveFileExW(temporary.Path().c_str(), target.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    temporary.Keep();
    return true;
  }
  const DWORD error = GetLastError();
  if (exists && (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) &&
      GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
    // Held open by a program that lets others write but not rename it: the
    // bytes were shown to fit, so write them in place as before.
    DeleteFileW(temporary.Path().c_str());
    temporary.Keep();
    return WriteInPlace(target, bytes);
  }
  // A replacement that removed the old file and then failed to move the new
  // one in leaves the new content only in the temporary file: keep it.
  if (exists && GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES)
    temporary.Keep();
  SetLastError(error);
  return false;
}

// Whether a found entry is a link: a reparse point that stands for a name
// elsewhere (a junction, a symbolic link), not one that only changes how
// its own data is kept (a cloud file, a deduplicated file). Windows always
// names the tag; Wine shows a Unix symbolic link as a reparse point
// without one.
bool IsLink(const WIN32_FIND_DATAW& data) {
  return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         (data.dwReserved0 == 0 || IsReparseTagNameSurrogate(data.dwReserved0));
}

// Removes the link the search found at `path`, never what it leads to: a
// directory link with RemoveDirectoryW, which takes the link away, a file
// link with DeleteFileW. Wine removes the folder behind a Unix link (its
// reparse point without a tag) instead: such a link is refused.
bool RemoveLink(const std::wstring& path, const WIN32_FIND_DATAW& data) {
  if (data.dwReserved0 == 0) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return false;
  }
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return RemoveDirectoryW(path.c_str()) != 0;
  return DeleteFileW(path.c_str()) != 0;
}

// What a search finds at the path itself; nothing when it finds nothing or
// the path holds wildcards, which a search would expand.
std::optional<WIN32_FIND_DATAW> FindEntry(const std::wstring& path) {
  if (path.find_first_of(L"*?") != std::wstring::npos)
    return std::nullopt;
  WIN32_FIND_DATAW data{};
  const TFindHandle find(FindFirstFileW(path.c_str(), &data));
  if (find.Get() == INVALID_HANDLE_VALUE)
    return std::nullopt;
  return data;
}

// Removes every link below the folder without entering it; real subfolders
// are walked. False, with the system's error set, when a link cannot be
// removed: the deletion that follows would walk into it.
bool RemoveLinksInside(const std::wstring& folder) {
  WIN32_FIND_DATAW data{};
  const TFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (find.Get() == INVALID_HANDLE_VALUE)
    return true;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..")
      continue;
    const std::wstring path = folder + L"\\" + name;
    if (IsLink(data)) {
      if (!RemoveLink(path, data))
        return false;
    } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
               !RemoveLinksInside(path)) {
      return false;
    }
  } while (FindNextFileW(find.Get(), &data));
  return true;
}

[[noreturn]] void ThrowListingError(const std::string& path, DWORD code) {
  throw EFileError("Cannot read folder \"" + path + "\". " + SystemMessage(code));
}

} // namespace

bool Win32OsServices::FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32OsServices::ForceDirectories(const std::string& path) {
  const std::wstring wide = Widen(path);
  // Create each prefix that ends before a delimiter, then the whole path;
  // existing folders along the way are fine.
  for (size_t i = 1; i <= wide.size(); ++i) {
    if (i < wide.size() && wide[i] != L'\\' && wide[i] != L'/')
      continue;
    const std::wstring prefix = wide.substr(0, i);
    if (prefix.size() == 2 && prefix[1] == L':')
      continue;
    CreateDirectoryW(prefix.c_str(), nullptr);
  }
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32OsServices::RemoveFile(const std::string& path) {
  return DeleteFileW(Widen(path).c_str()) != 0;
}

bool Win32OsServices::DeleteDirectory(const std::string& path) {
  std::wstring name = Widen(path);
  // "link\" names the folder a junction leads to: the separators go, so that
  // the link is found and removed itself.
  while (name.size() > 1 && (name.back() == L'\\' || name.back() == L'/') &&
         name[name.size() - 2] != L':')
    name.pop_back();
  if (const std::optional<WIN32_FIND_DATAW> found = FindEntry(name); found && IsLink(*found))
    return RemoveLink(name, *found);
  // The shell's deletion walks into the links it meets (Wine's empties what
  // they lead to), so they go first, on their own; where one cannot, nothing
  // more is deleted. What is left is a tree of real folders.
  if (!RemoveLinksInside(name))
    return false;
  // The shell wants a list of paths ended by an empty one.
  std::wstring from = name;
  from.push_back(L'\0');
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
  return SHFileOperationW(&operation) == 0;
}

bool Win32OsServices::LoadBytesFromFile(const std::string& path, std::string& bytes) {
  TKernelHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.Get() == INVALID_HANDLE_VALUE)
    return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > bytes.max_size())
    return false;
  std::string content(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < content.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(file.Get(), content.data() + done, chunk, &got, nullptr) || got == 0)
      return false;
    done += got;
  }
  bytes = std::move(content);
  return true;
}

bool Win32OsServices::SaveBytesToFile(const std::string& path, std::string_view bytes) {
  return ReplaceFileContent(Widen(path), bytes);
}

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
    entries.push_back(
        {Narrow(name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, IsLink(data)});
  } while (FindNextFileW(find.Get(), &data));
  const DWORD error = GetLastError();
  if (error != ERROR_NO_MORE_FILES)
    ThrowListingError(path, error);
  return entries;
}

std::string Win32OsServices::GetFileIdentity(const std::string& path) {
  // Backup semantics open folders as well as files.
  const TKernelHandle file(
      CreateFileW(Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file.Valid() || !GetFileInformationByHandle(file.Get(), &info))
    return {};
  return std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) +
         ":" + std::to_string(info.nFileIndexLow);
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
