#include "platform/gtk/toolkit_notification_center_gtk.h"

#include "platform/gtk/callback_guard.h"
#include "platform/gtk/gerror.h"
#include "platform/gtk/gobject_ptr.h"
#include "platform/gtk/valid_utf8.h"

#include <gio/gio.h>

#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace tessera::gtk {

namespace {

constexpr const char* kServer = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";
constexpr const char* kDefaultAction = "default";

// Owns a GVariant reply.
class TGVariant {
public:
  explicit TGVariant(GVariant* value) : FValue(value) {}
  ~TGVariant() {
    if (FValue != nullptr)
      g_variant_unref(FValue);
  }
  TGVariant(const TGVariant&) = delete;
  TGVariant& operator=(const TGVariant&) = delete;
  GVariant* Get() const { return FValue; }

private:
  GVariant* FValue;
};

// Errors that mean nobody serves notifications: no bus, no server on it
// (none runs and none could be started), or none answered in time.
bool MeansNoService(const GError* error) {
  if (error->domain == G_IO_ERROR)
    return error->code == G_IO_ERROR_TIMED_OUT || error->code == G_IO_ERROR_CLOSED;
  if (error->domain != G_DBUS_ERROR)
    return false;
  switch (error->code) {
  case G_DBUS_ERROR_SERVICE_UNKNOWN:
  case G_DBUS_ERROR_NAME_HAS_NO_OWNER:
  case G_DBUS_ERROR_NO_REPLY:
  case G_DBUS_ERROR_TIMEOUT:
  case G_DBUS_ERROR_TIMED_OUT:
  case G_DBUS_ERROR_DISCONNECTED:
  case G_DBUS_ERROR_NO_SERVER:
  case G_DBUS_ERROR_SPAWN_EXEC_FAILED:
  case G_DBUS_ERROR_SPAWN_FORK_FAILED:
  case G_DBUS_ERROR_SPAWN_CHILD_EXITED:
  case G_DBUS_ERROR_SPAWN_CHILD_SIGNALED:
  case G_DBUS_ERROR_SPAWN_FAILED:
  case G_DBUS_ERROR_SPAWN_SERVICE_NOT_FOUND:
    return true;
  default:
    return false;
  }
}

std::string ServerMessage(const GError* error) {
  GError* copy = g_error_copy(error);
  g_dbus_error_strip_remote_error(copy);
  std::string message = copy->message != nullptr ? copy->message : "unknown error";
  g_error_free(copy);
  return message;
}

// The application's name as the server shows it: the name GLib knows (the
// toolkit's application title), else the program's.
std::string ApplicationName() {
  const gchar* name = g_get_application_name();
  return ValidUtf8(name != nullptr && *name != '\0' ? name : "Tessera");
}

// A notification on its way to the server, and whom to tell what became
// of it.
struct TRequest {
  std::string Name;
  std::string Summary;
  std::string Body;
  ToolkitNotificationCenter::TPresented Done;
};

} // namespace

// What the centre and its D-Bus callbacks share. Every callback holds it
// weakly: once the centre is gone (Owner null) nothing is reported.
struct GtkNotificationCenter::TState : std::enable_shared_from_this<TState> {
  TState(GtkNotificationCenter& owner, std::string address)
      : Owner(&owner), Address(std::move(address)) {}
  ~TState() { DropBus(); }
  TState(const TState&) = delete;
  TState& operator=(const TState&) = delete;

  void Present(TRequest request);
  void Connect();
  void Connected(TGObjectPtr<GDBusConnection> bus);
  void AskCapabilities();
  void Notify(TRequest request);
  // Every waiting notification answered, in order: no service.
  void NobodyServes();
  void DropBus();
  void Answer(TPresented done, TNotificationOutcome outcome, std::string reason);
  void Clicked(guint32 id);
  // Runs `work` from the event loop, unless the centre is gone by then.
  void Post(std::function<void()> work);

  static void FindBus(GTask* task, gpointer source, gpointer address,
                      GCancellable* cancellable) noexcept;
  static void OnBus(GObject* source, GAsyncResult* result, gpointer data) noexcept;
  static void OnCapabilities(GObject* source, GAsyncResult* result, gpointer data) noexcept;
  static void OnNotified(GObject* source, GAsyncResult* result, gpointer data) noexcept;
  static void OnSignal(GDBusConnection* bus, const gchar* sender, const gchar* path,
                       const gchar* interface, const gchar* signal, GVariant* parameters,
                       gpointer data) noexcept;

  GtkNotificationCenter* Owner;
  const std::string Address;
  TGObjectPtr<GCancellable> Cancellable{g_cancellable_new()};
  TGObjectPtr<GDBusConnection> Bus;
  guint Subscription = 0;
  bool Connecting = false;
  bool AskingCapabilities = false;
  // Notifications that wait for the bus and the server's capabilities, in
  // the order they were presented.
  std::vector<TRequest> Waiting;
  // Whether the server reads the body as markup: -1 until it said.
  int BodyMarkup = -1;
  // The server's IDs of the notifications still shown, with their names.
  std::map<guint32, std::string> Open;
};

namespace {

using TState = GtkNotificationCenter::TState;

// One call on its way: the state, weakly, and the notification it is for.
struct TCall {
  std::weak_ptr<TState> State;
  TRequest Request;
};

} // namespace

void TState::Present(TRequest request) {
  if (Bus && g_dbus_connection_is_closed(Bus.Get()))
    DropBus(); // the bus went away; the next one may have a server
  if (Bus && BodyMarkup >= 0) {
    Notify(std::move(request));
    return;
  }
  Waiting.push_back(std::move(request));
  if (!Bus && !Connecting)
    Connect();
  else if (Bus && !AskingCapabilities)
    AskCapabilities();
}

void TState::NobodyServes() {
  for (TRequest& request : std::exchange(Waiting, {}))
    Answer(std::move(request.Done), TNotificationOutcome::NoService, "");
}

void TState::Connect() {
  // Finding the session bus may start one (X11 autolaunch) and connecting
  // waits for its handshake: both go to a worker thread.
  Connecting = true;
  GTask* task = g_task_new(nullptr, Cancellable.Get(), &TState::OnBus,
                           new std::weak_ptr<TState>(weak_from_this()));
  g_task_set_task_data(task, g_strdup(Address.c_str()), g_free);
  g_task_run_in_thread(task, &TState::FindBus);
  g_object_unref(task);
}

void TState::FindBus(GTask* task, gpointer, gpointer address, GCancellable* cancellable) noexcept {
  const auto* text = static_cast<const gchar*>(address);
  GError* error = nullptr;
  GDBusConnection* bus =
      *text == '\0'
          ? g_bus_get_sync(G_BUS_TYPE_SESSION, cancellable, &error)
          : g_dbus_connection_new_for_address_sync(
                text,
                static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                  G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                nullptr, cancellable, &error);
  if (bus != nullptr)
    g_task_return_pointer(task, bus, g_object_unref);
  else
    g_task_return_error(task, error);
}

void TState::OnBus(GObject*, GAsyncResult* result, gpointer data) noexcept {
  const std::unique_ptr<std::weak_ptr<TState>> weak(static_cast<std::weak_ptr<TState>*>(data));
  TGError error;
  TGObjectPtr<GDBusConnection> bus(
      static_cast<GDBusConnection*>(g_task_propagate_pointer(G_TASK(result), error.Receive())));
  GuardCallback<int>("notification bus", 0, [&] {
    const std::shared_ptr<TState> state = weak->lock();
    if (!state || state->Owner == nullptr)
      return 0;
    state->Connecting = false;
    if (!bus) {
      // No bus: nothing can be shown, and the next notification tries again.
      state->NobodyServes();
      return 0;
    }
    state->Connected(std::move(bus));
    return 0;
  });
}

void TState::Connected(TGObjectPtr<GDBusConnection> bus) {
  Bus = std::move(bus);
  // The server's signals, from whoever owns its name; a click is an
  // ActionInvoked for one of ours.
  Subscription = g_dbus_connection_signal_subscribe(
      Bus.Get(), kServer, kInterface, nullptr, kPath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
      &TState::OnSignal, new std::weak_ptr<TState>(weak_from_this()),
      [](gpointer data) { delete static_cast<std::weak_ptr<TState>*>(data); });
  AskCapabilities();
}

void TState::DropBus() {
  if (Bus && Subscription != 0)
    g_dbus_connection_signal_unsubscribe(Bus.Get(), Subscription);
  Subscription = 0;
  Bus.Reset();
  AskingCapabilities = false;
  BodyMarkup = -1;
  Open.clear();
}

void TState::AskCapabilities() {
  // Whether the body must be escaped is asked once the bus is there, before
  // the first notification; the notifications wait meanwhile, so that they
  // reach the server in the order they were presented.
  AskingCapabilities = true;
  g_dbus_connection_call(Bus.Get(), kServer, kPath, kInterface, "GetCapabilities", nullptr,
                         G_VARIANT_TYPE("(as)"), G_DBUS_CALL_FLAGS_NONE, -1, Cancellable.Get(),
                         &TState::OnCapabilities, new std::weak_ptr<TState>(weak_from_this()));
}

void TState::OnCapabilities(GObject* source, GAsyncResult* result, gpointer data) noexcept {
  const std::unique_ptr<std::weak_ptr<TState>> weak(static_cast<std::weak_ptr<TState>*>(data));
  TGError error;
  const TGVariant reply(
      g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, error.Receive()));
  GuardCallback<int>("notification capabilities", 0, [&] {
    const std::shared_ptr<TState> state = weak->lock();
    if (!state || state->Owner == nullptr)
      return 0;
    state->AskingCapabilities = false;
    if (reply.Get() == nullptr && MeansNoService(error.Get())) {
      // Nobody serves; the next notification asks again, for a server
      // may come.
      state->NobodyServes();
      return 0;
    }
    // A server that cannot tell takes the body as it is.
    int markup = 0;
    if (reply.Get() != nullptr) {
      GVariantIter* caps = nullptr;
      g_variant_get(reply.Get(), "(as)", &caps);
      const gchar* cap = nullptr;
      while (g_variant_iter_next(caps, "&s", &cap)) {
        if (g_strcmp0(cap, "body-markup") == 0)
          markup = 1;
      }
      g_variant_iter_free(caps);
    }
    state->BodyMarkup = markup;
    for (TRequest& request : std::exchange(state->Waiting, {}))
      state->Notify(std::move(request));
    return 0;
  });
}

void TState::Notify(TRequest request) {
  std::string body = request.Body;
  if (BodyMarkup == 1) {
    // A server that reads markup gets the text escaped, so "<b>" and "&"
    // stay what the page wrote.
    gchar* escaped = g_markup_escape_text(body.c_str(), static_cast<gssize>(body.size()));
    body = escaped;
    g_free(escaped);
  }
  GVariantBuilder actions;
  g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
  g_variant_builder_add(&actions, "s", kDefaultAction);
  g_variant_builder_add(&actions, "s", "Open");
  GVariantBuilder hints;
  g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&hints, "{sv}", "urgency", g_variant_new_byte(1)); // normal
  const std::string application = ApplicationName();
  // Expiry -1: the server's own (short) display time.
  GVariant* parameters = g_variant_new("(susssasa{sv}i)", application.c_str(), 0u, "",
                                       request.Summary.c_str(), body.c_str(), &actions, &hints, -1);
  g_dbus_connection_call(Bus.Get(), kServer, kPath, kInterface, "Notify", parameters,
                         G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, Cancellable.Get(),
                         &TState::OnNotified, new TCall{weak_from_this(), std::move(request)});
}

void TState::OnNotified(GObject* source, GAsyncResult* result, gpointer data) noexcept {
  const std::unique_ptr<TCall> call(static_cast<TCall*>(data));
  TGError error;
  const TGVariant reply(
      g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, error.Receive()));
  GuardCallback<int>("notification shown", 0, [&] {
    const std::shared_ptr<TState> state = call->State.lock();
    if (!state || state->Owner == nullptr)
      return 0;
    TPresented done = std::move(call->Request.Done);
    if (reply.Get() == nullptr) {
      if (MeansNoService(error.Get()))
        state->Answer(std::move(done), TNotificationOutcome::NoService, "");
      else
        state->Answer(std::move(done), TNotificationOutcome::Refused,
                      "the notification server refused the notification: " +
                          ServerMessage(error.Get()));
      return 0;
    }
    guint32 id = 0;
    g_variant_get(reply.Get(), "(u)", &id);
    state->Open[id] = call->Request.Name;
    state->Answer(std::move(done), TNotificationOutcome::Presented, "");
    return 0;
  });
}

void TState::OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                      const gchar* signal, GVariant* parameters, gpointer data) noexcept {
  GuardCallback<int>("notification signal", 0, [&] {
    const std::shared_ptr<TState> state = static_cast<std::weak_ptr<TState>*>(data)->lock();
    if (!state || state->Owner == nullptr)
      return 0;
    guint32 id = 0;
    if (g_strcmp0(signal, "ActionInvoked") == 0 &&
        g_variant_is_of_type(parameters, G_VARIANT_TYPE("(us)"))) {
      const gchar* action = nullptr;
      g_variant_get(parameters, "(u&s)", &id, &action);
      if (g_strcmp0(action, kDefaultAction) == 0)
        state->Clicked(id);
    } else if (g_strcmp0(signal, "NotificationClosed") == 0 &&
               g_variant_is_of_type(parameters, G_VARIANT_TYPE("(uu)"))) {
      guint32 reason = 0;
      g_variant_get(parameters, "(uu)", &id, &reason);
      state->Open.erase(id);
    }
    return 0;
  });
}

void TState::Clicked(guint32 id) {
  const auto it = Open.find(id);
  if (it == Open.end())
    return; // another program's notification, or one from before a restart
  Post([weak = weak_from_this(), name = it->second] {
    // A copy: the handler may replace itself or free the centre.
    std::function<void(const std::string&)> handler;
    if (const std::shared_ptr<TState> state = weak.lock(); state && state->Owner != nullptr)
      handler = state->Owner->OnClick;
    if (handler)
      handler(name);
  });
}

void TState::Answer(TPresented done, TNotificationOutcome outcome, std::string reason) {
  Post([done = std::move(done), outcome, reason = std::move(reason)] {
    if (done)
      done(outcome, reason);
  });
}

void TState::Post(std::function<void()> work) {
  struct TPosted {
    std::weak_ptr<TState> State;
    std::function<void()> Work;
  };
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer data) -> gboolean {
        return GuardCallback<gboolean>("notification", G_SOURCE_REMOVE, [&] {
          auto* posted = static_cast<TPosted*>(data);
          const std::shared_ptr<TState> state = posted->State.lock();
          if (state && state->Owner != nullptr)
            posted->Work();
          return G_SOURCE_REMOVE;
        });
      },
      new TPosted{weak_from_this(), std::move(work)},
      [](gpointer data) { delete static_cast<TPosted*>(data); });
}

GtkNotificationCenter::GtkNotificationCenter(std::string busAddress)
    : FState(std::make_shared<TState>(*this, std::move(busAddress))) {}

GtkNotificationCenter::~GtkNotificationCenter() {
  // Calls still on their way end at once and report to nobody.
  FState->Owner = nullptr;
  g_cancellable_cancel(FState->Cancellable.Get());
}

void GtkNotificationCenter::Present(const std::string& name, const std::string& heading,
                                    const std::string& text, TPresented done) {
  // The server's summary is the bold first line: the heading when there is
  // one, else the text itself. D-Bus strings are UTF-8.
  FState->Present({name, ValidUtf8(heading.empty() ? text : heading),
                   heading.empty() ? std::string() : ValidUtf8(text), std::move(done)});
}

std::size_t GtkNotificationCenter::OpenCount() const {
  return FState->Open.size();
}

} // namespace tessera::gtk
