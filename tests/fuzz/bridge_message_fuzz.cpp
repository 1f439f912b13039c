// Every message a page posts is untrusted: any text must be handled without
// a crash, and only a well-formed request for a built handler may be
// answered, with one reply that is valid JSON carrying the request's call ID.
#include "bridge/argument_readers.h"
#include "bridge/browser_external_module.h"
#include "package/zip_archive.h"
#include "platform/fake/fake_os_services.h"
#include "platform/fake/fake_toolkit.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

class TNullWindowEvents : public tessera::ToolkitWindowEvents {
public:
  bool CloseQuery() override { return true; }
  void Closed() override {}
  void Resized() override {}
  void HandleCreated(tessera::TNativeWindow) override {}
  void SysCommand(tessera::TSysCommand) override {}
};

class TSinkWebView : public tessera::TBridgeWebView {
public:
  void PostWebMessageAsJson(std::string_view json) override { Replies.emplace_back(json); }
  void ExecuteScript(std::string_view) override {}
  void FocusContainerWindow() override { ++Focused; }
  void FocusWebView() override { ++Focused; }
  void Navigate(const std::string&) override {}
  double ZoomFactor() override { return 1.0; }
  void SetZoomFactor(double) override {}
  std::string AppDirPath() const override { return "/fuzz/"; }

  std::vector<std::string> Replies;
  int Focused = 0;
};

// The call ID of a well-formed request (an object with "id", "uuid" and an
// object "data"), or nothing. `always` tells whether it is hello or isRuntime,
// which answer every time; other functions may answer or stay silent.
std::optional<std::string> WellFormedCallId(std::string_view json, bool& always) {
  always = false;
  using namespace tessera;
  const std::optional<TJsonValue> request = ParseJson(json);
  if (!request || !request->IsObject()) {
    return std::nullopt;
  }
  const std::optional<std::string> id = TryGetJsonString(*request, "id");
  const std::optional<std::string> uuid = TryGetJsonString(*request, "uuid");
  const TJsonValue* data = request->Find("data");
  if (!id || !uuid || data == nullptr || !data->IsObject()) {
    return std::nullopt;
  }
  std::string_view digits = *id;
  if (digits.starts_with('+')) {
    digits.remove_prefix(1);
  }
  while (digits.size() > 5 && digits.front() == '0') {
    digits.remove_prefix(1);
  }
  always = digits == "10001" || digits == "10002";
  return uuid;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessera;
  if (size == 0) {
    return 0;
  }
  // The first byte picks the host: with or without a package, and whether
  // the page posted the rest as a string.
  const std::uint8_t mode = data[0];
  const std::string json(reinterpret_cast<const char*>(data + 1), size - 1);

  TZipArchive archive;
  TSinkWebView webView;
  // The fakes keep files, registry and power requests in memory, so any
  // function the input reaches runs without touching the machine.
  FakeToolkit widgets;
  FakeOsServices os;
  TNullWindowEvents events;
  const std::unique_ptr<ToolkitWindow> mainForm = widgets.CreateForm(events, TWindowKind::Normal);
  TBrowserExternalModule module(widgets, os);
  module.SetWebView(&webView);
  module.SetMainForm(mainForm.get());
  module.SetErrorReporter([](const std::string&) {});
  const bool packaged = (mode & 1) != 0;
  if (packaged) {
    module.SetExeZip(&archive);
  }
  const bool postedString = (mode & 2) != 0;
  if (postedString) {
    module.EdgeBrowserWebMessageReceived(TBridgeMessage(json, json));
  } else {
    module.EdgeBrowserWebMessageReceived(TBridgeMessage(json));
  }

  const bool clicked = !packaged && postedString && json == "qel-webbrowser-clicked";
  Check(webView.Focused == (clicked ? 2 : 0));
  bool always = false;
  const std::optional<std::string> uuid = clicked ? std::nullopt : WellFormedCallId(json, always);
  Check(webView.Replies.size() <= (uuid ? 1u : 0u));
  Check(!always || webView.Replies.size() == 1u);
  if (uuid && !webView.Replies.empty()) {
    const std::optional<TJsonValue> reply = ParseJson(webView.Replies[0]);
    Check(reply.has_value() && reply->IsObject());
    Check(reply->Find("uuid")->Text() == *uuid);
  }
  return 0;
}
