#pragma once

#include "platform/win32/windows_api.h"

namespace tessera::win32 {

// Owns a kernel handle (file, pipe end, process, thread, token, mutex) and
// closes it once. Both "no handle" values of the API (null and
// INVALID_HANDLE_VALUE) count as empty.
class TKernelHandle {
public:
  TKernelHandle() = default;
  explicit TKernelHandle(HANDLE handle) : FHandle(handle) {}
  ~TKernelHandle() { Reset(); }
  TKernelHandle(const TKernelHandle&) = delete;
  TKernelHandle& operator=(const TKernelHandle&) = delete;

  HANDLE Get() const { return FHandle; }
  bool Valid() const { return FHandle != nullptr && FHandle != INVALID_HANDLE_VALUE; }
  explicit operator bool() const { return Valid(); }
  // For API calls that return a handle through a pointer.
  HANDLE* Receive() {
    Reset();
    return &FHandle;
  }
  void Reset(HANDLE handle = nullptr) {
    if (Valid())
      CloseHandle(FHandle);
    FHandle = handle;
  }

private:
  HANDLE FHandle = nullptr;
};

} // namespace tessera::win32
