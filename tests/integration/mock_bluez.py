#!/usr/bin/python3
"""A stand-in for bluetoothd on a private D-Bus bus, for the integration tests of the BLE link.

It serves org.bluez with one adapter (hci0), devices that show up when discovery starts, and on
the thermometer the GATT service FFE0 with the notify characteristic FFE1 (and its 0x2902
descriptor) and the write characteristic FFE2. Once notifications are on it sends one record
every --interval-ms milliseconds, each one different, so that a test can check order and loss.

What goes wrong, and when, is chosen with --scenario (see SCENARIOS) and the options that
override it. A small control interface (CONTROL_PATH, CONTROL_INTERFACE) lets a test look at
what happened. Every call received is logged on stderr;
stdout says "ready" once the mock serves, then one line whenever it holds the link at a step
(see announce), so that a test can act at that moment.

Runs under Debian's /usr/bin/python3 with python3-dbus and python3-gi. By hand, against a bus
of one's own (run_ble_scenario.py --verbose shows the same with Qt's side of it):

    /usr/bin/python3 mock_bluez.py --bus-address "$ADDRESS" --scenario drop &
    DBUS_SYSTEM_BUS_ADDRESS="$ADDRESS" BLUETOOTH_FORCE_DBUS_LE_VERSION=5.66 \
        QT_QPA_PLATFORM=offscreen build/dev/bin/vell-thermo --sensor ble
"""

import argparse
import os
import signal
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

from bluez_objects import (  # beside this file
    ADAPTER,
    ADAPTER_PATH,
    Adapter,
    BLUEZ,
    CCCD_UUID,
    DECOY_ADDRESS,
    DECOY_NAME,
    DEVICE,
    Device,
    Failed,
    GATT_CHARACTERISTIC,
    GattCharacteristic,
    GattDescriptor,
    GattService,
    RECEIVE_UUID,
    Root,
    SERVICE_UUID,
    TARGET_ADDRESS,
    TARGET_NAME,
    TRANSMIT_UUID,
    byte_array,
    log,
    string_array,
    uuid16,
)

CONTROL_PATH = "/test/mock"
CONTROL_INTERFACE = "test.mock.Control"


def announce(what):
    """Tells the test on stdout where the mock is holding the link."""
    sys.stdout.write(what + "\n")
    sys.stdout.flush()


def values(k):
    """Temperature and humidity of the k-th counted record (k from 1), all different."""
    return 20 + 0.11 * k, 40 + 0.37 * k


def record(k):
    """The k-th counted record: 20 ASCII bytes, the two values at 5 and at 15."""
    return b"Temp:%5.2f Hum:%5.2f" % values(k)


# Records that must not show, and records at the edges that must, sent before the counted ones
# (run_ble_scenario.py has what each must give).
ODD_RECORDS = [
    b"Temp:2",  # too short, odd length
    b"Temp:23.45 Hum:56.7",  # one byte short
    "Temp:23.45 Hum:56.78\u2103".encode("utf-8"),  # long enough, but not ASCII
    b"Temp:\xff\xfe.45 Hum:56.78",  # bytes that are not text at all
    b"Temp:19.99 Hum:77.01!",  # 21 bytes, odd length, all ASCII: shows
    bytes(range(0x80, 0x80 + 70)),  # longer than the log keeps
    b"",  # nothing at all
    b"Temp:-5.50 Hum:08.25\n",  # a trailing newline is just one more byte
]

# What each scenario does; options on the command line override single entries.
SCENARIOS = {
    "normal": {},
    "decoy": {"decoy": True},
    "drop": {"drop_after": 3},
    "power_cycle": {"drop_after": 3, "drop_how": "power", "back_after_ms": 500},
    "unplugged": {"drop_after": 3, "drop_how": "unplug", "back_after_ms": 150},
    "no_adapter": {"adapter": "absent"},
    "adapter_late": {"adapter": "late", "adapter_after_ms": 1000},
    "powered_off": {"powered": False, "power_on_after_ms": 1000},
    "connect_fails": {"fail_connects": 1},
    "never_resolved": {"unresolved_connects": 1},
    "odd_records": {"odd_records": True},
}

DEFAULTS = {
    "adapter": "present",  # present | absent | late
    "adapter_after_ms": 0,
    "powered": True,
    "power_on_after_ms": 0,
    "decoy": False,
    "drop_after": 0,  # end the first connection after this many records (0: never)
    "drop_how": "link",  # link: the sensor goes away; power: the adapter is switched off;
    # unplug: the adapter goes away. The adapter comes back after back_after_ms.
    "back_after_ms": 1000,
    "fail_connects": 0,  # this many Connect calls fail first
    "unresolved_connects": 0,  # this many connects never resolve their services
    "quiet_scans": 0,  # this many discoveries announce nothing
    "held_connects": 0,  # this many Connect calls get no answer until the device is disconnected
    "odd_records": False,
    "interval_ms": 50,
    "advertise_ms": 100,  # from StartDiscovery to the first advertisement
    "connect_ms": 50,  # from Connect to Connected, and again to ServicesResolved
}


class Control(dbus.service.Object):
    """For the test: what happened so far."""

    def __init__(self, daemon):
        self.daemon = daemon
        dbus.service.Object.__init__(self, daemon.bus, CONTROL_PATH)

    @dbus.service.method(CONTROL_INTERFACE, out_signature="a{si}")
    def Counts(self):
        return dbus.Dictionary(self.daemon.counts, signature="si")

    @dbus.service.method(CONTROL_INTERFACE, out_signature="as")
    def ConnectedPaths(self):
        return string_array(self.daemon.connect_paths)


class Daemon:
    def __init__(self, bus, options):
        self.bus = bus
        self.options = options
        self.counts = {}
        self.connect_paths = []
        self.scans = 0
        self.records_sent = 0  # over all connections, so every record is a new one
        self.records_this_link = 0
        self.dropped_once = False
        self.adapter = None
        self.devices = {}  # path -> Device
        self.target = None
        self.timers = {}  # name -> GLib source id
        self.root = Root(self)
        self.control = Control(self)
        self.pending_records = list(ODD_RECORDS) if options["odd_records"] else []

    # Bookkeeping --------------------------------------------------------------------------

    def count(self, what):
        self.counts[what] = self.counts.get(what, 0) + 1

    def later(self, name, ms, action):
        """Runs action once after ms, replacing a pending one of the same name."""
        self.cancel(name)

        def fire():
            del self.timers[name]
            action()
            return False

        self.timers[name] = GLib.timeout_add(ms, fire)

    def every(self, name, ms, action):
        self.cancel(name)

        def fire():
            return action() is not False

        self.timers[name] = GLib.timeout_add(ms, fire)

    def cancel(self, name):
        source = self.timers.pop(name, None)
        if source is not None:
            GLib.source_remove(source)

    def objects(self):
        found = []
        if self.adapter:
            found.append(self.adapter)
        for device in self.devices.values():
            found.append(device)
            found.extend(device.gatt)
        return found

    def export(self, obj):
        self.root.InterfacesAdded(dbus.ObjectPath(obj.path), obj.managed())

    def unexport(self, obj):
        self.root.InterfacesRemoved(
            dbus.ObjectPath(obj.path), string_array(list(obj.props.keys()))
        )
        obj.remove_from_connection()

    # Adapter ------------------------------------------------------------------------------

    def start(self):
        o = self.options
        if o["adapter"] == "present":
            self.add_adapter()
        elif o["adapter"] == "late":
            self.later("adapter", o["adapter_after_ms"], self.add_adapter)

    def add_adapter(self):
        if self.adapter:
            return
        powered = self.options["powered"] or self.dropped_once
        self.adapter = Adapter(self, powered)
        self.export(self.adapter)
        if not powered and self.options["power_on_after_ms"] > 0:
            self.later("power", self.options["power_on_after_ms"], lambda: self.set_powered(True))

    def remove_adapter(self):
        if not self.adapter:
            return
        self.stop_discovery()
        for path in list(self.devices):
            self.remove_device(path)
        self.unexport(self.adapter)
        self.adapter = None

    def set_powered(self, powered):
        if not self.adapter:
            return
        if not powered:
            self.stop_discovery()
            for device in list(self.devices.values()):
                if device.props[DEVICE]["Connected"]:
                    self.drop(device)
        self.adapter.set_props({"Powered": dbus.Boolean(powered)})

    # Discovery ----------------------------------------------------------------------------

    def start_discovery(self):
        self.adapter.set_props({"Discovering": dbus.Boolean(True)})
        self.scans += 1
        if self.scans <= self.options["quiet_scans"]:
            log("nothing to announce (scan %d)" % self.scans)
            announce("scan quiet")
            return
        first = self.options["advertise_ms"]
        if self.options["decoy"]:
            self.later("decoy", first, lambda: self.advertise(DECOY_NAME, DECOY_ADDRESS, "random"))
            first += 3 * self.options["advertise_ms"]
        self.later("target", first, lambda: self.advertise(TARGET_NAME, TARGET_ADDRESS, "public"))

    def stop_discovery(self):
        self.cancel("decoy")
        self.cancel("target")
        if self.adapter and self.adapter.props[ADAPTER]["Discovering"]:
            self.adapter.set_props({"Discovering": dbus.Boolean(False)})

    def advertise(self, name, address, address_type):
        uuids = [SERVICE_UUID] if name == TARGET_NAME else [uuid16(0x181A)]
        path = "%s/dev_%s" % (ADAPTER_PATH, address.replace(":", "_"))
        device = self.devices.get(path)
        if device is None:
            device = Device(self, name, address, address_type, uuids)
            self.devices[path] = device
            self.export(device)
        else:
            rssi = int(device.props[DEVICE]["RSSI"])
            device.set_props({"RSSI": dbus.Int16(-58 if rssi != -58 else -57)})
        if name == TARGET_NAME:
            self.target = device

    def remove_device(self, path):
        device = self.devices.get(path)
        if device is None:
            return False
        if device.props[DEVICE]["Connected"]:
            self.disconnect_device(device)
        del self.devices[path]
        if device is self.target:
            self.target = None
        self.unexport(device)
        return True

    # Link ---------------------------------------------------------------------------------

    def connect_device(self, device, reply, error):
        self.count("Connect")
        self.connect_paths.append(device.path)
        o = self.options
        if device.props[DEVICE]["Connected"]:
            reply()
            return
        if device.connecting:
            error(dbus.DBusException("Operation already in progress",
                                     name="org.bluez.Error.InProgress"))
            return
        device.connecting = True
        attempt = self.counts["Connect"]

        def fail():
            device.connecting = False
            log("%s Connect fails (attempt %d)" % (device.path, attempt))
            error(Failed("le-connection-abort-by-local"))

        def connected():
            device.connecting = False
            if device.path not in self.devices:
                error(Failed("Device removed"))
                return
            device.set_props({"Connected": dbus.Boolean(True)})
            reply()
            if attempt <= o["unresolved_connects"]:
                log("%s services stay unresolved (attempt %d)" % (device.path, attempt))
                announce("services held")
                return
            self.later("resolve", o["connect_ms"], lambda: self.resolve(device))

        if attempt <= o["held_connects"]:
            # Stays connecting; a Disconnect ends it.
            log("%s Connect held (attempt %d)" % (device.path, attempt))
            announce("connect held")
        elif attempt <= o["fail_connects"]:
            self.later("connect", o["connect_ms"], fail)
        else:
            self.later("connect", o["connect_ms"], connected)

    def resolve(self, device):
        if not device.props[DEVICE]["Connected"] or device.gatt:
            return
        if device is self.target:
            service = GattService(self, device)
            receive = GattCharacteristic(self, service, 0x0B, RECEIVE_UUID, ["read", "notify"])
            config = GattDescriptor(self, receive, 0x0D, CCCD_UUID)
            transmit = GattCharacteristic(
                self, service, 0x0E, TRANSMIT_UUID, ["write-without-response", "write"]
            )
            device.gatt = [service, receive, config, transmit]
            device.receive = receive
            for obj in device.gatt:
                self.export(obj)
        device.set_props({"ServicesResolved": dbus.Boolean(True)})

    def disconnect_device(self, device):
        self.cancel("connect")
        self.cancel("resolve")
        device.connecting = False
        self.cancel("stream")
        if device.props[DEVICE]["ServicesResolved"]:
            device.set_props({"ServicesResolved": dbus.Boolean(False)})
        if device.props[DEVICE]["Connected"]:
            device.set_props({"Connected": dbus.Boolean(False)})
        # Without a bond nothing of the remote's GATT database is kept.
        for obj in reversed(device.gatt):
            self.unexport(obj)
        device.gatt = []

    def drop(self, device):
        log("%s drops the link" % device.path)
        self.disconnect_device(device)

    # Notifications ------------------------------------------------------------------------

    def start_notify(self, characteristic):
        if characteristic.props[GATT_CHARACTERISTIC]["Notifying"]:
            return
        characteristic.set_props({"Notifying": dbus.Boolean(True)})
        self.records_this_link = 0
        self.every("stream", self.options["interval_ms"], lambda: self.send(characteristic))

    def stop_notify(self, characteristic):
        self.cancel("stream")
        if characteristic.props[GATT_CHARACTERISTIC].get("Notifying"):
            characteristic.set_props({"Notifying": dbus.Boolean(False)})

    def send(self, characteristic):
        if self.pending_records:
            data = self.pending_records.pop(0)
        else:
            self.records_sent += 1
            data = record(self.records_sent)
        self.records_this_link += 1
        characteristic.set_props({"Value": byte_array(data)})
        drop_after = self.options["drop_after"]
        if drop_after and not self.dropped_once and self.records_this_link >= drop_after:
            self.dropped_once = True
            self.end_link()
            return False
        return True

    def end_link(self):
        how = self.options["drop_how"]
        back = self.options["back_after_ms"]
        if how == "link":
            self.drop(self.target)
        elif how == "power":
            self.set_powered(False)
            self.later("power", back, lambda: self.set_powered(True))
        elif how == "unplug":
            self.remove_adapter()
            self.later("adapter", back, self.add_adapter)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bus-address", default=os.environ.get("DBUS_SYSTEM_BUS_ADDRESS"))
    parser.add_argument("--scenario", default="normal", choices=sorted(SCENARIOS))
    parser.add_argument("--interval-ms", type=int, help="time between records")
    parser.add_argument("--unresolved-connects", type=int, help="the first N never resolve")
    parser.add_argument("--quiet-scans", type=int, help="the first N discoveries find nothing")
    parser.add_argument("--held-connects", type=int, help="the first N Connect calls hang until "
                        "a Disconnect")
    args = parser.parse_args()
    if not args.bus_address:
        parser.error("no bus: give --bus-address or set DBUS_SYSTEM_BUS_ADDRESS")

    options = dict(DEFAULTS)
    options.update(SCENARIOS[args.scenario])
    for name in ("interval_ms", "unresolved_connects", "quiet_scans", "held_connects"):
        value = getattr(args, name)
        if value is not None:
            options[name] = value

    DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(args.bus_address)
    daemon = Daemon(bus, options)
    daemon.start()
    # Take the name last, so that nobody sees org.bluez before its objects are in place.
    name = dbus.service.BusName(BLUEZ, bus, do_not_queue=True)
    log("serving %s as %s, scenario %s %s" % (name.get_name(), bus.get_unique_name(),
                                              args.scenario, options))

    loop = GLib.MainLoop()
    for sig in (signal.SIGTERM, signal.SIGINT):
        GLib.unix_signal_add(GLib.PRIORITY_HIGH, sig, loop.quit)
    sys.stdout.write("ready\n")
    sys.stdout.flush()
    loop.run()
    log("stopped")
    # Leave without the goodbyes dbus-python would try on a bus that may be gone already.
    os._exit(0)


if __name__ == "__main__":
    main()
