// Opens arbitrary bytes as a package and extracts every entry by name with a
// fixed password (the one the seed archives use). Open may refuse the bytes
// with EZipError; nothing may crash, leak or read outside the input.

#include "base/exceptions.h"
#include "base/stream.h"
#include "package/zip_archive.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessera::TZipArchive zip;
  zip.SetPassword("fuzz");
  try {
    zip.Open(std::span<const uint8_t>(data, size));
  } catch (const tessera::EZipError&) {
    return 0;
  }
  tessera::TMemoryStream target;
  for (int i = 0; i < zip.Count(); ++i) {
    const std::string& name = zip.Entry(i).Name;
    zip.IndexOf(name);
    zip.Extract(name, target);
  }
  return 0;
}
