// The bridge's own share of a call's round trip: a hello request parsed,
// dispatched and replied in process, and the cost of formatting one reply.
#include "bridge/browser_external_module.h"
#include "platform/fake/fake_os_services.h"
#include "platform/fake/fake_toolkit.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace tessera;

class TCountingWebView : public TBridgeWebView {
public:
  void PostWebMessageAsJson(std::string_view json) override {
    benchmark::DoNotOptimize(json.data());
    ++Replies;
  }
  void ExecuteScript(std::string_view) override {}
  void FocusContainerWindow() override {}
  void FocusWebView() override {}
  void Navigate(const std::string&) override {}
  double ZoomFactor() override { return 1.0; }
  void SetZoomFactor(double) override {}
  std::string AppDirPath() const override { return "/bench/"; }

  int64_t Replies = 0;
};

void BM_HelloRoundTrip(benchmark::State& state) {
  TCountingWebView webView;
  FakeToolkit widgets;
  FakeOsServices os;
  TBrowserExternalModule module(widgets, os);
  module.SetWebView(&webView);
  const TBridgeMessage message(
      R"({"id":10001,"uuid":"0f8a2c1e-7b3d-4e5f-9a6b-1c2d3e4f5a6b","data":{}})");
  for (auto _ : state) {
    module.EdgeBrowserWebMessageReceived(message);
  }
  state.SetItemsProcessed(webView.Replies);
}
BENCHMARK(BM_HelloRoundTrip);

// A request the size of a typical setter call with a few arguments, for an
// ID no function has, so this is parsing and dispatch alone.
void BM_ArgumentsRequestParsed(benchmark::State& state) {
  TCountingWebView webView;
  FakeToolkit widgets;
  FakeOsServices os;
  TBrowserExternalModule module(widgets, os);
  module.SetWebView(&webView);
  const TBridgeMessage message(
      R"({"id":99999,"uuid":"0f8a2c1e-7b3d-4e5f-9a6b-1c2d3e4f5a6b",)"
      R"("data":{"top":100,"left":200,"width":1280.5,"height":720,"title":"Caf\u00e9 window"}})");
  for (auto _ : state) {
    module.EdgeBrowserWebMessageReceived(message);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ArgumentsRequestParsed);

void BM_PostCallReply(benchmark::State& state) {
  TCountingWebView webView;
  FakeToolkit widgets;
  FakeOsServices os;
  TBrowserExternalModule module(widgets, os);
  module.SetWebView(&webView);
  const std::string uuid = "0f8a2c1e-7b3d-4e5f-9a6b-1c2d3e4f5a6b";
  for (auto _ : state) {
    module.PostCallSuccess(uuid, "\"2026.1\"");
  }
  state.SetItemsProcessed(webView.Replies);
}
BENCHMARK(BM_PostCallReply);

} // namespace
