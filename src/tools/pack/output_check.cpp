#include "tools/pack/output_check.h"

#include "base/utf.h"
#include "tools/pack/pack_error.h"

#include <filesystem>

namespace tessera {

namespace fs = std::filesystem;

void CheckOutputPath(const std::string& output, const std::vector<TNamedInput>& inputs,
                     const TAppFolder& app, OsServices& os) {
  const std::string quoted = "\"" + output + "\"";
  const fs::path path = PathFromUtf8(output);
  std::error_code error;
  if (fs::is_directory(path, error)) {
    throw EPackError("output " + quoted + " is a folder; name the file to write");
  }
  // The folder the output is made in: its parent, or the current folder.
  const fs::path parent = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const std::string folder = os.GetFileIdentity(PathToUtf8(parent));
  if (folder.empty() || !fs::is_directory(parent, error)) {
    throw EPackError("output " + quoted + " cannot be written: its folder \"" + PathToUtf8(parent) +
                     "\" does not exist");
  }
  if (app.Identities.count(folder) != 0) {
    throw EPackError("output " + quoted +
                     " would be written inside the app folder (or a folder a link in it leads "
                     "to), which is being packed; write it elsewhere");
  }
  const std::string identity = os.GetFileIdentity(output);
  if (identity.empty()) {
    return; // a new file: it can be none of the inputs
  }
  for (const auto& [what, input] : inputs) {
    if (input && os.GetFileIdentity(*input) == identity) {
      throw EPackError("output " + quoted + " is the " + what + " \"" + *input +
                       "\" itself; write the packed application to another file");
    }
  }
  for (const TAppFile& file : app.Files) {
    if (file.Identity == identity) {
      throw EPackError("output " + quoted + " is the app's file \"" + file.Path +
                       "\" itself; write the packed application elsewhere");
    }
  }
}

} // namespace tessera
