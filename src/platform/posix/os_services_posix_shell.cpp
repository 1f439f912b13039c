// Console commands, showing items in the file manager, and log-off and power
// requests of the Linux OS services.
#include "platform/posix/os_services_posix.h"
#include "platform/posix/unique_fd.h"

#include <gio/gio.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tessera {

namespace {

struct TPipe {
  TUniqueFd Read;
  TUniqueFd Write;
};

bool OpenPipe(TPipe& pipe) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0)
    return false;
  pipe.Read.Reset(fds[0]);
  pipe.Write.Reset(fds[1]);
  return true;
}

template <typename T> struct TGFree {
  void operator()(T* p) const { g_free(p); }
};
struct TGErrorFree {
  void operator()(GError* e) const { g_error_free(e); }
};
struct TGObjectUnref {
  void operator()(gpointer p) const { g_object_unref(p); }
};
struct TGVariantUnref {
  void operator()(GVariant* v) const { g_variant_unref(v); }
};
using TGError = std::unique_ptr<GError, TGErrorFree>;
using TGDBusConnection = std::unique_ptr<GDBusConnection, TGObjectUnref>;
using TGVariant = std::unique_ptr<GVariant, TGVariantUnref>;
using TGChars = std::unique_ptr<gchar, TGFree<gchar>>;

// One method call on a bus, waiting for its answer; the error's message
// when it fails, empty on success.
std::string CallBusMethod(GBusType busType, const char* service, const char* object,
                          const char* interface, const char* method, GVariant* parameters) {
  // The parameters are floating: the call takes them, also when it is not
  // made.
  GError* rawError = nullptr;
  TGDBusConnection bus(g_bus_get_sync(busType, nullptr, &rawError));
  if (!bus) {
    if (parameters != nullptr)
      g_variant_unref(g_variant_ref_sink(parameters));
    TGError error(rawError);
    return error ? error->message : "The message bus is not available";
  }
  TGVariant reply(g_dbus_connection_call_sync(bus.get(), service, object, interface, method,
                                              parameters, nullptr, G_DBUS_CALL_FLAGS_NONE, 30000,
                                              nullptr, &rawError));
  if (!reply) {
    TGError error(rawError);
    if (error)
      g_dbus_error_strip_remote_error(error.get());
    return error ? error->message : "The call failed";
  }
  return {};
}

bool HasSessionBus() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address != nullptr && *address != '\0')
    return true;
  const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
  struct stat info {};
  return runtimeDir != nullptr && *runtimeDir != '\0' &&
         stat((std::string(runtimeDir) + "/bus").c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

} // namespace

std::string PosixOsServices::GetDosOutput(const std::string& command, const std::string& workingDir,
                                          bool) {
  // Everything the child needs is made before the fork: after it, only
  // calls that are safe in a copy of a threaded process are made.
  TPipe output;
  TPipe failure; // carries errno when the working folder or the shell fails
  if (!OpenPipe(output) || !OpenPipe(failure)) {
    RecordError(errno);
    return {};
  }
  const char* const shell = "/bin/sh";
  const pid_t child = fork();
  if (child < 0) {
    RecordError(errno);
    return {};
  }
  if (child == 0) {
    dup2(output.Write.Get(), STDOUT_FILENO);
    dup2(output.Write.Get(), STDERR_FILENO);
    int error = 0;
    if (!workingDir.empty() && chdir(workingDir.c_str()) != 0) {
      error = errno;
    } else {
      execl(shell, "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      error = errno;
    }
    (void)!write(failure.Write.Get(), &error, sizeof error);
    _exit(127);
  }
  output.Write.Reset();
  failure.Write.Reset();

  int startError = 0;
  ssize_t got = 0;
  while ((got = read(failure.Read.Get(), &startError, sizeof startError)) < 0 && errno == EINTR) {
  }
  const bool started = got == 0;

  // Each block counts up to its first NUL byte. The blocks are decoded
  // together, so a character split between two reads stays whole.
  std::string bytes;
  char buffer[255];
  for (;;) {
    const ssize_t n = read(output.Read.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    size_t length = 0;
    while (length < static_cast<size_t>(n) && buffer[length] != '\0')
      ++length;
    bytes.append(buffer, length);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!started) {
    RecordError(startError);
    return {};
  }
  return DecodeAnsiText(bytes);
}

bool PosixOsServices::ShellExplore(const std::string& path) {
  // The item is named by an absolute file URI; a relative path is taken
  // from the current folder, as the shell would.
  std::string absolute = path;
  if (!absolute.starts_with('/')) {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == nullptr) {
      RecordError(errno);
      return false;
    }
    absolute = std::string(cwd) + "/" + path;
  }
  struct stat info {};
  if (stat(absolute.c_str(), &info) != 0) {
    RecordError(errno);
    return false;
  }
  GError* rawError = nullptr;
  TGChars uri(g_filename_to_uri(absolute.c_str(), nullptr, &rawError));
  if (!uri) {
    TGError error(rawError);
    RecordError(error ? error->message : "Invalid file name");
    return false;
  }
  // The desktop's file manager shows the item selected in its folder. The
  // session bus is asked only where there is one: looking for a bus that
  // is not there would start one.
  const char* uris[] = {uri.get(), nullptr};
  const std::string failure =
      !HasSessionBus()
          ? std::string("No session bus")
          : CallBusMethod(G_BUS_TYPE_SESSION, "org.freedesktop.FileManager1",
                          "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1",
                          "ShowItems", g_variant_new("(^ass)", uris, ""));
  if (failure.empty())
    return true;
  // No file manager on the bus: open the folder instead.
  const std::string folder =
      S_ISDIR(info.st_mode) ? absolute : absolute.substr(0, absolute.rfind('/') + 1);
  if (ShellExec(folder, ""))
    return true;
  RecordError(failure);
  return false;
}

bool PosixOsServices::RequestSystemExit(std::uint32_t flags) {
  // The login manager ends the session or powers the machine off or
  // restarts it; without asking (interactive false), as the force bit of
  // every caller wants. A refusal comes back as the bus error's message.
  constexpr std::uint32_t kShutdown = 1;
  constexpr std::uint32_t kReboot = 2;
  std::string failure;
  if ((flags & kReboot) != 0) {
    failure =
        CallBusMethod(G_BUS_TYPE_SYSTEM, "org.freedesktop.login1", "/org/freedesktop/login1",
                      "org.freedesktop.login1.Manager", "Reboot", g_variant_new("(b)", FALSE));
  } else if ((flags & kShutdown) != 0) {
    failure =
        CallBusMethod(G_BUS_TYPE_SYSTEM, "org.freedesktop.login1", "/org/freedesktop/login1",
                      "org.freedesktop.login1.Manager", "PowerOff", g_variant_new("(b)", FALSE));
  } else {
    failure = CallBusMethod(G_BUS_TYPE_SYSTEM, "org.freedesktop.login1",
                            "/org/freedesktop/login1/session/auto",
                            "org.freedesktop.login1.Session", "Terminate", nullptr);
  }
  if (failure.empty())
    return true;
  RecordError(failure);
  return false;
}

} // namespace tessera
