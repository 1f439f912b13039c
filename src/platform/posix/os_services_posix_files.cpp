// Files, folders, their listings, the standard folders and the failure
// texts of the Linux OS services.
#include "platform/posix/os_services_posix.h"

#include "base/exceptions.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <random>
#include <string>
#include <string_view>
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

// Writes all the bytes, going on after short writes and interruptions; 0 or
// the errno of the failure.
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR)
        continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return 0;
}

// A name no file of the folder has yet, for the new content.
std::string TemporarySibling(const std::string& folder) {
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::string name = folder + ".tessera-save-";
  for (std::uint64_t bits = random(), i = 0; i < 16; ++i, bits >>= 4)
    name.push_back("0123456789abcdef"[bits & 15]);
  return name;
}

// Removes the temporary file unless it took the target's place.
class TTemporaryFile {
public:
  TTemporaryFile() = default;
  ~TTemporaryFile() {
    if (!FPath.empty())
      unlink(FPath.c_str());
  }
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;
  void Own(std::string path) { FPath = std::move(path); }
  const std::string& Path() const { return FPath; }
  void Keep() { FPath.clear(); }

private:
  std::string FPath;
};

// The old way, for a file whose folder admits no new file: truncate and
// write in place.
int WriteInPlace(const std::string& path, std::string_view bytes) {
  TUniqueFd fd(open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK));
  if (fd.Get() < 0)
    return errno;
  if (const int error = WriteAll(fd.Get(), bytes); error != 0)
    return error;
  if (close(fd.Release()) != 0)
    return errno;
  return 0;
}

// What SaveBytesToFile does; "" on success, else the reason.
std::string ReplaceFileContent(const std::string& path, std::string_view bytes) {
  // Where the new content must go: the file a link leads to, not the link.
  std::string target = path;
  struct stat info {};
  const bool exists = stat(path.c_str(), &info) == 0;
  if (!exists) {
    if (errno != ENOENT)
      return std::strerror(errno);
    struct stat link {};
    if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
      // A link to a file yet to be made: creating it through the link is
      // what writing to the link means, and there is nothing to lose.
      TUniqueFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666));
      if (fd.Get() < 0)
        return std::strerror(errno);
      if (const int error = WriteAll(fd.Get(), bytes); error != 0)
        return std::strerror(error);
      return close(fd.Release()) == 0 ? std::string() : std::strerror(errno);
    }
  } else if (S_ISDIR(info.st_mode)) {
    return std::strerror(EISDIR);
  } else if (!S_ISREG(info.st_mode)) {
    // Opening a pipe for writing waits for a reader, and a device is no
    // place for a page's file.
    return "Not a regular file (a pipe, a socket or a device)";
  } else if (struct stat link{}; lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
      return std::strerror(errno);
    target = resolved;
    std::free(resolved);
  }

  const size_t cut = target.rfind('/');
  const std::string folder = cut == std::string::npos ? std::string() : target.substr(0, cut + 1);
  TTemporaryFile temporary;
  TUniqueFd fd;
  for (int attempt = 0; attempt < 100 && fd.Get() < 0; ++attempt) {
    const std::string name = TemporarySibling(folder);
    // A new file gets the mode any new file gets (0666 less the umask); a
    // replaced one gets its old mode below.
    fd.Reset(open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                  exists ? 0600 : 0666));
    if (fd.Get() >= 0)
      temporary.Own(name);
    else if (errno != EEXIST)
      break;
  }
  if (fd.Get() < 0) {
    const int error = errno;
    if (exists && (error == EACCES || error == EPERM)) {
      const int inPlace = WriteInPlace(target, bytes);
      return inPlace == 0 ? std::string() : std::strerror(inPlace);
    }
    return std::strerror(error);
  }
  if (exists) {
    // The old mode, and another owner's file stays theirs, where the file
    // system keeps such things; where it cannot, the new file keeps the
    // owner-only mode it was made with.
    (void)!fchmod(fd.Get(), info.st_mode & 07777);
    if (info.st_uid != geteuid() || info.st_gid != getegid())
      (void)!fchown(fd.Get(), info.st_uid, info.st_gid);
  }
  if (const int error = WriteAll(fd.Get(), bytes); error != 0)
    return std::strerror(error);
  // On the disk before the name moves, so a crash leaves the old content or
  // the new, never an empty file.
  if (fsync(fd.Get()) != 0)
    return std::strerror(errno);
  if (close(fd.Release()) != 0)
    return std::strerror(errno);
  if (rename(temporary.Path().c_str(), target.c_str()) != 0)
    return std::strerror(errno);
  temporary.Keep();
  // The new name on the disk too; a folder that cannot be synced keeps it
  // in memory until the system writes it.
  TUniqueFd folderFd(
      open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folderFd.Get() >= 0)
    (void)!fsync(folderFd.Get());
  return {};
}

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

bool PosixOsServices::FileExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool PosixOsServices::ForceDirectories(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return std::filesystem::is_directory(path, error);
}

bool PosixOsServices::RemoveFile(const std::string& path) {
  return unlink(path.c_str()) == 0;
}

bool PosixOsServices::LoadBytesFromFile(const std::string& path, std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr)
    return false;
  std::string content;
  char buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    content.append(buffer, got);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  if (ok)
    bytes = std::move(content);
  return ok;
}

bool PosixOsServices::SaveBytesToFile(const std::string& path, std::string_view bytes) {
  std::string failure = ReplaceFileContent(path, bytes);
  if (failure.empty())
    return true;
  RecordError(std::move(failure));
  return false;
}

bool PosixOsServices::DeleteDirectory(const std::string& path) {
  // "link/" names the folder a link leads to, and a walk from there would
  // empty that folder: the separators go, so that a link is removed itself.
  // The walk below removes the links it meets without entering them.
  std::string name = path;
  while (name.size() > 1 && name.back() == '/')
    name.pop_back();
  struct stat info {};
  if (lstat(name.c_str(), &info) != 0) {
    RecordError(errno);
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    if (unlink(name.c_str()) == 0)
      return true;
    RecordError(errno);
    return false;
  }
  std::error_code error;
  const auto removed = std::filesystem::remove_all(name, error);
  if (error)
    RecordError(error.value());
  return !error && removed != 0 && removed != static_cast<std::uintmax_t>(-1);
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
    // Links count as what they point to, as they do on Windows, and are
    // marked; the type is asked for only when the listing does not tell.
    bool isFolder = entry->d_type == DT_DIR;
    bool isLink = entry->d_type == DT_LNK;
    if (struct stat info{};
        entry->d_type == DT_UNKNOWN && lstat((prefix + name).c_str(), &info) == 0) {
      isFolder = S_ISDIR(info.st_mode);
      isLink = S_ISLNK(info.st_mode);
    }
    if (isLink)
      isFolder = IsFolder(prefix + name);
    entries.push_back({name, isFolder, isLink});
  }
  return entries;
}

std::string PosixOsServices::GetFileIdentity(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0)
    return {};
  return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
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
