#pragma once

#include "platform/win32/windows_api.h"

namespace tessera {

// Joins the calling thread to a single-threaded COM apartment for the
// guard's lifetime, as the browser engine and the shell dialogs require of
// the UI thread. Construct it on that thread before any COM object.
class TComApartment {
public:
  TComApartment();
  ~TComApartment();
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;

  // The result of joining: S_OK, S_FALSE when the thread was already in a
  // single-threaded apartment, RPC_E_CHANGED_MODE when it is in the
  // multithreaded one (then nothing is undone at the end).
  ::HRESULT Result() const { return FResult; }
  bool Initialized() const { return SUCCEEDED(FResult); }

private:
  ::HRESULT FResult;
};

} // namespace tessera
