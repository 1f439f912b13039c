#pragma once

namespace tessera {

// Marks the user-interface thread as inside a web engine's callback for as
// long as it lives. Engine callbacks must not show modal UI or run a nested
// loop (the engine's caller is still on the stack and may be re-entered or
// freed); they post such work to the event loop instead.
class TEngineCallbackScope {
public:
  explicit TEngineCallbackScope(const char* where) noexcept;
  ~TEngineCallbackScope();
  TEngineCallbackScope(const TEngineCallbackScope&) = delete;
  TEngineCallbackScope& operator=(const TEngineCallbackScope&) = delete;

private:
  const char* FOuter;
};

// Called by every modal loop before it runs. In debug builds, a loop
// started inside an engine callback ends the program at once with a message
// naming both, so the fault shows in the first test that reaches it rather
// than as a rare crash; release builds carry on.
void CheckNoEngineCallback(const char* loop) noexcept;

} // namespace tessera
