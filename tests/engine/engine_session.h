#pragma once

#include "engine_config.h"
#include "engine_log.h"
#include "page_script.h"
#include "ui_dispatcher.h"

#include <atomic>
#include <memory>
#include <string>

namespace tessera::engine {

// HRESULT_FROM_WIN32(ERROR_INVALID_STATE): what the runtime answers once
// its controller is closed.
inline constexpr HRESULT kInvalidState = static_cast<HRESULT>(0x8007139Fu);
// RPC_E_WRONG_THREAD: a call from a thread other than the UI thread.
inline constexpr HRESULT kWrongThread = static_cast<HRESULT>(0x8001010Eu);

// What every object of one environment shares: the test's configuration,
// the log, the UI thread's dispatcher and the page script.
class TEngineSession : public std::enable_shared_from_this<TEngineSession> {
public:
  TEngineSession(TEngineConfig config, std::shared_ptr<TUiDispatcher> ui);

  const TEngineConfig& Config() const { return FConfig; }
  const TPageScript& Script() const { return FScript; }
  TUiDispatcher& Ui() { return *FUi; }

  void Log(const std::string& line) const { FLog.Write(line); }

  // The common entry of a recorded call: answers the injected failure for
  // `method`, or kWrongThread off the UI thread, logging either as
  // "failed <method> <code>"; S_OK otherwise.
  HRESULT Enter(const std::string& method) const;
  // Logs `line` when the call is let through; answers as Enter.
  HRESULT EnterAndLog(const std::string& method, const std::string& line) const;
  // Logs a failure the engine answers for a reason of its own.
  HRESULT Fail(const std::string& method, HRESULT code) const;

  std::int64_t NextToken() { return ++FLastToken; }

private:
  TEngineConfig FConfig;
  TEngineLog FLog;
  std::shared_ptr<TUiDispatcher> FUi;
  TPageScript FScript;
  std::atomic<std::int64_t> FLastToken{0};
};

using TSessionPtr = std::shared_ptr<TEngineSession>;

} // namespace tessera::engine
