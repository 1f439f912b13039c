#include "bridge/argument_readers.h"
#include "bridge/browser_external_module.h"
#include "bridge/handler_bindings.h"
#include "bridge/page_events.h"

#include <string>
#include <utility>

namespace tessera {

namespace {

constexpr THandlerBinding kBindings[] = {
    {11005, &TBrowserExternalModule::SystemNotification},
};

} // namespace

const std::span<const THandlerBinding> kNotificationHandlers = kBindings;

void TBrowserExternalModule::SystemNotification(const std::string& uuid, const TJsonValue& data) {
  const std::string name = GetJsonString(data, "name", "");
  const std::string title = GetJsonString(data, "title", "");
  const std::string body = GetJsonString(data, "body", "");
  // The page hears whether it was shown once the service has answered; a
  // slow notification server must not hold the window meanwhile. The
  // centre lives as long as this module and never answers after it.
  auto answer = [this, uuid](TNotificationOutcome outcome, const std::string& reason) {
    if (outcome == TNotificationOutcome::Refused) {
      // The service refused it after all: not presented, so the page hears
      // false, and the reason goes where errors go.
      Report("qel.system.notification() was not presented: " + reason);
    }
    PostCallSuccess(uuid, outcome == TNotificationOutcome::Presented ? "true" : "false");
  };
  // The title is a heading over the body only when there are both;
  // otherwise the notification is one text, the two run together.
  if (!title.empty() && !body.empty()) {
    NotificationCenter->Present(name, title, body, std::move(answer));
  } else {
    NotificationCenter->Present(name, "", title + body, std::move(answer));
  }
}

void TBrowserExternalModule::NotificationCenterReceiveLocalNotification(const std::string& name) {
  // The name goes in as a string literal: whatever the page named its
  // notification, the script calls the handler and nothing else.
  RunPageScript(NotificationClickScript(name));
}

} // namespace tessera
