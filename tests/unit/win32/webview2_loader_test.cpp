// Binding the engine's loader library, and carrying environment requests
// from the creation worker over to the UI thread. The stand-in loaders are
// built beside this test image (tests/unit/win32/loader_dll).
#include "platform/webview2/webview2_platform.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/event_loop_win32.h"
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tessera::webview2 {
namespace {

std::string BesideTestImage(const std::string& name) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return win32::Narrow(folder) + name;
}

const std::string kLoader = BesideTestImage("tessera_stub_loader.dll");
const std::string kLoaderWithoutCreate = BesideTestImage("tessera_stub_loader_no_create.dll");

// The stand-in's own controls, reached through a second reference to it.
class TStubControls {
public:
  TStubControls() : FModule(LoadLibraryW(win32::Widen(kLoader).c_str())) {
    Configure = reinterpret_cast<decltype(Configure)>(
        reinterpret_cast<void*>(GetProcAddress(FModule, "StubConfigure")));
    CreateCalls = reinterpret_cast<decltype(CreateCalls)>(
        reinterpret_cast<void*>(GetProcAddress(FModule, "StubCreateCalls")));
    CreateThread = reinterpret_cast<decltype(CreateThread)>(
        reinterpret_cast<void*>(GetProcAddress(FModule, "StubCreateThread")));
  }
  ~TStubControls() { FreeLibrary(FModule); }
  explicit operator bool() const {
    return Configure != nullptr && CreateCalls != nullptr && CreateThread != nullptr;
  }

  void (*Configure)(::HRESULT immediate, BOOL invokeHandler, ::HRESULT handlerResult) = nullptr;
  LONG (*CreateCalls)() = nullptr;
  DWORD (*CreateThread)() = nullptr;

private:
  HMODULE FModule;
};

struct TCompletion {
  HRESULT Result;
  bool HasEnvironment;
  bool OnUiThread;
};

class WebView2Loader : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(FStub) << "stand-in loader missing: " << kLoader;
    ASSERT_TRUE(FPlatform.LoadLoader(kLoader));
  }

  TEnvironmentCompleted Record() {
    return [this](HRESULT result, std::shared_ptr<WebViewEnvironment> environment) {
      FCompletions.push_back({result, environment != nullptr, FLoop.IsUiThread()});
    };
  }

  // Asks for an environment from a worker thread, as the control does.
  HRESULT CreateFromWorker() {
    HRESULT started = kEFail;
    std::thread([&] { started = FPlatform.CreateEnvironment(Record()); }).join();
    return started;
  }

  TComApartment FApartment;
  Win32EventLoop FLoop;
  Win32WebViewPlatform FPlatform{FLoop};
  TStubControls FStub;
  std::vector<TCompletion> FCompletions;
};

TEST(WebView2LoaderBinding, RefusesMissingFilesAndLibrariesWithoutTheEntryPoints) {
  Win32EventLoop loop;
  struct TCase {
    const char* Name;
    std::string Path;
  };
  const TCase cases[] = {
      {"no path", ""},
      {"missing file", BesideTestImage("no_such_loader.dll")},
      {"lacks CreateCoreWebView2Environment", kLoaderWithoutCreate},
      {"not a loader at all", "kernel32.dll"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Win32WebViewPlatform platform(loop);
    EXPECT_FALSE(platform.LoadLoader(c.Path));
    // Nothing is bound, so nothing is called.
    std::string version = "unchanged";
    EXPECT_EQ(platform.GetAvailableBrowserVersionString(version), kEFail);
    EXPECT_EQ(version, "unchanged");
    EXPECT_EQ(platform.CreateEnvironment([](HRESULT, auto) { FAIL() << "completed"; }), kEFail);
    // A later call may still bind a good library.
    EXPECT_TRUE(platform.LoadLoader(kLoader));
  }
}

TEST_F(WebView2Loader, VersionComesBackAsUtf8) {
  std::string version;
  EXPECT_EQ(FPlatform.GetAvailableBrowserVersionString(version), kSOk);
  EXPECT_EQ(version, "120.0.1 \xC3\xBC\xE4\xB8\xAD");
}

TEST_F(WebView2Loader, ARequestFromTheWorkerIsCarriedOutOnTheUiThread) {
  FStub.Configure(S_OK, TRUE, E_ACCESSDENIED);
  EXPECT_EQ(CreateFromWorker(), kSOk);
  // Taken, not yet made: the loader is called when the UI thread gets to it.
  EXPECT_EQ(FStub.CreateCalls(), 0);

  FLoop.ProcessMessages();
  EXPECT_EQ(FStub.CreateCalls(), 1);
  EXPECT_EQ(FStub.CreateThread(), GetCurrentThreadId());
  ASSERT_EQ(FCompletions.size(), 1u);
  EXPECT_EQ(FCompletions[0].Result, static_cast<HRESULT>(E_ACCESSDENIED));
  EXPECT_FALSE(FCompletions[0].HasEnvironment);
  EXPECT_TRUE(FCompletions[0].OnUiThread);
}

TEST_F(WebView2Loader, AnImmediateRefusalReachesTheCallerOnce) {
  struct TCase {
    const char* Name;
    BOOL HandlerAlsoCalled;
    bool FromWorker;
    HRESULT Started;  // what CreateEnvironment answers
    HRESULT Reported; // what the one completion carries, if any
  };
  const HRESULT refused = static_cast<HRESULT>(E_OUTOFMEMORY);
  const HRESULT handlerCode = static_cast<HRESULT>(E_ACCESSDENIED);
  const TCase cases[] = {
      // From the worker the request was already taken: the refusal comes
      // through the completion, which the control treats as a failed
      // environment.
      {"worker", FALSE, true, kSOk, refused},
      {"worker, handler called too", TRUE, true, kSOk, handlerCode},
      // On the UI thread the refusal is the answer, and no completion
      // follows.
      {"UI thread", FALSE, false, refused, 0},
      {"UI thread, handler called too", TRUE, false, kSOk, handlerCode},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FCompletions.clear();
    FStub.Configure(E_OUTOFMEMORY, c.HandlerAlsoCalled, E_ACCESSDENIED);
    const HRESULT started =
        c.FromWorker ? CreateFromWorker() : FPlatform.CreateEnvironment(Record());
    FLoop.ProcessMessages();
    EXPECT_EQ(started, c.Started);
    EXPECT_EQ(FStub.CreateCalls(), 1);
    if (c.Reported == 0) {
      EXPECT_TRUE(FCompletions.empty());
    } else {
      ASSERT_EQ(FCompletions.size(), 1u);
      EXPECT_EQ(FCompletions[0].Result, c.Reported);
    }
  }
}

TEST_F(WebView2Loader, WorkerRequestsKeepTheirOrder) {
  FStub.Configure(S_OK, TRUE, E_ACCESSDENIED);
  std::vector<int> order;
  std::thread([&] {
    for (int i = 0; i < 3; ++i)
      FPlatform.CreateEnvironment([&order, i](HRESULT, auto) { order.push_back(i); });
  }).join();
  FLoop.ProcessMessages();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

} // namespace
} // namespace tessera::webview2
