// window.qel.shell and window.qel.system (but for notifications): the
// desktop shell, console commands, window captions, log-off and power, and
// the network adapters' hardware addresses.
#include "base/str_utils.h"
#include "bridge/argument_readers.h"
#include "bridge/browser_external_module.h"
#include "bridge/handler_bindings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessera {

namespace {

constexpr THandlerBinding kBindings[] = {
    {70001, &TBrowserExternalModule::ShellExecute},
    {70002, &TBrowserExternalModule::ShellExplore},
    {70003, &TBrowserExternalModule::ShellCommand},
    {70004, &TBrowserExternalModule::ShellWindows},
    {11001, &TBrowserExternalModule::SystemLogoff},
    {11002, &TBrowserExternalModule::SystemReboot},
    {11003, &TBrowserExternalModule::SystemShutdown},
    {11004, &TBrowserExternalModule::SystemMacAddresses},
};

// Exit flags as ExitWindowsEx reads them; every request is forced, so other
// programs close without asking to save.
constexpr std::uint32_t kExitLogoff = 0;
constexpr std::uint32_t kExitShutdown = 1;
constexpr std::uint32_t kExitReboot = 2;
constexpr std::uint32_t kExitForce = 4;

} // namespace

const std::span<const THandlerBinding> kShellHandlers = kBindings;

// Paths given to the shell are not resolved against the executable's
// folder: the shell takes a relative path from the current folder.
void TBrowserExternalModule::ShellExecute(const std::string& uuid, const TJsonValue& data) {
  const std::string filePath = GetJsonString(data, "filePath", "");
  const std::string arguments = GetJsonString(data, "arguments", "");
  if (filePath.empty())
    return PostCallFailure(uuid, "\"Missing filePath\"");
  if (FOs.ShellExec(filePath, arguments))
    return PostCallSuccess(uuid, "true");
  PostCallFailure(uuid, TStrUtils::StringToJsonString(FOs.LastSystemErrorText()));
}

void TBrowserExternalModule::ShellExplore(const std::string& uuid, const TJsonValue& data) {
  const std::string filePath = GetJsonString(data, "filePath", "");
  if (filePath.empty())
    return PostCallFailure(uuid, "\"Missing filePath\"");
  if (FOs.ShellExplore(filePath))
    return PostCallSuccess(uuid, "true");
  PostCallFailure(uuid, TStrUtils::StringToJsonString(FOs.LastSystemErrorText()));
}

void TBrowserExternalModule::ShellCommand(const std::string& uuid, const TJsonValue& data) {
  const std::string command = GetJsonString(data, "command", "");
  if (command.empty())
    return PostCallFailure(uuid, "\"Missing command\"");
  const std::string workingDir = GetJsonString(data, "workingDir", "");
  // Only "true" exactly (the boolean true reads so) shows the console.
  const bool showWindow = GetJsonString(data, "showWindow", "false") == "true";
  // Blocks until the command ends; its exit code is not reported, and a
  // command that cannot start gives an empty output.
  const std::string output = FOs.GetDosOutput(command, workingDir, showWindow);
  PostCallSuccess(uuid, TStrUtils::StringToJsonString(output));
}

void TBrowserExternalModule::ShellWindows(const std::string& uuid) {
  std::string json = "[";
  const std::vector<std::string> captions = FOs.GetWindowsCaptions();
  for (size_t i = 0; i < captions.size(); ++i) {
    if (i > 0)
      json += ',';
    json += TStrUtils::StringToJsonString(captions[i]);
  }
  json += ']';
  PostCallSuccess(uuid, json);
}

void TBrowserExternalModule::SystemLogoff(const std::string& uuid) {
  if (!RuntimeOnly(BridgeFunction("SystemLogoff")))
    return;
  if (FOs.RequestSystemExit(kExitLogoff | kExitForce))
    return PostCallSuccess(uuid, "true");
  PostCallFailure(uuid, TStrUtils::StringToJsonString(FOs.LastSystemErrorText()));
}

void TBrowserExternalModule::SystemReboot(const std::string& uuid) {
  if (!RuntimeOnly(BridgeFunction("SystemReboot")))
    return;
  if (FOs.RequestSystemExit(kExitReboot | kExitForce))
    return PostCallSuccess(uuid, "true");
  PostCallFailure(uuid, TStrUtils::StringToJsonString(FOs.LastSystemErrorText()));
}

void TBrowserExternalModule::SystemShutdown(const std::string& uuid) {
  if (!RuntimeOnly(BridgeFunction("SystemShutdown")))
    return;
  if (FOs.RequestSystemExit(kExitShutdown | kExitForce))
    return PostCallSuccess(uuid, "true");
  PostCallFailure(uuid, TStrUtils::StringToJsonString(FOs.LastSystemErrorText()));
}

void TBrowserExternalModule::SystemMacAddresses(const std::string& uuid) {
  std::string json = "[";
  const std::vector<std::string> lines = FOs.GetMacAddresses();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0)
      json += ',';
    json += TStrUtils::StringToJsonString(lines[i]);
  }
  json += ']';
  PostCallSuccess(uuid, json);
}

} // namespace tessera
