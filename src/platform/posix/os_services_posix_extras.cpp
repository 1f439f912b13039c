// Processes, copies, shortcuts, names and the system's folders of the Linux
// OS services: the Linux meaning of each Windows helper.
#include "platform/posix/os_services_posix.h"

#include "base/utf.h"
#include "platform/posix/command_line.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tessera {

namespace fs = std::filesystem;

namespace {

// The argument array exec wants, made before fork: a child of a process
// with threads may not allocate.
std::vector<char*> ExecArguments(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  return args;
}

// In a child process: replaces it with the program, or reports the failure
// through `errorFd` and ends.
[[noreturn]] void ExecOrReport(const std::vector<char*>& args, int errorFd) {
  execvp(args[0], args.data());
  const int error = errno;
  (void)!write(errorFd, &error, sizeof error);
  _exit(127);
}

// Whether the program of a started child could be executed: the pipe's
// write end closes on a successful exec, or carries the error.
bool ExecSucceeded(int readFd) {
  int execError = 0;
  ssize_t got = 0;
  while ((got = read(readFd, &execError, sizeof execError)) < 0 && errno == EINTR) {
  }
  close(readFd);
  return got == 0;
}

std::uint32_t WaitForExit(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR)
      return 0;
  }
  if (WIFEXITED(status))
    return static_cast<std::uint32_t>(WEXITSTATUS(status));
  if (WIFSIGNALED(status))
    return 128u + static_cast<std::uint32_t>(WTERMSIG(status));
  return 0;
}

// Starts argv as a child of this process, in a process group of its own
// when asked. Returns its id, or -1 when it could not be started (nothing
// is left to reap then).
pid_t StartChild(const std::vector<std::string>& argv, bool ownGroup) {
  if (argv.empty())
    return -1;
  const std::vector<char*> args = ExecArguments(argv);
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0)
    return -1;
  const pid_t child = fork();
  if (child < 0) {
    close(pipeFds[0]);
    close(pipeFds[1]);
    return -1;
  }
  if (child == 0) {
    if (ownGroup)
      setpgid(0, 0);
    ExecOrReport(args, pipeFds[1]);
  }
  close(pipeFds[1]);
  if (!ExecSucceeded(pipeFds[0])) {
    WaitForExit(child);
    return -1;
  }
  return child;
}

// Starts argv in its own process group, adopted by init so that no zombie
// is left behind; true when the program could be executed.
bool StartDetached(const std::vector<std::string>& argv) {
  if (argv.empty())
    return false;
  const std::vector<char*> args = ExecArguments(argv);
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0)
    return false;
  const pid_t middle = fork();
  if (middle < 0) {
    close(pipeFds[0]);
    close(pipeFds[1]);
    return false;
  }
  if (middle == 0) {
    const pid_t grandchild = fork();
    if (grandchild == 0) {
      setpgid(0, 0);
      ExecOrReport(args, pipeFds[1]);
    }
    _exit(grandchild < 0 ? 1 : 0);
  }
  close(pipeFds[1]);
  const std::uint32_t middleExit = WaitForExit(middle);
  return ExecSucceeded(pipeFds[0]) && middleExit == 0;
}

// The first of PATH's folders that holds an executable `name`.
std::string FindOnPath(const std::string& name) {
  const char* pathVariable = std::getenv("PATH");
  const std::string folders = pathVariable != nullptr ? pathVariable : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos)
      end = folders.size();
    const std::string folder = folders.substr(start, end - start);
    if (!folder.empty()) {
      const std::string candidate = folder + "/" + name;
      struct stat info {};
      if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
          access(candidate.c_str(), X_OK) == 0)
        return candidate;
    }
    start = end + 1;
  }
  return {};
}

// A path without trailing delimiters, so that its file name is its last
// component ("a/b/" names "b").
fs::path WithoutTrailingDelimiter(const std::string& path) {
  fs::path result = PathFromUtf8(path).lexically_normal();
  if (!result.has_filename() && result.has_relative_path())
    result = result.parent_path();
  return result;
}

// The value of `key` in the [Desktop Entry] group of a desktop entry file.
std::string DesktopEntryValue(const std::string& path, const std::string& key) {
  std::ifstream in(PathFromUtf8(path));
  std::string line;
  bool inEntry = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (!line.empty() && line.front() == '[') {
      inEntry = line == "[Desktop Entry]";
      continue;
    }
    if (!inEntry)
      continue;
    const size_t equals = line.find('=');
    if (equals == std::string::npos)
      continue;
    std::string name = line.substr(0, equals);
    while (!name.empty() && name.back() == ' ')
      name.pop_back();
    if (name != key)
      continue;
    const size_t valueStart = line.find_first_not_of(' ', equals + 1);
    return valueStart == std::string::npos ? std::string() : line.substr(valueStart);
  }
  return {};
}

} // namespace

std::uint32_t PosixOsServices::ExecAndWait(const std::string& commandLine) {
  const pid_t child = StartChild(SplitCommandLine(commandLine), false);
  return child < 0 ? 0 : WaitForExit(child);
}

bool PosixOsServices::ExecCmd(const std::string& commandLine, bool wait) {
  const std::vector<std::string> argv = SplitCommandLine(commandLine);
  if (!wait)
    return StartDetached(argv);
  const pid_t child = StartChild(argv, true);
  if (child < 0)
    return false;
  WaitForExit(child);
  return true;
}

std::string PosixOsServices::GetPaintProgramPath() {
  // Painting programs of the common desktops, simplest first.
  for (const char* name : {"kolourpaint", "pinta", "mtpaint", "drawing", "gimp"}) {
    std::string path = FindOnPath(name);
    if (!path.empty())
      return path;
  }
  return {};
}

bool PosixOsServices::CopyFileTo(const std::string& from, const std::string& to) {
  const fs::path source = PathFromUtf8(from);
  std::error_code error;
  if (!fs::is_regular_file(source, error))
    return false;
  fs::path target = PathFromUtf8(to);
  if (fs::is_directory(target, error))
    target /= source.filename();
  // Copying a file onto itself would empty it; the library refuses that.
  fs::copy_file(source, target, fs::copy_options::overwrite_existing, error);
  return !error;
}

bool PosixOsServices::CopyDirectoryTo(const std::string& from, const std::string& to) {
  const fs::path source = WithoutTrailingDelimiter(from);
  std::error_code error;
  if (!fs::is_directory(source, error))
    return false;
  fs::path target = WithoutTrailingDelimiter(to);
  if (fs::is_directory(target, error))
    target /= source.filename();
  // A copy into its own tree would feed on itself.
  const fs::path sourceFull = fs::weakly_canonical(source, error);
  const fs::path targetFull = fs::weakly_canonical(target, error);
  if (error)
    return false;
  const auto [sourceEnd, targetAt] =
      std::mismatch(sourceFull.begin(), sourceFull.end(), targetFull.begin(), targetFull.end());
  if (sourceEnd == sourceFull.end())
    return false;
  fs::create_directories(target, error);
  if (error)
    return false;
  fs::copy(source, target,
           fs::copy_options::recursive | fs::copy_options::overwrite_existing |
               fs::copy_options::copy_symlinks,
           error);
  return !error;
}

bool PosixOsServices::ExtractFileIcon(const std::string&, int&, int&, std::vector<std::uint8_t>&) {
  // Linux programs carry no icons of their own (desktop entries name theirs
  // in icon themes), so no file has one to give.
  return false;
}

std::string PosixOsServices::GetLnkFilePath(const std::string& shortcutPath) {
  const fs::path link = PathFromUtf8(shortcutPath);
  std::error_code error;
  if (fs::is_symlink(link, error)) {
    const fs::path target = fs::read_symlink(link, error);
    if (error)
      return {};
    return PathToUtf8((link.parent_path() / target).lexically_normal());
  }
  if (link.extension() != ".desktop" || !fs::is_regular_file(link, error))
    return {};
  const std::string type = DesktopEntryValue(shortcutPath, "Type");
  if (type == "Link")
    return DesktopEntryValue(shortcutPath, "URL");
  if (type != "Application")
    return {};
  // The program itself, without its arguments and field codes.
  const std::vector<std::string> exec = SplitCommandLine(DesktopEntryValue(shortcutPath, "Exec"));
  return exec.empty() ? std::string() : exec.front();
}

bool PosixOsServices::PressKey(std::uint16_t) {
  // The runtime links no input-injection library (XTest), and Wayland
  // offers none to applications.
  return false;
}

std::string PosixOsServices::GetComputerNetName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0)
    return {};
  return name;
}

std::string PosixOsServices::GetSignedInUserName() {
  long bufferSize = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(static_cast<size_t>(bufferSize > 0 ? bufferSize : 16384));
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
      found == nullptr || found->pw_name == nullptr)
    return {};
  return found->pw_name;
}

std::string PosixOsServices::GetProgramFilesDirPath() {
  // The tree for add-on application packages, each in a folder of its own,
  // as under the Windows program files folder.
  return "/opt/";
}

std::string PosixOsServices::GetSystemAppsDirPath() {
  return "/usr/share/applications/";
}

bool PosixOsServices::IsPathNameRejected(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) == 0)
    return false;
  // Any byte but '/' and NUL makes a name here; only length limits refuse.
  return errno == ENAMETOOLONG;
}

} // namespace tessera
