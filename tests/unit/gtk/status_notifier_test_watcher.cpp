#include "status_notifier_test_watcher.h"

#include "gtk_test_support.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace tessera::testing_gtk {

namespace {

constexpr const char* kWatcherXml = R"xml(<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem">
      <arg name="service" type="s" direction="in"/>
    </method>
    <method name="RegisterStatusNotifierHost">
      <arg name="service" type="s" direction="in"/>
    </method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
    <signal name="StatusNotifierHostUnregistered"/>
  </interface>
</node>)xml";

GDBusInterfaceInfo* WatcherInterface() {
  static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kWatcherXml, nullptr);
  return node->interfaces[0];
}

} // namespace

TScopedEnv::TScopedEnv(const char* name, const char* value) : FName(name) {
  if (const char* old = g_getenv(name)) {
    FOld = old;
  }
  if (value != nullptr) {
    g_setenv(name, value, TRUE);
  } else {
    g_unsetenv(name);
  }
}

TScopedEnv::~TScopedEnv() {
  if (FOld) {
    g_setenv(FName.c_str(), FOld->c_str(), TRUE);
  } else {
    g_unsetenv(FName.c_str());
  }
}

TPrivateBus::TPrivateBus() {
  gchar* argv[] = {const_cast<gchar*>("dbus-daemon"), const_cast<gchar*>("--session"),
                   const_cast<gchar*>("--nofork"), const_cast<gchar*>("--print-address"), nullptr};
  gint out = -1;
  if (!g_spawn_async_with_pipes(nullptr, argv, nullptr,
                                static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH |
                                                         G_SPAWN_DO_NOT_REAP_CHILD |
                                                         G_SPAWN_STDERR_TO_DEV_NULL),
                                nullptr, nullptr, &FPid, nullptr, &out, nullptr, nullptr)) {
    FPid = 0;
    return;
  }
  // The daemon prints its address once it listens, or ends the pipe when
  // it cannot start.
  std::string line;
  char c = 0;
  while (read(out, &c, 1) == 1 && c != '\n') {
    line += c;
  }
  close(out);
  if (line.empty()) {
    return;
  }
  FAddress = line;
  FEnv.emplace("DBUS_SESSION_BUS_ADDRESS", FAddress.c_str());
}

TPrivateBus::~TPrivateBus() {
  FEnv.reset();
  if (FPid != 0) {
    kill(FPid, SIGTERM);
    waitpid(FPid, nullptr, 0);
    g_spawn_close_pid(FPid);
  }
}

TCallResult::TCallResult(TCallResult&& other) noexcept
    : Reply(std::exchange(other.Reply, nullptr)), Error(std::move(other.Error)) {}

TCallResult::~TCallResult() {
  if (Reply != nullptr) {
    g_variant_unref(Reply);
  }
}

TTestWatcher::TTestWatcher(const std::string& address) {
  FConnection = g_dbus_connection_new_for_address_sync(
      address.c_str(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, nullptr);
  if (FConnection == nullptr) {
    return;
  }
  g_dbus_connection_set_exit_on_close(FConnection, FALSE);
  FLayoutSignal = g_dbus_connection_signal_subscribe(
      FConnection, nullptr, "com.canonical.dbusmenu", "LayoutUpdated", nullptr, nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
         GVariant* parameters, gpointer self) {
        guint32 revision = 0;
        g_variant_get(parameters, "(ui)", &revision, nullptr);
        static_cast<TTestWatcher*>(self)->FLayoutUpdates.push_back(revision);
      },
      this, nullptr);
}

TTestWatcher::~TTestWatcher() {
  Stop();
  if (FConnection != nullptr) {
    g_dbus_connection_signal_unsubscribe(FConnection, FLayoutSignal);
    g_dbus_connection_close_sync(FConnection, nullptr, nullptr);
    g_object_unref(FConnection);
  }
}

bool TTestWatcher::Start() {
  if (FConnection == nullptr) {
    return false;
  }
  static const GDBusInterfaceVTable vtable{
      &TTestWatcher::OnMethodCall, &TTestWatcher::OnGetProperty, nullptr, {}};
  FObject = g_dbus_connection_register_object(FConnection, "/StatusNotifierWatcher",
                                              WatcherInterface(), &vtable, this, nullptr, nullptr);
  FOwned = false;
  FOwnership = g_bus_own_name_on_connection(
      FConnection, "org.kde.StatusNotifierWatcher", G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE,
      [](GDBusConnection*, const gchar*, gpointer self) {
        static_cast<TTestWatcher*>(self)->FOwned = true;
      },
      nullptr, this, nullptr);
  return PumpUntil([this] { return FOwned; });
}

void TTestWatcher::Stop() {
  if (FOwnership != 0) {
    g_bus_unown_name(std::exchange(FOwnership, 0u));
  }
  if (FObject != 0) {
    g_dbus_connection_unregister_object(FConnection, std::exchange(FObject, 0u));
  }
  for (guint watch : FItemWatches) {
    g_bus_unwatch_name(watch);
  }
  FItemWatches.clear();
  FItems.clear();
  FOwned = false;
}

void TTestWatcher::SetHostPresent(bool present) {
  FHostPresent = present;
  g_dbus_connection_emit_signal(
      FConnection, nullptr, "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
      present ? "StatusNotifierHostRegistered" : "StatusNotifierHostUnregistered", nullptr,
      nullptr);
}

void TTestWatcher::OnMethodCall(GDBusConnection*, const gchar* sender, const gchar*, const gchar*,
                                const gchar* method, GVariant* parameters,
                                GDBusMethodInvocation* invocation, gpointer self) {
  auto* watcher = static_cast<TTestWatcher*>(self);
  if (g_strcmp0(method, "RegisterStatusNotifierItem") != 0) {
    g_dbus_method_invocation_return_value(invocation, nullptr);
    return;
  }
  if (watcher->Refuse) {
    g_dbus_method_invocation_return_dbus_error(invocation, "org.kde.StatusNotifierWatcher.Error",
                                               "refused by the test");
    return;
  }
  const gchar* service = nullptr;
  g_variant_get(parameters, "(&s)", &service);
  // A path alone names an object of the caller.
  const std::string name = service[0] == '/' ? std::string(sender) : std::string(service);
  ++watcher->FRegistrations;
  watcher->FItems.push_back(name);
  // Watchers forget an item whose name leaves the bus.
  watcher->FItemWatches.push_back(g_bus_watch_name_on_connection(
      watcher->FConnection, name.c_str(), G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr,
      [](GDBusConnection*, const gchar* gone, gpointer data) {
        auto* items = static_cast<std::vector<std::string>*>(data);
        items->erase(std::remove(items->begin(), items->end(), gone), items->end());
      },
      &watcher->FItems, nullptr));
  g_dbus_connection_emit_signal(watcher->FConnection, nullptr, "/StatusNotifierWatcher",
                                "org.kde.StatusNotifierWatcher", "StatusNotifierItemRegistered",
                                g_variant_new("(s)", name.c_str()), nullptr);
  g_dbus_method_invocation_return_value(invocation, nullptr);
}

GVariant* TTestWatcher::OnGetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                      const gchar* property, GError**, gpointer self) {
  auto* watcher = static_cast<TTestWatcher*>(self);
  if (g_strcmp0(property, "IsStatusNotifierHostRegistered") == 0) {
    return g_variant_new_boolean(watcher->FHostPresent);
  }
  if (g_strcmp0(property, "ProtocolVersion") == 0) {
    return g_variant_new_int32(0);
  }
  GVariantBuilder items;
  g_variant_builder_init(&items, G_VARIANT_TYPE_STRING_ARRAY);
  for (const std::string& item : watcher->FItems) {
    g_variant_builder_add(&items, "s", item.c_str());
  }
  return g_variant_builder_end(&items);
}

TCallResult TTestWatcher::Call(const std::string& service, const char* path, const char* interface,
                               const char* method, GVariant* parameters) {
  // Asynchronous: the item answers from this same thread's loop.
  struct TWait {
    bool Done = false;
    TCallResult Result;
  } wait;
  g_dbus_connection_call(
      FConnection, service.c_str(), path, interface, method, parameters, nullptr,
      G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        auto* waiting = static_cast<TWait*>(data);
        GError* error = nullptr;
        waiting->Result.Reply =
            g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
        if (error != nullptr) {
          waiting->Result.Error = error->message;
          g_error_free(error);
        }
        waiting->Done = true;
      },
      &wait);
  // The call itself times out after 25 s, so the wait always ends.
  PumpUntil([&] { return wait.Done; });
  return std::move(wait.Result);
}

void TTestWatcher::Send(const std::string& service, const char* path, const char* interface,
                        const char* method, GVariant* parameters, bool* answered) {
  g_dbus_connection_call(
      FConnection, service.c_str(), path, interface, method, parameters, nullptr,
      G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
        if (reply != nullptr) {
          g_variant_unref(reply);
          *static_cast<bool*>(data) = true;
        }
      },
      answered);
}

GVariant* TTestWatcher::Property(const std::string& service, const char* name) {
  TCallResult result = Call(service, "/StatusNotifierItem", "org.freedesktop.DBus.Properties",
                            "Get", g_variant_new("(ss)", "org.kde.StatusNotifierItem", name));
  if (!result) {
    return nullptr;
  }
  GVariant* value = nullptr;
  g_variant_get(result.Reply, "(v)", &value);
  return value;
}

} // namespace tessera::testing_gtk
