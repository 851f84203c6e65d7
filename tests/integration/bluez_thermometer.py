"""dbusmock template: dbusmock's bluez5 with the thermometer as an LE device.

Parameter "scenario": JSON, a "mock" of tests/data/ble_scenarios.json, over DEFAULTS.
  devices   what a discovery announces, 100 ms after it starts and 300 ms apart
  scans     how the first discoveries go: "quiet" finds nothing
  connects  how the first Connect calls go: "fail", "held" (no answer), "unresolved" (connected,
            but the services never resolve)
  records   what the thermometer sends first (hex), then record(1), record(2)... every interval_ms
  steps     [when, method of Thermometer] in turn; when is {"ms": N} after the step before (or
            the start) or {"records": N} sent since
Connect calls are logged on "/" (GetMethodCalls); "holding" in the log: the link is held at a step.
"""

import json
import time

import dbus
from gi.repository import GLib

from dbusmock import mockobject
from dbusmock.templates import bluez5

BUS_NAME, MAIN_OBJ, SYSTEM_BUS, IS_OBJECT_MANAGER = "org.bluez", "/", True, True
ADAPTER, DEVICE, CHAR = bluez5.ADAPTER_IFACE, bluez5.DEVICE_IFACE, "org.bluez.GattCharacteristic1"
HCI0 = "/org/bluez/hci0"
TARGET = "VellTempture"
# "#2" is a second thermometer of the same name, at another address.
ADDRESSES = {TARGET: "C4:7F:51:00:12:34", TARGET + "#2": "C4:7F:51:00:56:78",
             "OtherThermo": "E8:31:CD:AA:00:01",
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


class Thermometer:
    def __init__(self, root, scenario):
        self.root, self.s = root, dict(DEFAULTS, **scenario)
        self.records = [bytes.fromhex(r) for r in self.s["records"]]
        self.numbered = self.since = 0
        self.timers = {}

        # bluez5's Connect answers at once and touches neither Connected nor ServicesResolved;
        # this one answers later, or never.
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

    def next_step(self):
        self.since = 0
        if self.s["steps"] and "ms" in self.s["steps"][0][0]:
            self.later("step", self.s["steps"][0][0]["ms"], self.do_step)

    def do_step(self):
        getattr(self, self.s["steps"].pop(0)[1])()
        self.next_step()

    def add_adapter(self):
        bluez5.AddAdapter(self.root, "hci0", "mockhost")
        mockobject.objects[HCI0].AddMethods(ADAPTER, [
            ("StartDiscovery", "", "", lambda adapter: self.start_discovery(adapter)),
            ("StopDiscovery", "", "", lambda adapter: self.stop_discovery())])

    def remove_adapter(self):
        self.stop_discovery()
        self.unlink_all()
        bluez5.RemoveAdapterWithDevices(self.root, "hci0")

    def power_off(self):  # the adapter says so before its links go down
        self.stop_discovery()
        update(mockobject.objects[HCI0], ADAPTER, Powered=dbus.Boolean(False))
        self.unlink_all()

    def power_on(self):
        update(mockobject.objects[HCI0], ADAPTER, Powered=dbus.Boolean(True))

    def start_discovery(self, adapter):
        if not adapter.props[ADAPTER]["Powered"]:
            raise dbus.exceptions.DBusException("Not Ready", name="org.bluez.Error.NotReady")
        update(adapter, ADAPTER, Discovering=dbus.Boolean(True))
        if self.s["scans"] and self.s["scans"].pop(0) == "quiet":
            self.root.log("holding: the scan finds nothing")
            return
        for i, name in enumerate(self.s["devices"]):
            self.later(name, 100 + 300 * i, self.advertise, name)

    def stop_discovery(self):
        self.cancel(*self.s["devices"])
        update(mockobject.objects[HCI0], ADAPTER, Discovering=dbus.Boolean(False))

    def advertise(self, name):
        if device_path(name) not in mockobject.objects:
            bluez5.AddDevice(self.root, "hci0", ADDRESSES[name], name.split("#")[0])
            device = mockobject.objects[device_path(name)]
            device.methods[DEVICE]["Connect"] = ("", "", "", self.connect_method)
            device.AddMethod(DEVICE, "Disconnect", "", "", lambda d: self.unlink(d.path))

    def connect(self, device, ok, fail):
        device.log("Connect")
        self.root.call_log.append((int(time.time()), "Connect", [dbus.ObjectPath(device.path)]))
        how = self.s["connects"].pop(0) if self.s["connects"] else "ok"
        if how == "held":
            self.root.log("holding: Connect unanswered")
        elif how == "fail":
            self.later("connect", 50, fail, dbus.exceptions.DBusException(
                "le-connection-abort-by-local", name="org.bluez.Error.Failed"))
        else:
            self.later("connect", 50, self.connected, device, how, ok)

    def connected(self, device, how, ok):
        update(device, DEVICE, Connected=dbus.Boolean(True))
        ok()
        if how == "unresolved":
            self.root.log("holding: services unresolved")
        else:
            self.later("resolve", 50, self.resolve, device)

    def resolve(self, device):
        if device.path in (device_path(TARGET), device_path(TARGET + "#2")):
            service = device.path + "/service000a"
            self.add_gatt(service, "org.bluez.GattService1", {
                "UUID": uuid(0xFFE0), "Primary": dbus.Boolean(True),
                "Device": dbus.ObjectPath(device.path), "Includes": dbus.Array([], "o")})
            for path, short, flags in (("/char000b", 0xFFE1, ["read", "notify"]),
                                       ("/char000e", 0xFFE2, ["write-without-response", "write"])):
                self.add_gatt(service + path, CHAR, {
                    "UUID": uuid(short), "Service": dbus.ObjectPath(service), "Flags": flags,
                    "Value": dbus.Array([], "y"), "Notifying": dbus.Boolean(False),
                    "MTU": dbus.UInt16(23)})
            self.add_gatt(service + "/char000b/desc000d", "org.bluez.GattDescriptor1", {
                "UUID": uuid(0x2902), "Characteristic": dbus.ObjectPath(service + "/char000b"),
                "Value": dbus.Array(b"\0\0", "y"), "Flags": ["read", "write"]})
        update(device, DEVICE, ServicesResolved=dbus.Boolean(True))

    def add_gatt(self, path, interface, props):
        methods = [("ReadValue", "a{sv}", "ay", "ret = self.props[self.interface]['Value']")]
        if interface == CHAR:
            methods += [("WriteValue", "aya{sv}", "", ""),
                        ("StartNotify", "", "", lambda char: self.start_notify(char)),
                        ("StopNotify", "", "", lambda char: self.cancel("stream"))]
        self.root.AddObject(path, interface, props, methods if "Value" in props else [])
        self.root.object_manager_emit_added(path)

    def unlink_all(self):
        for path in {device_path(name) for name in ADDRESSES} & mockobject.objects.keys():
            self.unlink(path)

    def unlink(self, path):
        """Ends the link to a device: without a bond BlueZ keeps none of its GATT objects."""
        self.cancel("connect", "resolve", "stream")
        objects = mockobject.objects
        for prop in ("ServicesResolved", "Connected"):
            if objects[path].props[DEVICE][prop]:
                update(objects[path], DEVICE, **{prop: dbus.Boolean(False)})
        for gatt in sorted((p for p in objects if p.startswith(path + "/")), reverse=True):
            self.root.object_manager_emit_removed(gatt)
            self.root.RemoveObject(gatt)

    def drop(self):
        self.unlink(device_path(TARGET))

    def start_notify(self, char):
        update(char, CHAR, Notifying=dbus.Boolean(True))
        self.later("stream", self.s["interval_ms"], self.send, char, repeat=True)

    def send(self, char):
        if self.records:
            data = self.records.pop(0)
        else:
            self.numbered += 1
            data = record(self.numbered)
        update(char, CHAR, Value=dbus.Array(data, "y"))
        self.since += 1
        if self.s["steps"] and self.s["steps"][0][0].get("records") == self.since:
            self.do_step()


def load(mock, parameters):
    bluez5.load(mock, parameters)
    mock.thermometer = Thermometer(mock, json.loads(parameters.get("scenario", "{}")))
