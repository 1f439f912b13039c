// Processes, shell copies, shortcuts, keys, names and the system's folders
// of the Windows OS services.
#include "platform/win32/os_services_win32.h"

#include "platform/win32/com_apartment.h"
#include "platform/win32/windows_api.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <memory>
#include <type_traits>
#include <vector>

namespace tessera {

using win32::Narrow;
using win32::Widen;

namespace {

// Owns the two handles CreateProcessW gives back.
class TProcessInfo {
public:
  TProcessInfo() = default;
  ~TProcessInfo() {
    if (FInfo.hThread != nullptr)
      CloseHandle(FInfo.hThread);
    if (FInfo.hProcess != nullptr)
      CloseHandle(FInfo.hProcess);
  }
  TProcessInfo(const TProcessInfo&) = delete;
  TProcessInfo& operator=(const TProcessInfo&) = delete;
  PROCESS_INFORMATION* Receive() { return &FInfo; }
  HANDLE Process() const { return FInfo.hProcess; }

private:
  PROCESS_INFORMATION FInfo{};
};

// Starts the command line with the creation flags; false when it did not
// start.
bool StartProcess(const std::string& commandLine, DWORD creationFlags, TProcessInfo& process) {
  // CreateProcessW may write into the command line, so it gets a copy.
  std::wstring wide = Widen(commandLine);
  std::vector<wchar_t> buffer(wide.begin(), wide.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  return CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, creationFlags, nullptr,
                        nullptr, &startup, process.Receive()) != 0;
}

std::string WithTrailingBackslash(std::string path) {
  if (path.empty() || path.back() != '\\')
    path.push_back('\\');
  return path;
}

// The shell folder of a CSIDL number; empty when the shell cannot name it.
std::string ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
    return {};
  return Narrow(path);
}

// A list of one full path as the shell's file operations read it: ended by
// an empty entry. The shell wants full paths; relative ones start from the
// current folder.
std::wstring ShellPathList(const std::string& path) {
  const std::wstring wide = Widen(path);
  std::wstring full(MAX_PATH, L'\0');
  DWORD length =
      GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.assign(length, L'\0');
    length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  if (length == 0 || length >= full.size())
    full = wide;
  else
    full.resize(length);
  full.push_back(L'\0');
  return full;
}

bool ShellCopy(const std::string& from, const std::string& to, FILEOP_FLAGS flags) {
  const std::wstring source = ShellPathList(from);
  const std::wstring target = ShellPathList(to);
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_COPY;
  operation.pFrom = source.c_str();
  operation.pTo = target.c_str();
  operation.fFlags = flags;
  return SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

template <typename T> struct TComRelease {
  void operator()(T* object) const { object->Release(); }
};
template <typename T> using TComOwner = std::unique_ptr<T, TComRelease<T>>;

} // namespace

std::uint32_t Win32OsServices::ExecAndWait(const std::string& commandLine) {
  TProcessInfo process;
  if (!StartProcess(commandLine, 0, process))
    return 0;
  WaitForSingleObject(process.Process(), INFINITE);
  DWORD exitCode = 0;
  if (!GetExitCodeProcess(process.Process(), &exitCode))
    return 0;
  return exitCode;
}

bool Win32OsServices::ExecCmd(const std::string& commandLine, bool wait) {
  TProcessInfo process;
  if (!StartProcess(commandLine, CREATE_NEW_PROCESS_GROUP | NORMAL_PRIORITY_CLASS, process))
    return false;
  if (wait)
    WaitForSingleObject(process.Process(), INFINITE);
  return true;
}

std::string Win32OsServices::GetPaintProgramPath() {
  const std::string system = ShellFolder(CSIDL_SYSTEM);
  if (system.empty())
    return {};
  const std::string paint = WithTrailingBackslash(system) + "mspaint.exe";
  return FileExists(paint) ? paint : std::string();
}

bool Win32OsServices::CopyFileTo(const std::string& from, const std::string& to) {
  return ShellCopy(from, to, FOF_FILESONLY | FOF_NOCONFIRMATION);
}

bool Win32OsServices::CopyDirectoryTo(const std::string& from, const std::string& to) {
  return ShellCopy(from, to, FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR);
}

bool Win32OsServices::ExtractFileIcon(const std::string& path, int& width, int& height,
                                      std::vector<std::uint8_t>& pixels) {
  HICON icon = nullptr;
  if (ExtractIconExW(Widen(path).c_str(), 0, &icon, nullptr, 1) == 0 || icon == nullptr)
    return false;
  const std::unique_ptr<std::remove_pointer_t<HICON>, decltype(&DestroyIcon)> iconHolder(
      icon, &DestroyIcon);
  // The icon's own size, from its colour bitmap (or its mask, which holds
  // two images one above the other, for monochrome icons).
  ICONINFO info{};
  if (!GetIconInfo(icon, &info))
    return false;
  BITMAP bitmap{};
  const HBITMAP sizeSource = info.hbmColor != nullptr ? info.hbmColor : info.hbmMask;
  const bool sized = GetObjectW(sizeSource, sizeof bitmap, &bitmap) != 0;
  if (info.hbmColor != nullptr)
    DeleteObject(info.hbmColor);
  if (info.hbmMask != nullptr)
    DeleteObject(info.hbmMask);
  const int iconWidth = bitmap.bmWidth;
  const int iconHeight = info.hbmColor != nullptr ? bitmap.bmHeight : bitmap.bmHeight / 2;
  if (!sized || iconWidth <= 0 || iconHeight <= 0 || iconWidth > 1024 || iconHeight > 1024)
    return false;

  // Drawn into a top-down 32-bit section, so every kind of icon comes out
  // the same way.
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = iconWidth;
  format.bmiHeader.biHeight = -iconHeight;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr)
    return false;
  const HBITMAP section = CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool drawn = false;
  if (section != nullptr && bits != nullptr) {
    const HGDIOBJ previous = SelectObject(dc, section);
    drawn = DrawIconEx(dc, 0, 0, icon, iconWidth, iconHeight, 0, nullptr, DI_NORMAL) != 0;
    GdiFlush();
    if (drawn) {
      const auto* first = static_cast<const std::uint8_t*>(bits);
      pixels.assign(first, first + static_cast<size_t>(iconWidth) * iconHeight * 4);
      width = iconWidth;
      height = iconHeight;
    }
    SelectObject(dc, previous);
  }
  if (section != nullptr)
    DeleteObject(section);
  DeleteDC(dc);
  return drawn;
}

std::string Win32OsServices::GetLnkFilePath(const std::string& shortcutPath) {
  // The shell link object is a COM object; a thread already in the other
  // apartment kind can still create it.
  TComApartment apartment;
  IShellLinkW* rawLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&rawLink))))
    return {};
  TComOwner<IShellLinkW> link(rawLink);
  IPersistFile* rawFile = nullptr;
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&rawFile))))
    return {};
  TComOwner<IPersistFile> file(rawFile);
  if (FAILED(file->Load(Widen(shortcutPath).c_str(), STGM_READ)))
    return {};
  std::vector<wchar_t> target(32768, L'\0');
  if (link->GetPath(target.data(), static_cast<int>(target.size()), nullptr, 0) != S_OK)
    return {};
  target.back() = L'\0';
  return Narrow(target.data());
}

bool Win32OsServices::PressKey(std::uint16_t virtualKey) {
  INPUT inputs[2] = {};
  for (INPUT& input : inputs) {
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = KEYEVENTF_EXTENDEDKEY;
  }
  inputs[1].ki.dwFlags |= KEYEVENTF_KEYUP;
  return SendInput(2, inputs, sizeof(INPUT)) == 2;
}

std::string Win32OsServices::GetComputerNetName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size))
    return {};
  return Narrow(std::wstring_view(name, size));
}

std::string Win32OsServices::GetSignedInUserName() {
  // 256 characters is the longest user name the system allows.
  wchar_t name[257] = {};
  DWORD size = 257;
  if (!GetUserNameW(name, &size))
    return {};
  return Narrow(name);
}

std::string Win32OsServices::GetProgramFilesDirPath() {
  return WithTrailingBackslash(ShellFolder(CSIDL_PROGRAM_FILES));
}

std::string Win32OsServices::GetSystemAppsDirPath() {
  const std::string windows = ShellFolder(CSIDL_WINDOWS);
  // Without the Windows folder there is no path to name, not a root one.
  if (windows.empty())
    return "\\";
  return WithTrailingBackslash(windows) + "SystemApps\\";
}

bool Win32OsServices::IsPathNameRejected(const std::string& path) {
  if (GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES)
    return false;
  switch (GetLastError()) {
  case ERROR_INVALID_NAME:
  case ERROR_BAD_PATHNAME:
  case ERROR_FILENAME_EXCED_RANGE:
  case ERROR_DIRECTORY:
    return true;
  default:
    return false;
  }
}

} // namespace tessera
