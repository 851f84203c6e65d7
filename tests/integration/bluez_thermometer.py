"""dbusmock template: BlueZ 5 (dbusmock's bluez5) with the thermometer as an LE device.

The parameter "scenario" is a JSON object, the "mock" of one entry of
tests/data/ble_scenarios.json; what it leaves out comes from DEFAULTS:
  adapter, powered  hci0 is there from the start, and switched on
  devices           what a discovery announces, 100 ms after it starts and 300 ms apart
  scans             how the first discoveries go: "quiet" announces nothing
  connects          how the first Connect calls go: "fail"; "unresolved" (connected, but the
                    services never resolve); "held" (never answered)
  records           hex of the records sent before the numbered ones (see record())
  steps             [when, action] one after the other; when is {"ms": N} after the step before
                    (or the start) or {"records": N} sent since then; an action is a method below
Once notifications are on the thermometer sends a record every interval_ms. Connect calls are
logged on "/" (GetMethodCalls); "holding" in the log says the link is held at a step.
"""

import json
import time

import dbus
from gi.repository import GLib

from dbusmock import mockobject
from dbusmock.templates import bluez5

BUS_NAME, MAIN_OBJ, SYSTEM_BUS, IS_OBJECT_MANAGER = "org.bluez", "/", True, True
ADAPTER, DEVICE = bluez5.ADAPTER_IFACE, bluez5.DEVICE_IFACE
SERVICE, CHAR = "org.bluez.GattService1", "org.bluez.GattCharacteristic1"
DESCRIPTOR = "org.bluez.GattDescriptor1"
HCI0 = "/org/bluez/hci0"
TARGET = "VellTempture"
ADDRESSES = {TARGET: "C4:7F:51:00:12:34", "OtherThermo": "E8:31:CD:AA:00:01",
             "VellTempture2": "E8:31:CD:AA:00:02"}
DEFAULTS = {"adapter": True, "powered": True, "devices": [TARGET], "scans": [], "connects": [],
            "records": [], "steps": [], "interval_ms": 50}


def uuid(short):
    return "0000%04x-0000-1000-8000-00805f9b34fb" % short


def record(k):
    """The k-th numbered record: 20 ASCII bytes, every one different."""
    return b"Temp:%5.2f Hum:%5.2f" % (20 + 0.11 * k, 40 + 0.37 * k)


def update(obj, interface, **props):
    obj.UpdateProperties(interface, props)


def device_path(name):
    return HCI0 + "/dev_" + ADDRESSES[name].replace(":", "_")


def failed(message, name="Failed"):
    return dbus.exceptions.DBusException(message, name="org.bluez.Error." + name)


class Thermometer:
    def __init__(self, root, scenario):
        self.root, self.s = root, dict(DEFAULTS, **scenario)
        self.records = [bytes.fromhex(r) for r in self.s["records"]]
        self.numbered = self.since = 0
        self.timers = {}
        # Connect answers later, or never: a method of our own with dbus-python's callbacks.
        def Connect(device, ok, fail):  # pylint: disable=invalid-name
            self.connect(device, ok, fail)

        self.connect_method = dbus.service.method(DEVICE, async_callbacks=("ok", "fail"))(Connect)
        if self.s["adapter"]:
            self.add_adapter()
            if not self.s["powered"]:
                self.power_off()
        self.next_step()

    def later(self, name, ms, action, *args, repeat=False):
        self.cancel(name)

        def fire():
            if not repeat:
                del self.timers[name]
            action(*args)
            return repeat and name in self.timers

        self.timers[name] = GLib.timeout_add(ms, fire)

    def cancel(self, *names):
        for name in names:
            if name in self.timers:
                GLib.source_remove(self.timers.pop(name))

    def hold(self, what):
        self.root.log("holding: " + what)

    def next_step(self):
        self.since = 0
        if self.s["steps"] and "ms" in self.s["steps"][0][0]:
            self.later("step", self.s["steps"][0][0]["ms"], self.do_step)

    def do_step(self):
        getattr(self, self.s["steps"].pop(0)[1])()
        self.next_step()

    # Adapter and discovery ------------------------------------------------------------------

    def add_adapter(self):
        bluez5.AddAdapter(self.root, "hci0", "mockhost")
        mockobject.objects[HCI0].AddMethods(ADAPTER, [
            ("StartDiscovery", "", "", lambda adapter: self.start_discovery(adapter)),
            ("StopDiscovery", "", "", lambda adapter: self.stop_discovery())])

    def remove_adapter(self):
        self.stop_discovery()
        self.unlink_all()
        bluez5.RemoveAdapterWithDevices(self.root, "hci0")

    def power_off(self):  # the links go down just after the adapter says so
        self.stop_discovery()
        update(mockobject.objects[HCI0], ADAPTER, Powered=dbus.Boolean(False))
        self.unlink_all()

    def power_on(self):
        update(mockobject.objects[HCI0], ADAPTER, Powered=dbus.Boolean(True))

    def start_discovery(self, adapter):
        if not adapter.props[ADAPTER]["Powered"]:
            raise failed("Resource Not Ready", "NotReady")
        update(adapter, ADAPTER, Discovering=dbus.Boolean(True))
        if self.s["scans"] and self.s["scans"].pop(0) == "quiet":
            return self.hold("scan quiet")
        for i, name in enumerate(self.s["devices"]):
            self.later("advertise %d" % i, 100 + 300 * i, self.advertise, name)

    def stop_discovery(self):
        self.cancel(*("advertise %d" % i for i in range(len(self.s["devices"]))))
        adapter = mockobject.objects.get(HCI0)
        if adapter and adapter.props[ADAPTER]["Discovering"]:
            update(adapter, ADAPTER, Discovering=dbus.Boolean(False))

    def advertise(self, name):
        if device_path(name) in mockobject.objects:
            return
        bluez5.AddDevice(self.root, "hci0", ADDRESSES[name], name)
        device = mockobject.objects[device_path(name)]
        # bluez5's Connect and Disconnect touch neither Connected nor ServicesResolved.
        device.methods[DEVICE]["Connect"] = ("", "", "", self.connect_method)
        device.AddMethod(DEVICE, "Disconnect", "", "", lambda d: self.unlink(d.path))

    # Link -----------------------------------------------------------------------------------

    def connect(self, device, ok, fail):
        device.log("Connect")
        self.root.call_log.append((int(time.time()), "Connect", [dbus.ObjectPath(device.path)]))
        how = self.s["connects"].pop(0) if self.s["connects"] else "ok"
        if how == "held":
            return self.hold("connect held")
        self.later("connect", 50, self.connected, device, how, ok, fail)

    def connected(self, device, how, ok, fail):
        if how == "fail":
            return fail(failed("le-connection-abort-by-local"))
        update(device, DEVICE, Connected=dbus.Boolean(True))
        ok()
        if how == "unresolved":
            return self.hold("services held")
        self.later("resolve", 50, self.resolve, device)

    def resolve(self, device):
        if device.path == device_path(TARGET):
            service = device.path + "/service000a"
            receive, transmit = service + "/char000b", service + "/char000e"
            self.add_gatt(service, SERVICE, {"UUID": uuid(0xFFE0), "Primary": True,
                                             "Device": dbus.ObjectPath(device.path),
                                             "Includes": dbus.Array([], signature="o")}, [])
            self.add_characteristic(service, receive, 0xFFE1, ["read", "notify"])
            self.add_gatt(receive + "/desc000d", DESCRIPTOR, {
                "UUID": uuid(0x2902), "Characteristic": dbus.ObjectPath(receive),
                "Value": dbus.Array(b"\0\0", signature="y"), "Flags": ["read", "write"]},
                [("ReadValue", "a{sv}", "ay", "ret = self.props[self.interface]['Value']"),
                 # bluetoothd keeps this one to itself: StartNotify is the way in
                 ("WriteValue", "aya{sv}", "", "raise dbus.exceptions.DBusException("
                  "'Write not permitted', name='org.bluez.Error.NotPermitted')")])
            self.add_characteristic(service, transmit, 0xFFE2, ["write-without-response", "write"])
        update(device, DEVICE, ServicesResolved=dbus.Boolean(True))

    def add_characteristic(self, service, path, short, flags):
        self.add_gatt(path, CHAR, {
            "UUID": uuid(short), "Service": dbus.ObjectPath(service), "Flags": flags,
            "Value": dbus.Array([], signature="y"), "Notifying": False, "MTU": dbus.UInt16(23)},
            [("ReadValue", "a{sv}", "ay", "ret = self.props[self.interface]['Value']"),
             ("WriteValue", "aya{sv}", "", ""),
             ("StartNotify", "", "", lambda char: self.start_notify(char)),
             ("StopNotify", "", "", lambda char: self.stop_notify())])

    def add_gatt(self, path, interface, props, methods):
        props = {k: (dbus.Boolean(v) if isinstance(v, bool) else v) for k, v in props.items()}
        self.root.AddObject(path, interface, props, methods)
        self.root.object_manager_emit_added(path)

    def unlink_all(self):
        for name in ADDRESSES:
            if device_path(name) in mockobject.objects:
                self.unlink(device_path(name))

    def unlink(self, path):
        """Ends the link to the device: without a bond BlueZ keeps none of its GATT."""
        device = mockobject.objects[path]
        self.cancel("connect", "resolve", "stream")
        for prop in ("ServicesResolved", "Connected"):
            if device.props[DEVICE][prop]:
                update(device, DEVICE, **{prop: dbus.Boolean(False)})
        for path in sorted((p for p in mockobject.objects if p.startswith(device.path + "/")),
                           reverse=True):
            self.root.EmitSignal(mockobject.OBJECT_MANAGER_IFACE, "InterfacesRemoved", "oas",
                                 [dbus.ObjectPath(path), list(mockobject.objects[path].props)])
            self.root.RemoveObject(path)

    def drop(self):
        self.root.log("the thermometer drops the link")
        self.unlink(device_path(TARGET))

    # Records ----------------------------------------------------------------------------

    def start_notify(self, char):
        update(char, CHAR, Notifying=dbus.Boolean(True))
        self.later("stream", self.s["interval_ms"], self.send, char, repeat=True)

    def stop_notify(self):
        self.cancel("stream")

    def send(self, char):
        if self.records:
            data = self.records.pop(0)
        else:
            self.numbered += 1
            data = record(self.numbered)
        update(char, CHAR, Value=dbus.Array(data, signature="y"))
        self.since += 1
        if self.s["steps"] and self.s["steps"][0][0].get("records") == self.since:
            self.do_step()


def load(mock, parameters):
    bluez5.load(mock, parameters)
    mock.thermometer = Thermometer(mock, json.loads(parameters.get("scenario", "{}")))
