#include "page_player.h"

#include "engine_objects.h"
#include "event_args.h"
#include "web_resource.h"

#include <nlohmann/json.hpp>

#include <cctype>

namespace tessera::engine {

namespace {

using TKind = TPageStep::TKind;

// COREWEBVIEW2_WEB_ERROR_STATUS values the engine reports itself.
constexpr int kCannotConnect = COREWEBVIEW2_WEB_ERROR_STATUS_CANNOT_CONNECT;
constexpr int kOperationCanceled = COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED;

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() &&
        std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Whether the page could load without the host's answer: about:blank, or a
// "file:///X:/…" URI naming a file that exists.
bool LoadsOnItsOwn(const std::string& uri) {
  if (uri == "about:blank")
    return true;
  constexpr std::string_view kFile = "file:///";
  if (uri.size() < kFile.size() + 2 || uri.compare(0, kFile.size(), kFile) != 0)
    return false;
  std::string path =
      PercentDecode(uri.substr(kFile.size(), uri.find_first_of("?#") - kFile.size()));
  if (path.size() < 2 || path[1] != ':')
    return false;
  const DWORD attributes = GetFileAttributesW(win32::Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Runs `next` once `path` exists, looking every 100 ms.
void WhenFileExists(TUiDispatcher& ui, std::wstring path, std::function<void()> next) {
  ui.PostDelayed(100, [&ui, path = std::move(path), next = std::move(next)]() mutable {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
      WhenFileExists(ui, std::move(path), std::move(next));
    else
      next();
  });
}

} // namespace

void TPagePlayer::Later(std::function<void()> work) {
  TComPtr<TEngineWebView> keep(&FView);
  const std::uint64_t generation = FGeneration;
  FView.Session().Ui().Post([this, keep, generation, work = std::move(work)] {
    if (generation == FGeneration && !FView.Closed())
      work();
  });
}

void TPagePlayer::Navigate(const std::string& uri, bool userInitiated) {
  ++FGeneration;
  FPosts.clear();
  FPostCursor = 0;
  FWaitingFor.clear();
  FResume = nullptr;
  const std::uint64_t id = ++FLastNavigationId;
  Later([this, uri, userInitiated, id] { RunNavigation(uri, userInitiated, id); });
}

void TPagePlayer::RunNavigation(const std::string& uri, bool userInitiated, std::uint64_t id) {
  auto args = MakeObject<TNavigationStartingArgs>(uri, id, userInitiated);
  FView.NavigationStarting.Raise(TEngineLog::RestOfLine(uri),
                                 [&](auto* handler) { handler->Invoke(&FView, args.Get()); });
  if (args->Cancel) {
    FView.Session().Log("navigation-cancelled " + TEngineLog::RestOfLine(uri));
    Later([this, uri, id] { NavigationCompletedEvent(false, kOperationCanceled, id, uri); });
    return;
  }
  Later([this, uri, id] { LoadDocument(uri, id); });
}

void TPagePlayer::LoadDocument(const std::string& uri, std::uint64_t id) {
  Request(uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT,
          [this, keep = TComPtr<TEngineWebView>(&FView), uri, id](bool answered, int status) {
            const bool success = answered ? status >= 200 && status < 300 : LoadsOnItsOwn(uri);
            Later([this, uri, id, success, answered] {
              FinishNavigation(uri, id, success, success || answered ? 0 : kCannotConnect);
            });
          });
}

void TPagePlayer::FinishNavigation(const std::string& uri, std::uint64_t id, bool success,
                                   int status) {
  FView.Commit(uri);
  auto source = MakeObject<TSourceChangedArgs>(true);
  FView.SourceChanged.Raise(TEngineLog::RestOfLine(uri),
                            [&](auto* handler) { handler->Invoke(&FView, source.Get()); });
  auto empty = MakeObject<TEmptyArgs>();
  FView.HistoryChanged.Raise("", [&](auto* handler) { handler->Invoke(&FView, empty.Get()); });
  // The document scripts run as the new document is created, before any
  // script of the page itself.
  if (FView.Settings().Value(TEngineSettings::IsScriptEnabled))
    FView.Session().Log("document-created " + std::to_string(FView.DocumentScriptCount()) + " " +
                        TEngineLog::RestOfLine(uri));
  auto loading = MakeObject<TContentLoadingArgs>(!success, id);
  FView.ContentLoading.Raise(TEngineLog::RestOfLine(uri),
                             [&](auto* handler) { handler->Invoke(&FView, loading.Get()); });
  NavigationCompletedEvent(success, status, id, uri);
  const TPageSection* section = FView.Session().Script().SectionFor(uri);
  Later([this, section] { PlayFrom(section, 0); });
}

void TPagePlayer::NavigationCompletedEvent(bool success, int status, std::uint64_t id,
                                           const std::string& uri) {
  auto args = MakeObject<TNavigationCompletedArgs>(success, status, id);
  FView.NavigationCompleted.Raise(std::string(success ? "1 " : "0 ") + std::to_string(status) +
                                      " " + TEngineLog::RestOfLine(uri),
                                  [&](auto* handler) { handler->Invoke(&FView, args.Get()); });
}

void TPagePlayer::PlayFrom(const TPageSection* section, std::size_t index) {
  if (section == nullptr || index >= section->Steps.size())
    return;
  TComPtr<TEngineWebView> keep(&FView);
  RunStep(section->Steps[index], [this, keep, section, index] {
    Later([this, section, index] { PlayFrom(section, index + 1); });
  });
}

void TPagePlayer::HostPosted(const std::string& json) {
  FPosts.push_back(json);
  TryResume();
}

void TPagePlayer::TryResume() {
  if (FWaitingFor.empty() || !FResume)
    return;
  for (std::size_t i = FPostCursor; i < FPosts.size(); ++i) {
    if (FPosts[i].find(FWaitingFor) != std::string::npos) {
      FPostCursor = i + 1;
      FView.Session().Log("post-matched " + TEngineLog::RestOfLine(FWaitingFor));
      FWaitingFor.clear();
      std::exchange(FResume, nullptr)();
      return;
    }
  }
}

void TPagePlayer::Request(const std::string& uri, std::int32_t context,
                          std::function<void(bool, int)> done) {
  TEngineSession& session = FView.Session();
  if (!FView.Filtered(uri, context)) {
    session.Log("response " + TEngineLog::RestOfLine(uri) + " unfiltered");
    done(false, 0);
    return;
  }
  auto args = MakeObject<TWebResourceRequestedArgs>(uri, context);
  FView.WebResourceRequested.Raise(TEngineLog::RestOfLine(uri),
                                   [&](auto* handler) { handler->Invoke(&FView, args.Get()); });
  TSessionPtr shared = session.shared_from_this();
  args->Gate->Finish([shared, args, uri, done] {
    if (!args->Response) {
      shared->Log("response " + TEngineLog::RestOfLine(uri) + " none");
      done(false, 0);
      return;
    }
    TWebResourceResponse* response = TWebResourceResponse::FromInterface(args->Response.Get());
    if (response == nullptr) {
      shared->Log("response " + TEngineLog::RestOfLine(uri) + " foreign");
      done(true, 200);
      return;
    }
    shared->Log(response->Describe(TEngineLog::RestOfLine(uri)));
    done(true, response->Status());
  });
}

void TPagePlayer::Message(const std::string& json, bool isString, const std::string& text) {
  TEngineSession& session = FView.Session();
  // A page without scripts, or with messages turned off, cannot post.
  if (!FView.Settings().Value(TEngineSettings::IsScriptEnabled) ||
      !FView.Settings().Value(TEngineSettings::IsWebMessageEnabled)) {
    session.Log("message-dropped " + TEngineLog::RestOfLine(json));
    return;
  }
  auto args = MakeObject<TWebMessageReceivedArgs>(FView.Source(), json, isString, text);
  FView.WebMessageReceived.Raise(TEngineLog::RestOfLine(json),
                                 [&](auto* handler) { handler->Invoke(&FView, args.Get()); });
}

void TPagePlayer::RunStep(const TPageStep& step, const TContinue& next) {
  TEngineSession& session = FView.Session();
  // Kept by whatever finishes after a deferral, when the view may be gone.
  TSessionPtr shared = session.shared_from_this();
  TEngineController* controller = FView.Controller();
  const auto needController = [&] {
    if (controller != nullptr && !controller->Closed())
      return true;
    session.Log("step-skipped " + std::to_string(step.Line) + " no controller");
    return false;
  };
  auto empty = MakeObject<TEmptyArgs>();
  switch (step.Kind) {
  case TKind::Request:
    Request(step.Text, ContextForUri(step.Text), [next](bool, int) { next(); });
    return;
  case TKind::MessageJson: {
    nlohmann::json parsed = nlohmann::json::parse(step.Text, nullptr, false);
    if (parsed.is_discarded()) {
      session.Log("script-error line " + std::to_string(step.Line) + ": message-json is not JSON");
      break;
    }
    Message(step.Text, parsed.is_string(),
            parsed.is_string() ? parsed.get<std::string>() : std::string());
    break;
  }
  case TKind::MessageString:
    Message(nlohmann::json(step.Text).dump(), true, step.Text);
    break;
  case TKind::Title:
    FView.SetTitle(step.Text);
    FView.DocumentTitleChanged.Raise(TEngineLog::RestOfLine(step.Text),
                                     [&](auto* handler) { handler->Invoke(&FView, empty.Get()); });
    break;
  case TKind::NavigationCompleted:
    NavigationCompletedEvent(step.Numbers[0] != 0, static_cast<int>(step.Numbers[1]),
                             FLastNavigationId, FView.Source());
    break;
  case TKind::Navigate:
    // The page leaves: what follows this step belongs to the old page.
    FView.StartNavigation(step.Text, true);
    return;
  case TKind::NewWindow: {
    auto args = MakeObject<TNewWindowRequestedArgs>(step.Text);
    FView.NewWindowRequested.Raise(TEngineLog::RestOfLine(step.Text),
                                   [&](auto* handler) { handler->Invoke(&FView, args.Get()); });
    args->Gate->Finish([args, next, shared] {
      shared->Log("new-window " + std::string(args->Handled ? "1 " : "0 ") +
                  TEngineLog::RestOfLine(args->Uri));
      next();
    });
    return;
  }
  case TKind::Permission: {
    auto args =
        MakeObject<TPermissionRequestedArgs>(FView.Source(), static_cast<INT32>(step.Numbers[0]));
    FView.PermissionRequested.Raise(std::to_string(step.Numbers[0]),
                                    [&](auto* handler) { handler->Invoke(&FView, args.Get()); });
    args->Gate->Finish([args, next, shared] {
      shared->Log("permission " + std::to_string(args->Kind) + " " + std::to_string(args->State));
      next();
    });
    return;
  }
  case TKind::CloseRequested:
    FView.WindowCloseRequested.Raise("",
                                     [&](auto* handler) { handler->Invoke(&FView, empty.Get()); });
    break;
  case TKind::WaitForPost:
    FWaitingFor = step.Text;
    FResume = next;
    session.Log("wait-for-post " + TEngineLog::RestOfLine(step.Text));
    // A reply that came before the page got here counts as well.
    TryResume();
    return;
  case TKind::Sleep: {
    TComPtr<TEngineWebView> keep(&FView);
    session.Ui().PostDelayed(static_cast<unsigned>(step.Numbers[0]), [keep, next] { next(); });
    return;
  }
  case TKind::QuitAfter: {
    const auto code = static_cast<UINT>(step.Numbers.size() > 1 ? step.Numbers[1] : 0);
    session.Ui().PostDelayed(static_cast<unsigned>(step.Numbers[0]), [shared, code] {
      shared->Log("quit " + std::to_string(code));
      ExitProcess(code);
    });
    break;
  }
  case TKind::WaitForFile: {
    // The test says when the page may go on, however long its own checks
    // took on a busy machine.
    session.Log("wait-for-file " + TEngineLog::RestOfLine(step.Text));
    TComPtr<TEngineWebView> keep(&FView);
    WhenFileExists(session.Ui(), win32::Widen(step.Text), [keep, next] { next(); });
    return;
  }
  case TKind::CloseWindow: {
    if (!needController())
      break;
    HWND top = GetAncestor(controller->Parent(), GA_ROOT);
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(top)));
    session.Log(std::string("close-window ") + text);
    PostMessageW(top, WM_CLOSE, 0, 0);
    break;
  }
  case TKind::ProcessFailed: {
    auto args = MakeObject<TProcessFailedArgs>(static_cast<INT32>(step.Numbers[0]));
    FView.ProcessFailed.Raise(std::to_string(step.Numbers[0]),
                              [&](auto* handler) { handler->Invoke(&FView, args.Get()); });
    break;
  }
  case TKind::FullScreen:
    FView.SetFullScreen(step.Numbers[0] != 0);
    FView.ContainsFullScreenElementChanged.Raise(
        std::to_string(step.Numbers[0] != 0),
        [&](auto* handler) { handler->Invoke(&FView, empty.Get()); });
    break;
  case TKind::GotFocus:
  case TKind::LostFocus:
    if (needController()) {
      auto& list = step.Kind == TKind::GotFocus ? controller->GotFocus : controller->LostFocus;
      list.Raise("", [&](auto* handler) { handler->Invoke(controller, empty.Get()); });
    }
    break;
  case TKind::MoveFocus:
    if (needController()) {
      auto args = MakeObject<TMoveFocusRequestedArgs>(static_cast<INT32>(step.Numbers[0]));
      controller->MoveFocusRequested.Raise(std::to_string(step.Numbers[0]), [&](auto* handler) {
        handler->Invoke(controller, args.Get());
      });
      session.Log("move-focus " + std::to_string(step.Numbers[0]) + " " +
                  std::to_string(args->Handled != FALSE));
    }
    break;
  case TKind::AcceleratorKey:
    if (needController()) {
      auto args = MakeObject<TAcceleratorKeyPressedArgs>(static_cast<INT32>(step.Numbers[0]),
                                                         static_cast<UINT>(step.Numbers[1]),
                                                         static_cast<INT>(step.Numbers[2]));
      const std::string details = std::to_string(step.Numbers[0]) + " " +
                                  std::to_string(step.Numbers[1]) + " " +
                                  std::to_string(step.Numbers[2]);
      controller->AcceleratorKeyPressed.Raise(
          details, [&](auto* handler) { handler->Invoke(controller, args.Get()); });
      session.Log("accelerator-key " + details + " " + std::to_string(args->Handled != FALSE));
    }
    break;
  case TKind::Zoom:
    if (needController())
      controller->SetZoomFromPage(step.Real);
    break;
  case TKind::ScriptDialog: {
    auto args = MakeObject<TScriptDialogOpeningArgs>(
        FView.Source(), static_cast<INT32>(step.Numbers[0]), step.Text);
    FView.ScriptDialogOpening.Raise(std::to_string(step.Numbers[0]) + " " +
                                        TEngineLog::RestOfLine(step.Text),
                                    [&](auto* handler) { handler->Invoke(&FView, args.Get()); });
    args->Gate->Finish([args, next, shared] {
      shared->Log("script-dialog " + std::to_string(args->Kind) + " " +
                  std::to_string(args->Accepted) + " " + TEngineLog::Quote(args->ResultText));
      next();
    });
    return;
  }
  case TKind::DevToolsEvent: {
    TDevToolsReceiver* receiver = FView.Receiver(step.Text);
    if (receiver == nullptr) {
      session.Log("devtools-event " + step.Text + " unsubscribed");
      break;
    }
    auto args = MakeObject<TDevToolsProtocolEventArgs>(step.Text2);
    receiver->Handlers.Raise(TEngineLog::RestOfLine(step.Text2),
                             [&](auto* handler) { handler->Invoke(&FView, args.Get()); });
    break;
  }
  }
  next();
}

} // namespace tessera::engine
