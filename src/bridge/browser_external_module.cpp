#include "bridge/browser_external_module.h"

#include "base/exceptions.h"
#include "base/str_utils.h"
#include "bridge/argument_readers.h"
#include "bridge/handler_bindings.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <span>
#include <variant>

namespace tessera {

namespace {

// Hello and IsRuntime belong to the protocol itself; every other handler is
// listed by its group in functions/.
constexpr THandlerBinding kProtocolBindings[] = {
    {10001, &TBrowserExternalModule::Hello},
    {10002, &TBrowserExternalModule::IsRuntime},
};

const THandlerBinding* FindHandler(int id) {
  for (const std::span<const THandlerBinding> group : AllHandlerBindings(kProtocolBindings)) {
    for (const THandlerBinding& binding : group) {
      if (binding.Id == id) {
        return &binding;
      }
    }
  }
  return nullptr;
}

} // namespace

bool TBridgeMessage::TryGetWebMessageAsString(std::string& text) const {
  if (!FIsString) {
    return false;
  }
  text = FText;
  return true;
}

TBrowserExternalModule::TBrowserExternalModule(Toolkit& toolkit, OsServices& os)
    : FToolkit(toolkit), FOs(os) {
  FileOpenDialog = FToolkit.CreateFileDialog(TFileDialogKind::Open);
  FileSaveDialog = FToolkit.CreateFileDialog(TFileDialogKind::Save);
  NotificationCenter = FToolkit.CreateNotificationCenter();
  NotificationCenter->OnClick = [this](const std::string& name) {
    NotificationCenterReceiveLocalNotification(name);
  };
  FolderOpenDialog = FToolkit.CreateFileDialog(TFileDialogKind::Folder);
  FBrowserExternalForm = std::make_unique<TBrowserExternalForm>(toolkit);
  FBrowserExternalForm->TrayIcon->OnClick = [this] { TrayIconClick(); };
}

TBrowserExternalModule::~TBrowserExternalModule() {
  // The main window keeps showing the menu bar until it is told otherwise.
  if (FMainMenuShown && FMainForm != nullptr) {
    FMainForm->SetMenu(nullptr);
  }
}

ToolkitWindow& TBrowserExternalModule::MainForm() {
  if (FMainForm == nullptr) {
    throw Exception("No main window");
  }
  return *FMainForm;
}

void TBrowserExternalModule::EdgeBrowserWebMessageReceived(
    const TBridgeMessageArgs& args) noexcept {
  // This is the web view's callback: nothing may leave it.
  try {
    HandleMessage(args);
  } catch (const std::exception& error) {
    Report(std::string("Bridge request not handled: ") + error.what());
  } catch (...) {
    Report("Bridge request not handled: unknown error");
  }
}

void TBrowserExternalModule::HandleMessage(const TBridgeMessageArgs& args) {
  const std::string json = args.WebMessageAsJson();
  if (FTrafficLog != nullptr) {
    FTrafficLog->Received(json);
  }
  std::string text;
  if (!args.TryGetWebMessageAsString(text)) {
    text.clear();
  }
  if (FExeZip == nullptr && text == kWebBrowserClickedMessage) {
    if (FWebView != nullptr) {
      FWebView->FocusContainerWindow();
      FWebView->FocusWebView();
    }
    return;
  }

  // The parsed request is a local: it is released on every path out.
  const std::optional<TJsonValue> request = ParseJson(json);
  if (!request || !request->IsObject()) {
    throw EJsonError("The message is not a JSON object");
  }
  const std::string idText = GetRequiredString(*request, "id");
  const std::string uuid = GetRequiredString(*request, "uuid");
  const TJsonValue& data = GetRequiredObject(*request, "data");

  const std::optional<int32_t> id = DecimalIntegerFromText(idText);
  if (!id) {
    return;
  }
  Dispatch(*id, uuid, data);
}

void TBrowserExternalModule::Dispatch(int id, const std::string& uuid, const TJsonValue& data) {
  const TBridgeFunction* function = FindBridgeFunction(id);
  const THandlerBinding* binding = FindHandler(id);
  if (function == nullptr || binding == nullptr) {
    return;
  }
  try {
    if (function->TakesArguments) {
      (this->*std::get<THandlerWithData>(binding->Handler))(uuid, data);
    } else {
      (this->*std::get<THandler>(binding->Handler))(uuid);
    }
  } catch (const std::exception& error) {
    Report(std::string(function->PageName) + "() failed: " + error.what());
  }
}

void TBrowserExternalModule::Report(const std::string& report) noexcept {
  try {
    if (FErrorReporter) {
      FErrorReporter(report);
    } else {
      std::fprintf(stderr, "tessera: %s\n", report.c_str());
    }
  } catch (...) {
    // A reporter that fails has nowhere left to report to.
  }
}

void TBrowserExternalModule::PostCallReply(std::string_view uuid, std::string_view result,
                                           bool success) {
  std::string reply = "{\"uuid\": ";
  reply += TStrUtils::StringToJsonString(uuid);
  reply += ", \"success\": ";
  reply += success ? "true" : "false";
  reply += ", \"result\": ";
  reply += result;
  reply += '}';
  if (FTrafficLog != nullptr) {
    FTrafficLog->Posted(reply);
  }
  if (FWebView != nullptr) {
    FWebView->PostWebMessageAsJson(reply);
  }
}

void TBrowserExternalModule::PostCallSuccess(std::string_view uuid, std::string_view result) {
  PostCallReply(uuid, result, true);
}

void TBrowserExternalModule::PostCallFailure(std::string_view uuid, std::string_view result) {
  PostCallReply(uuid, result, false);
}

bool TBrowserExternalModule::RuntimeOnly(const TBridgeFunction& function) {
  if (FExeZip != nullptr || function.RuntimeOnlyMessage.empty()) {
    return true;
  }
  if (FMessageBox) {
    FMessageBox(std::string(function.RuntimeOnlyMessage));
  }
  return false;
}

void TBrowserExternalModule::RunPageScript(std::string_view script) {
  if (FTrafficLog != nullptr) {
    FTrafficLog->Script(script);
  }
  if (FWebView != nullptr) {
    FWebView->ExecuteScript(script);
  }
}

void TBrowserExternalModule::Hello(const std::string& uuid) {
  PostCallSuccess(uuid, kBridgeVersion);
}

void TBrowserExternalModule::IsRuntime(const std::string& uuid) {
  PostCallSuccess(uuid, FExeZip != nullptr ? "true" : "false");
}

} // namespace tessera
