#pragma once

#include "platform/api/web_view_platform.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace tessera {

// A scripted browser engine for tests. Each creation step succeeds or fails
// with the code the test sets; the environment and controller completions
// wait until the test delivers them (from any thread), unless the
// environment is set to complete at once. Every call is logged in order as
// short text such as "add NavigationStarting" or "PutBounds 0,0,50,25".
class FakeWebViewPlatform final : public WebViewPlatform {
public:
  // Script, set before the calls they affect.
  bool LoaderLoadable = true;
  HRESULT CreateEnvironmentAnswer = kSOk;
  bool EnvironmentCompletesAtOnce = false;
  HRESULT EnvironmentCompletesWith = kSOk;
  HRESULT CreateControllerAnswer = kSOk;
  HRESULT GetWebViewAnswer = kSOk;
  HRESULT GetSettingsAnswer = kSOk;
  std::uint32_t BrowserProcessId = 4242;
  std::string BrowserVersion = "1.0.0.0";

  bool LoadLoader(const std::string& loaderPath) override;
  HRESULT CreateEnvironment(TEnvironmentCompleted completed) override;
  HRESULT GetAvailableBrowserVersionString(std::string& version) override;
  void EndBrowserProcess(std::uint32_t processId, unsigned timeoutMs,
                         std::uint32_t exitCode) override;

  // Deliver the pending completion; false when none is pending.
  bool CompleteEnvironment(HRESULT result);
  bool CompleteController(HRESULT result);
  bool EnvironmentPending() const;

  // Calls the handler registered now for the event; false when none is.
  bool Raise(TWebViewEvent event, WebViewEventArgs& args);
  bool Raise(TControllerEvent event, WebViewEventArgs& args);
  std::size_t RegisteredHandlerCount() const;

  std::vector<std::string> Calls() const;
  void ClearCalls();

  // Used by the fake's objects.
  void Log(std::string call);
  TEventToken AddHandler(std::string name, TWebViewEventHandler handler);
  void RemoveHandler(const std::string& name, TEventToken token);
  void SetPendingController(TControllerCompleted completed);

private:
  mutable std::mutex FLock;
  std::vector<std::string> FCalls;
  TEnvironmentCompleted FPendingEnvironment;
  TControllerCompleted FPendingController;
  std::map<TEventToken, std::pair<std::string, TWebViewEventHandler>> FHandlers;
  TEventToken FNextToken = 1;
};

const char* EventName(TWebViewEvent event);
const char* EventName(TControllerEvent event);

} // namespace tessera
