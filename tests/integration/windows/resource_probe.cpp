// Reads an image's icon and version resources the way the shell does, from
// inside the Wine prefix, and prints them one per line (UTF-8):
//   file-version=A.B.C.D        fixed part of the version resource
//   product-version=A.B.C.D
//   string:NAME=VALUE           each string of the first translation
//   icon-group=NAME             the first icon group (the shell's icon)
//   icon=WxH BITS               each image of that group (0 means 256)
//   icon-loads=WxH              the group's 32x32 image, turned into an icon
//   checksum=match|differ       with IMAGE_BYTES: the header's checksum
//                               against the system's sum of the file's first
//                               IMAGE_BYTES bytes (the image without its
//                               package)
// Exit code 1 when the file cannot be read as an image, 0 otherwise (a
// missing resource is simply not printed).
#include "platform/win32/gdi_handles.h"
#include "platform/win32/kernel_handle.h"
#include "platform/win32/windows_api.h"

#include <imagehlp.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

using tessera::win32::Narrow;

void Print(const std::string& line) {
  const std::string text = line + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
}

std::string Version(DWORD high, DWORD low) {
  return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." +
         std::to_string(HIWORD(low)) + "." + std::to_string(LOWORD(low));
}

void PrintVersion(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) {
    return;
  }
  std::vector<uint8_t> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) {
    return;
  }
  void* value = nullptr;
  UINT length = 0;
  if (VerQueryValueW(data.data(), L"\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    Print("file-version=" + Version(fixed.dwFileVersionMS, fixed.dwFileVersionLS));
    Print("product-version=" + Version(fixed.dwProductVersionMS, fixed.dwProductVersionLS));
  }
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) || length < 4) {
    return;
  }
  WORD translation[2];
  std::memcpy(translation, value, sizeof translation);
  wchar_t block[64];
  std::swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
  for (const wchar_t* name :
       {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName", L"LegalCopyright",
        L"OriginalFilename", L"ProductName", L"ProductVersion"}) {
    const std::wstring query = std::wstring(block) + name;
    if (VerQueryValueW(data.data(), query.c_str(), &value, &length) && length > 0) {
      // The length counts the terminating zero.
      const auto* text = static_cast<const wchar_t*>(value);
      Print("string:" + Narrow(name) + "=" +
            Narrow(std::wstring_view(text, wcsnlen(text, length))));
    }
  }
}

struct TModuleFree {
  void operator()(HMODULE module) const noexcept { FreeLibrary(module); }
};
using TModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, TModuleFree>;

struct TIconDestroy {
  void operator()(HICON icon) const noexcept { DestroyIcon(icon); }
};
using TIcon = std::unique_ptr<std::remove_pointer_t<HICON>, TIconDestroy>;

BOOL CALLBACK TakeFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) noexcept {
  auto* first = reinterpret_cast<std::wstring*>(found);
  *first = IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<uintptr_t>(name)) : name;
  return FALSE;
}

// The bytes of one resource, or nothing.
std::vector<uint8_t> ResourceBytes(HMODULE module, LPCWSTR name, LPCWSTR type) {
  HRSRC found = FindResourceW(module, name, type);
  if (found == nullptr) {
    return {};
  }
  HGLOBAL loaded = LoadResource(module, found);
  const auto* bytes = static_cast<const uint8_t*>(LockResource(loaded));
  const DWORD size = SizeofResource(module, found);
  return bytes == nullptr ? std::vector<uint8_t>{} : std::vector<uint8_t>(bytes, bytes + size);
}

void PrintIcons(const std::wstring& path) {
  const TModule module(LoadLibraryExW(path.c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!module) {
    return;
  }
  std::wstring first;
  EnumResourceNamesW(module.get(), RT_GROUP_ICON, TakeFirstName,
                     reinterpret_cast<LONG_PTR>(&first));
  if (first.empty()) {
    return;
  }
  Print("icon-group=" + Narrow(first));
  const LPCWSTR groupName =
      first[0] == L'#' ? MAKEINTRESOURCEW(std::stoi(first.substr(1))) : first.c_str();
  std::vector<uint8_t> group = ResourceBytes(module.get(), groupName, RT_GROUP_ICON);
  // GRPICONDIR: reserved, type, count; then 14-byte entries.
  if (group.size() < 6) {
    return;
  }
  const size_t count = group[4] | (group[5] << 8);
  for (size_t i = 0; i < count && 6 + (i + 1) * 14 <= group.size(); ++i) {
    const uint8_t* entry = group.data() + 6 + i * 14;
    const unsigned bits = entry[6] | (entry[7] << 8);
    const unsigned id = entry[12] | (entry[13] << 8);
    const bool present = !ResourceBytes(module.get(), MAKEINTRESOURCEW(id), RT_ICON).empty();
    Print("icon=" + std::to_string(entry[0]) + "x" + std::to_string(entry[1]) + " " +
          std::to_string(bits) + (present ? "" : " (image missing)"));
  }
  // What a window's title bar asks for: the group picks the image, the
  // image becomes an icon.
  const int id = LookupIconIdFromDirectoryEx(group.data(), TRUE, 32, 32, LR_DEFAULTCOLOR);
  if (id == 0) {
    return;
  }
  std::vector<uint8_t> image = ResourceBytes(module.get(), MAKEINTRESOURCEW(id), RT_ICON);
  if (image.empty()) {
    return;
  }
  const TIcon icon(CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE,
                                            0x00030000, 32, 32, LR_DEFAULTCOLOR));
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon.get(), &info)) {
    return;
  }
  const tessera::win32::TBitmap color(info.hbmColor);
  const tessera::win32::TBitmap mask(info.hbmMask);
  BITMAP bitmap{};
  GetObjectW(color ? color.Get() : mask.Get(), sizeof bitmap, &bitmap);
  Print("icon-loads=" + std::to_string(bitmap.bmWidth) + "x" + std::to_string(bitmap.bmHeight));
}

void PrintChecksum(const std::wstring& path, DWORD imageBytes) {
  const tessera::win32::TKernelHandle file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart < imageBytes) {
    return;
  }
  std::vector<uint8_t> bytes(imageBytes);
  DWORD got = 0;
  if (!ReadFile(file.Get(), bytes.data(), imageBytes, &got, nullptr) || got != imageBytes) {
    return;
  }
  DWORD header = 0;
  DWORD computed = 0;
  if (CheckSumMappedFile(bytes.data(), imageBytes, &header, &computed) != nullptr) {
    Print(std::string("checksum=") + (header == computed ? "match" : "differ"));
  }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 && argc != 3) {
    std::fputs("usage: resource_probe FILE [IMAGE_BYTES]\n", stderr);
    return 2;
  }
  const std::wstring path = argv[1];
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::fputs("resource_probe: no such file\n", stderr);
    return 1;
  }
  PrintVersion(path);
  PrintIcons(path);
  if (argc == 3) {
    PrintChecksum(path, static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
  }
  return 0;
}
