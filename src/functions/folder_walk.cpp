#include "functions/folder_walk.h"

#include "base/exceptions.h"
#include "functions/file_mask.h"

#include <set>

namespace tessera {

namespace {

struct TWalk {
  OsServices& Os;
  const std::string& Mask;
  bool Recursive = false;
  // The folders walked so far, by what the system says they are.
  std::set<std::string> Visited;
  std::vector<std::string> Paths;

  void Folder(const std::string& folder, bool top) {
    const std::string identity = Os.GetFileIdentity(folder);
    if (!identity.empty() && !Visited.insert(identity).second)
      return;
    std::vector<OsServices::TDirEntry> entries;
    try {
      entries = Os.ListDirectory(folder);
    } catch (const EFileError&) {
      if (top)
        throw;
      return;
    }
    // "/" separates folders on Windows too, so "C:/data/" needs nothing more.
    const char delimiter = Os.PathDelimiter();
    const bool hasSeparator =
        !folder.empty() && (folder.back() == delimiter || folder.back() == '/');
    const std::string prefix = hasSeparator ? folder : folder + delimiter;
    for (const OsServices::TDirEntry& entry : entries) {
      if (entry.IsDirectory) {
        if (Recursive && !entry.IsLink && entry.Name != "." && entry.Name != "..")
          Folder(prefix + entry.Name, false);
      } else if (MatchesFileMask(entry.Name, Mask)) {
        Paths.push_back(prefix + entry.Name);
      }
    }
  }
};

} // namespace

std::vector<std::string> ListMatchingFiles(OsServices& os, const std::string& folder,
                                           const std::string& mask, bool recursive) {
  TWalk walk{os, mask, recursive, {}, {}};
  walk.Folder(folder, true);
  return std::move(walk.Paths);
}

} // namespace tessera
