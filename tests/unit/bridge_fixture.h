#pragma once

#include "bridge/browser_external_module.h"
#include "package/zip_archive.h"
#include "platform/fake/fake_os_services.h"
#include "platform/fake/fake_toolkit.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessera {

// Records what the module asks of the web view, in order.
class TRecordingWebView : public TBridgeWebView {
public:
  void PostWebMessageAsJson(std::string_view json) override {
    if (ThrowOnPost) {
      throw std::runtime_error("post failed");
    }
    Replies.emplace_back(json);
  }
  void ExecuteScript(std::string_view script) override { Scripts.emplace_back(script); }
  void FocusContainerWindow() override { Calls.emplace_back("FocusContainerWindow"); }
  void FocusWebView() override { Calls.emplace_back("FocusWebView"); }
  void Navigate(const std::string& url) override { Calls.push_back("Navigate " + url); }
  double ZoomFactor() override { return Zoom; }
  void SetZoomFactor(double zoomFactor) override { Zoom = zoomFactor; }
  std::string AppDirPath() const override { return AppDir; }

  bool ThrowOnPost = false;
  double Zoom = 1.0;
  std::string AppDir = "C:\\App\\";
  std::vector<std::string> Replies;
  std::vector<std::string> Scripts;
  std::vector<std::string> Calls;
};

// A main window that agrees to everything.
class TPlainWindowEvents : public ToolkitWindowEvents {
public:
  bool CloseQuery() override { return true; }
  void Closed() override {}
  void Resized() override {}
  void HandleCreated(TNativeWindow) override {}
  void SysCommand(TSysCommand) override {}
};

// A module on the fake toolkit and system, with its replies, message boxes
// and error reports recorded. Tests post requests the way the page does.
class BridgeFixture : public ::testing::Test {
protected:
  BridgeFixture() {
    Module.SetWebView(&WebView);
    Module.SetMessageBox([this](const std::string& message) { Boxes.push_back(message); });
    Module.SetErrorReporter([this](const std::string& report) { Reports.push_back(report); });
  }

  void AttachPackage() { Module.SetExeZip(&Archive); }

  // The module's main window, made on first use.
  FakeToolkitWindow& MainForm() {
    if (!FMainForm) {
      FMainForm = Widgets.CreateForm(FMainFormEvents, TWindowKind::Normal);
      Module.SetMainForm(FMainForm.get());
    }
    return static_cast<FakeToolkitWindow&>(*FMainForm);
  }

  // A request as the page posts it: an object, so not a string message.
  void Post(const std::string& json) { Module.EdgeBrowserWebMessageReceived(TBridgeMessage(json)); }

  // Posts {"id":<id>,"uuid":"u","data":<data>} and returns the one reply it
  // got, or "" when none came.
  std::string Call(int id, const std::string& data = "{}") {
    const size_t before = WebView.Replies.size();
    Post("{\"id\":" + std::to_string(id) + ",\"uuid\":\"u\",\"data\":" + data + "}");
    if (WebView.Replies.size() == before) {
      return "";
    }
    EXPECT_EQ(WebView.Replies.size(), before + 1) << "more than one reply";
    return WebView.Replies.back();
  }

  // The reply text for a success or failure carrying `result`.
  static std::string Success(const std::string& result) {
    return "{\"uuid\": \"u\", \"success\": true, \"result\": " + result + "}";
  }
  static std::string Failure(const std::string& result) {
    return "{\"uuid\": \"u\", \"success\": false, \"result\": " + result + "}";
  }

  TZipArchive Archive; // never opened unless a test opens it
  FakeToolkit Widgets;
  FakeOsServices Os;
  TRecordingWebView WebView;
  TPlainWindowEvents FMainFormEvents;
  // Declared before the module, which must go first.
  std::unique_ptr<ToolkitWindow> FMainForm;
  TBrowserExternalModule Module{Widgets, Os};
  std::vector<std::string> Boxes;
  std::vector<std::string> Reports;
};

} // namespace tessera
