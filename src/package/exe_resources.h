#pragma once

#include "package/icon_file.h"
#include "package/pe_resources.h"
#include "package/version_info.h"

#include <optional>
#include <string>
#include <vector>

namespace tessera {

// What a packaged application says about itself in its version resource.
// Text is UTF-8; what is not given keeps the runtime's value.
struct TExeInfo {
  std::optional<std::string> ProductName;
  std::optional<TVersionNumber> ProductVersion; // also the file version
  std::optional<std::string> Company;
  std::optional<std::string> Description; // the product name when not given
  std::optional<std::string> Copyright;
  std::optional<std::string> FileName; // the packaged file's name, e.g. "notes.exe"

  bool Empty() const {
    return !ProductName && !ProductVersion && !Company && !Description && !Copyright && !FileName;
  }
};

// Puts the icon in place of the image's first icon group (the one the shell
// shows, and the windows load by name), keeping that group's name and
// language; the images only it used go. An image without icons gets the
// group "MAINICON".
void ChangeExeIcon(TResourceList& resources, const std::vector<TIconImage>& icon);

// Sets the given strings (and, for a version, the fixed file and product
// versions) in every version resource of the image, adding one when there
// is none. Raises EResourceError when a version resource cannot be read or
// the strings do not fit.
void UpdateExeInfo(TResourceList& resources, const TExeInfo& info);

} // namespace tessera
