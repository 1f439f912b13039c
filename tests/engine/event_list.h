#pragma once

#include "com_object.h"
#include "engine_session.h"
#include "reentrancy_guard.h"

#include <string>
#include <utility>
#include <vector>

namespace tessera::engine {

// The handlers registered for one event. Each stored handler holds a
// reference until it is removed or its object is closed; tokens are unique
// within the environment, so a token handed to the wrong event is noticed.
template <class Handler> class TEventList {
public:
  TEventList(TEngineSession& session, std::string name)
      : FSession(session), FName(std::move(name)) {}

  const std::string& Name() const { return FName; }
  std::size_t Size() const { return FHandlers.size(); }

  HRESULT Add(Handler* handler, EventRegistrationToken* token) {
    if (handler == nullptr || token == nullptr)
      return FSession.Fail("add_" + FName, E_POINTER);
    if (const HRESULT code = FSession.Enter("add_" + FName); FAILED(code))
      return code;
    token->value = FSession.NextToken();
    FHandlers.emplace_back(token->value, TComPtr<Handler>(handler));
    FSession.Log("add " + FName + " " + std::to_string(token->value));
    return S_OK;
  }

  HRESULT Remove(EventRegistrationToken token) {
    if (const HRESULT code = FSession.Enter("remove_" + FName); FAILED(code))
      return code;
    for (auto it = FHandlers.begin(); it != FHandlers.end(); ++it) {
      if (it->first == token.value) {
        FHandlers.erase(it);
        FSession.Log("remove " + FName + " " + std::to_string(token.value));
        return S_OK;
      }
    }
    // The runtime ignores unknown tokens; the log shows them.
    FSession.Log("remove " + FName + " " + std::to_string(token.value) + " unknown");
    return S_OK;
  }

  // Drops every handler, as closing the controller does; each one still
  // registered is logged, so a test can tell a forgotten removal.
  void ReleaseAll() {
    for (const auto& entry : FHandlers)
      FSession.Log("close-released " + FName + " " + std::to_string(entry.first));
    FHandlers.clear();
  }

  // Calls every handler registered now, in registration order; handlers
  // added or removed meanwhile take effect on the next raise.
  template <class Invoke> void Raise(const std::string& details, Invoke&& invoke) {
    FSession.Log("raise " + FName + " " + std::to_string(FHandlers.size()) +
                 (details.empty() ? "" : " " + details));
    const auto snapshot = FHandlers;
    for (const auto& entry : snapshot) {
      const TReentrancyGuard guard(FSession, FName);
      RunGuarded(FName.c_str(), [&] { invoke(entry.second.Get()); });
    }
  }

private:
  TEngineSession& FSession;
  std::string FName;
  std::vector<std::pair<std::int64_t, TComPtr<Handler>>> FHandlers;
};

} // namespace tessera::engine
