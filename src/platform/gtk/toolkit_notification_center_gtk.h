#pragma once

#include "platform/api/toolkit.h"

#include <libnotify/notify.h>

#include <list>
#include <memory>
#include <string>

namespace tessera::gtk {

// Desktop notifications through libnotify (the desktop's notification
// server on the session bus). Each notification carries a "default" action,
// the one a click on its body invokes, which reports the click back with
// the notification's name. Notifications are kept until the server says
// they closed: a click can only come while the object is alive.
class GtkNotificationCenter final : public ToolkitNotificationCenter {
public:
  GtkNotificationCenter();
  ~GtkNotificationCenter() override;
  GtkNotificationCenter(const GtkNotificationCenter&) = delete;
  GtkNotificationCenter& operator=(const GtkNotificationCenter&) = delete;

  // Asks the server on the session bus; false without a bus or a server.
  bool Available() override;
  // Throws when the server refuses the notification.
  void Present(const std::string& name, const std::string& heading,
               const std::string& text) override;

  // How many presented notifications are still open.
  std::size_t OpenCount() const { return FOpen.size(); }

private:
  class TShown;

  static void OnAction(NotifyNotification* notification, char* action, gpointer data) noexcept;
  static void OnClosed(NotifyNotification* notification, gpointer data) noexcept;
  void Clicked(TShown& shown);
  void Closed(TShown& shown);
  // The body as the server reads it: a server that reads markup gets the
  // text escaped, so "<b>" and "&" stay what the page wrote.
  std::string BodyFor(const std::string& text);

  // Whether the server reads the body as markup; asked once.
  int FBodyMarkup = -1;

  std::list<std::unique_ptr<TShown>> FOpen;
};

} // namespace tessera::gtk
