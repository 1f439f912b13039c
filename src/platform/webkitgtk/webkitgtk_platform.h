#pragma once

#include "platform/api/event_loop.h"
#include "platform/api/web_view_platform.h"

#include <memory>

namespace tessera::webkitgtk {

class TEngine;

// The browser engine on Linux: WebKitGTK, linked in. Package pages are
// served under our own scheme (see package_urls.h) and the page-side
// channel is a user script over a script message handler. What WebKitGTK
// cannot offer, and how it shows:
// - only requests of the package scheme ("file:///" to the portable code)
//   raise WebResourceRequested; http(s) and other schemes load from the
//   network as usual. Every request reports the resource context "other",
//   and only filters for all contexts apply;
// - FrameNavigationStarting/Completed, MoveFocusRequested and
//   AcceleratorKeyPressed are never raised;
// - there is no DevTools protocol, and no browser process id (0);
// - object members in ExecuteScript results may come in another order.
class WebKitGtkPlatform final : public WebViewPlatform {
public:
  explicit WebKitGtkPlatform(EventLoop& loop);
  ~WebKitGtkPlatform() override;
  WebKitGtkPlatform(const WebKitGtkPlatform&) = delete;
  WebKitGtkPlatform& operator=(const WebKitGtkPlatform&) = delete;

  // Nothing to load: the engine is part of the program.
  bool LoadLoader(const std::string& loaderPath) override;
  // Always taken; the environment is made on the UI thread, through the
  // event loop, and `completed` runs there. Environments alive at the same
  // time share one web context.
  HRESULT CreateEnvironment(TEnvironmentCompleted completed) override;
  HRESULT GetAvailableBrowserVersionString(std::string& version) override;
  // Waits up to `timeoutMs` for the process to end, then kills it. Only a
  // real process id other than our own is touched (never 0 or a value
  // that would name a process group); `exitCode` cannot be imposed on
  // another process and is not used.
  void EndBrowserProcess(std::uint32_t processId, unsigned timeoutMs,
                         std::uint32_t exitCode) override;

private:
  struct TShared;
  EventLoop& FLoop;
  std::shared_ptr<TShared> FShared;
};

} // namespace tessera::webkitgtk
