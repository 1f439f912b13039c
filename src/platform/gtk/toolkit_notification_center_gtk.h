#pragma once

#include "platform/api/toolkit.h"

#include <memory>
#include <string>

namespace tessera::gtk {

// Desktop notifications through the desktop's notification server
// (org.freedesktop.Notifications on the session bus), spoken to directly
// with asynchronous D-Bus calls: a server that is slow to answer, or a bus
// that is slow to reach, never holds the UI thread. Each notification
// carries a "default" action, the one a click on its body invokes, which
// the server reports back (ActionInvoked) and the centre passes on with the
// notification's name. Outcomes and clicks reach the caller from the event
// loop, never from inside a D-Bus callback.
class GtkNotificationCenter final : public ToolkitNotificationCenter {
public:
  // `busAddress` names the bus to reach the server on; empty for the
  // session bus.
  explicit GtkNotificationCenter(std::string busAddress = {});
  ~GtkNotificationCenter() override;
  GtkNotificationCenter(const GtkNotificationCenter&) = delete;
  GtkNotificationCenter& operator=(const GtkNotificationCenter&) = delete;

  // No bus, or no server on it (none runs and none can be started, or none
  // answers in time): NoService. A server that answers with an error:
  // Refused, with its message.
  void Present(const std::string& name, const std::string& heading, const std::string& text,
               TPresented done) override;

  // How many presented notifications the server has not yet closed.
  std::size_t OpenCount() const;

  struct TState;

private:
  std::shared_ptr<TState> FState;
};

} // namespace tessera::gtk
