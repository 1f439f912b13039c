"""A desktop panel's tray, standing in for one in the end-to-end tests.

It is the session bus's org.kde.StatusNotifierWatcher with a host behind
it: it takes the item that registers, reads its title and its menu
(com.canonical.dbusmenu) into files of the folder it is given, and clicks
as a user does when the test asks with a file:

  ready          written once the watcher's name is ours
  items          the names of the registered items, one a line
  title          the item's Title
  layout         the menu: one line an item, indented by level, "-" for a
                 separator, " >" after an item with a sub-menu
  activate       (from the test) a click on the icon; removed when sent
  click-LABEL    (from the test) a click on the menu item with the label;
                 removed when sent
"""
import os
import sys

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

WATCHER_XML = """<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
</node>"""

ITEM_PATH = "/StatusNotifierItem"
ITEM_INTERFACE = "org.kde.StatusNotifierItem"
MENU_INTERFACE = "com.canonical.dbusmenu"


class Panel:
    def __init__(self, folder):
        self.folder = folder
        self.items = []
        self.labels = {}
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        node = Gio.DBusNodeInfo.new_for_xml(WATCHER_XML)
        self.bus.register_object(
            "/StatusNotifierWatcher", node.interfaces[0], self.on_call, self.on_get, None)
        Gio.bus_own_name_on_connection(
            self.bus, "org.kde.StatusNotifierWatcher", Gio.BusNameOwnerFlags.DO_NOT_QUEUE,
            lambda *_: self.write("ready", ""), lambda *_: sys.exit("the watcher's name is taken"))
        GLib.timeout_add(100, self.poll)

    def write(self, name, text):
        path = os.path.join(self.folder, name)
        with open(path + ".new", "w") as out:
            out.write(text)
        os.replace(path + ".new", path)

    def on_call(self, bus, sender, path, interface, method, parameters, invocation):
        if method != "RegisterStatusNotifierItem":
            invocation.return_value(None)
            return
        service = parameters.unpack()[0]
        self.items.append(service if not service.startswith("/") else sender)
        invocation.return_value(None)
        # Read once the item has its answer, as a panel does.
        GLib.idle_add(self.read_item, self.items[-1])

    def on_get(self, bus, sender, path, interface, name):
        if name == "IsStatusNotifierHostRegistered":
            return GLib.Variant("b", True)
        if name == "ProtocolVersion":
            return GLib.Variant("i", 0)
        return GLib.Variant("as", self.items)

    def call(self, service, path, interface, method, parameters):
        return self.bus.call_sync(service, path, interface, method, parameters, None,
                                  Gio.DBusCallFlags.NO_AUTO_START, 25000, None)

    def read_item(self, service):
        title = self.call(service, ITEM_PATH, "org.freedesktop.DBus.Properties", "Get",
                          GLib.Variant("(ss)", (ITEM_INTERFACE, "Title"))).unpack()[0]
        menu = self.call(service, ITEM_PATH, "org.freedesktop.DBus.Properties", "Get",
                         GLib.Variant("(ss)", (ITEM_INTERFACE, "Menu"))).unpack()[0]
        self.menu = (service, menu)
        self.read_layout()
        self.write("title", title)
        self.write("items", "".join(item + "\n" for item in self.items))
        return False

    def read_layout(self):
        service, menu = self.menu
        _, layout = self.call(service, menu, MENU_INTERFACE, "GetLayout",
                              GLib.Variant("(iias)", (0, -1, []))).unpack()
        lines = []

        def describe(node, level):
            item_id, properties, children = node
            if level > 0:
                label = properties.get("label", "")
                text = "-" if properties.get("type") == "separator" else label
                if properties.get("children-display") == "submenu":
                    text += " >"
                lines.append("  " * (level - 1) + text)
                self.labels[label] = item_id
            for child in children:
                describe(child, level + 1)

        describe(layout, 0)
        self.write("layout", "".join(line + "\n" for line in lines))

    def poll(self):
        if not self.items:
            return True
        service = self.items[-1]
        asked = os.path.join(self.folder, "activate")
        if os.path.exists(asked):
            os.remove(asked)
            self.call(service, ITEM_PATH, ITEM_INTERFACE, "Activate", GLib.Variant("(ii)", (0, 0)))
        for label, item_id in self.labels.items():
            asked = os.path.join(self.folder, "click-" + label)
            if os.path.exists(asked):
                os.remove(asked)
                self.call(self.menu[0], self.menu[1], MENU_INTERFACE, "Event",
                          GLib.Variant("(isvu)", (item_id, "clicked", GLib.Variant("i", 0), 0)))
        return True


if __name__ == "__main__":
    Panel(sys.argv[1])
    GLib.MainLoop().run()
