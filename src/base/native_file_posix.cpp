#include "base/native_file.h"

#include <filesystem>
#include <system_error>

namespace tessera {

// Paths are bytes here, so UTF-8 goes to the system as it is.

TFilePtr OpenNativeFile(const std::string& path, const char* mode) {
  return TFilePtr(std::fopen(path.c_str(), mode));
}

bool SeekNativeFile(std::FILE* file, int64_t offset, int origin) {
  return fseeko(file, static_cast<off_t>(offset), origin) == 0;
}

int64_t TellNativeFile(std::FILE* file) {
  return static_cast<int64_t>(ftello(file));
}

int64_t NativeFileSize(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  return error ? -1 : static_cast<int64_t>(size);
}

} // namespace tessera
