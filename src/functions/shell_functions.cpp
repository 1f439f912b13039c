#include "bridge/handler_bindings.h"

namespace tessera {

const std::span<const THandlerBinding> kShellHandlers{};

} // namespace tessera
