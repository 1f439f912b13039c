#pragma once

#include "base/stream.h"

#include <cstdint>
#include <optional>

namespace tessera {

// Where an executable image ends in its file, found from the image's own
// headers: the package of an application starts right there.
//
// PE: the largest PointerToRawData + SizeOfRawData over the section table
// (summed in unsigned 32-bit arithmetic, as the loader's fields are), 0 for
// an image without sections.
// ELF: the largest end of the ELF header, the program header table, every
// program segment's file data, every section that has file data and the
// section header table.
//
// Returns nothing when the file is neither, or its headers cannot be read.
// The result may lie past the end of the file (a truncated image).
std::optional<int64_t> GetImageEnd(TStream& file);

} // namespace tessera
