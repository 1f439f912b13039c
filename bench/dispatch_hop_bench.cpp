// What running bridge requests from the event loop costs over running them
// inside the engine's callback: the request copied out of the callback,
// posted, and taken back from the GLib loop, the way the runtime does it.
#include "bridge/browser_external_module.h"

#include <benchmark/benchmark.h>

#include <string>

#if __has_include("platform/gtk/event_loop_glib.h")
#include "platform/gtk/event_loop_glib.h"

namespace {

using namespace tessera;

const std::string kHello =
    R"({"id":10001,"uuid":"0f8a2c1e-7b3d-4e5f-9a6b-1c2d3e4f5a6b","data":{}})";

// A hello request as the engine's callback leaves it: copied and posted.
void PostHello(GlibEventLoop& loop, std::int64_t& ran) {
  TBridgeMessage message{std::string(kHello)};
  loop.Post([&ran, message = std::move(message)] {
    benchmark::DoNotOptimize(message.WebMessageAsJson().data());
    ++ran;
  });
}

// One request per iteration: copied, posted, run from the loop.
void BM_PostedHop(benchmark::State& state) {
  GlibEventLoop loop;
  std::int64_t ran = 0;
  for (auto _ : state) {
    PostHello(loop, ran);
    loop.ProcessMessages();
  }
  state.SetItemsProcessed(ran);
}
BENCHMARK(BM_PostedHop);

// Many requests arriving in one burst (a page firing calls in a loop): one
// wake of the loop runs them all.
void BM_PostedHopBurstOf64(benchmark::State& state) {
  GlibEventLoop loop;
  std::int64_t ran = 0;
  for (auto _ : state) {
    for (int i = 0; i < 64; ++i)
      PostHello(loop, ran);
    loop.ProcessMessages();
  }
  state.SetItemsProcessed(ran);
}
BENCHMARK(BM_PostedHopBurstOf64);

} // namespace
#endif
