#!/usr/bin/python3
# A StatusNotifierWatcher and host on the session bus, standing in for a
# desktop's tray: its process takes the name given (plasmashell, swaybar), as
# the program judges a host by it. It clicks an item when the test asks, as
# the tray would: the activation token first, when one is given, then
# Activate with the screen point. Runs until ended.

import ctypes
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

WATCHER = 'org.kde.StatusNotifierWatcher'
PATH = '/StatusNotifierWatcher'
ITEM = 'org.kde.StatusNotifierItem'


class Watcher(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, PATH)
        self.bus = bus
        self.items = []
        bus.add_signal_receiver(self.owner_changed, 'NameOwnerChanged', 'org.freedesktop.DBus')

    def owner_changed(self, name, old, new):
        if not new:
            for item in [i for i in self.items if i.split('/', 1)[0] == name]:
                self.items.remove(item)
                self.StatusNotifierItemUnregistered(item)

    @dbus.service.method(WATCHER, in_signature='s', sender_keyword='sender')
    def RegisterStatusNotifierItem(self, service, sender=None):
        if service.startswith('/'):
            item = sender + service
        elif '/' in service:
            item = service
        else:
            item = service + '/StatusNotifierItem'
        if item not in self.items:
            self.items.append(item)
        self.StatusNotifierItemRegistered(item)

    @dbus.service.method(WATCHER, in_signature='s')
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature='s')
    def StatusNotifierItemRegistered(self, item):
        pass

    @dbus.service.signal(WATCHER, signature='s')
    def StatusNotifierItemUnregistered(self, item):
        pass

    @dbus.service.signal(WATCHER, signature='')
    def StatusNotifierHostRegistered(self):
        pass

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature='ss', out_signature='v')
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature='s', out_signature='a{sv}')
    def GetAll(self, interface):
        return {
            'RegisteredStatusNotifierItems': dbus.Array(self.items, signature='s'),
            'IsStatusNotifierHostRegistered': dbus.Boolean(True),
            'ProtocolVersion': dbus.Int32(0),
        }

    # The test's hand: the newest item is clicked at the point.
    @dbus.service.method('com.brelvantoque.TestTray', in_signature='iis', out_signature='b')
    def Click(self, x, y, token):
        if not self.items:
            return False
        service, path = self.items[-1].split('/', 1)
        item = self.bus.get_object(service, '/' + path, introspect=False)
        if token:
            item.ProvideXdgActivationToken(token, dbus_interface=ITEM)
        item.Activate(x, y, dbus_interface=ITEM, reply_handler=lambda: None, error_handler=lambda e: None)
        return True


def main():
    if len(sys.argv) > 1:
        ctypes.CDLL(None).prctl(15, sys.argv[1].encode()[:15], 0, 0, 0)  # PR_SET_NAME
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    watcher = Watcher(bus)
    bus.request_name(WATCHER, dbus.bus.NAME_FLAG_DO_NOT_QUEUE)
    watcher.StatusNotifierHostRegistered()
    GLib.MainLoop().run()


if __name__ == '__main__':
    main()
