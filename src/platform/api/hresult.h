#pragma once

#include <cstdint>

namespace tessera {

// The result code every web view platform call answers with. The codes are the
// system's own 32-bit values so that a failure reported on Windows reads the
// same everywhere; the names avoid the Windows macros of the same meaning.
using HRESULT = std::int32_t;

inline constexpr HRESULT kSOk = 0;
inline constexpr HRESULT kEFail = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT kENoInterface = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT kEInvalidArg = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT kEAbort = static_cast<HRESULT>(0x80004004u);
// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND).
inline constexpr HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002u);

// Success is any non-negative code.
constexpr bool Succeeded(HRESULT code) {
  return code >= 0;
}

} // namespace tessera
