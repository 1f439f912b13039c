// The GLib event loop: posted work runs on the UI thread, in order, after
// the poster returns, and never unwinds into GLib; quits end the right run.
#include "platform/gtk/event_loop_glib.h"

#include "gtk_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tessera {
namespace {

using testing_gtk::RunLater;
using testing_gtk::TScopedRunLater;

// Ends a Run that would otherwise hang the suite, and says so.
struct TWatchdog {
  explicit TWatchdog(GlibEventLoop& loop, bool& fired)
      : FTimer(testing_gtk::kWaitMs, [&loop, &fired] {
          fired = true;
          loop.Quit();
        }) {}
  TScopedRunLater FTimer;
};

TEST(GlibEventLoop, PostedWorkRunsAfterThePosterReturnsInOrder) {
  GlibEventLoop loop;
  std::vector<std::string> seen;
  loop.Post([&] {
    seen.push_back("a");
    // Work posted by work comes after what is already queued.
    loop.Post([&] { seen.push_back("d"); });
  });
  loop.Post([&] { seen.push_back("b"); });
  seen.push_back("poster");
  loop.Post([&] {
    seen.push_back("c");
    loop.Post([&] { loop.Quit(); });
  });
  EXPECT_TRUE(seen == std::vector<std::string>{"poster"});
  bool watchdog = false;
  TWatchdog guard(loop, watchdog);
  loop.Run();
  EXPECT_FALSE(watchdog);
  EXPECT_EQ(seen, (std::vector<std::string>{"poster", "a", "b", "c", "d"}));
}

TEST(GlibEventLoop, WorkFromOtherThreadsRunsOnTheUiThreadInEachThreadsOrder) {
  GlibEventLoop loop;
  EXPECT_TRUE(loop.IsUiThread());
  constexpr int kThreads = 4;
  constexpr int kPerThread = 200;
  std::vector<std::vector<int>> seen(kThreads);
  std::atomic<int> offUiThread{0};
  std::atomic<int> done{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      EXPECT_FALSE(loop.IsUiThread());
      for (int i = 0; i < kPerThread; ++i) {
        loop.Post([&, t, i] {
          offUiThread += loop.IsUiThread() ? 0 : 1;
          seen[t].push_back(i);
          if (++done == kThreads * kPerThread) {
            loop.Quit();
          }
        });
      }
    });
  }
  bool watchdog = false;
  TWatchdog guard(loop, watchdog);
  loop.Run();
  for (auto& thread : threads) {
    thread.join();
  }
  EXPECT_FALSE(watchdog);
  EXPECT_EQ(offUiThread, 0);
  for (const auto& order : seen) {
    ASSERT_EQ(order.size(), static_cast<std::size_t>(kPerThread));
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
  }
}

TEST(GlibEventLoop, QuitFromAnotherThreadEndsRun) {
  GlibEventLoop loop;
  std::thread quitter;
  loop.Post([&] { quitter = std::thread([&] { loop.Quit(); }); });
  bool watchdog = false;
  TWatchdog guard(loop, watchdog);
  loop.Run();
  quitter.join();
  EXPECT_FALSE(watchdog);
}

TEST(GlibEventLoop, QuitBeforeRunEndsTheNextRunAfterEarlierWork) {
  GlibEventLoop loop;
  bool ran = false;
  loop.Post([&] { ran = true; });
  loop.Quit();
  // ProcessMessages handles the work and leaves the quit for Run.
  loop.ProcessMessages();
  EXPECT_TRUE(ran);
  loop.Run(); // returns at once: nothing else ends it here
  // The quit was taken: a later run needs its own.
  bool second = false;
  loop.Post([&] {
    second = true;
    loop.Quit();
  });
  loop.Run();
  EXPECT_TRUE(second);
}

TEST(GlibEventLoop, NestedRunEndsOnItsQuitAndTheOuterGoesOn) {
  GlibEventLoop loop;
  std::vector<std::string> seen;
  loop.Post([&] {
    loop.Post([&] {
      seen.push_back("inner quit");
      loop.Quit();
    });
    loop.Run();
    seen.push_back("inner returned");
    loop.Post([&] {
      seen.push_back("outer goes on");
      loop.Quit();
    });
  });
  bool watchdog = false;
  TWatchdog guard(loop, watchdog);
  loop.Run();
  EXPECT_FALSE(watchdog);
  EXPECT_EQ(seen, (std::vector<std::string>{"inner quit", "inner returned", "outer goes on"}));
}

TEST(GlibEventLoop, ExceptionsFromWorkAreReportedAndTheLoopGoesOn) {
  GlibEventLoop loop;
  std::vector<std::string> errors;
  loop.OnUnhandledException = [&](std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      errors.emplace_back(e.what());
    } catch (...) {
      errors.emplace_back("?");
    }
  };
  bool after = false;
  loop.Post([] { throw std::runtime_error("boom"); });
  loop.Post([] { throw 42; });
  loop.Post([&] {
    after = true;
    loop.Quit();
  });
  loop.Run();
  EXPECT_TRUE(after);
  EXPECT_EQ(errors, (std::vector<std::string>{"boom", "?"}));

  // Without a handler the report goes to standard error.
  loop.OnUnhandledException = nullptr;
  testing::internal::CaptureStderr();
  loop.Post([] { throw std::runtime_error("to stderr"); });
  loop.ProcessMessages();
  EXPECT_NE(testing::internal::GetCapturedStderr().find("to stderr"), std::string::npos);
}

TEST(GlibEventLoop, WorkQueuedWhenTheLoopGoesIsDroppedWithItsCaptures) {
  auto token = std::make_shared<int>(0);
  bool ran = false;
  {
    GlibEventLoop loop;
    loop.Post([&ran, token] { ran = true; });
  }
  EXPECT_EQ(token.use_count(), 1) << "the dropped work's captures are freed";
  // No source is left behind to run it on a dead loop.
  testing_gtk::PumpFor(50);
  EXPECT_FALSE(ran);
}

} // namespace
} // namespace tessera
