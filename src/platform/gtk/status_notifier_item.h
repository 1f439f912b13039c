#pragma once

#include "platform/gtk/dbus_menu_export.h"
#include "platform/gtk/gobject_ptr.h"
#include "platform/gtk/gvariant_ptr.h"
#include "platform/gtk/idle_call.h"
#include "platform/gtk/toolkit_menu_gtk.h"

#include <gio/gio.h>

#include <cstdint>
#include <functional>
#include <string>

namespace tessera::gtk {

// The notification-area icon of today's desktops: a StatusNotifierItem on
// the session bus, which the desktop's watcher (org.kde.StatusNotifierWatcher)
// hands to the panels that show such items, with its menu exported as
// com.canonical.dbusmenu. The item has a connection to the bus of its own,
// so everything it owns there goes when it goes.
//
// Every call to the bus is asynchronous: a slow or hung desktop never holds
// the UI thread. Clicks come back from the main loop, after the bus's
// callback has returned.
class TStatusNotifierItem {
public:
  // Where the item stands with the desktop.
  enum class TReach {
    // Still finding out: the bus is being reached or the watcher looked for.
    Pending,
    // A watcher is there (and has not refused the item): it is the tray.
    Watcher,
    // No session bus, no watcher on it, or the watcher refused the item.
    NoWatcher,
  };

  // `onChanged` runs whenever Reach() or Shown() may have changed, inside
  // a bus callback: it must not show UI or free the item.
  explicit TStatusNotifierItem(std::function<void()> onChanged);
  ~TStatusNotifierItem();
  TStatusNotifierItem(const TStatusNotifierItem&) = delete;
  TStatusNotifierItem& operator=(const TStatusNotifierItem&) = delete;

  // Shown: the item takes its name on the bus and registers with the
  // watcher, also again whenever a watcher appears; hidden: it gives the
  // name up, which takes it off every panel.
  void SetShown(bool shown);
  void SetMenu(GtkToolkitMenu* menu);

  TReach Reach() const;
  // Whether a panel shows the item now: registered with the watcher that
  // runs, which has a host to show it.
  bool Shown() const;

  // Both run from the main loop. A click on the item itself:
  std::function<void()> OnActivate;
  // A panel that does not read menus over the bus asks for the menu:
  std::function<void()> OnContextMenu;

private:
  struct TCallContext;
  void Connected(GDBusConnection* connection);
  void Closed();
  void WatcherAppeared(const gchar* owner);
  void WatcherVanished();
  void NameAcquired();
  void NameLost();
  void Registered(bool ok, std::uint64_t generation);
  void HostState(bool present, std::uint64_t generation);
  // Moves the bus's side towards what was asked: name, registration.
  void Advance();
  void ReleaseName();
  void AskForHost();
  void RefreshLook();
  void HandleCall(const gchar* method, GDBusMethodInvocation* invocation);
  GVariant* Property(const gchar* name) const;
  void Notify();

  static void OnConnected(GObject*, GAsyncResult* result, gpointer context) noexcept;
  static void OnClosed(GDBusConnection*, gboolean, GError*, gpointer self) noexcept;
  static void OnRegisterReply(GObject* source, GAsyncResult* result, gpointer context) noexcept;
  static void OnHostReply(GObject* source, GAsyncResult* result, gpointer context) noexcept;
  static void OnWatcherSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                              const gchar*, GVariant*, gpointer context) noexcept;
  static void OnMethodCall(GDBusConnection*, const gchar* sender, const gchar* path,
                           const gchar* interface, const gchar* method, GVariant* parameters,
                           GDBusMethodInvocation* invocation, gpointer self) noexcept;
  static GVariant* OnGetProperty(GDBusConnection*, const gchar* sender, const gchar* path,
                                 const gchar* interface, const gchar* property, GError** error,
                                 gpointer self) noexcept;

  const std::function<void()> FOnChanged;
  const std::string FBusName;
  TLifeToken FLife;
  TGObjectPtr<GCancellable> FCancellable;
  TGObjectPtr<GDBusConnection> FConnection;
  TDBusMenuExport FMenu;
  bool FNoBus = false;
  bool FShown = false;
  guint FObjectRegistration = 0;
  guint FWatch = 0;
  guint FWatcherSignals = 0;
  // Known once the watch has reported; the owner empty when none.
  bool FWatcherKnown = false;
  std::string FWatcherOwner;
  guint FNameOwnership = 0;
  bool FNameOwned = false;
  // The watcher refused the item or the name could not be had: the
  // desktop's other tray, if any, is used until a watcher appears anew.
  bool FRefused = false;
  bool FRegistering = false;
  bool FRegistered = false;
  bool FHostPresent = false;
  // Replies to calls made before the last hide or change of watcher are
  // out of date; they carry the generation they were asked in.
  std::uint64_t FGeneration = 0;
  // The look the panels read, as of the last show.
  std::string FTitle;
  std::string FIconName;
  TGVariantPtr FIconPixmaps;
};

} // namespace tessera::gtk
