#!/usr/bin/python3
"""The org.bluez objects mock_bluez.py serves: adapter, devices, GATT service, characteristics and
descriptor, each with org.freedesktop.DBus.Properties, and the object manager at "/".

They keep their properties and answer calls; what happens over time (advertising, connecting,
records, drops) is the daemon's business, which they reach through their `daemon`.
"""

import sys
import time

import dbus
import dbus.service

BLUEZ = "org.bluez"
OBJECT_MANAGER = "org.freedesktop.DBus.ObjectManager"
PROPERTIES = "org.freedesktop.DBus.Properties"
ADAPTER = "org.bluez.Adapter1"
DEVICE = "org.bluez.Device1"
GATT_SERVICE = "org.bluez.GattService1"
GATT_CHARACTERISTIC = "org.bluez.GattCharacteristic1"
GATT_DESCRIPTOR = "org.bluez.GattDescriptor1"

ADAPTER_PATH = "/org/bluez/hci0"
ADAPTER_ADDRESS = "00:1A:7D:DA:71:13"
TARGET_NAME = "VellTempture"
TARGET_ADDRESS = "C4:7F:51:00:12:34"
DECOY_NAME = "OtherThermo"
DECOY_ADDRESS = "E8:31:CD:AA:00:01"


def uuid16(short):
    return "0000%04x-0000-1000-8000-00805f9b34fb" % short


SERVICE_UUID = uuid16(0xFFE0)
RECEIVE_UUID = uuid16(0xFFE1)
TRANSMIT_UUID = uuid16(0xFFE2)
CCCD_UUID = uuid16(0x2902)


START = time.monotonic()


def log(message):
    sys.stderr.write("mock_bluez %.3f: %s\n" % (time.monotonic() - START, message))
    sys.stderr.flush()


def byte_array(data):
    return dbus.Array([dbus.Byte(b) for b in data], signature="y")


def string_array(items):
    return dbus.Array([dbus.String(s) for s in items], signature="s")


class Failed(dbus.DBusException):
    _dbus_error_name = "org.bluez.Error.Failed"


class NotReady(dbus.DBusException):
    _dbus_error_name = "org.bluez.Error.NotReady"


class NotPermitted(dbus.DBusException):
    _dbus_error_name = "org.bluez.Error.NotPermitted"


class DoesNotExist(dbus.DBusException):
    _dbus_error_name = "org.bluez.Error.DoesNotExist"


class InvalidArgs(dbus.DBusException):
    _dbus_error_name = "org.freedesktop.DBus.Error.InvalidArgs"


class BluezObject(dbus.service.Object):
    """An exported object with its properties, per interface, and the Properties interface."""

    def __init__(self, daemon, path, interface, properties):
        self.daemon = daemon
        self.path = path
        self.interface = interface
        self.props = {interface: properties}
        self.writable = set()
        dbus.service.Object.__init__(self, daemon.bus, path)

    def managed(self):
        return {
            dbus.String(i): dbus.Dictionary(p, signature="sv") for i, p in self.props.items()
        }

    def set_props(self, changes, interface=None):
        interface = interface or self.interface
        really = {}
        for name, value in changes.items():
            if self.props[interface].get(name) != value or name == "Value":
                self.props[interface][name] = value
                really[name] = value
        if really:
            self.PropertiesChanged(
                interface, dbus.Dictionary(really, signature="sv"), dbus.Array([], signature="s")
            )

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        log("%s Get %s.%s" % (self.path, interface, name))
        try:
            return self.props[interface][name]
        except KeyError:
            raise InvalidArgs("No such property '%s'" % name)

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        log("%s GetAll %s" % (self.path, interface))
        if interface not in self.props:
            raise InvalidArgs("No such interface '%s'" % interface)
        return dbus.Dictionary(self.props[interface], signature="sv")

    @dbus.service.method(PROPERTIES, in_signature="ssv")
    def Set(self, interface, name, value):
        log("%s Set %s.%s = %r" % (self.path, interface, name, value))
        if interface not in self.props or name not in self.props[interface]:
            raise InvalidArgs("No such property '%s'" % name)
        if (interface, name) not in self.writable:
            raise NotPermitted("Property '%s' is read-only" % name)
        self.property_set(interface, name, value)

    def property_set(self, interface, name, value):
        self.set_props({name: value}, interface)

    @dbus.service.signal(PROPERTIES, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        log("%s PropertiesChanged %s %s" % (self.path, interface, describe(changed)))


def describe(changed):
    parts = []
    for name, value in changed.items():
        if isinstance(value, dbus.Array) and value.signature == "y":
            value = bytes(value)
        parts.append("%s=%r" % (name, value))
    return ", ".join(parts)


class Adapter(BluezObject):
    def __init__(self, daemon, powered):
        BluezObject.__init__(
            self,
            daemon,
            ADAPTER_PATH,
            ADAPTER,
            {
                "Address": dbus.String(ADAPTER_ADDRESS),
                "AddressType": dbus.String("public"),
                "Name": dbus.String("mockhost"),
                "Alias": dbus.String("mockhost"),
                "Class": dbus.UInt32(0x7C010C),
                "Powered": dbus.Boolean(powered),
                "Discoverable": dbus.Boolean(False),
                "DiscoverableTimeout": dbus.UInt32(180),
                "Pairable": dbus.Boolean(False),
                "PairableTimeout": dbus.UInt32(0),
                "Discovering": dbus.Boolean(False),
                "UUIDs": string_array([uuid16(0x1800), uuid16(0x1801)]),
                "Modalias": dbus.String("usb:v1D6Bp0246d0542"),
                "Roles": string_array(["central", "peripheral"]),
            },
        )
        self.writable = {(ADAPTER, n) for n in ("Powered", "Discoverable", "Pairable", "Alias")}

    def property_set(self, interface, name, value):
        if name == "Powered":
            self.daemon.set_powered(bool(value))
        else:
            self.set_props({name: value}, interface)

    @dbus.service.method(ADAPTER)
    def StartDiscovery(self):
        log("%s StartDiscovery" % self.path)
        self.daemon.count("StartDiscovery")
        if not self.props[ADAPTER]["Powered"]:
            raise NotReady("Resource Not Ready")
        self.daemon.start_discovery()

    @dbus.service.method(ADAPTER)
    def StopDiscovery(self):
        log("%s StopDiscovery" % self.path)
        if not self.props[ADAPTER]["Powered"]:
            raise NotReady("Resource Not Ready")
        self.daemon.stop_discovery()

    @dbus.service.method(ADAPTER, in_signature="a{sv}")
    def SetDiscoveryFilter(self, properties):
        log("%s SetDiscoveryFilter %s" % (self.path, dict(properties)))

    @dbus.service.method(ADAPTER, in_signature="o")
    def RemoveDevice(self, path):
        log("%s RemoveDevice %s" % (self.path, path))
        if not self.daemon.remove_device(str(path)):
            raise DoesNotExist("Does Not Exist")


class Device(BluezObject):
    def __init__(self, daemon, name, address, address_type, uuids):
        path = "%s/dev_%s" % (ADAPTER_PATH, address.replace(":", "_"))
        BluezObject.__init__(
            self,
            daemon,
            path,
            DEVICE,
            {
                "Address": dbus.String(address),
                "AddressType": dbus.String(address_type),
                "Name": dbus.String(name),
                "Alias": dbus.String(name),
                "Paired": dbus.Boolean(False),
                "Bonded": dbus.Boolean(False),
                "Trusted": dbus.Boolean(False),
                "Blocked": dbus.Boolean(False),
                "LegacyPairing": dbus.Boolean(False),
                "Connected": dbus.Boolean(False),
                "ServicesResolved": dbus.Boolean(False),
                "UUIDs": string_array(uuids),
                "RSSI": dbus.Int16(-58),
                "Adapter": dbus.ObjectPath(ADAPTER_PATH),
            },
        )
        self.gatt = []  # exported while connected
        self.connecting = False

    @dbus.service.method(DEVICE, async_callbacks=("reply", "error"))
    def Connect(self, reply, error):
        log("%s Connect" % self.path)
        self.daemon.connect_device(self, reply, error)

    @dbus.service.method(DEVICE)
    def Disconnect(self):
        log("%s Disconnect" % self.path)
        self.daemon.disconnect_device(self)


class GattService(BluezObject):
    def __init__(self, daemon, device):
        BluezObject.__init__(
            self,
            daemon,
            device.path + "/service000a",
            GATT_SERVICE,
            {
                "UUID": dbus.String(SERVICE_UUID),
                "Primary": dbus.Boolean(True),
                "Device": dbus.ObjectPath(device.path),
                "Includes": dbus.Array([], signature="o"),
                "Handle": dbus.UInt16(0x0A),
            },
        )


class GattCharacteristic(BluezObject):
    def __init__(self, daemon, service, handle, uuid, flags):
        BluezObject.__init__(
            self,
            daemon,
            "%s/char%04x" % (service.path, handle),
            GATT_CHARACTERISTIC,
            {
                "UUID": dbus.String(uuid),
                "Service": dbus.ObjectPath(service.path),
                "Value": byte_array(b""),
                "Notifying": dbus.Boolean(False),
                "Flags": string_array(flags),
                "Handle": dbus.UInt16(handle),
                "MTU": dbus.UInt16(23),
            },
        )
        if "notify" not in flags:
            del self.props[GATT_CHARACTERISTIC]["Notifying"]

    @dbus.service.method(GATT_CHARACTERISTIC, in_signature="a{sv}", out_signature="ay")
    def ReadValue(self, options):
        log("%s ReadValue %s" % (self.path, dict(options)))
        return self.props[GATT_CHARACTERISTIC]["Value"]

    @dbus.service.method(GATT_CHARACTERISTIC, in_signature="aya{sv}")
    def WriteValue(self, value, options):
        log("%s WriteValue %r %s" % (self.path, bytes(value), dict(options)))
        flags = self.props[GATT_CHARACTERISTIC]["Flags"]
        if "write" not in flags and "write-without-response" not in flags:
            raise NotPermitted("Write not permitted")
        self.set_props({"Value": byte_array(bytes(value))})

    @dbus.service.method(GATT_CHARACTERISTIC)
    def StartNotify(self):
        log("%s StartNotify" % self.path)
        if "Notifying" not in self.props[GATT_CHARACTERISTIC]:
            raise NotPermitted("Notify not supported")
        self.daemon.start_notify(self)

    @dbus.service.method(GATT_CHARACTERISTIC)
    def StopNotify(self):
        log("%s StopNotify" % self.path)
        self.daemon.stop_notify(self)


class GattDescriptor(BluezObject):
    def __init__(self, daemon, characteristic, handle, uuid):
        BluezObject.__init__(
            self,
            daemon,
            "%s/desc%04x" % (characteristic.path, handle),
            GATT_DESCRIPTOR,
            {
                "UUID": dbus.String(uuid),
                "Characteristic": dbus.ObjectPath(characteristic.path),
                "Value": byte_array(b"\x00\x00"),
                "Flags": string_array(["read", "write"]),
                "Handle": dbus.UInt16(handle),
            },
        )

    @dbus.service.method(GATT_DESCRIPTOR, in_signature="a{sv}", out_signature="ay")
    def ReadValue(self, options):
        log("%s ReadValue %s" % (self.path, dict(options)))
        return self.props[GATT_DESCRIPTOR]["Value"]

    @dbus.service.method(GATT_DESCRIPTOR, in_signature="aya{sv}")
    def WriteValue(self, value, options):
        log("%s WriteValue %r %s" % (self.path, bytes(value), dict(options)))
        # bluetoothd keeps the client configuration to itself: StartNotify is the way in.
        raise NotPermitted("Write not permitted")


class Root(dbus.service.Object):
    def __init__(self, daemon):
        self.daemon = daemon
        dbus.service.Object.__init__(self, daemon.bus, "/")

    @dbus.service.method(OBJECT_MANAGER, out_signature="a{oa{sa{sv}}}")
    def GetManagedObjects(self):
        log("/ GetManagedObjects")
        return dbus.Dictionary(
            {dbus.ObjectPath(o.path): o.managed() for o in self.daemon.objects()},
            signature="oa{sa{sv}}",
        )

    @dbus.service.signal(OBJECT_MANAGER, signature="oa{sa{sv}}")
    def InterfacesAdded(self, path, interfaces):
        log("/ InterfacesAdded %s %s" % (path, ", ".join(interfaces.keys())))

    @dbus.service.signal(OBJECT_MANAGER, signature="oas")
    def InterfacesRemoved(self, path, interfaces):
        log("/ InterfacesRemoved %s %s" % (path, ", ".join(interfaces)))
