// Environment, launches and the single-instance marker of the Linux OS
// services.
#include "platform/posix/os_services_posix.h"

#include "base/ascii.h"
#include "platform/posix/command_line.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace tessera {

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::string(value) : fallback;
}

std::string HomeFolder() {
  return EnvOr("HOME", "/tmp");
}

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// Starts argv[0] detached from this process (no zombie is left behind).
// Returns 0 when the program could be executed, else the errno of the
// failure.
int SpawnDetached(const std::vector<std::string>& argv) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0)
    return errno;
  const pid_t child = fork();
  if (child < 0) {
    const int error = errno;
    close(pipeFds[0]);
    close(pipeFds[1]);
    return error;
  }
  if (child == 0) {
    // The middle process: start the grandchild in its own session and leave
    // at once, so init adopts it.
    setsid();
    const pid_t grandchild = fork();
    if (grandchild == 0) {
      std::vector<char*> args;
      for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
      args.push_back(nullptr);
      execvp(args[0], args.data());
      const int error = errno;
      (void)!write(pipeFds[1], &error, sizeof error);
      _exit(127);
    }
    _exit(grandchild < 0 ? 1 : 0);
  }
  close(pipeFds[1]);
  int status = 0;
  waitpid(child, &status, 0);
  int execError = 0;
  const ssize_t got = read(pipeFds[0], &execError, sizeof execError);
  close(pipeFds[0]);
  if (got > 0)
    return execError != 0 ? execError : ENOEXEC;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : ECHILD;
}

// "scheme:..." as URLs begin (http:, mailto:, file:); Linux paths have no
// drive letters to mistake for one.
bool LooksLikeUrl(const std::string& text) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0 ||
      !std::isalpha(static_cast<unsigned char>(text[0])))
    return false;
  for (size_t i = 1; i < colon; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
      return false;
  }
  return true;
}

// A program name without a folder, found on PATH as the shell would.
bool IsProgramOnPath(const std::string& name) {
  if (name.find('/') != std::string::npos)
    return false;
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= folders.size()) {
    const size_t end = std::min(folders.find(':', start), folders.size());
    const std::string folder = end > start ? folders.substr(start, end - start) : ".";
    if (IsExecutableFile(folder + "/" + name))
      return true;
    start = end + 1;
  }
  return false;
}

} // namespace

std::string PosixOsServices::GetUserLanguage() {
  // The first of these that is set decides, as for the C library's messages.
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
      continue;
    std::string language(value);
    language = language.substr(0, language.find_first_of("_.@"));
    if (language == "C" || language == "POSIX")
      return "en";
    return language;
  }
  return "en";
}

std::string PosixOsServices::GetDecimalSeparator() {
  // The user's numeric locale from the environment, read without changing
  // the process's own locale (number formatting elsewhere stays "C").
  const locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
  if (user == static_cast<locale_t>(nullptr))
    return ".";
  std::string separator = nl_langinfo_l(RADIXCHAR, user);
  freelocale(user);
  return separator.empty() ? "." : separator;
}

int PosixOsServices::CompareTextInUserLocale(std::string_view a, std::string_view b) {
  // The user's collation from the environment, read once and without
  // changing the process's own locale; "C" (byte order) when the locale it
  // names is not installed.
  static const locale_t user = [] {
    const locale_t named = newlocale(LC_COLLATE_MASK, "", static_cast<locale_t>(nullptr));
    return named != static_cast<locale_t>(nullptr)
               ? named
               : newlocale(LC_COLLATE_MASK, "C", static_cast<locale_t>(nullptr));
  }();
  const std::string lowerA = AsciiLowerCase(a);
  const std::string lowerB = AsciiLowerCase(b);
  if (user == static_cast<locale_t>(nullptr))
    return lowerA.compare(lowerB);
  return strcoll_l(lowerA.c_str(), lowerB.c_str(), user);
}

std::string PosixOsServices::GetLocalAppDataDirPath() {
  return EnvOr("XDG_DATA_HOME", HomeFolder() + "/.local/share") + "/";
}

void PosixOsServices::SetEnvironmentValue(const std::string& name, const std::string& value) {
  setenv(name.c_str(), value.c_str(), 1);
}

void PosixOsServices::RemoveEnvironmentValue(const std::string& name) {
  unsetenv(name.c_str());
}

std::optional<std::string> PosixOsServices::GetEnvironmentValue(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

bool PosixOsServices::CheckEdgeIsInstalled(const std::string&) {
  // The web engine is linked into the runtime: when the program runs at
  // all, the engine is there.
  return true;
}

bool PosixOsServices::ShellExec(const std::string& file, const std::string& arguments) {
  int error = 0;
  if (!LooksLikeUrl(file) && (IsExecutableFile(file) || IsProgramOnPath(file))) {
    std::vector<std::string> argv{file};
    for (std::string& arg : SplitCommandLine(arguments))
      argv.push_back(std::move(arg));
    error = SpawnDetached(argv);
  } else if (struct stat info{}; !LooksLikeUrl(file) && stat(file.c_str(), &info) != 0) {
    // The opener would only find out later, after this call has answered.
    error = errno;
  } else {
    // Documents, folders and URLs open in the desktop's chosen application.
    error = SpawnDetached({"xdg-open", file});
  }
  if (error != 0)
    RecordError(error);
  return error == 0;
}

std::uint32_t PosixOsServices::ShellExecAsAdminAndWait(TNativeWindow, const std::string& file,
                                                       const std::string& parameters) {
  // The desktop's policy agent asks for the administrator's consent.
  std::vector<std::string> argv{"pkexec", file};
  for (std::string& arg : SplitCommandLine(parameters))
    argv.push_back(std::move(arg));
  const pid_t child = fork();
  if (child < 0)
    return 0;
  if (child == 0) {
    std::vector<char*> args;
    for (const std::string& arg : argv)
      args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? static_cast<std::uint32_t>(WEXITSTATUS(status)) : 0;
}

} // namespace tessera
