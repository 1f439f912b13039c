// How the running instances of an application know of each other (Linux
// OS services): the single-instance marker, and the tokens by which a
// running instance lets the processes it starts prove where they come
// from. Their files live in the user's private runtime folder.
#include "platform/api/hand_off_proof.h"
#include "platform/posix/os_services_posix.h"
#include "platform/posix/user_runtime_folder.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tessera {

namespace {

std::string HandOffFile(const std::string& appID, const std::string& processID) {
  return UserRuntimeFile(appID + "-" + processID, ".hand-off");
}

std::string RandomToken() {
  unsigned char bytes[kHandOffTokenLength / 2];
  size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return {};
    }
    got += static_cast<size_t>(n);
  }
  return HandOffTokenFromBytes(bytes);
}

bool Lock(int fd, int operation) {
  while (flock(fd, operation) != 0) {
    if (errno != EINTR)
      return false;
  }
  return true;
}

} // namespace

bool PosixOsServices::CreateSingleInstanceMarker(const std::string& name) {
  FInstanceMarker.Reset();
  FInstanceMarkerName.clear();
  const std::string path = UserRuntimeFile(name, ".lock");
  const std::string gatePath = UserRuntimeFile(name, ".gate");
  if (path.empty())
    return false;
  // Every instance holds the marker's file locked shared for as long as it
  // runs, the first and those that run beside it alike, so the application
  // counts as running until the last of them ends. A start finds it running
  // when it cannot lock the file for itself alone. Starts look one at a
  // time, through the gate, so two at once never both find it free.
  const TUniqueFd gate(open(gatePath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (gate.Get() < 0 || !Lock(gate.Get(), LOCK_EX))
    return false;
  TUniqueFd fd(open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (fd.Get() < 0)
    return false;
  bool held = false;
  if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK)
      return false;
    held = true;
  }
  // Shared from now on, so that later starts can share it.
  if (!Lock(fd.Get(), LOCK_SH))
    return held;
  FInstanceMarker.Reset(fd.Release());
  FInstanceMarkerName = name;
  return held;
}

std::string PosixOsServices::ReleaseSingleInstanceMarker() {
  FInstanceMarker.Reset();
  return std::exchange(FInstanceMarkerName, std::string());
}

std::string PosixOsServices::PublishHandOffToken(const std::string& appID) {
  FHandOffToken.Reset();
  const std::string token = RandomToken();
  if (token.empty())
    return {};
  const std::string processID = std::to_string(getpid());
  const std::string path = HandOffFile(appID, processID);
  if (path.empty())
    return {};
  // A file left by an ended process of the same number goes first; the
  // new one is made afresh, never through a link someone put there.
  unlink(path.c_str());
  TUniqueFd fd(open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (fd.Get() < 0)
    return {};
  // Held shared while this process runs: a checker that can lock the file
  // for itself knows its maker has ended.
  if (flock(fd.Get(), LOCK_SH | LOCK_NB) != 0 ||
      write(fd.Get(), token.data(), token.size()) != static_cast<ssize_t>(token.size())) {
    unlink(path.c_str());
    return {};
  }
  FHandOffToken.Reset(&fd, path);
  return processID + ":" + token;
}

bool PosixOsServices::IsHandOffTokenValid(const std::string& appID, const std::string& proof) {
  const std::optional<THandOffProof> parts = ParseHandOffProof(proof);
  if (!parts)
    return false;
  const std::string path = HandOffFile(appID, parts->ProcessID);
  if (path.empty())
    return false;
  const TUniqueFd fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  if (fd.Get() < 0)
    return false;
  // Only a file of this user that nobody else may read or write counts.
  struct stat info {};
  if (fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != getuid() ||
      (info.st_mode & 077) != 0)
    return false;
  // Its maker still runs only when the file cannot be locked for us alone.
  if (flock(fd.Get(), LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK)
    return false;
  char stored[kHandOffTokenLength + 1] = {};
  const ssize_t got = pread(fd.Get(), stored, sizeof stored, 0);
  return got == static_cast<ssize_t>(kHandOffTokenLength) && SameHandOffToken(stored, parts->Token);
}

} // namespace tessera
