#pragma once

#include "base/utf.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace tessera::testing {

// A fresh folder under the system's temporary folder, removed with
// everything in it when the test ends.
class TTempDir {
public:
  TTempDir() {
    std::random_device random;
    FPath = std::filesystem::temp_directory_path() /
            ("tessera-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(FPath);
  }
  ~TTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  // UTF-8 path of name inside the folder.
  std::string File(const std::string& name) const { return PathToUtf8(FPath / PathFromUtf8(name)); }
  const std::filesystem::path& Path() const { return FPath; }
  // The UTF-8 names in the folder itself, sorted: to see what a test left.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(FPath))
      names.push_back(PathToUtf8(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
  }

private:
  std::filesystem::path FPath;
};

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string ReadText(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

} // namespace tessera::testing
