#include "platform/gtk/toolkit_notification_center_gtk.h"

#include "base/exceptions.h"
#include "platform/gtk/callback_guard.h"
#include "platform/gtk/gobject_ptr.h"
#include "platform/gtk/valid_utf8.h"

#include <functional>
#include <utility>

namespace tessera::gtk {

namespace {

// libnotify names the application once per process: the name GLib knows
// (the toolkit's application title), else the program's.
bool EnsureNotifyInit() {
  if (notify_is_initted()) {
    return true;
  }
  const gchar* name = g_get_application_name();
  return notify_init(name != nullptr && *name != '\0' ? name : "Tessera") != FALSE;
}

// Owns a GError.
class TGError {
public:
  TGError() = default;
  ~TGError() {
    if (FError != nullptr) {
      g_error_free(FError);
    }
  }
  TGError(const TGError&) = delete;
  TGError& operator=(const TGError&) = delete;
  GError** Receive() { return &FError; }
  std::string Message() const { return FError != nullptr ? FError->message : "unknown error"; }

private:
  GError* FError = nullptr;
};

} // namespace

// One presented notification, with the name its click reports. While it
// exists its action and its "closed" handler point at it; both are taken
// away before it goes.
class GtkNotificationCenter::TShown {
public:
  TShown(GtkNotificationCenter& center, std::string name,
         TGObjectPtr<NotifyNotification> notification)
      : Center(center), Name(std::move(name)), Notification(std::move(notification)) {}
  ~TShown() {
    notify_notification_clear_actions(Notification.Get());
    g_signal_handlers_disconnect_by_data(Notification.Get(), this);
  }
  TShown(const TShown&) = delete;
  TShown& operator=(const TShown&) = delete;

  GtkNotificationCenter& Center;
  const std::string Name;
  TGObjectPtr<NotifyNotification> Notification;
};

GtkNotificationCenter::GtkNotificationCenter() = default;
GtkNotificationCenter::~GtkNotificationCenter() = default;

std::string GtkNotificationCenter::BodyFor(const std::string& text) {
  if (FBodyMarkup < 0) {
    FBodyMarkup = 0;
    GList* caps = notify_get_server_caps();
    for (GList* item = caps; item != nullptr; item = item->next) {
      if (g_strcmp0(static_cast<const char*>(item->data), "body-markup") == 0)
        FBodyMarkup = 1;
    }
    g_list_free_full(caps, g_free);
  }
  if (FBodyMarkup == 0)
    return text;
  const std::unique_ptr<gchar, decltype(&g_free)> escaped(
      g_markup_escape_text(text.c_str(), static_cast<gssize>(text.size())), &g_free);
  return escaped.get();
}

bool GtkNotificationCenter::Available() {
  if (!EnsureNotifyInit()) {
    return false;
  }
  // A round trip to the server: false when no bus or no server answers.
  char* name = nullptr;
  char* vendor = nullptr;
  char* version = nullptr;
  char* specVersion = nullptr;
  const bool answered = notify_get_server_info(&name, &vendor, &version, &specVersion) != FALSE;
  g_free(name);
  g_free(vendor);
  g_free(version);
  g_free(specVersion);
  return answered;
}

void GtkNotificationCenter::Present(const std::string& name, const std::string& heading,
                                    const std::string& text) {
  if (!EnsureNotifyInit()) {
    throw Exception("the notification library could not start");
  }
  // The server's summary is the bold first line: the heading when there is
  // one, else the text itself.
  const std::string summary = ValidUtf8(heading.empty() ? text : heading);
  const std::string body = heading.empty() ? std::string() : BodyFor(ValidUtf8(text));
  auto shown = std::make_unique<TShown>(
      *this, name,
      TGObjectPtr<NotifyNotification>(notify_notification_new(
          summary.c_str(), body.empty() ? nullptr : body.c_str(), nullptr)));
  NotifyNotification* notification = shown->Notification.Get();
  notify_notification_set_timeout(notification, NOTIFY_EXPIRES_DEFAULT);
  notify_notification_set_urgency(notification, NOTIFY_URGENCY_NORMAL);
  notify_notification_add_action(notification, "default", "Open", &GtkNotificationCenter::OnAction,
                                 shown.get(), nullptr);
  g_signal_connect(notification, "closed", G_CALLBACK(&GtkNotificationCenter::OnClosed),
                   shown.get());
  TGError error;
  if (!notify_notification_show(notification, error.Receive())) {
    throw Exception("the notification server refused the notification: " + error.Message());
  }
  FOpen.push_back(std::move(shown));
}

void GtkNotificationCenter::OnAction(NotifyNotification*, char* action, gpointer data) noexcept {
  GuardCallback<int>("notification click", 0, [&] {
    if (action != nullptr && g_strcmp0(action, "default") == 0) {
      auto* shown = static_cast<TShown*>(data);
      shown->Center.Clicked(*shown);
    }
    return 0;
  });
}

void GtkNotificationCenter::OnClosed(NotifyNotification*, gpointer data) noexcept {
  GuardCallback<int>("notification closed", 0, [&] {
    auto* shown = static_cast<TShown*>(data);
    shown->Center.Closed(*shown);
    return 0;
  });
}

void GtkNotificationCenter::Clicked(TShown& shown) {
  // Copies: the handler may replace itself or free this centre.
  const std::string name = shown.Name;
  std::function<void(const std::string&)> handler = OnClick;
  if (handler) {
    handler(name);
  }
}

void GtkNotificationCenter::Closed(TShown& shown) {
  for (auto it = FOpen.begin(); it != FOpen.end(); ++it) {
    if (it->get() == &shown) {
      // This runs inside the notification's own signal: the object is
      // dropped from an idle callback, once the signal is over.
      auto* leaving = it->release();
      FOpen.erase(it);
      g_idle_add_full(
          G_PRIORITY_DEFAULT_IDLE,
          [](gpointer data) -> gboolean {
            delete static_cast<TShown*>(data);
            return G_SOURCE_REMOVE;
          },
          leaving, nullptr);
      return;
    }
  }
}

} // namespace tessera::gtk
