#pragma once

#include "base/system_mime_types.h"

#include <string_view>

namespace tessera {

// The system's MIME database on Linux: /etc/mime.types, whose lines name a
// type and then the extensions of its files ("application/json  json").
inline constexpr const char* kSystemMimeTypesPath = "/etc/mime.types";

// Reads the text of a mime.types file into the form the MIME table merges:
// one (".ext", type) pair per extension, in the order of the file. Comments
// ("#" to the end of the line), blank lines and types without extensions
// give nothing.
TSystemMimeTypes ParseMimeTypesFile(std::string_view text);

} // namespace tessera
