// The Win32 event loop: posted work runs on the UI thread, in order, after
// the poster returns, and never unwinds into the window procedure.
#include "platform/win32/com_apartment.h"
#include "platform/win32/event_loop_win32.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tessera {
namespace {

TEST(Win32EventLoop, RunsPostedWorkInOrderOnlyWhenMessagesAreHandled) {
  Win32EventLoop loop;
  std::vector<int> order;
  loop.Post([&] {
    order.push_back(1);
    // Queued while the queue is running: after everything already queued.
    loop.Post([&] { order.push_back(4); });
  });
  loop.Post([&] { order.push_back(2); });
  loop.Post([&] { order.push_back(3); });
  EXPECT_TRUE(order.empty()) << "work ran inside Post";

  loop.ProcessMessages();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
}

TEST(Win32EventLoop, WorkPostedFromAnotherThreadRunsOnTheUiThread) {
  Win32EventLoop loop;
  EXPECT_TRUE(loop.IsUiThread());
  bool workerIsUiThread = true;
  std::vector<int> order;
  bool ranOnUiThread = false;
  std::thread worker([&] {
    workerIsUiThread = loop.IsUiThread();
    for (int i = 0; i < 100; ++i)
      loop.Post([&, i] {
        order.push_back(i);
        ranOnUiThread = loop.IsUiThread();
      });
    loop.Post([&] { loop.Quit(); });
  });
  loop.Run();
  worker.join();

  EXPECT_FALSE(workerIsUiThread);
  EXPECT_TRUE(ranOnUiThread);
  ASSERT_EQ(order.size(), 100u);
  for (int i = 0; i < 100; ++i)
    EXPECT_EQ(order[i], i);
}

TEST(Win32EventLoop, QuitFromAnotherThreadEndsRun) {
  Win32EventLoop loop;
  std::thread worker([&] { loop.Quit(); });
  loop.Run();
  worker.join();
}

TEST(Win32EventLoop, ProcessMessagesLeavesAQuitForRun) {
  Win32EventLoop loop;
  bool ran = false;
  loop.Post([&] { ran = true; });
  loop.Quit();
  loop.ProcessMessages();
  EXPECT_TRUE(ran);
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE))
      << "ProcessMessages swallowed the quit";
  loop.Run();
}

// Posts to the loop from its destructor, as a capture of dropped work may.
class TPostsWhenDestroyed {
public:
  TPostsWhenDestroyed(EventLoop& loop, bool& destroyed, bool& lateRan)
      : FLoop(loop), FDestroyed(destroyed), FLateRan(lateRan) {}
  ~TPostsWhenDestroyed() {
    FDestroyed = true;
    bool& lateRan = FLateRan;
    FLoop.Post([&lateRan] { lateRan = true; });
  }

private:
  EventLoop& FLoop;
  bool& FDestroyed;
  bool& FLateRan;
};

TEST(Win32EventLoop, WorkStillQueuedAtDestructionIsDroppedNotRun) {
  bool ran = false;
  bool destroyed = false;
  bool lateRan = false;
  {
    Win32EventLoop loop;
    auto capture = std::make_shared<TPostsWhenDestroyed>(loop, destroyed, lateRan);
    loop.Post([&ran, capture] { ran = true; });
    // The loop goes with the work unrun; dropping the work destroys its
    // capture, which posts once more into the dying loop.
  }
  EXPECT_FALSE(ran);
  EXPECT_TRUE(destroyed);

  // Nothing of the earlier loop reaches a later one.
  Win32EventLoop next;
  next.ProcessMessages();
  EXPECT_FALSE(ran);
  EXPECT_FALSE(lateRan);
}

TEST(Win32EventLoop, ExceptionsFromWorkAreStoppedAndTheQueueGoesOn) {
  Win32EventLoop loop;
  std::vector<std::string> seen;
  bool after = false;

  // Without a handler: reported on standard error.
  testing::internal::CaptureStderr();
  loop.Post([] { throw std::runtime_error("first failure"); });
  loop.Post([] { throw 42; });
  loop.Post([&] { after = true; });
  loop.ProcessMessages();
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(after);
  EXPECT_NE(errors.find("first failure"), std::string::npos) << errors;
  EXPECT_NE(errors.find("unknown exception"), std::string::npos) << errors;

  // With a handler: it gets the exception; one thrown by the handler itself
  // is still stopped.
  loop.OnUnhandledException = [&](std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      seen.emplace_back(e.what());
      if (seen.size() == 2)
        throw std::logic_error("handler failed too");
    }
  };
  after = false;
  testing::internal::CaptureStderr();
  loop.Post([] { throw std::runtime_error("one"); });
  loop.Post([] { throw std::runtime_error("two"); });
  loop.Post([&] { after = true; });
  loop.ProcessMessages();
  const std::string handlerErrors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(seen, (std::vector<std::string>{"one", "two"}));
  EXPECT_TRUE(after);
  EXPECT_NE(handlerErrors.find("handler failed too"), std::string::npos) << handlerErrors;
}

TEST(ComApartment, JoinsASingleThreadedApartmentForItsLifetime) {
  // On a fresh thread, so the test runner's own COM state does not matter.
  std::thread([] {
    {
      TComApartment apartment;
      EXPECT_EQ(apartment.Result(), S_OK);
      TComApartment nested;
      EXPECT_EQ(nested.Result(), S_FALSE);
      EXPECT_TRUE(nested.Initialized());
      // The thread is single-threaded now: the other model is refused.
      const HRESULT other = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      EXPECT_EQ(other, RPC_E_CHANGED_MODE);
    }
    // Both guards undone: the thread may now take the other model.
    const HRESULT after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(after, S_OK);
    if (SUCCEEDED(after))
      CoUninitialize();
  }).join();
}

} // namespace
} // namespace tessera
