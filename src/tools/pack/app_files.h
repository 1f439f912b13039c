#pragma once

#include "platform/api/os_services.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace tessera {

// A line for the user about something the packager did on its own
// judgement (a file skipped, a link followed).
using TPackNotice = std::function<void(const std::string& line)>;

// How the app folder's walk treats what it cannot pack as it is.
struct TAppFolderRules {
  // A file or folder that cannot be read or resolved (no permission, a
  // pipe or device, a dangling link, a link loop) is named in a notice and
  // left out, instead of failing the whole pack.
  bool SkipUnreadable = false;
  // A link that leads outside the app folder is followed (and named in a
  // notice), instead of failing the pack.
  bool FollowLinks = false;
  // The most files the walk takes: a package holds at most 65535 entries,
  // and links to each other's folders can multiply what a small folder
  // holds without end in sight.
  size_t MaxFiles = 0xFFFF;
};

// One file of the app folder and the entry it becomes.
struct TAppFile {
  std::string EntryName; // DirName, "/", then the path below the app folder with "/"
  std::string Path;      // where it is read from; the system resolves links on the way
  int64_t Size = 0;
  std::string Identity; // OsServices::GetFileIdentity of the file read
};

struct TAppFolder {
  std::vector<TAppFile> Files; // in entry name order
  // Every file and folder of the app folder and every one packed through
  // a link, by identity: the output must not take the place of one, nor be
  // written into one.
  std::set<std::string> Identities;
};

// Every file under the app folder, named as the runtime looks them up. A
// link that stays inside the folder is packed as what it leads to, under
// its own name; a folder reached again below itself (a link loop, a bind
// mount of a parent) is never walked. Raises EPackError naming the first
// file or folder that cannot be packed, unless the rules let it be skipped
// or followed.
TAppFolder CollectAppFiles(const std::string& appDir, const std::string& dirName,
                           const TAppFolderRules& rules, OsServices& os, const TPackNotice& notice);

} // namespace tessera
