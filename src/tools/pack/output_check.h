#pragma once

#include "platform/api/os_services.h"
#include "tools/pack/app_files.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tessera {

// An input of the packager, with what it is called in messages.
using TNamedInput = std::pair<const char*, std::optional<std::string>>;

// Refuses, with EPackError, an output that would replace one of the inputs
// (the runtime, the settings, an extra file, the icon, a file of the app)
// or land inside a folder being packed. Files are compared by what they
// are (OsServices::GetFileIdentity: device and inode, volume and file
// index), so another spelling of a path ("./x", links, letter case on
// Windows) does not pass for another file.
void CheckOutputPath(const std::string& output, const std::vector<TNamedInput>& inputs,
                     const TAppFolder& app, OsServices& os);

} // namespace tessera
