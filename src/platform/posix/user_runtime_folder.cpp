#include "platform/posix/user_runtime_folder.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tessera {

namespace {

// A folder of this user's that nobody else may enter or change; links do
// not count.
bool IsPrivateFolder(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
         (info.st_mode & 077) == 0;
}

} // namespace

std::string UserRuntimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/' && IsPrivateFolder(runtime))
    return runtime;
  const std::string folder = "/tmp/tessera-" + std::to_string(getuid());
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    return {};
  return IsPrivateFolder(folder) ? folder : std::string();
}

std::string UserRuntimeFile(const std::string& name, const std::string& ending) {
  const std::string folder = UserRuntimeFolder();
  if (folder.empty())
    return {};
  std::string safe;
  for (const char c : name)
    safe.push_back(c == '/' || c == '\0' ? '_' : c);
  return folder + "/tessera-" + safe + ending;
}

void TOwnedRuntimeFile::Reset(TUniqueFd* fd, std::string path) {
  if (!FPath.empty())
    unlink(FPath.c_str());
  FFd.Reset(fd != nullptr ? fd->Release() : -1);
  FPath = std::move(path);
}

} // namespace tessera
