#pragma once

#include "package/zip_archive.h"
#include "platform/api/os_services.h"

#include <string>

namespace tessera {

// Creates the file at path and fills it from the package entry; a missing
// or undecryptable entry leaves the file empty. False when the file cannot
// be written (the system's reason is the last error then).
inline bool ExtractEntryToFile(OsServices& os, const TZipArchive& archive,
                               const std::string& entryName, const std::string& path) {
  TMemoryStream entry;
  archive.Extract(entryName, entry);
  return os.SaveBytesToFile(path, entry.Text());
}

} // namespace tessera
