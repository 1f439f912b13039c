#include "platform/webkitgtk/webkitgtk_platform.h"

#include "platform/webkitgtk/trampoline.h"
#include "platform/webkitgtk/web_view_engine.h"
#include "platform/webkitgtk/web_view_objects.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tessera::webkitgtk {

// The engine of the environments alive now; touched on the UI thread only.
struct WebKitGtkPlatform::TShared {
  std::weak_ptr<TEngine> Engine;
};

namespace {

bool ProcessGone(pid_t pid) {
  // A child of ours that has ended is reaped here, or it would linger as a
  // zombie that kill(pid, 0) still finds.
  if (waitpid(pid, nullptr, WNOHANG) == pid)
    return true;
  return kill(pid, 0) != 0 && errno == ESRCH;
}

} // namespace

WebKitGtkPlatform::WebKitGtkPlatform(EventLoop& loop)
    : FLoop(loop), FShared(std::make_shared<TShared>()) {}

WebKitGtkPlatform::~WebKitGtkPlatform() = default;

bool WebKitGtkPlatform::LoadLoader(const std::string&) {
  return true;
}

HRESULT WebKitGtkPlatform::CreateEnvironment(TEnvironmentCompleted completed) {
  EventLoop& loop = FLoop;
  FLoop.Post([&loop, shared = FShared, completed = std::move(completed)] {
    Trampoline("environment creation", 0, [&] {
      std::shared_ptr<TEngine> engine = shared->Engine.lock();
      if (!engine) {
        engine = std::make_shared<TEngine>(loop);
        shared->Engine = engine;
      }
      if (completed)
        completed(kSOk, std::make_shared<TGtkEnvironment>(engine));
      return 0;
    });
  });
  return kSOk;
}

HRESULT WebKitGtkPlatform::GetAvailableBrowserVersionString(std::string& version) {
  version = EngineVersion();
  return kSOk;
}

void WebKitGtkPlatform::EndBrowserProcess(std::uint32_t processId, unsigned timeoutMs,
                                          std::uint32_t) {
  // 0 would signal our own process group, values past INT_MAX turn
  // negative (a group, or every process for -1).
  if (processId == 0 || processId > static_cast<std::uint32_t>(INT_MAX))
    return;
  const auto pid = static_cast<pid_t>(processId);
  if (pid == getpid() || ProcessGone(pid))
    return;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (ProcessGone(pid))
      return;
  }
  kill(pid, SIGKILL);
  // Reap it if it is ours; a stranger's parent does that.
  waitpid(pid, nullptr, 0);
}

} // namespace tessera::webkitgtk
