#pragma once

#include "base/exceptions.h"
#include "platform/api/hresult.h"

#include <string>

namespace tessera {

// A failure of the web view control, with the platform's result code.
class EEdgeError : public Exception {
public:
  EEdgeError(const std::string& message, HRESULT errorCode)
      : Exception(message), FErrorCode(errorCode) {}
  HRESULT ErrorCode() const { return FErrorCode; }

private:
  HRESULT FErrorCode;
};

} // namespace tessera
