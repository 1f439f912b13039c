#pragma once

// The package the archive benchmarks read, of the size a large application
// has: about 100 MB in 5,000 entries of bytes that do not compress, written
// by TZipWriter as the packager writes it. Shared by the Google Benchmark
// programs and the timing programs run under Wine.

#include "base/stream.h"
#include "package/zip_writer.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tessera::bench {

inline const std::string kPassword = "bench password";
constexpr int kEntryCount = 5000;
constexpr size_t kAverageSize = 20000; // 5,000 x 20,000 bytes = 100 MB

// Sizes spread from a few bytes to twice the average.
inline size_t EntrySize(int index) {
  return (static_cast<size_t>(index) * 7919u) % (2 * kAverageSize);
}

inline std::vector<uint8_t> EntryData(int index) {
  std::vector<uint8_t> data(EntrySize(index));
  uint32_t x = static_cast<uint32_t>(index) * 2654435761u + 1;
  for (uint8_t& b : data) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<uint8_t>(x);
  }
  return data;
}

// Appends the package to target; returns the bytes of its entries'
// contents, with their names in `names`.
inline size_t WritePackage(TStream& target, std::vector<std::string>& names) {
  size_t contentBytes = 0;
  TZipWriter writer(target, kPassword);
  for (int i = 0; i < kEntryCount; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "app/dir%02d/file%05d.bin", i % 50, i);
    writer.AddEntry(name, EntryData(i));
    names.emplace_back(name);
    contentBytes += EntrySize(i);
  }
  writer.Finish();
  return contentBytes;
}

} // namespace tessera::bench
