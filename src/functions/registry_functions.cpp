#include "base/str_utils.h"
#include "bridge/argument_readers.h"
#include "bridge/browser_external_module.h"
#include "bridge/handler_bindings.h"

#include <optional>
#include <string>

namespace tessera {

namespace {

constexpr THandlerBinding kBindings[] = {
    {13001, &TBrowserExternalModule::RegistryWriteValue},
    {13002, &TBrowserExternalModule::RegistryReadValue},
    {13003, &TBrowserExternalModule::RegistryValueExist},
    {13004, &TBrowserExternalModule::RegistryDeleteValue},
    {13005, &TBrowserExternalModule::RegistryKeyExist},
    {13006, &TBrowserExternalModule::RegistryDeleteKey},
};

constexpr const char* kMissingKey = "Missing registry key.";
constexpr const char* kMissingName = "Missing value name.";

const char* BoolText(bool value) {
  return value ? "true" : "false";
}

// The required members "key" and then "name" (when `withName`), each
// empty when missing; the first that is missing is answered as a failure.
struct TRegistryArguments {
  std::string Key;
  std::string Name;
};

std::optional<TRegistryArguments> ReadArguments(TBrowserExternalModule& module,
                                                const std::string& uuid, const TJsonValue& data,
                                                bool withName) {
  TRegistryArguments arguments;
  arguments.Key = GetJsonString(data, "key", "");
  if (arguments.Key.empty()) {
    module.PostCallFailure(uuid, TStrUtils::StringToJsonString(kMissingKey));
    return std::nullopt;
  }
  if (withName) {
    arguments.Name = GetJsonString(data, "name", "");
    if (arguments.Name.empty()) {
      module.PostCallFailure(uuid, TStrUtils::StringToJsonString(kMissingName));
      return std::nullopt;
    }
  }
  return arguments;
}

} // namespace

const std::span<const THandlerBinding> kRegistryHandlers = kBindings;

void TBrowserExternalModule::RegistryWriteValue(const std::string& uuid, const TJsonValue& data) {
  const auto arguments = ReadArguments(*this, uuid, data, true);
  if (!arguments) {
    return;
  }
  // Read before the registry is touched, so a "value" that cannot be read
  // as text leaves no key behind.
  const std::string value = GetJsonString(data, "value", "");
  PostCallSuccess(uuid, BoolText(FOs.RegistryWriteString(arguments->Key, arguments->Name, value)));
}

void TBrowserExternalModule::RegistryReadValue(const std::string& uuid, const TJsonValue& data) {
  const auto arguments = ReadArguments(*this, uuid, data, true);
  if (!arguments) {
    return;
  }
  const std::optional<std::string> text = FOs.RegistryReadString(arguments->Key, arguments->Name);
  PostCallSuccess(uuid, TStrUtils::StringToJsonString(text.value_or("")));
}

void TBrowserExternalModule::RegistryValueExist(const std::string& uuid, const TJsonValue& data) {
  const auto arguments = ReadArguments(*this, uuid, data, true);
  if (!arguments) {
    return;
  }
  PostCallSuccess(uuid, BoolText(FOs.RegistryValueExists(arguments->Key, arguments->Name)));
}

void TBrowserExternalModule::RegistryDeleteValue(const std::string& uuid, const TJsonValue& data) {
  const auto arguments = ReadArguments(*this, uuid, data, true);
  if (!arguments) {
    return;
  }
  PostCallSuccess(uuid, BoolText(FOs.RegistryDeleteValue(arguments->Key, arguments->Name)));
}

void TBrowserExternalModule::RegistryKeyExist(const std::string& uuid, const TJsonValue& data) {
  const auto arguments = ReadArguments(*this, uuid, data, false);
  if (!arguments) {
    return;
  }
  PostCallSuccess(uuid, BoolText(FOs.RegistryKeyExists(arguments->Key)));
}

void TBrowserExternalModule::RegistryDeleteKey(const std::string& uuid, const TJsonValue& data) {
  const auto arguments = ReadArguments(*this, uuid, data, false);
  if (!arguments) {
    return;
  }
  PostCallSuccess(uuid, BoolText(FOs.RegistryDeleteKey(arguments->Key)));
}

} // namespace tessera
