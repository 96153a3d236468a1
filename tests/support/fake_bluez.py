#!/usr/bin/env python3
"""A stand-in for the system's Bluetooth service (BlueZ) on a private bus.

Owns org.bluez on the bus that DBUS_SYSTEM_BUS_ADDRESS names and serves what
the programs use of BlueZ's documented interface: ObjectManager at "/", an
adapter hci0, devices (org.bluez.Device1 with ConnectProfile and
DisconnectProfile) and ProfileManager1.RegisterProfile at /org/bluez.

On ConnectProfile it makes a socketpair, hands one end to the registered
profile through Profile1.NewConnection, and plays the meter on the other end:
it starts vavirir-sim (--sim PATH, scenario after --) and relays between the
simulator's terminal and the socket, both ways. The simulator of connection
n logs to LOGDIR/meter-n.err.

Tests steer it through org.vavirir.FakeBluez at /fake (see Control below).
It prints "ready" on stdout once it owns org.bluez.
"""
import argparse
import os
import socket
import subprocess
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

SPP = "00001101-0000-1000-8000-00805f9b34fb"
A2DP_SINK = "0000110b-0000-1000-8000-00805f9b34fb"
HFP = "0000111e-0000-1000-8000-00805f9b34fb"
DEVICE = "org.bluez.Device1"
PROPS = "org.freedesktop.DBus.Properties"


def error(name, text=""):
    return dbus.exceptions.DBusException(text or name, name=name)


class Meter:
    """One connection: the socket end we keep and a simulator behind it."""

    def __init__(self, sock, sim_cmd, log_path):
        self.sock = sock
        self.sim = subprocess.Popen(sim_cmd, stdout=subprocess.PIPE,
                                    stderr=open(log_path, "w"))
        pty = self.sim.stdout.readline().decode().strip()
        self.pty = os.open(pty, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        self.sock.setblocking(False)
        self.watches = [
            GLib.io_add_watch(self.pty, GLib.IO_IN | GLib.IO_HUP | GLib.IO_ERR, self.from_meter),
            GLib.io_add_watch(self.sock.fileno(), GLib.IO_IN | GLib.IO_HUP | GLib.IO_ERR,
                              self.from_program),
        ]

    def forward(self, read, write, write_failure_hangs_up):
        """Moves what one side sent to the other; False ends the watch."""
        try:
            data = read()
        except BlockingIOError:
            return True
        except OSError:
            data = b""
        if not data:
            self.close()
            return False
        try:
            write(data)
        except OSError:
            if write_failure_hangs_up:
                self.close()
                return False
        return True

    def from_meter(self, fd, condition):
        return self.forward(lambda: os.read(fd, 4096), self.sock.sendall, True)

    def from_program(self, fd, condition):
        return self.forward(lambda: self.sock.recv(4096), lambda data: os.write(self.pty, data),
                            False)

    def close(self):
        """Hangs up: the program reads the end of its socket, the simulator
        sees its terminal closed and ends."""
        for w in self.watches:
            GLib.source_remove(w)
        self.watches = []
        if self.sock is not None:
            try:
                self.sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            self.sock.close()
            self.sock = None
        if self.pty is not None:
            os.close(self.pty)
            self.pty = None
            try:
                self.sim.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.sim.kill()


class Device(dbus.service.Object):
    def __init__(self, service, address, alias, paired, uuids):
        self.service = service
        self.path = "/org/bluez/hci0/dev_" + address.replace(":", "_")
        self.props = {
            "Address": dbus.String(address),
            "Alias": dbus.String(alias),
            "Name": dbus.String(alias),
            "Paired": dbus.Boolean(paired),
            "Trusted": dbus.Boolean(False),
            "Connected": dbus.Boolean(False),
            "Adapter": dbus.ObjectPath("/org/bluez/hci0"),
            "UUIDs": dbus.Array(uuids, signature="s"),
        }
        self.meter = None
        super().__init__(service.bus, self.path)

    def interfaces(self):
        return {DEVICE: dbus.Dictionary(self.props, signature="sv"),
                PROPS: dbus.Dictionary({}, signature="sv")}

    def set(self, name, value):
        self.props[name] = value
        self.PropertiesChanged(DEVICE, dbus.Dictionary({name: value}, signature="sv"),
                               dbus.Array([], signature="s"))

    @dbus.service.signal(PROPS, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass

    @dbus.service.method(PROPS, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self.props if interface == DEVICE else {}

    @dbus.service.method(PROPS, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.props[name]

    @dbus.service.method(DEVICE, in_signature="s", out_signature="",
                         sender_keyword="sender", async_callbacks=("ok", "fail"))
    def ConnectProfile(self, uuid, sender, ok, fail):
        self.service.log("ConnectProfile %s %s" % (self.props["Address"], uuid))
        failure = self.service.errors.get("ConnectProfile")
        if failure:
            return fail(error(failure))
        if self.meter is not None:
            return fail(error("org.bluez.Error.InProgress", "In Progress"))
        profile = self.service.profiles.get((sender, uuid.lower()))
        if profile is None or uuid.lower() != SPP or SPP not in self.props["UUIDs"]:
            return fail(error("org.bluez.Error.Failed", "Protocol not available"))
        ours, theirs = socket.socketpair(socket.AF_UNIX, socket.SOCK_STREAM)
        self.meter = self.service.start_meter(ours)

        def delivered():
            os.close(theirs_fd)
            self.set("Connected", dbus.Boolean(True))
            ok()

        def refused(e):
            os.close(theirs_fd)
            self.drop()
            fail(error("org.bluez.Error.Failed", str(e)))

        theirs_fd = os.dup(theirs.fileno())
        theirs.close()
        proxy = self.service.bus.get_object(sender, profile)
        proxy.NewConnection(dbus.ObjectPath(self.path), dbus.types.UnixFd(theirs_fd),
                            dbus.Dictionary({}, signature="sv"),
                            dbus_interface="org.bluez.Profile1", signature="oha{sv}",
                            reply_handler=delivered, error_handler=refused)

    @dbus.service.method(DEVICE, in_signature="s", out_signature="")
    def DisconnectProfile(self, uuid):
        self.service.log("DisconnectProfile %s %s" % (self.props["Address"], uuid))
        self.drop()

    def drop(self):
        if self.meter is not None:
            self.meter.close()
            self.meter = None
            self.set("Connected", dbus.Boolean(False))


class Root(dbus.service.Object):
    """ObjectManager at "/"."""

    def __init__(self, service):
        self.service = service
        super().__init__(service.bus, "/")

    @dbus.service.method("org.freedesktop.DBus.ObjectManager", out_signature="a{oa{sa{sv}}}")
    def GetManagedObjects(self):
        objects = {
            dbus.ObjectPath("/org/bluez/hci0"): {
                "org.bluez.Adapter1": dbus.Dictionary(
                    {"Address": "00:11:22:33:44:55", "Powered": dbus.Boolean(True)},
                    signature="sv")}}
        for d in self.service.devices.values():
            objects[dbus.ObjectPath(d.path)] = d.interfaces()
        return objects

    @dbus.service.signal("org.freedesktop.DBus.ObjectManager", signature="oa{sa{sv}}")
    def InterfacesAdded(self, path, interfaces):
        pass

    @dbus.service.signal("org.freedesktop.DBus.ObjectManager", signature="oas")
    def InterfacesRemoved(self, path, interfaces):
        pass


class ProfileManager(dbus.service.Object):
    def __init__(self, service):
        self.service = service
        super().__init__(service.bus, "/org/bluez")

    @dbus.service.method("org.bluez.ProfileManager1", in_signature="osa{sv}", out_signature="",
                         sender_keyword="sender")
    def RegisterProfile(self, path, uuid, options, sender):
        self.service.log("RegisterProfile %s %s" % (uuid, options.get("Role", "")))
        failure = self.service.errors.get("RegisterProfile")
        if failure:
            raise error(failure, "Not permitted")
        if (sender, uuid.lower()) in self.service.profiles:
            raise error("org.bluez.Error.AlreadyExists", "Already Exists")
        self.service.profiles[(sender, uuid.lower())] = path


class Control(dbus.service.Object):
    """What the tests do to the service while a program uses it."""

    def __init__(self, service):
        self.service = service
        super().__init__(service.bus, "/fake")

    @dbus.service.method("org.vavirir.FakeBluez", in_signature="s")
    def Drop(self, address):
        """The meter goes away: its end of the connection hangs up."""
        self.service.device(address).drop()

    @dbus.service.method("org.vavirir.FakeBluez", in_signature="s")
    def RequestDisconnection(self, address):
        """BlueZ asks the program to let go of the meter's connection."""
        device = self.service.device(address)
        for (sender, uuid), path in self.service.profiles.items():
            self.service.bus.get_object(sender, path).RequestDisconnection(
                dbus.ObjectPath(device.path), dbus_interface="org.bluez.Profile1",
                reply_handler=lambda: None, error_handler=lambda e: None)

    @dbus.service.method("org.vavirir.FakeBluez", in_signature="s")
    def Pair(self, address):
        self.service.device(address).set("Paired", dbus.Boolean(True))

    @dbus.service.method("org.vavirir.FakeBluez", in_signature="ss")
    def AddMeter(self, address, alias):
        d = self.service.add(address, alias, True, [SPP])
        self.service.root.InterfacesAdded(dbus.ObjectPath(d.path), d.interfaces())

    @dbus.service.method("org.vavirir.FakeBluez", in_signature="s")
    def Remove(self, address):
        d = self.service.devices.pop(address)
        d.drop()
        self.service.root.InterfacesRemoved(dbus.ObjectPath(d.path),
                                            dbus.Array([DEVICE, PROPS], signature="s"))
        d.remove_from_connection()

    @dbus.service.method("org.vavirir.FakeBluez", in_signature="ss")
    def SetError(self, method, name):
        """Every later call of `method` fails with error `name` ("" clears)."""
        if name:
            self.service.errors[method] = name
        else:
            self.service.errors.pop(method, None)

    @dbus.service.method("org.vavirir.FakeBluez", out_signature="as")
    def Calls(self):
        return self.service.calls


class Service:
    def __init__(self, args):
        self.args = args
        self.bus = dbus.bus.BusConnection(os.environ["DBUS_SYSTEM_BUS_ADDRESS"])
        self.devices = {}
        self.profiles = {}
        self.errors = {}
        self.calls = []
        self.connections = 0
        self.root = Root(self)
        ProfileManager(self)
        Control(self)
        self.add("AA:BB:CC:DD:EE:01", "VAVIRIR-METER", True, [SPP])
        self.add("AA:BB:CC:DD:EE:02", "Headphones", True, [A2DP_SINK, HFP])
        self.add("AA:BB:CC:DD:EE:03", "VAVIRIR-METER", False, [SPP])
        self.name = dbus.service.BusName("org.bluez", self.bus)

    def add(self, address, alias, paired, uuids):
        d = Device(self, address, alias, paired, uuids)
        self.devices[address] = d
        return d

    def device(self, address):
        return self.devices[address]

    def log(self, text):
        self.calls.append(text)

    def start_meter(self, sock):
        self.connections += 1
        log = os.path.join(self.args.logdir, "meter-%d.err" % self.connections)
        return Meter(sock, [self.args.sim, "--verbose", "--start-delay-ms", "0"] +
                     self.args.scenario, log)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--sim", required=True, help="the vavirir-sim program")
    parser.add_argument("--logdir", required=True)
    parser.add_argument("scenario", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    if args.scenario and args.scenario[0] == "--":
        args.scenario = args.scenario[1:]
    args.scenario = args.scenario or ["live"]
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    Service(args)
    print("ready", flush=True)
    GLib.MainLoop().run()


if __name__ == "__main__":
    sys.exit(main())
