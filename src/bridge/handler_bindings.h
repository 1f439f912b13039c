#pragma once

#include "bridge/bridge_json.h"
#include "bridge/browser_external_module.h"

#include <array>
#include <span>
#include <string>
#include <variant>

namespace tessera {

// A handler of the module for one function ID: without arguments, or with
// the request's "data" object, as the function table says.
using THandler = void (TBrowserExternalModule::*)(const std::string& uuid);
using THandlerWithData = void (TBrowserExternalModule::*)(const std::string& uuid,
                                                          const TJsonValue& data);

struct THandlerBinding {
  int Id;
  std::variant<THandler, THandlerWithData> Handler;
};

// The handlers of each group of native functions, listed in that group's
// file in functions/. A function without a handler in any list selects
// nothing, exactly like an ID outside the table: no reply, no message.
extern const std::span<const THandlerBinding> kAppWindowHandlers;
extern const std::span<const THandlerBinding> kDialogHandlers;
extern const std::span<const THandlerBinding> kMenuHandlers;
extern const std::span<const THandlerBinding> kThemeHandlers;
extern const std::span<const THandlerBinding> kFileHandlers;
extern const std::span<const THandlerBinding> kShellHandlers;
extern const std::span<const THandlerBinding> kNotificationHandlers;
extern const std::span<const THandlerBinding> kRegistryHandlers;

// Every list, the protocol's own first.
inline std::array<std::span<const THandlerBinding>, 9>
AllHandlerBindings(std::span<const THandlerBinding> protocol) {
  return {protocol,       kAppWindowHandlers,    kDialogHandlers,
          kMenuHandlers,  kThemeHandlers,        kFileHandlers,
          kShellHandlers, kNotificationHandlers, kRegistryHandlers};
}

} // namespace tessera
