#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace tessera {

// Files through the C library's streams, opened by UTF-8 paths. The C++
// file streams and std::filesystem would do the same, but on Windows they
// bring the whole locale machinery of the C++ library into every image
// (about 700 KB of the runtime), for conversions the system makes anyway.
// Only these few calls differ between systems: native_file_win32.cpp and
// native_file_posix.cpp, one of which each build compiles.

struct TFileCloser {
  void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using TFilePtr = std::unique_ptr<std::FILE, TFileCloser>;

// Opens the file with an fopen mode ("rb", "r+b", "w+b", "ab"); null when
// the system refuses, as fopen gives.
TFilePtr OpenNativeFile(const std::string& path, const char* mode);

// 64-bit positions, whatever the C library's long is (32 bits on Windows).
bool SeekNativeFile(std::FILE* file, int64_t offset, int origin);
int64_t TellNativeFile(std::FILE* file);

// The size of a regular file; -1 when there is none at the path (missing,
// a folder, not accessible).
int64_t NativeFileSize(const std::string& path);

} // namespace tessera
