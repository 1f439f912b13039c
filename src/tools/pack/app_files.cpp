#include "tools/pack/app_files.h"

#include "base/exceptions.h"
#include "base/stream.h"
#include "base/utf.h"
#include "tools/pack/pack_error.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tessera {

namespace fs = std::filesystem;

namespace {

// Files and folders met on the walk, links followed, before it gives up
// (folders full of links to each other's folders may hold no files).
constexpr size_t kMaxWalkedEntries = size_t{1} << 20;

std::string Quoted(const std::string& path) {
  return "\"" + path + "\"";
}

std::string Join(const std::string& folder, const std::string& name) {
  return PathToUtf8(PathFromUtf8(folder) / PathFromUtf8(name));
}

// What a link says it leads to, for messages (" to \"target\""); empty
// where the system does not tell (Windows junctions).
std::string LeadsTo(const std::string& path) {
  std::error_code error;
  const fs::path target = fs::read_symlink(PathFromUtf8(path), error);
  return error ? std::string() : " to " + Quoted(PathToUtf8(target));
}

class TAppFolderWalk {
public:
  TAppFolderWalk(const std::string& dirName, const TAppFolderRules& rules, OsServices& os,
                 const TPackNotice& notice)
      : FDirName(dirName), FRules(rules), FOs(os), FNotice(notice) {}

  TAppFolder Run(const std::string& root) {
    const std::string rootIdentity = FOs.GetFileIdentity(root);
    std::error_code error;
    if (rootIdentity.empty() || !fs::is_directory(PathFromUtf8(root), error)) {
      throw EPackError("app folder " + Quoted(root) + " is not a folder");
    }
    // First what lies inside the folder for real, so that a link can be
    // told to stay inside or lead out by what it leads to, whatever its
    // spelling ("..", absolute paths, other links on the way).
    FInside.insert(rootIdentity);
    std::vector<std::string> chain = {rootIdentity};
    IndexRealTree(root, chain);
    Walk(root, FDirName, chain);
    FResult.Identities.insert(FInside.begin(), FInside.end());
    std::sort(FResult.Files.begin(), FResult.Files.end(),
              [](const TAppFile& a, const TAppFile& b) { return a.EntryName < b.EntryName; });
    return std::move(FResult);
  }

private:
  // The identities of every file and folder under `folder` reached without
  // a link. Folders that cannot be read are left to Walk to report.
  void IndexRealTree(const std::string& folder, std::vector<std::string>& chain) {
    std::vector<OsServices::TDirEntry> entries;
    try {
      entries = FOs.ListDirectory(folder);
    } catch (const EFileError&) {
      return;
    }
    for (const OsServices::TDirEntry& entry : entries) {
      if (entry.IsLink) {
        continue;
      }
      const std::string path = Join(folder, entry.Name);
      const std::string identity = FOs.GetFileIdentity(path);
      if (identity.empty()) {
        continue;
      }
      FInside.insert(identity);
      if (entry.IsDirectory && std::find(chain.begin(), chain.end(), identity) == chain.end()) {
        chain.push_back(identity);
        IndexRealTree(path, chain);
        chain.pop_back();
      }
    }
  }

  // Adds what `folder` holds under `entryPrefix`. `chain` holds the
  // identities of the folders walked down to it: a folder met again below
  // itself would be walked for ever.
  void Walk(const std::string& folder, const std::string& entryPrefix,
            std::vector<std::string>& chain) {
    FResult.Identities.insert(chain.back());
    std::vector<OsServices::TDirEntry> entries;
    try {
      entries = FOs.ListDirectory(folder);
    } catch (const EFileError& e) {
      Unreadable(folder, "is a folder that cannot be read (" + std::string(e.what()) + ")");
      return;
    }
    for (const OsServices::TDirEntry& entry : entries) {
      if (++FWalked > kMaxWalkedEntries || FResult.Files.size() >= FRules.MaxFiles) {
        throw EPackError("the app folder, with what its links lead to, holds more than the "
                         "package can: at most " +
                         std::to_string(FRules.MaxFiles) + " files");
      }
      const std::string path = Join(folder, entry.Name);
      const std::string entryName = entryPrefix + "/" + entry.Name;
      const std::string identity = FOs.GetFileIdentity(path);
      if (identity.empty()) {
        Unresolved(path, entry.IsLink);
        continue;
      }
      if (entry.IsLink && FInside.count(identity) == 0) {
        const std::string leadsTo = LeadsTo(path);
        if (!FRules.FollowLinks) {
          throw EPackError(Quoted(path) + " is a link" + leadsTo +
                           " that leads outside the app folder; --follow-links packs what it "
                           "leads to");
        }
        Notice("following link " + Quoted(path) + leadsTo + ", outside the app folder");
      }
      if (!entry.IsDirectory) {
        AddFile(path, entryName, identity);
      } else if (std::find(chain.begin(), chain.end(), identity) != chain.end()) {
        // Named, never walked: it would hold itself without end.
        Unreadable(path, entry.IsLink
                             ? "is a link" + LeadsTo(path) + " back to a folder it lies in (a loop)"
                             : "is again a folder it lies in (a loop)");
      } else {
        chain.push_back(identity);
        Walk(path, entryName, chain);
        chain.pop_back();
      }
    }
  }

  void AddFile(const std::string& path, const std::string& entryName, const std::string& identity) {
    std::error_code error;
    const fs::file_status status = fs::status(PathFromUtf8(path), error);
    if (status.type() != fs::file_type::regular) {
      // Opening a pipe would wait for a writer; a device never ends.
      Unreadable(path, "is not a regular file (a pipe, a socket or a device)");
      return;
    }
    int64_t size = 0;
    try {
      // Opened here, not only when written, so that a file the packager
      // may not read is reported before the output is begun.
      const TFileStream file(path, TFileStream::TMode::OpenRead);
      size = file.Size();
    } catch (const EFileError& e) {
      Unreadable(path, "cannot be read (" + std::string(e.what()) + ")");
      return;
    }
    FResult.Files.push_back({entryName, path, size, identity});
    FResult.Identities.insert(identity);
  }

  // A path whose identity the system cannot give: a link that leads
  // nowhere or around in a circle, or an entry gone since the listing.
  void Unresolved(const std::string& path, bool isLink) {
    if (!isLink) {
      Unreadable(path, "cannot be opened");
      return;
    }
    std::error_code error;
    static_cast<void>(fs::status(PathFromUtf8(path), error));
    const std::string leadsTo = LeadsTo(path);
    if (error == std::errc::too_many_symbolic_link_levels) {
      Unreadable(path, "is a link" + leadsTo + " in a loop of links");
    } else {
      Unreadable(path, "is a link" + leadsTo + " that leads to nothing");
    }
  }

  void Unreadable(const std::string& path, const std::string& why) {
    if (!FRules.SkipUnreadable) {
      throw EPackError(Quoted(path) + " " + why +
                       "; --skip-unreadable leaves out what cannot be packed");
    }
    Notice("skipped " + Quoted(path) + ": it " + why);
  }

  void Notice(const std::string& line) const {
    if (FNotice) {
      FNotice(line);
    }
  }

  const std::string& FDirName;
  const TAppFolderRules& FRules;
  OsServices& FOs;
  const TPackNotice& FNotice;
  std::set<std::string> FInside;
  TAppFolder FResult;
  size_t FWalked = 0;
};

} // namespace

TAppFolder CollectAppFiles(const std::string& appDir, const std::string& dirName,
                           const TAppFolderRules& rules, OsServices& os,
                           const TPackNotice& notice) {
  TAppFolder folder = TAppFolderWalk(dirName, rules, os, notice).Run(appDir);
  if (folder.Files.empty()) {
    throw EPackError("app folder " + Quoted(appDir) + " holds no files");
  }
  return folder;
}

} // namespace tessera
