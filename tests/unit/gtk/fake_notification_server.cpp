#include "fake_notification_server.h"

#include "gtk_test_support.h"

#include <glib/gstdio.h>

#include <chrono>
#include <fstream>

namespace tessera::testing_gtk {

namespace {

constexpr const char* kName = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";

constexpr const char* kInterfaceXml = R"(<node>
  <interface name="org.freedesktop.Notifications">
    <method name="GetCapabilities"><arg type="as" direction="out"/></method>
    <method name="Notify">
      <arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
      <arg type="u" direction="out"/>
    </method>
    <method name="CloseNotification"><arg type="u" direction="in"/></method>
    <method name="GetServerInformation">
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
    </method>
    <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
    <signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
  </interface>
</node>)";

// Waits for `done`, without the test's main loop: the daemon and the
// server need none of ours.
template <typename F> bool WaitFor(F done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    g_usleep(10000);
  }
  return true;
}

constexpr auto kClientFlags = static_cast<GDBusConnectionFlags>(
    G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);

} // namespace

TIsolatedBus::TIsolatedBus() {
  gchar* folder = g_dir_make_tmp("tessera-bus-XXXXXX", nullptr);
  if (folder == nullptr)
    return;
  FFolder = folder;
  g_free(folder);
  FAddress = "unix:path=" + FFolder + "/bus";
  // No service folders: nothing is started for a name nobody owns.
  std::ofstream(FFolder + "/bus.conf") << R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=)" << FFolder << R"(/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";
  FDaemon = std::make_unique<TScopedProgram>(
      "dbus-daemon",
      std::vector<std::string>{"--config-file=" + FFolder + "/bus.conf", "--nofork"});
}

TIsolatedBus::~TIsolatedBus() {
  FDaemon.reset();
  if (!FFolder.empty()) {
    g_remove((FFolder + "/bus").c_str());
    g_remove((FFolder + "/bus.conf").c_str());
    g_rmdir(FFolder.c_str());
  }
}

bool TIsolatedBus::Up() {
  if (!FDaemon || !FDaemon->Running())
    return false;
  // Up once a client gets through the handshake.
  return WaitFor([this] {
    GDBusConnection* probe = g_dbus_connection_new_for_address_sync(FAddress.c_str(), kClientFlags,
                                                                    nullptr, nullptr, nullptr);
    if (probe == nullptr)
      return false;
    g_dbus_connection_close_sync(probe, nullptr, nullptr);
    g_object_unref(probe);
    return true;
  });
}

TFakeNotificationServer::TFakeNotificationServer(std::string address, int delayMs, bool bodyMarkup)
    : FAddress(std::move(address)), FDelayMs(delayMs), FBodyMarkup(bodyMarkup),
      FContext(g_main_context_new()), FLoop(g_main_loop_new(FContext, FALSE)),
      FThread([this] { Run(); }) {}

TFakeNotificationServer::~TFakeNotificationServer() {
  g_main_loop_quit(FLoop);
  FThread.join();
  g_main_loop_unref(FLoop);
  g_main_context_unref(FContext);
}

void TFakeNotificationServer::Run() {
  g_main_context_push_thread_default(FContext);
  GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
      FAddress.c_str(), kClientFlags, nullptr, nullptr, nullptr);
  GDBusNodeInfo* info = g_dbus_node_info_new_for_xml(kInterfaceXml, nullptr);
  guint registration = 0;
  if (connection != nullptr && info != nullptr) {
    static const GDBusInterfaceVTable vtable{
        &TFakeNotificationServer::OnMethodCall, nullptr, nullptr, {}};
    registration = g_dbus_connection_register_object(connection, kPath, info->interfaces[0],
                                                     &vtable, this, nullptr, nullptr);
    // 4: do not queue; 1: the primary owner now.
    GVariant* reply = g_dbus_connection_call_sync(
        connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "RequestName", g_variant_new("(su)", kName, 4u), G_VARIANT_TYPE("(u)"),
        G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    guint32 result = 0;
    if (reply != nullptr) {
      g_variant_get(reply, "(u)", &result);
      g_variant_unref(reply);
    }
    FConnection = connection;
    FReady = registration != 0 && result == 1 ? 1 : -1;
    g_main_loop_run(FLoop);
  } else {
    FReady = -1;
  }
  if (registration != 0)
    g_dbus_connection_unregister_object(connection, registration);
  FConnection = nullptr;
  if (connection != nullptr) {
    g_dbus_connection_close_sync(connection, nullptr, nullptr);
    g_object_unref(connection);
  }
  if (info != nullptr)
    g_dbus_node_info_unref(info);
  // Answers still held back go with their sources.
  while (g_main_context_iteration(FContext, FALSE)) {
  }
  g_main_context_pop_thread_default(FContext);
}

bool TFakeNotificationServer::WaitReady() {
  WaitFor([this] { return FReady != 0; });
  return FReady == 1;
}

std::vector<TFakeNotificationServer::TNotification> TFakeNotificationServer::Received() {
  std::lock_guard lock(FLock);
  return FReceived;
}

void TFakeNotificationServer::ActionInvoked(guint32 id, const char* action) {
  // Emitting is safe from any thread.
  g_dbus_connection_emit_signal(FConnection, nullptr, kPath, kName, "ActionInvoked",
                                g_variant_new("(us)", id, action), nullptr);
}

void TFakeNotificationServer::NotificationClosed(guint32 id) {
  // 2: dismissed by the user.
  g_dbus_connection_emit_signal(FConnection, nullptr, kPath, kName, "NotificationClosed",
                                g_variant_new("(uu)", id, 2u), nullptr);
}

void TFakeNotificationServer::OnMethodCall(GDBusConnection*, const gchar*, const gchar*,
                                           const gchar*, const gchar* method, GVariant* parameters,
                                           GDBusMethodInvocation* invocation, gpointer data) {
  auto* self = static_cast<TFakeNotificationServer*>(data);
  if (g_strcmp0(method, "GetCapabilities") == 0) {
    const gchar* markup[] = {"actions", "body", "body-markup", nullptr};
    const gchar* plain[] = {"actions", "body", nullptr};
    self->Reply(invocation,
                self->FBodyMarkup ? g_variant_new("(^as)", markup) : g_variant_new("(^as)", plain));
  } else if (g_strcmp0(method, "Notify") == 0) {
    TNotification notification;
    const gchar *application = nullptr, *icon = nullptr, *summary = nullptr, *body = nullptr;
    guint32 replaces = 0;
    GVariantIter* actions = nullptr;
    GVariant* hints = nullptr;
    gint32 timeout = 0;
    g_variant_get(parameters, "(&su&s&s&sas@a{sv}i)", &application, &replaces, &icon, &summary,
                  &body, &actions, &hints, &timeout);
    notification.Application = application;
    notification.Summary = summary;
    notification.Body = body;
    const gchar* action = nullptr;
    while (g_variant_iter_next(actions, "&s", &action))
      notification.Actions.emplace_back(action);
    g_variant_iter_free(actions);
    g_variant_unref(hints);
    guint32 id = 0;
    {
      std::lock_guard lock(self->FLock);
      self->FReceived.push_back(std::move(notification));
      id = static_cast<guint32>(self->FReceived.size());
    }
    self->Reply(invocation, g_variant_new("(u)", id));
  } else if (g_strcmp0(method, "GetServerInformation") == 0) {
    self->Reply(invocation, g_variant_new("(ssss)", "fake", "tessera", "1", "1.2"));
  } else {
    self->Reply(invocation, nullptr);
  }
}

void TFakeNotificationServer::Reply(GDBusMethodInvocation* invocation, GVariant* value) {
  struct TAnswer {
    GDBusMethodInvocation* Invocation;
    GVariant* Value;
  };
  if (value != nullptr)
    g_variant_ref_sink(value);
  auto* answer = new TAnswer{invocation, value};
  GSource* timer = g_timeout_source_new(static_cast<guint>(FDelayMs));
  g_source_set_callback(
      timer,
      [](gpointer data) -> gboolean {
        auto* held = static_cast<TAnswer*>(data);
        // Takes the invocation's reference.
        g_dbus_method_invocation_return_value(held->Invocation, held->Value);
        held->Invocation = nullptr;
        return G_SOURCE_REMOVE;
      },
      answer,
      [](gpointer data) {
        auto* held = static_cast<TAnswer*>(data);
        if (held->Invocation != nullptr)
          g_object_unref(held->Invocation);
        if (held->Value != nullptr)
          g_variant_unref(held->Value);
        delete held;
      });
  g_source_attach(timer, FContext);
  g_source_unref(timer);
}

} // namespace tessera::testing_gtk
