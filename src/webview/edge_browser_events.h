#pragma once

#include "platform/api/hresult.h"
#include "platform/api/web_view_platform.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tessera {

class TCustomEdgeBrowser;

// Hands one notification's platform arguments to an application handler.
// The control makes one just before the handler runs and drops it as soon as
// the handler returns or throws, so a handler must not keep it: the platform
// arguments behind it are valid only during that call.
template <typename TInterface> class TEdgeEventArgs {
public:
  explicit TEdgeEventArgs(TInterface& args) : FArgsInterface(args) {}
  TEdgeEventArgs(const TEdgeEventArgs&) = delete;
  TEdgeEventArgs& operator=(const TEdgeEventArgs&) = delete;

  TInterface& ArgsInterface() const { return FArgsInterface; }

private:
  TInterface& FArgsInterface;
};

class TNavigationStartingEventArgs final : public TEdgeEventArgs<NavigationStartingEventArgs> {
public:
  using TEdgeEventArgs::TEdgeEventArgs;
};

class TNewWindowRequestedEventArgs final : public TEdgeEventArgs<NewWindowRequestedEventArgs> {
public:
  using TEdgeEventArgs::TEdgeEventArgs;
};

class TPermissionRequestedEventArgs final : public TEdgeEventArgs<PermissionRequestedEventArgs> {
public:
  using TEdgeEventArgs::TEdgeEventArgs;
};

class TScriptDialogOpeningEventArgs final : public TEdgeEventArgs<ScriptDialogOpeningEventArgs> {
public:
  using TEdgeEventArgs::TEdgeEventArgs;
};

class TWebMessageReceivedEventArgs final : public TEdgeEventArgs<WebMessageReceivedEventArgs> {
public:
  using TEdgeEventArgs::TEdgeEventArgs;
};

class TWebResourceRequestedEventArgs final : public TEdgeEventArgs<WebResourceRequestedEventArgs> {
public:
  using TEdgeEventArgs::TEdgeEventArgs;
};

// The control's events; `sender` is the control raising them.
using TNotifyEvent = std::function<void(TCustomEdgeBrowser& sender)>;
using TWebViewStatusEvent = std::function<void(TCustomEdgeBrowser& sender, HRESULT result)>;
using TContainsFullScreenElementChangedEvent =
    std::function<void(TCustomEdgeBrowser& sender, bool containsFullScreenElement)>;
using TContentLoadingEvent =
    std::function<void(TCustomEdgeBrowser& sender, bool isErrorPage, std::uint64_t navigationID)>;
using TDevToolsProtocolEventReceivedEvent =
    std::function<void(TCustomEdgeBrowser& sender, const std::string& cdpEventName,
                       const std::string& parameterObjectAsJson)>;
using TDocumentTitleChangedEvent =
    std::function<void(TCustomEdgeBrowser& sender, const std::string& documentTitle)>;
using TExecuteScriptEvent = std::function<void(TCustomEdgeBrowser& sender, HRESULT result,
                                               const std::string& resultObjectAsJson)>;
using THistoryChangedEvent = std::function<void(TCustomEdgeBrowser& sender)>;
using TNavigationStartingEvent =
    std::function<void(TCustomEdgeBrowser& sender, TNavigationStartingEventArgs& args)>;
using TNavigationCompletedEvent = std::function<void(TCustomEdgeBrowser& sender, bool isSuccess,
                                                     TWebViewEnumValue webErrorStatus)>;
using TNewWindowRequestedEvent =
    std::function<void(TCustomEdgeBrowser& sender, TNewWindowRequestedEventArgs& args)>;
using TPermissionRequestedEvent =
    std::function<void(TCustomEdgeBrowser& sender, TPermissionRequestedEventArgs& args)>;
using TProcessFailedEvent =
    std::function<void(TCustomEdgeBrowser& sender, TWebViewEnumValue processFailedKind)>;
using TScriptDialogOpeningEvent =
    std::function<void(TCustomEdgeBrowser& sender, TScriptDialogOpeningEventArgs& args)>;
using TSourceChangedEvent = std::function<void(TCustomEdgeBrowser& sender, bool isNewDocument)>;
using TWebMessageReceivedEvent =
    std::function<void(TCustomEdgeBrowser& sender, TWebMessageReceivedEventArgs& args)>;
using TWebResourceRequestedEvent =
    std::function<void(TCustomEdgeBrowser& sender, TWebResourceRequestedEventArgs& args)>;
using TZoomFactorChangedEvent = std::function<void(TCustomEdgeBrowser& sender, double zoomFactor)>;

} // namespace tessera
