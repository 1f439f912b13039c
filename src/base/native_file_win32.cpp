#include "base/native_file.h"

#include "base/utf.h"

#include <string_view>
#include <wchar.h>

namespace tessera {

namespace {

// The wide calls take every name the system can hold; the narrow ones
// would go through the ANSI code page and lose what it cannot spell.
std::wstring Wide(std::string_view text) {
  const std::u16string utf16 = Utf8ToUtf16(text);
  return std::wstring(utf16.begin(), utf16.end());
}

} // namespace

TFilePtr OpenNativeFile(const std::string& path, const char* mode) {
  return TFilePtr(_wfopen(Wide(path).c_str(), Wide(mode).c_str()));
}

bool SeekNativeFile(std::FILE* file, int64_t offset, int origin) {
  return _fseeki64(file, offset, origin) == 0;
}

int64_t TellNativeFile(std::FILE* file) {
  return _ftelli64(file);
}

int64_t NativeFileSize(const std::string& path) {
  // The file type bits of st_mode (the C library's _S_IFMT and _S_IFREG,
  // whose header is a system one): only a regular file has a size here.
  constexpr unsigned kTypeMask = 0xF000;
  constexpr unsigned kRegularFile = 0x8000;
  struct _stat64 info {};
  if (_wstat64(Wide(path).c_str(), &info) != 0 || (info.st_mode & kTypeMask) != kRegularFile)
    return -1;
  return info.st_size;
}

} // namespace tessera
