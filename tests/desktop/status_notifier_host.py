"""A desktop's status notifier watcher and host on the session bus, as KDE's panel or GNOME's
AppIndicator extension are: it owns org.kde.StatusNotifierWatcher, says that a host is there,
takes the items' registrations and follows their icons.

It prints one line for each event, flushed at once: "ready" once it owns the name, "item SERVICE
PATH" for each registered item, "new-icon" each time an item's icon changes. It ends when its
standard input closes. Needs Python's GObject introspection (python3-gi).
"""

import sys
import threading

from gi.repository import Gio, GLib

WATCHER = "org.kde.StatusNotifierWatcher"
WATCHER_PATH = "/StatusNotifierWatcher"
ITEM_INTERFACE = "org.kde.StatusNotifierItem"
ITEM_PATH = "/StatusNotifierItem"
INTROSPECTION = """
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
</node>
"""


def say(*words):
    print(*words, flush=True)


def main():
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    items = []

    def on_call(connection, sender, path, interface, method, parameters, invocation):
        if method == "RegisterStatusNotifierItem":
            (service,) = parameters.unpack()
            # An item names its bus name, or only its path on the caller's connection.
            name, item_path = (sender, service) if service.startswith("/") else (service, ITEM_PATH)
            items.append(name)
            connection.signal_subscribe(name, ITEM_INTERFACE, "NewIcon", item_path, None,
                                        Gio.DBusSignalFlags.NONE,
                                        lambda *args: say("new-icon"))
            connection.emit_signal(None, WATCHER_PATH, WATCHER, "StatusNotifierItemRegistered",
                                   GLib.Variant("(s)", (name,)))
            say("item", name, item_path)
        invocation.return_value(None)

    def on_get(connection, sender, path, interface, name):
        return {"RegisteredStatusNotifierItems": GLib.Variant("as", items),
                "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
                "ProtocolVersion": GLib.Variant("i", 0)}[name]

    node = Gio.DBusNodeInfo.new_for_xml(INTROSPECTION)
    bus.register_object(WATCHER_PATH, node.interfaces[0], on_call, on_get, None)
    Gio.bus_own_name_on_connection(bus, WATCHER, Gio.BusNameOwnerFlags.NONE,
                                   lambda *args: say("ready"), None)
    loop = GLib.MainLoop()
    threading.Thread(target=lambda: (sys.stdin.read(), GLib.idle_add(loop.quit)),
                     daemon=True).start()
    loop.run()


if __name__ == "__main__":
    main()
