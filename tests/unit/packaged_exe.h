#pragma once

#include "image_fixtures.h"
#include "package/calculations.h"
#include "package/zip_writer.h"
#include "temp_dir.h"

#include <string>
#include <utility>
#include <vector>

namespace tessera::testing {

using TPackageEntries = std::vector<std::pair<std::string, std::string>>;

// Writes a small PE image with a package of `entries` appended, encrypted
// with `password` (the runtime's own unless given), and returns its path.
inline std::string MakePackagedExe(const TTempDir& dir, const TPackageEntries& entries,
                                   const std::string& password = PackagePassword()) {
  std::vector<uint8_t> bytes = MakePe({{0x400, 0x200}});
  TMemoryStream archive;
  TZipWriter writer(archive, password);
  for (const auto& [name, content] : entries)
    writer.AddEntry(name,
                    std::span(reinterpret_cast<const uint8_t*>(content.data()), content.size()));
  writer.Finish();
  bytes.insert(bytes.end(), archive.Bytes().begin(), archive.Bytes().end());
  const std::string path = dir.File("app.exe");
  WriteBytes(path, bytes);
  return path;
}

} // namespace tessera::testing
