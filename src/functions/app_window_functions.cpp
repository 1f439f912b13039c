#include "bridge/browser_external_module.h"
#include "bridge/handler_bindings.h"

namespace tessera {

namespace {

constexpr THandlerBinding kBindings[] = {
    {50001, &TBrowserExternalModule::AppClose},
};

} // namespace

const std::span<const THandlerBinding> kAppWindowHandlers = kBindings;

void TBrowserExternalModule::AppClose(const std::string&) {
  // Never replies: the window that asked is about to close.
  if (FOnAppCloseRequest)
    FOnAppCloseRequest(*this);
}

} // namespace tessera
