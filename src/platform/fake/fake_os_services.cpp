#include "platform/fake/fake_os_services.h"

#include "base/ascii.h"
#include "base/exceptions.h"
#include "base/utf.h"

#include <algorithm>

namespace tessera {

namespace {

// Windows-1252 for 0x80..0x9F; the rest of the upper half is Latin-1.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

} // namespace

std::string FakeOsServices::DecodeAnsiText(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x80 && b < 0xA0 && !AnsiIsLatin1) {
      AppendUtf8(out, kCp1252High[b - 0x80]);
    } else {
      AppendUtf8(out, b);
    }
  }
  return out;
}

} // namespace tessera

namespace tessera {

bool FakeOsServices::ForceDirectories(const std::string& path) {
  std::string folder = path;
  while (!folder.empty() && folder.back() == Delimiter)
    folder.pop_back();
  for (const std::string& unwritable : UnwritablePaths) {
    if (folder == unwritable || folder.starts_with(unwritable + Delimiter))
      return false;
  }
  Folders.insert(folder);
  return true;
}

bool FakeOsServices::DeleteDirectory(const std::string& path) {
  std::string folder = path;
  while (!folder.empty() && folder.back() == Delimiter)
    folder.pop_back();
  DeletedFolders.push_back(path);
  Events.push_back("DeleteDirectory " + path);
  // A link goes itself; what it leads to stays.
  if (FolderLinks.erase(folder) != 0)
    return true;
  bool found = Folders.erase(folder) != 0;
  const std::string prefix = folder + Delimiter;
  for (auto it = Files.begin(); it != Files.end();) {
    if (it->first.compare(0, prefix.size(), prefix) == 0) {
      it = Files.erase(it);
      found = true;
    } else {
      ++it;
    }
  }
  for (auto it = Folders.begin(); it != Folders.end();) {
    if (it->compare(0, prefix.size(), prefix) == 0)
      it = Folders.erase(it);
    else
      ++it;
  }
  return found;
}

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

std::string FakeOsServices::ResolveLinks(const std::string& path) const {
  std::string folder = path;
  while (!folder.empty() && folder.back() == Delimiter)
    folder.pop_back();
  // A bounded number of steps, as the system gives up on a loop of links.
  for (int step = 0; step < 40; ++step) {
    bool followed = false;
    for (const auto* links : {&FolderLinks, &BoundFolders}) {
      for (const auto& [link, target] : *links) {
        if (folder == link || StartsWith(folder, link + Delimiter)) {
          folder = target + folder.substr(link.size());
          followed = true;
          break;
        }
      }
      if (followed)
        break;
    }
    if (!followed)
      break;
  }
  return folder;
}

std::string FakeOsServices::GetFileIdentity(const std::string& path) {
  return DirectoryExists(path) ? ResolveLinks(path) : std::string();
}

bool FakeOsServices::DirectoryExists(const std::string& path) {
  const std::string folder = ResolveLinks(path);
  if (folder.empty() || Files.count(folder) != 0)
    return false;
  if (Folders.count(folder) != 0)
    return true;
  const std::string prefix = folder + Delimiter;
  for (const auto& [file, bytes] : Files)
    if (StartsWith(file, prefix))
      return true;
  for (const std::string& other : Folders)
    if (StartsWith(other, prefix))
      return true;
  return false;
}

bool FakeOsServices::CreateDir(const std::string& path) {
  std::string folder = path;
  while (!folder.empty() && folder.back() == Delimiter)
    folder.pop_back();
  if (folder.empty() || Files.count(folder) != 0 || DirectoryExists(folder))
    return false;
  const size_t cut = folder.rfind(Delimiter);
  // A drive or the root stands for itself; any other parent must exist.
  if (cut != std::string::npos && cut > 0 && folder[cut - 1] != ':' &&
      !DirectoryExists(folder.substr(0, cut)))
    return false;
  Folders.insert(folder);
  return true;
}

std::vector<OsServices::TDirEntry> FakeOsServices::ListDirectory(const std::string& path) {
  const std::string folder = ResolveLinks(path);
  ListedFolders.push_back(folder);
  if (UnreadableFolders.count(folder) != 0 || !DirectoryExists(folder))
    throw EFileError("Cannot read folder \"" + path + "\"");
  const std::string prefix = folder + Delimiter;
  std::map<std::string, TDirEntry> entries;
  const auto add = [&](const std::string& inside, bool isFolder, bool isLink) {
    if (!StartsWith(inside, prefix) || inside.size() == prefix.size())
      return;
    const std::string rest = inside.substr(prefix.size());
    const size_t cut = rest.find(Delimiter);
    if (cut == std::string::npos)
      entries.emplace(rest, TDirEntry{rest, isFolder, isLink});
    else
      entries[rest.substr(0, cut)] = TDirEntry{rest.substr(0, cut), true, false};
  };
  for (const auto& [file, bytes] : Files)
    add(file, false, false);
  for (const std::string& other : Folders)
    add(other, true, false);
  for (const auto& [link, target] : BoundFolders)
    add(link, true, false);
  for (const auto& [link, target] : FolderLinks)
    add(link, true, true);
  std::vector<TDirEntry> list;
  for (auto& [name, entry] : entries)
    list.push_back(std::move(entry));
  return list;
}

bool FakeOsServices::CheckEdgeIsInstalled(const std::string& loaderPath) {
  const size_t turn = EdgeChecks.size();
  EdgeChecks.push_back(loaderPath);
  Events.push_back("CheckEdgeIsInstalled");
  if (EdgeInstalledAnswers.empty())
    return false;
  return EdgeInstalledAnswers[std::min(turn, EdgeInstalledAnswers.size() - 1)];
}

std::uint32_t FakeOsServices::ShellExecAsAdminAndWait(TNativeWindow, const std::string& file,
                                                      const std::string& parameters) {
  Launches.push_back({file, parameters, true});
  Events.push_back("ShellExecAsAdminAndWait " + file + " " + parameters);
  if (DuringElevatedRun)
    DuringElevatedRun();
  return ElevatedExitCode;
}

int FakeOsServices::CompareTextInUserLocale(std::string_view a, std::string_view b) {
  return AsciiLowerCase(a).compare(AsciiLowerCase(b));
}

} // namespace tessera
