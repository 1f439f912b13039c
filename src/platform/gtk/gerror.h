#pragma once

#include <glib.h>

#include <string>

namespace tessera::gtk {

// Owns the GError a GLib call may set, and frees it when it goes.
class TGError {
public:
  TGError() = default;
  ~TGError() { g_clear_error(&FError); }
  TGError(const TGError&) = delete;
  TGError& operator=(const TGError&) = delete;

  // Where the call puts its error.
  GError** Receive() { return &FError; }
  explicit operator bool() const { return FError != nullptr; }
  const GError* Get() const { return FError; }
  std::string Message() const { return FError != nullptr ? FError->message : "unknown error"; }

private:
  GError* FError = nullptr;
};

} // namespace tessera::gtk
