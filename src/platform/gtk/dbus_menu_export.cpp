#include "platform/gtk/dbus_menu_export.h"

#include "platform/gtk/callback_guard.h"
#include "platform/gtk/gerror.h"
#include "platform/gtk/gvariant_ptr.h"
#include "platform/gtk/menu_caption.h"
#include "platform/gtk/toolkit_image_gtk.h"
#include "platform/gtk/valid_utf8.h"

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

namespace tessera::gtk {

namespace {

constexpr const char* kInterface = "com.canonical.dbusmenu";

constexpr const char* kIntrospection = R"xml(<node>
  <interface name="com.canonical.dbusmenu">
    <property name="Version" type="u" access="read"/>
    <property name="TextDirection" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="IconThemePath" type="as" access="read"/>
    <method name="GetLayout">
      <arg type="i" name="parentId" direction="in"/>
      <arg type="i" name="recursionDepth" direction="in"/>
      <arg type="as" name="propertyNames" direction="in"/>
      <arg type="u" name="revision" direction="out"/>
      <arg type="(ia{sv}av)" name="layout" direction="out"/>
    </method>
    <method name="GetGroupProperties">
      <arg type="ai" name="ids" direction="in"/>
      <arg type="as" name="propertyNames" direction="in"/>
      <arg type="a(ia{sv})" name="properties" direction="out"/>
    </method>
    <method name="GetProperty">
      <arg type="i" name="id" direction="in"/>
      <arg type="s" name="name" direction="in"/>
      <arg type="v" name="value" direction="out"/>
    </method>
    <method name="Event">
      <arg type="i" name="id" direction="in"/>
      <arg type="s" name="eventId" direction="in"/>
      <arg type="v" name="data" direction="in"/>
      <arg type="u" name="timestamp" direction="in"/>
    </method>
    <method name="EventGroup">
      <arg type="a(isvu)" name="events" direction="in"/>
      <arg type="ai" name="idErrors" direction="out"/>
    </method>
    <method name="AboutToShow">
      <arg type="i" name="id" direction="in"/>
      <arg type="b" name="needUpdate" direction="out"/>
    </method>
    <method name="AboutToShowGroup">
      <arg type="ai" name="ids" direction="in"/>
      <arg type="ai" name="updatesNeeded" direction="out"/>
      <arg type="ai" name="idErrors" direction="out"/>
    </method>
    <signal name="ItemsPropertiesUpdated">
      <arg type="a(ia{sv})" name="updatedProps"/>
      <arg type="a(ias)" name="removedProps"/>
    </signal>
    <signal name="LayoutUpdated">
      <arg type="u" name="revision"/>
      <arg type="i" name="parent"/>
    </signal>
    <signal name="ItemActivationRequested">
      <arg type="i" name="id"/>
      <arg type="u" name="timestamp"/>
    </signal>
  </interface>
</node>)xml";

// The menu's root, which the protocol numbers 0; items count from 1.
constexpr std::int32_t kRootId = 0;

// A D-Bus message nests at most 64 containers, and each level of the
// layout takes three (a structure, an array, a variant). A message beyond
// that limit makes the bus drop the connection, so levels below this one
// are left out of the export; no menu a person reads goes that deep.
constexpr int kMaxExportedLevels = 12;

GDBusInterfaceInfo* InterfaceInfo() {
  // Parsed once and kept for the process: every export shares it.
  static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
  return node != nullptr ? node->interfaces[0] : nullptr;
}

// Whether the host asked for the property: an empty list asks for all.
bool Wanted(const char* const* names, const char* name) {
  if (names == nullptr || names[0] == nullptr) {
    return true;
  }
  for (const char* const* it = names; *it != nullptr; ++it) {
    if (g_strcmp0(*it, name) == 0) {
      return true;
    }
  }
  return false;
}

// The image as PNG bytes, the form the protocol carries pictures in.
GVariant* PngVariant(GdkPixbuf* pixbuf) {
  gchar* buffer = nullptr;
  gsize size = 0;
  if (!gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "png", nullptr, nullptr)) {
    return nullptr;
  }
  return g_variant_new_from_data(G_VARIANT_TYPE_BYTESTRING, buffer, size, TRUE, g_free, buffer);
}

// An item's properties (a{sv}); the protocol's defaults (enabled, visible,
// a standard item) go unsaid.
GVariant* ItemProperties(const GtkToolkitMenuItem* item, const char* const* names) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE_VARDICT);
  const auto add = [&](const char* name, GVariant* value) {
    if (value != nullptr && Wanted(names, name)) {
      g_variant_builder_add(&builder, "{sv}", name, value);
    } else if (value != nullptr) {
      g_variant_unref(g_variant_ref_sink(value));
    }
  };
  if (item == nullptr) {
    add("children-display", g_variant_new_string("submenu"));
    return g_variant_builder_end(&builder);
  }
  if (item->IsSeparator()) {
    add("type", g_variant_new_string("separator"));
    return g_variant_builder_end(&builder);
  }
  // The protocol marks the key that chooses an item as GTK does.
  add("label", g_variant_new_string(MnemonicCaption(ValidUtf8(item->Caption())).c_str()));
  if (!item->Enabled()) {
    add("enabled", g_variant_new_boolean(FALSE));
  }
  if (item->HasSubItems()) {
    add("children-display", g_variant_new_string("submenu"));
  }
  if (const GtkToolkitImage* image = item->Image();
      image != nullptr && Wanted(names, "icon-data")) {
    add("icon-data", PngVariant(image->MenuPixbuf()));
  }
  return g_variant_builder_end(&builder);
}

// The layout (ia{sv}av) of `item` (null: the root) with `depth` levels of
// sub-items (-1: all).
GVariant* Layout(const GtkToolkitMenu* menu, const GtkToolkitMenuItem* item, int depth,
                 const char* const* names, int level) {
  GVariantBuilder children;
  g_variant_builder_init(&children, G_VARIANT_TYPE("av"));
  if (menu != nullptr && depth != 0 && level < kMaxExportedLevels) {
    for (const GtkToolkitMenuItem* child : menu->ItemsUnder(item)) {
      g_variant_builder_add(&children, "v",
                            Layout(menu, child, depth < 0 ? -1 : depth - 1, names, level + 1));
    }
  }
  return g_variant_new("(i@a{sv}av)", item != nullptr ? item->Id() : kRootId,
                       ItemProperties(item, names), &children);
}

// What "^a&s" gives: the array is ours, the strings are the variant's.
using TNames = std::unique_ptr<const gchar*, decltype(&g_free)>;

struct TIterFree {
  void operator()(GVariantIter* iter) const { g_variant_iter_free(iter); }
};
using TIter = std::unique_ptr<GVariantIter, TIterFree>;

// How deep the item lies: 0 for the top level.
int LevelOf(const GtkToolkitMenuItem* item) {
  int level = 0;
  for (const GtkToolkitMenuItem* parent = item->Parent(); parent != nullptr;
       parent = parent->Parent()) {
    ++level;
  }
  return level;
}

} // namespace

TDBusMenuExport::TDBusMenuExport(const char* path) : FPath(path) {}

TDBusMenuExport::~TDBusMenuExport() {
  SetMenu(nullptr);
  Withdraw();
}

void TDBusMenuExport::Export(GDBusConnection* connection) {
  Withdraw();
  static const GDBusInterfaceVTable vtable{
      &TDBusMenuExport::OnMethodCall, &TDBusMenuExport::OnGetProperty, nullptr, {}};
  TGError error;
  FRegistration = g_dbus_connection_register_object(connection, FPath, InterfaceInfo(), &vtable,
                                                    this, nullptr, error.Receive());
  if (FRegistration == 0) {
    std::fprintf(stderr, "tessera: cannot export the tray menu: %s\n", error.Message().c_str());
    return;
  }
  FConnection = TGObjectPtr<GDBusConnection>::Retain(connection);
}

void TDBusMenuExport::Withdraw() {
  if (FLayoutIdle != 0) {
    g_source_remove(std::exchange(FLayoutIdle, 0u));
  }
  if (FRegistration != 0) {
    g_dbus_connection_unregister_object(FConnection.Get(), std::exchange(FRegistration, 0u));
  }
  FConnection.Reset();
}

void TDBusMenuExport::SetMenu(GtkToolkitMenu* menu) {
  if (menu == FMenu) {
    return;
  }
  if (FMenu != nullptr) {
    FMenu->SetObserver(nullptr);
  }
  FMenu = menu;
  if (FMenu != nullptr) {
    FMenu->SetObserver(this);
  }
  MenuChanged();
}

void TDBusMenuExport::MenuChanged() {
  ++FRevision;
  if (FLayoutIdle == 0 && FRegistration != 0) {
    FLayoutIdle =
        g_idle_add_full(G_PRIORITY_DEFAULT, &TDBusMenuExport::OnLayoutIdle, this, nullptr);
  }
}

void TDBusMenuExport::MenuDestroyed() {
  FMenu = nullptr;
  MenuChanged();
}

gboolean TDBusMenuExport::OnLayoutIdle(gpointer self) noexcept {
  auto* exported = static_cast<TDBusMenuExport*>(self);
  exported->FLayoutIdle = 0;
  g_dbus_connection_emit_signal(exported->FConnection.Get(), nullptr, exported->FPath, kInterface,
                                "LayoutUpdated",
                                g_variant_new("(ui)", exported->FRevision, kRootId), nullptr);
  return G_SOURCE_REMOVE;
}

bool TDBusMenuExport::Clicked(std::int32_t id) {
  const GtkToolkitMenuItem* item = FMenu != nullptr ? FMenu->FindItem(id) : nullptr;
  if (item == nullptr) {
    return false;
  }
  item->Click();
  return true;
}

bool TDBusMenuExport::Known(std::int32_t id) const {
  return id == kRootId || (FMenu != nullptr && FMenu->FindItem(id) != nullptr);
}

const GtkToolkitMenuItem* TDBusMenuExport::ItemOf(std::int32_t id) const {
  return id != kRootId && FMenu != nullptr ? FMenu->FindItem(id) : nullptr;
}

void TDBusMenuExport::PostClick(std::int32_t id) {
  // A click reaches the page's handler, which may show a dialog: it runs
  // from the loop, once the call is answered, if the item is still there.
  RunFromLoop([this, life = FLife.Weak(), id] {
    if (!life.expired()) {
      Clicked(id);
    }
  });
}

GVariant* TDBusMenuExport::GetLayout(GVariant* parameters, std::string& error) const {
  std::int32_t parentId = 0;
  std::int32_t depth = 0;
  const gchar** received = nullptr;
  g_variant_get(parameters, "(ii^a&s)", &parentId, &depth, &received);
  const TNames names(received, &g_free);
  const GtkToolkitMenuItem* parent = ItemOf(parentId);
  if (parentId != kRootId && parent == nullptr) {
    error = "no menu item " + std::to_string(parentId);
    return nullptr;
  }
  GVariant* layout =
      Layout(FMenu, parent, depth, names.get(), parent != nullptr ? LevelOf(parent) + 1 : 0);
  return g_variant_new("(u@(ia{sv}av))", FRevision, layout);
}

GVariant* TDBusMenuExport::GetGroupProperties(GVariant* parameters) const {
  GVariantIter* receivedIds = nullptr;
  const gchar** receivedNames = nullptr;
  g_variant_get(parameters, "(ai^a&s)", &receivedIds, &receivedNames);
  const TIter ids(receivedIds);
  const TNames names(receivedNames, &g_free);
  GVariantBuilder found;
  g_variant_builder_init(&found, G_VARIANT_TYPE("a(ia{sv})"));
  std::int32_t id = 0;
  while (g_variant_iter_next(ids.get(), "i", &id)) {
    // Ids no item has (any more) are left out.
    if (Known(id)) {
      g_variant_builder_add(&found, "(i@a{sv})", id, ItemProperties(ItemOf(id), names.get()));
    }
  }
  return g_variant_new("(a(ia{sv}))", &found);
}

GVariant* TDBusMenuExport::GetProperty(GVariant* parameters, std::string& error) const {
  std::int32_t id = 0;
  const gchar* property = nullptr;
  g_variant_get(parameters, "(i&s)", &id, &property);
  TGVariantPtr value;
  if (Known(id)) {
    const char* names[] = {property, nullptr};
    const TGVariantPtr properties(ItemProperties(ItemOf(id), names));
    value = TGVariantPtr(g_variant_lookup_value(properties.Get(), property, nullptr));
  }
  if (!value) {
    error = std::string("no property ") + property + " on menu item " + std::to_string(id);
    return nullptr;
  }
  return g_variant_new("(v)", value.Get());
}

GVariant* TDBusMenuExport::Event(GVariant* parameters, std::string& error) {
  std::int32_t id = 0;
  const gchar* event = nullptr;
  g_variant_get(parameters, "(i&svu)", &id, &event, nullptr, nullptr);
  if (!Known(id)) {
    error = "no menu item " + std::to_string(id);
    return nullptr;
  }
  // Only a click does anything; hovering, opening and closing do not.
  if (g_strcmp0(event, "clicked") == 0) {
    PostClick(id);
  }
  return g_variant_new("()");
}

GVariant* TDBusMenuExport::EventGroup(GVariant* parameters) {
  GVariantIter* received = nullptr;
  g_variant_get(parameters, "(a(isvu))", &received);
  const TIter events(received);
  GVariantBuilder unknown;
  g_variant_builder_init(&unknown, G_VARIANT_TYPE("ai"));
  std::int32_t id = 0;
  const gchar* event = nullptr;
  while (g_variant_iter_next(events.get(), "(i&svu)", &id, &event, nullptr, nullptr)) {
    if (!Known(id)) {
      g_variant_builder_add(&unknown, "i", id);
    } else if (g_strcmp0(event, "clicked") == 0) {
      PostClick(id);
    }
  }
  return g_variant_new("(ai)", &unknown);
}

void TDBusMenuExport::HandleCall(const gchar* method, GVariant* parameters,
                                 GDBusMethodInvocation* invocation) {
  const auto is = [method](const char* name) { return g_strcmp0(method, name) == 0; };
  std::string error = std::string("no method ") + method;
  GVariant* reply = nullptr;
  if (is("GetLayout")) {
    reply = GetLayout(parameters, error);
  } else if (is("GetGroupProperties")) {
    reply = GetGroupProperties(parameters);
  } else if (is("GetProperty")) {
    reply = GetProperty(parameters, error);
  } else if (is("Event")) {
    reply = Event(parameters, error);
  } else if (is("EventGroup")) {
    reply = EventGroup(parameters);
  } else if (is("AboutToShow")) {
    // The export is always up to date: nothing to refresh before it shows.
    reply = g_variant_new("(b)", FALSE);
  } else if (is("AboutToShowGroup")) {
    reply = g_variant_new("(@ai@ai)", g_variant_new_array(G_VARIANT_TYPE_INT32, nullptr, 0),
                          g_variant_new_array(G_VARIANT_TYPE_INT32, nullptr, 0));
  }
  if (reply == nullptr) {
    g_dbus_method_invocation_return_error_literal(invocation, G_DBUS_ERROR,
                                                  G_DBUS_ERROR_INVALID_ARGS, error.c_str());
    return;
  }
  g_dbus_method_invocation_return_value(invocation, reply);
}

void TDBusMenuExport::OnMethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                   const gchar* method, GVariant* parameters,
                                   GDBusMethodInvocation* invocation, gpointer self) noexcept {
  const bool answered = GuardCallback<bool>("tray menu call", false, [&] {
    static_cast<TDBusMenuExport*>(self)->HandleCall(method, parameters, invocation);
    return true;
  });
  if (!answered) {
    // Every call gets an answer, or the host waits for one until it gives up.
    g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_FAILED,
                                          "the menu could not answer");
  }
}

GVariant* TDBusMenuExport::OnGetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                         const gchar* property, GError** error, gpointer) noexcept {
  if (g_strcmp0(property, "Version") == 0) {
    return g_variant_new_uint32(3);
  }
  if (g_strcmp0(property, "TextDirection") == 0) {
    return g_variant_new_string(gtk_widget_get_default_direction() == GTK_TEXT_DIR_RTL ? "rtl"
                                                                                       : "ltr");
  }
  if (g_strcmp0(property, "Status") == 0) {
    return g_variant_new_string("normal");
  }
  if (g_strcmp0(property, "IconThemePath") == 0) {
    return g_variant_new_strv(nullptr, 0);
  }
  g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "no property %s", property);
  return nullptr;
}

} // namespace tessera::gtk
