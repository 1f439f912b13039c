// Folders, their listings, the standard folders and the failure texts of the
// Linux OS services.
#include "platform/posix/os_services_posix.h"

#include "base/exceptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessera {

namespace {

std::string WithTrailingSlash(std::string path) {
  if (path.empty() || path.back() != '/')
    path.push_back('/');
  return path;
}

std::string EnvValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

// $HOME, else the password database's home folder; empty when neither
// names one.
std::string HomeFolder() {
  std::string home = EnvValue("HOME");
  if (!home.empty())
    return home;
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
    return entry->pw_dir;
  return {};
}

std::string ConfigHome(const std::string& home) {
  const std::string config = EnvValue("XDG_CONFIG_HOME");
  if (!config.empty() && config.front() == '/')
    return config;
  return home.empty() ? std::string() : home + "/.config";
}

// A folder of the user's XDG user-dirs file ("XDG_DESKTOP_DIR" and the
// like): a value "$HOME/..." or an absolute path in double quotes. When the
// file does not name it, the folder is home's fallbackName.
std::string XdgUserDir(const std::string& key, const std::string& fallbackName) {
  const std::string home = HomeFolder();
  if (home.empty())
    return "/";
  std::ifstream file(ConfigHome(home) + "/user-dirs.dirs");
  std::string line;
  while (std::getline(file, line)) {
    if (!line.starts_with(key + "=\""))
      continue;
    const size_t start = key.size() + 2;
    const size_t end = line.find('"', start);
    if (end == std::string::npos)
      continue;
    std::string value = line.substr(start, end - start);
    if (value.starts_with("$HOME"))
      value = home + value.substr(5);
    if (value.starts_with('/'))
      return WithTrailingSlash(value);
  }
  return WithTrailingSlash(home + "/" + fallbackName);
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Owns a directory stream.
class TDirStream {
public:
  explicit TDirStream(const std::string& path) : FDir(opendir(path.c_str())) {}
  ~TDirStream() {
    if (FDir != nullptr)
      closedir(FDir);
  }
  TDirStream(const TDirStream&) = delete;
  TDirStream& operator=(const TDirStream&) = delete;
  DIR* Get() const { return FDir; }

private:
  DIR* FDir;
};

} // namespace

void PosixOsServices::RecordError(int error) {
  FLastError = std::strerror(error);
}

std::string PosixOsServices::LastSystemErrorText() {
  std::string text = FLastError.empty() ? std::string(std::strerror(errno)) : FLastError;
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= 0x20 || text.back() == '.'))
    text.pop_back();
  return text;
}

bool PosixOsServices::DirectoryExists(const std::string& path) {
  return IsFolder(path);
}

bool PosixOsServices::CreateDir(const std::string& path) {
  if (mkdir(path.c_str(), 0777) == 0)
    return true;
  RecordError(errno);
  return false;
}

std::vector<OsServices::TDirEntry> PosixOsServices::ListDirectory(const std::string& path) {
  TDirStream dir(path);
  if (dir.Get() == nullptr) {
    const int error = errno;
    RecordError(error);
    throw EFileError("Cannot read folder \"" + path + "\". " + std::strerror(error));
  }
  const std::string prefix = WithTrailingSlash(path);
  std::vector<TDirEntry> entries;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir.Get());
    if (entry == nullptr) {
      if (errno != 0) {
        const int error = errno;
        RecordError(error);
        throw EFileError("Cannot read folder \"" + path + "\". " + std::strerror(error));
      }
      break;
    }
    const std::string name = entry->d_name;
    if (name == "." || name == "..")
      continue;
    // Links count as what they point to, as they do on Windows; the type
    // is asked for only when the listing does not tell.
    bool isFolder = entry->d_type == DT_DIR;
    if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN)
      isFolder = IsFolder(prefix + name);
    entries.push_back({name, isFolder});
  }
  return entries;
}

std::string PosixOsServices::GetTempDirPath() {
  const std::string temp = EnvValue("TMPDIR");
  return WithTrailingSlash(!temp.empty() && temp.front() == '/' ? temp : "/tmp");
}

std::string PosixOsServices::GetUserDocumentsDirPath() {
  return XdgUserDir("XDG_DOCUMENTS_DIR", "Documents");
}

std::string PosixOsServices::GetUserDesktopDirPath() {
  return XdgUserDir("XDG_DESKTOP_DIR", "Desktop");
}

std::string PosixOsServices::GetUserAppDataDirPath() {
  return WithTrailingSlash(ConfigHome(HomeFolder()));
}

} // namespace tessera
