#pragma once

#include "platform/api/os_services.h"

#include <string>
#include <vector>

namespace tessera {

// The full paths of the files in the folder whose names match the mask
// (MatchesFileMask), in the order the system lists them; with `recursive`,
// each subfolder is walked where it is met, before the rest of its parent.
//
// A walk never loops: links to folders are listed by the system but not
// walked into, and a folder reached a second time another way (the same
// device and inode, as a bind mount shows it) is not walked again. A
// subfolder that cannot be read adds nothing, as the system's own walk
// skips what it may not enter; a top folder that cannot be read raises
// EFileError.
std::vector<std::string> ListMatchingFiles(OsServices& os, const std::string& folder,
                                           const std::string& mask, bool recursive);

} // namespace tessera
