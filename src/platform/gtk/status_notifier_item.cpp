#include "platform/gtk/status_notifier_item.h"

#include "platform/gtk/callback_guard.h"
#include "platform/gtk/gerror.h"
#include "platform/gtk/tray_icon_picture.h"
#include "platform/gtk/valid_utf8.h"

#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

namespace tessera::gtk {

namespace {

constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr const char* kMenuPath = "/MenuBar";
constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kWatcherInterface = "org.kde.StatusNotifierWatcher";

constexpr const char* kIntrospection = R"xml(<node>
  <interface name="org.kde.StatusNotifierItem">
    <property name="Category" type="s" access="read"/>
    <property name="Id" type="s" access="read"/>
    <property name="Title" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="WindowId" type="i" access="read"/>
    <property name="IconThemePath" type="s" access="read"/>
    <property name="IconName" type="s" access="read"/>
    <property name="IconPixmap" type="a(iiay)" access="read"/>
    <property name="OverlayIconName" type="s" access="read"/>
    <property name="OverlayIconPixmap" type="a(iiay)" access="read"/>
    <property name="AttentionIconName" type="s" access="read"/>
    <property name="AttentionIconPixmap" type="a(iiay)" access="read"/>
    <property name="AttentionMovieName" type="s" access="read"/>
    <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
    <property name="ItemIsMenu" type="b" access="read"/>
    <property name="Menu" type="o" access="read"/>
    <method name="ContextMenu">
      <arg name="x" type="i" direction="in"/>
      <arg name="y" type="i" direction="in"/>
    </method>
    <method name="Activate">
      <arg name="x" type="i" direction="in"/>
      <arg name="y" type="i" direction="in"/>
    </method>
    <method name="SecondaryActivate">
      <arg name="x" type="i" direction="in"/>
      <arg name="y" type="i" direction="in"/>
    </method>
    <method name="Scroll">
      <arg name="delta" type="i" direction="in"/>
      <arg name="orientation" type="s" direction="in"/>
    </method>
    <signal name="NewTitle"/>
    <signal name="NewIcon"/>
    <signal name="NewAttentionIcon"/>
    <signal name="NewOverlayIcon"/>
    <signal name="NewToolTip"/>
    <signal name="NewStatus">
      <arg name="status" type="s"/>
    </signal>
  </interface>
</node>)xml";

GDBusInterfaceInfo* InterfaceInfo() {
  // Parsed once and kept for the process.
  static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
  return node != nullptr ? node->interfaces[0] : nullptr;
}

// The session bus's address, or empty. Without one set GLib would run
// dbus-launch to start a bus for the display, and wait for it: such a new
// bus has no watcher on it, so the item does without.
std::string SessionBusAddress() {
  const gchar* set = g_getenv("DBUS_SESSION_BUS_ADDRESS");
  if (set != nullptr && *set != '\0') {
    return g_str_has_prefix(set, "autolaunch:") ? std::string() : std::string(set);
  }
  // Where a desktop session puts the bus when it sets no address.
  const std::unique_ptr<gchar, decltype(&g_free)> socket(
      g_build_filename(g_get_user_runtime_dir(), "bus", nullptr), &g_free);
  GStatBuf status{};
  if (g_stat(socket.get(), &status) != 0 || !S_ISSOCK(status.st_mode) ||
      status.st_uid != getuid()) {
    return std::string();
  }
  const std::unique_ptr<gchar, decltype(&g_free)> escaped(g_dbus_address_escape_value(socket.get()),
                                                          &g_free);
  return std::string("unix:path=") + escaped.get();
}

// One name per item, as the protocol names items.
std::string NewBusName() {
  static std::atomic<unsigned> counter{0};
  return "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

// The pictures as the protocol carries them: width, height and 32-bit ARGB
// pixels in network byte order, unpremultiplied.
GVariant* PixmapsVariant(const std::vector<TGObjectPtr<GdkPixbuf>>& pixbufs) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a(iiay)"));
  for (const TGObjectPtr<GdkPixbuf>& held : pixbufs) {
    GdkPixbuf* pixbuf = held.Get();
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    if (gdk_pixbuf_get_colorspace(pixbuf) != GDK_COLORSPACE_RGB ||
        gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 || (channels != 3 && channels != 4)) {
      continue;
    }
    const int width = gdk_pixbuf_get_width(pixbuf);
    const int height = gdk_pixbuf_get_height(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const guint8* pixels = gdk_pixbuf_read_pixels(pixbuf);
    std::vector<guint8> argb(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    size_t out = 0;
    for (int y = 0; y < height; ++y) {
      const guint8* row = pixels + static_cast<ptrdiff_t>(y) * stride;
      for (int x = 0; x < width; ++x) {
        const guint8* pixel = row + static_cast<ptrdiff_t>(x) * channels;
        argb[out++] = channels == 4 ? pixel[3] : 0xFF;
        argb[out++] = pixel[0];
        argb[out++] = pixel[1];
        argb[out++] = pixel[2];
      }
    }
    g_variant_builder_add(
        &builder, "(ii@ay)", width, height,
        g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, argb.data(), argb.size(), 1));
  }
  return g_variant_builder_end(&builder);
}

GVariant* NoPixmaps() {
  return g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0);
}

std::string ApplicationName() {
  const gchar* name = g_get_application_name();
  return ValidUtf8(name != nullptr ? name : "");
}

} // namespace

// What an asynchronous call's callback is given: the item, if it still
// lives when the answer comes, and the generation the call was made in.
struct TStatusNotifierItem::TCallContext {
  TStatusNotifierItem* Self;
  std::weak_ptr<int> Life;
  std::uint64_t Generation;

  TStatusNotifierItem* Item() const { return Life.expired() ? nullptr : Self; }
  // Runs `step` on the item, if it still lives, inside the guard every
  // GLib callback needs.
  template <typename F> void Run(const char* where, F&& step) const {
    if (TStatusNotifierItem* item = Item()) {
      GuardCallback<int>(where, 0, [&] {
        step(*item);
        return 0;
      });
    }
  }
  static void Free(gpointer context) { delete static_cast<TCallContext*>(context); }
};

TStatusNotifierItem::TStatusNotifierItem(std::function<void()> onChanged)
    : FOnChanged(std::move(onChanged)), FBusName(NewBusName()), FCancellable(g_cancellable_new()),
      FMenu(kMenuPath) {
  const std::string address = SessionBusAddress();
  if (address.empty()) {
    FNoBus = true;
    return;
  }
  g_dbus_connection_new_for_address(
      address.c_str(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, FCancellable.Get(), &TStatusNotifierItem::OnConnected,
      new TCallContext{this, FLife.Weak(), FGeneration});
}

TStatusNotifierItem::~TStatusNotifierItem() {
  g_cancellable_cancel(FCancellable.Get());
  if (!FConnection) {
    return;
  }
  g_signal_handlers_disconnect_by_data(FConnection.Get(), this);
  if (FWatch != 0) {
    g_bus_unwatch_name(FWatch);
  }
  if (FWatcherSignals != 0) {
    g_dbus_connection_signal_unsubscribe(FConnection.Get(), FWatcherSignals);
  }
  ReleaseName();
  FMenu.Withdraw();
  if (FObjectRegistration != 0) {
    g_dbus_connection_unregister_object(FConnection.Get(), FObjectRegistration);
  }
  // The connection is ours alone: closing it takes the name and whatever
  // the watcher keeps of the item off the bus at once.
  g_dbus_connection_close(FConnection.Get(), nullptr, nullptr, nullptr);
}

void TStatusNotifierItem::SetShown(bool shown) {
  if (shown && !FShown) {
    RefreshLook();
    // Each show asks the watcher again, whatever it answered last time.
    FRefused = false;
  }
  FShown = shown;
  Advance();
}

void TStatusNotifierItem::SetMenu(GtkToolkitMenu* menu) {
  FMenu.SetMenu(menu);
}

TStatusNotifierItem::TReach TStatusNotifierItem::Reach() const {
  if (FNoBus) {
    return TReach::NoWatcher;
  }
  if (!FConnection || !FWatcherKnown) {
    return TReach::Pending;
  }
  return FWatcherOwner.empty() || FRefused ? TReach::NoWatcher : TReach::Watcher;
}

bool TStatusNotifierItem::Shown() const {
  return FShown && Reach() == TReach::Watcher && FRegistered && FHostPresent;
}

void TStatusNotifierItem::Notify() {
  if (FOnChanged) {
    FOnChanged();
  }
}

void TStatusNotifierItem::RefreshLook() {
  const TTrayIconPicture picture = CurrentTrayIconPicture();
  FTitle = ApplicationName();
  FIconName = picture.IconName;
  FIconPixmaps = TGVariantPtr(PixmapsVariant(picture.Pixbufs));
  if (FConnection && FObjectRegistration != 0) {
    // Panels showing the item already read the look again.
    for (const char* signal : {"NewTitle", "NewIcon", "NewToolTip"}) {
      g_dbus_connection_emit_signal(FConnection.Get(), nullptr, kItemPath, kItemInterface, signal,
                                    nullptr, nullptr);
    }
  }
}

void TStatusNotifierItem::OnConnected(GObject*, GAsyncResult* result, gpointer context) noexcept {
  std::unique_ptr<TCallContext> call(static_cast<TCallContext*>(context));
  TGError error;
  GDBusConnection* connection = g_dbus_connection_new_for_address_finish(result, error.Receive());
  TGObjectPtr<GDBusConnection> held(connection);
  TStatusNotifierItem* item = call->Item();
  if (item == nullptr) {
    return;
  }
  if (connection == nullptr) {
    std::fprintf(stderr, "tessera: the tray cannot reach the session bus: %s\n",
                 error.Message().c_str());
  }
  GuardCallback<int>("tray bus connected", 0, [&] {
    if (connection == nullptr) {
      item->FNoBus = true;
      item->Notify();
    } else {
      item->Connected(connection);
    }
    return 0;
  });
}

void TStatusNotifierItem::Connected(GDBusConnection* connection) {
  FConnection = TGObjectPtr<GDBusConnection>::Retain(connection);
  // The bus going away (a desktop session ending) is no reason to end the
  // program; the item only loses its tray.
  g_dbus_connection_set_exit_on_close(connection, FALSE);
  g_signal_connect(connection, "closed", G_CALLBACK(&TStatusNotifierItem::OnClosed), this);

  static const GDBusInterfaceVTable vtable{
      &TStatusNotifierItem::OnMethodCall, &TStatusNotifierItem::OnGetProperty, nullptr, {}};
  TGError error;
  FObjectRegistration = g_dbus_connection_register_object(connection, kItemPath, InterfaceInfo(),
                                                          &vtable, this, nullptr, error.Receive());
  if (FObjectRegistration == 0) {
    std::fprintf(stderr, "tessera: cannot export the tray icon: %s\n", error.Message().c_str());
    FNoBus = true;
    Notify();
    return;
  }
  FMenu.Export(connection);

  // A host that comes or goes behind the watcher decides whether the item
  // is seen.
  FWatcherSignals = g_dbus_connection_signal_subscribe(
      connection, kWatcherName, kWatcherInterface, nullptr, kWatcherPath, nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE, &TStatusNotifierItem::OnWatcherSignal,
      new TCallContext{this, FLife.Weak(), 0}, &TCallContext::Free);
  FWatch = g_bus_watch_name_on_connection(
      connection, kWatcherName, G_BUS_NAME_WATCHER_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar* owner, gpointer context) {
        static_cast<TCallContext*>(context)->Run(
            "tray watcher appeared",
            [owner](TStatusNotifierItem& item) { item.WatcherAppeared(owner); });
      },
      [](GDBusConnection*, const gchar*, gpointer context) {
        static_cast<TCallContext*>(context)->Run(
            "tray watcher vanished", [](TStatusNotifierItem& item) { item.WatcherVanished(); });
      },
      new TCallContext{this, FLife.Weak(), 0}, &TCallContext::Free);
}

void TStatusNotifierItem::OnClosed(GDBusConnection*, gboolean, GError*, gpointer self) noexcept {
  GuardCallback<int>("tray bus closed", 0, [&] {
    static_cast<TStatusNotifierItem*>(self)->Closed();
    return 0;
  });
}

void TStatusNotifierItem::Closed() {
  FNoBus = true;
  FRegistered = false;
  FRegistering = false;
  ++FGeneration;
  Notify();
}

void TStatusNotifierItem::WatcherAppeared(const gchar* owner) {
  FWatcherKnown = true;
  FWatcherOwner = owner != nullptr ? owner : "";
  // A watcher that (re)started knows nothing of the item: it registers
  // anew, and one that refused before may take it now.
  FRefused = false;
  FRegistered = false;
  FRegistering = false;
  FHostPresent = false;
  ++FGeneration;
  Advance();
  Notify();
}

void TStatusNotifierItem::WatcherVanished() {
  FWatcherKnown = true;
  FWatcherOwner.clear();
  FRegistered = false;
  FRegistering = false;
  FHostPresent = false;
  ++FGeneration;
  Notify();
}

void TStatusNotifierItem::Advance() {
  if (!FConnection || FNoBus) {
    return;
  }
  if (!FShown) {
    if (FNameOwnership != 0) {
      ReleaseName();
      FRegistered = false;
      FRegistering = false;
      ++FGeneration;
      Notify();
    }
    return;
  }
  if (FNameOwnership == 0) {
    FNameOwnership = g_bus_own_name_on_connection(
        FConnection.Get(), FBusName.c_str(), G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE,
        [](GDBusConnection*, const gchar*, gpointer context) {
          static_cast<TCallContext*>(context)->Run(
              "tray name acquired", [](TStatusNotifierItem& item) { item.NameAcquired(); });
        },
        [](GDBusConnection*, const gchar*, gpointer context) {
          static_cast<TCallContext*>(context)->Run(
              "tray name lost", [](TStatusNotifierItem& item) { item.NameLost(); });
        },
        new TCallContext{this, FLife.Weak(), 0}, &TCallContext::Free);
    return;
  }
  if (!FNameOwned || FWatcherOwner.empty() || FRefused || FRegistering || FRegistered) {
    return;
  }
  FRegistering = true;
  g_dbus_connection_call(FConnection.Get(), kWatcherName, kWatcherPath, kWatcherInterface,
                         "RegisterStatusNotifierItem", g_variant_new("(s)", FBusName.c_str()),
                         nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, FCancellable.Get(),
                         &TStatusNotifierItem::OnRegisterReply,
                         new TCallContext{this, FLife.Weak(), FGeneration});
}

void TStatusNotifierItem::ReleaseName() {
  if (FNameOwnership != 0) {
    g_bus_unown_name(std::exchange(FNameOwnership, 0u));
  }
  FNameOwned = false;
}

void TStatusNotifierItem::NameAcquired() {
  FNameOwned = true;
  Advance();
}

void TStatusNotifierItem::NameLost() {
  // Another program holds the name, or the bus went: no registration.
  FNameOwned = false;
  FRegistered = false;
  FRegistering = false;
  FRefused = true;
  ++FGeneration;
  Notify();
}

void TStatusNotifierItem::OnRegisterReply(GObject* source, GAsyncResult* result,
                                          gpointer context) noexcept {
  std::unique_ptr<TCallContext> call(static_cast<TCallContext*>(context));
  TGError error;
  GVariant* reply =
      g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, error.Receive());
  TGVariantPtr held(reply);
  TStatusNotifierItem* item = call->Item();
  if (item != nullptr && reply == nullptr) {
    std::fprintf(stderr, "tessera: the tray's watcher did not take the icon: %s\n",
                 error.Message().c_str());
  }
  if (item != nullptr) {
    GuardCallback<int>("tray registered", 0, [&] {
      item->Registered(reply != nullptr, call->Generation);
      return 0;
    });
  }
}

void TStatusNotifierItem::Registered(bool ok, std::uint64_t generation) {
  if (generation != FGeneration) {
    return;
  }
  FRegistering = false;
  FRegistered = ok;
  FRefused = !ok;
  if (ok) {
    AskForHost();
  }
  Notify();
}

void TStatusNotifierItem::AskForHost() {
  g_dbus_connection_call(
      FConnection.Get(), kWatcherName, kWatcherPath, "org.freedesktop.DBus.Properties", "Get",
      g_variant_new("(ss)", kWatcherInterface, "IsStatusNotifierHostRegistered"),
      G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, FCancellable.Get(),
      &TStatusNotifierItem::OnHostReply, new TCallContext{this, FLife.Weak(), FGeneration});
}

void TStatusNotifierItem::OnHostReply(GObject* source, GAsyncResult* result,
                                      gpointer context) noexcept {
  std::unique_ptr<TCallContext> call(static_cast<TCallContext*>(context));
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
  TGVariantPtr held(reply);
  TStatusNotifierItem* item = call->Item();
  if (item == nullptr) {
    return;
  }
  // A watcher without the property is one with its host built in.
  bool present = true;
  if (reply != nullptr) {
    TGVariantPtr value(g_variant_get_child_value(reply, 0));
    TGVariantPtr inner(g_variant_get_variant(value.Get()));
    if (g_variant_is_of_type(inner.Get(), G_VARIANT_TYPE_BOOLEAN)) {
      present = g_variant_get_boolean(inner.Get()) != FALSE;
    }
  }
  GuardCallback<int>("tray host", 0, [&] {
    item->HostState(present, call->Generation);
    return 0;
  });
}

void TStatusNotifierItem::HostState(bool present, std::uint64_t generation) {
  if (generation != FGeneration || !FRegistered) {
    return;
  }
  FHostPresent = present;
  Notify();
}

void TStatusNotifierItem::OnWatcherSignal(GDBusConnection*, const gchar*, const gchar*,
                                          const gchar*, const gchar* signal, GVariant*,
                                          gpointer context) noexcept {
  TStatusNotifierItem* item = static_cast<TCallContext*>(context)->Item();
  if (item == nullptr || !item->FRegistered) {
    return;
  }
  if (g_strcmp0(signal, "StatusNotifierHostRegistered") == 0 ||
      g_strcmp0(signal, "StatusNotifierHostUnregistered") == 0) {
    // Another host may remain after one went: the watcher says.
    GuardCallback<int>("tray host changed", 0, [&] {
      item->AskForHost();
      return 0;
    });
  }
}

void TStatusNotifierItem::HandleCall(const gchar* method, GDBusMethodInvocation* invocation) {
  // The page's handlers may show dialogs: they run from the loop, once the
  // panel has its answer, and only while the item lives.
  const auto post = [this](std::function<void()> TStatusNotifierItem::*handler) {
    RunFromLoop([this, life = FLife.Weak(), handler] {
      if (life.expired()) {
        return;
      }
      // Copied: the handler may free the item.
      std::function<void()> run = this->*handler;
      if (run) {
        run();
      }
    });
  };
  if (g_strcmp0(method, "Activate") == 0) {
    post(&TStatusNotifierItem::OnActivate);
  } else if (g_strcmp0(method, "ContextMenu") == 0) {
    post(&TStatusNotifierItem::OnContextMenu);
  }
  // The middle button and the wheel mean nothing to the application.
  g_dbus_method_invocation_return_value(invocation, nullptr);
}

void TStatusNotifierItem::OnMethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                       const gchar* method, GVariant*,
                                       GDBusMethodInvocation* invocation, gpointer self) noexcept {
  const bool answered = GuardCallback<bool>("tray icon call", false, [&] {
    static_cast<TStatusNotifierItem*>(self)->HandleCall(method, invocation);
    return true;
  });
  if (!answered) {
    g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_FAILED,
                                          "the tray icon could not answer");
  }
}

GVariant* TStatusNotifierItem::Property(const gchar* name) const {
  const auto is = [name](const char* wanted) { return g_strcmp0(name, wanted) == 0; };
  if (is("Category")) {
    return g_variant_new_string("ApplicationStatus");
  }
  if (is("Id")) {
    const gchar* program = g_get_prgname();
    return g_variant_new_string(ValidUtf8(program != nullptr ? program : "tessera").c_str());
  }
  if (is("Title")) {
    return g_variant_new_string(FTitle.c_str());
  }
  if (is("Status")) {
    return g_variant_new_string("Active");
  }
  if (is("WindowId")) {
    return g_variant_new_int32(0);
  }
  if (is("IconName")) {
    return g_variant_new_string(FIconName.c_str());
  }
  if (is("IconPixmap")) {
    return FIconPixmaps ? g_variant_ref(FIconPixmaps.Get()) : NoPixmaps();
  }
  if (is("IconThemePath") || is("OverlayIconName") || is("AttentionIconName") ||
      is("AttentionMovieName")) {
    return g_variant_new_string("");
  }
  if (is("OverlayIconPixmap") || is("AttentionIconPixmap")) {
    return NoPixmaps();
  }
  if (is("ToolTip")) {
    return g_variant_new("(s@a(iiay)ss)", "", NoPixmaps(), FTitle.c_str(), "");
  }
  if (is("ItemIsMenu")) {
    // A click is the application's own; the menu is for the other button.
    return g_variant_new_boolean(FALSE);
  }
  if (is("Menu")) {
    return g_variant_new_object_path(kMenuPath);
  }
  return nullptr;
}

GVariant* TStatusNotifierItem::OnGetProperty(GDBusConnection*, const gchar*, const gchar*,
                                             const gchar*, const gchar* property, GError** error,
                                             gpointer self) noexcept {
  GVariant* value = GuardCallback<GVariant*>("tray icon property", nullptr, [&] {
    return static_cast<TStatusNotifierItem*>(self)->Property(property);
  });
  if (value == nullptr) {
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "no property %s", property);
  }
  return value;
}

} // namespace tessera::gtk
