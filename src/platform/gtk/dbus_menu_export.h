#pragma once

#include "platform/gtk/gobject_ptr.h"
#include "platform/gtk/idle_call.h"
#include "platform/gtk/toolkit_menu_gtk.h"

#include <gio/gio.h>

#include <cstdint>
#include <string>

namespace tessera::gtk {

// A pop-up menu on the session bus as com.canonical.dbusmenu, the menu
// protocol of StatusNotifierItem trays: the tray's host reads the items'
// captions, states, images and levels and shows the menu itself, then
// reports the item the user chose. The export follows the menu's changes
// and outlives it safely (a menu freed while set exports as empty).
class TDBusMenuExport final : private GtkMenuObserver {
public:
  // Follows the menu from the start; on the bus once exported.
  explicit TDBusMenuExport(const char* path);
  ~TDBusMenuExport();
  TDBusMenuExport(const TDBusMenuExport&) = delete;
  TDBusMenuExport& operator=(const TDBusMenuExport&) = delete;

  // Null for none.
  void SetMenu(GtkToolkitMenu* menu);
  // Puts the menu at the path on the connection, for as long as the
  // object lives or until Withdraw.
  void Export(GDBusConnection* connection);
  void Withdraw();

private:
  void MenuChanged() override;
  void MenuDestroyed() override;
  void HandleCall(const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation);
  // The protocol's calls: each answers its reply, or null with `error` set.
  GVariant* GetLayout(GVariant* parameters, std::string& error) const;
  GVariant* GetGroupProperties(GVariant* parameters) const;
  GVariant* GetProperty(GVariant* parameters, std::string& error) const;
  GVariant* Event(GVariant* parameters, std::string& error);
  GVariant* EventGroup(GVariant* parameters);
  // Whether the id is the root's or an item's; the item, null for the root.
  bool Known(std::int32_t id) const;
  const GtkToolkitMenuItem* ItemOf(std::int32_t id) const;
  void PostClick(std::int32_t id);
  // Runs a "clicked" event's item from the loop; false when the menu has
  // no item of that id.
  bool Clicked(std::int32_t id);

  static void OnMethodCall(GDBusConnection*, const gchar* sender, const gchar* path,
                           const gchar* interface, const gchar* method, GVariant* parameters,
                           GDBusMethodInvocation* invocation, gpointer self) noexcept;
  static GVariant* OnGetProperty(GDBusConnection*, const gchar* sender, const gchar* path,
                                 const gchar* interface, const gchar* property, GError** error,
                                 gpointer self) noexcept;
  static gboolean OnLayoutIdle(gpointer self) noexcept;

  TGObjectPtr<GDBusConnection> FConnection;
  const char* const FPath;
  guint FRegistration = 0;
  GtkToolkitMenu* FMenu = nullptr;
  // Told to the host with every layout; a change makes a new one.
  std::uint32_t FRevision = 1;
  // A burst of changes (a whole menu built) is told once, from the loop.
  guint FLayoutIdle = 0;
  TLifeToken FLife;
};

} // namespace tessera::gtk
