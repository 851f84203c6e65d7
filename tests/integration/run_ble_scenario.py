#!/usr/bin/python3
"""Runs vell-thermo against mock_bluez.py on a private bus and checks what it logs.

    run_ble_scenario.py --app build/dev/bin/vell-thermo --scenario drop

Starts its own dbus-daemon, the mock on it and the application with the bus as its system bus,
then compares the status, reading and refusal lines the application writes on stderr, in order,
with what the scenario must give. Every process it starts lives in its own process group and is
killed at the end, whatever happened; the children also die with this script.

Exit status 0 when the scenario passed, 1 when it failed (with every log on stderr) or when
something it needs is missing (dbus-daemon, python3-dbus, python3-gi: scripts/install-deps).
"""

import argparse
import ctypes
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
try:
    import dbus
    import mock_bluez  # beside this file
except ImportError as missing:
    sys.exit("run_ble_scenario.py needs python3-dbus and python3-gi under /usr/bin/python3: %s"
             % missing)

SCANNING = "scanning..."
FOUND = "Found target."
CONNECTING = "connecting ..."
DISCONNECTED = "tempture disconnected."
STATUS_LINES = {SCANNING, FOUND, CONNECTING, DISCONNECTED}
LINK_UP = [SCANNING, FOUND, CONNECTING]

# No single run may take longer than this, whatever hangs; CTest's own limit is above it.
DEADLINE_S = 45

BUS_CONFIG = """<busconfig>
  <type>session</type>
  <listen>unix:path={socket}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
    <allow user="*"/>
  </policy>
</busconfig>
"""


def readings(first, last):
    """The lines the screen logs for the counted records first..last."""
    return ["%5.2f \u2103   %5.2f%%" % mock_bluez.values(k) for k in range(first, last + 1)]


# What the screen logs for each of mock_bluez.ODD_RECORDS, in order.
ODD_LINES = [
    "Rejected record of 6 bytes: 54656d703a32",
    "Rejected record of 19 bytes: 54656d703a32332e34352048756d3a35362e37",
    "Rejected record of 23 bytes: 54656d703a32332e34352048756d3a35362e3738e28483",
    "Rejected record of 20 bytes: 54656d703afffe2e34352048756d3a35362e3738",
    "19.99 \u2103   77.01%",
    "Rejected record of 70 bytes: " + bytes(range(0x80, 0x80 + 64)).hex() + "...",
    "Rejected record of 0 bytes: ",
    "-5.50 \u2103   08.25%",
]
assert len(ODD_LINES) == len(mock_bluez.ODD_RECORDS)
ODD_SHOWN = sum(1 for line in ODD_LINES if not line.startswith("Rejected"))


class Scenario:
    """What to run and what must come out.

    expected: the application's status, reading and refusal lines, exactly and in order.
    readings: the app's --readings; 0 runs it for run_s seconds and then stops it.
    check: more to assert about the mock's counts once the application is done.
    """

    def __init__(self, expected, readings=0, run_s=0.0, env=None, check=None):
        self.expected = expected
        self.readings = readings
        self.run_s = run_s
        self.env = env or {}
        self.check = check


def connect_count(n):
    def check(counts, paths):
        if counts.get("Connect", 0) != n:
            return "expected %d Connect calls, the mock saw %d" % (n, counts.get("Connect", 0))
        return None

    return check


def only_target(counts, paths):
    target = "dev_" + mock_bluez.TARGET_ADDRESS.replace(":", "_")
    wrong = [p for p in paths if not p.endswith(target)]
    if wrong:
        return "connected to a device that is not the thermometer: %s" % wrong
    return connect_count(1)(counts, paths)


def never_scanned(counts, paths):
    if counts.get("StartDiscovery", 0) or counts.get("Connect", 0):
        return "the mock saw a scan or a connect without an adapter: %s" % counts
    return None


SCENARIOS = {
    # Scan, find, connect, then every record in order.
    "normal": Scenario(LINK_UP + readings(1, 5), readings=5, check=connect_count(1)),
    # Another device is announced first: it is passed over, never connected.
    "decoy": Scenario(LINK_UP + readings(1, 3), readings=3, check=only_target),
    # The sensor goes away after three records; the link comes back by itself and goes on.
    "drop": Scenario(
        LINK_UP + readings(1, 3) + [DISCONNECTED] + LINK_UP + readings(4, 6),
        readings=6,
        check=connect_count(2),
    ),
    # Bluetooth is switched off under a live link and on again half a second later.
    "power_cycle": Scenario(
        LINK_UP + readings(1, 3) + [DISCONNECTED] + LINK_UP + readings(4, 5),
        readings=5,
        check=connect_count(2),
    ),
    # The adapter is unplugged under a live link and back before the link tries again: Qt's
    # handle on the old adapter is dead by then and must not be used.
    "unplugged": Scenario(
        LINK_UP + readings(1, 3) + [DISCONNECTED] + LINK_UP + readings(4, 5),
        readings=5,
        check=connect_count(2),
    ),
    # No adapter at all: nothing to scan with, nothing logged, and the window stays up.
    "no_adapter": Scenario([], run_s=3.0, check=never_scanned),
    # The adapter is plugged in a second later and found by the next look.
    "adapter_late": Scenario(LINK_UP + readings(1, 2), readings=2, check=connect_count(1)),
    # Bluetooth is off at first and switched on a second later.
    "powered_off": Scenario(LINK_UP + readings(1, 2), readings=2, check=connect_count(1)),
    # The first connect fails; after a pause the link tries again and gets through.
    "connect_fails": Scenario(
        LINK_UP + [DISCONNECTED] + LINK_UP + readings(1, 2), readings=2, check=connect_count(2)
    ),
    # The first connect never resolves its services: the link gives up on it and tries again.
    "never_resolved": Scenario(
        LINK_UP + [DISCONNECTED] + LINK_UP + readings(1, 2),
        readings=2,
        env={"VELL_BLE_CONNECT_TIMEOUT_MS": "1500"},
        check=connect_count(2),
    ),
    # Short, long, empty and non-ASCII records are refused one by one; the good ones show.
    "odd_records": Scenario(
        LINK_UP + ODD_LINES + readings(1, 2), readings=ODD_SHOWN + 2, check=connect_count(1)
    ),
}


def die_with_parent():
    """Runs in each child before exec: no orphan outlives this script, even when it is killed."""
    libc = ctypes.CDLL(None, use_errno=True)
    pr_set_pdeathsig = 1
    libc.prctl(pr_set_pdeathsig, signal.SIGKILL)


class Processes:
    """The processes this run started; each in a group of its own, all killed at the end."""

    def __init__(self):
        self.started = []

    def start(self, argv, **kwargs):
        process = subprocess.Popen(
            argv, start_new_session=True, preexec_fn=die_with_parent, **kwargs
        )
        self.started.append(process)
        return process

    def stop_all(self):
        for process in reversed(self.started):
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                sys.stderr.write("could not reap process %d\n" % process.pid)


def read_line(stream, timeout_s):
    ready, _, _ = select.select([stream], [], [], timeout_s)
    return stream.readline().decode().strip() if ready else ""


def interesting(lines):
    """The lines this test is about: statuses, readings and refusals, without Qt's chatter."""
    return [
        line
        for line in lines
        if line in STATUS_LINES or line.startswith("Rejected record of ") or "\u2103" in line
    ]


class Run:
    """One scenario: a private bus, the mock on it and the application, in a temporary folder."""

    def __init__(self, app, name, verbose):
        self.app = app
        self.name = name
        self.scenario = SCENARIOS[name]
        self.verbose = verbose
        self.processes = Processes()
        self.work = tempfile.mkdtemp(prefix="vell-ble-")
        self.logs = {
            "dbus-daemon": os.path.join(self.work, "bus.log"),
            "mock_bluez": os.path.join(self.work, "mock.log"),
            "vell-thermo": os.path.join(self.work, "app.log"),
        }

    def start_bus(self):
        config = os.path.join(self.work, "bus.conf")
        with open(config, "w") as f:
            f.write(BUS_CONFIG.format(socket=os.path.join(self.work, "bus")))
        with open(self.logs["dbus-daemon"], "wb") as err:
            bus = self.processes.start(
                ["dbus-daemon", "--config-file=" + config, "--print-address=1", "--nofork"],
                stdin=subprocess.DEVNULL,
                stdout=subprocess.PIPE,
                stderr=err,
            )
        return read_line(bus.stdout, 10)

    def start_mock(self, address):
        with open(self.logs["mock_bluez"], "wb") as err:
            self.mock = self.processes.start(
                [sys.executable, "-B", os.path.join(HERE, "mock_bluez.py"),
                 "--bus-address", address, "--scenario", self.name],
                stdin=subprocess.DEVNULL,
                stdout=subprocess.PIPE,
                stderr=err,
            )
        return read_line(self.mock.stdout, 10) == "ready"

    def start_app(self, address):
        env = dict(os.environ)
        env.update(
            {
                "DBUS_SYSTEM_BUS_ADDRESS": address,
                # Nothing of the desktop's session either.
                "DBUS_SESSION_BUS_ADDRESS": address,
                "BLUETOOTH_FORCE_DBUS_LE_VERSION": "5.66",
                "QT_QPA_PLATFORM": "offscreen",
                "QT_MESSAGE_PATTERN": "%{message}",
                "QT_LOGGING_RULES": "qt.bluetooth*=true" if self.verbose else "",
                "XDG_RUNTIME_DIR": self.work,
            }
        )
        env.pop("VELL_BLE_CONNECT_TIMEOUT_MS", None)
        env.update(self.scenario.env)
        argv = [self.app, "--home", os.path.join(self.work, "home"), "--sensor", "ble"]
        if self.scenario.readings:
            argv += ["--readings", str(self.scenario.readings)]
        with open(self.logs["vell-thermo"], "wb") as err:
            return self.processes.start(
                argv, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=err, env=env
            )

    def check(self):
        """None when the scenario passed, else what went wrong."""
        address = self.start_bus()
        if not address:
            return "dbus-daemon did not start"
        if not self.start_mock(address):
            return "the mock did not come up"
        application = self.start_app(address)

        scenario = self.scenario
        problem = None
        if scenario.readings:
            try:
                status = application.wait(timeout=DEADLINE_S)
                if status != 0:
                    problem = "vell-thermo exited with status %d" % status
            except subprocess.TimeoutExpired:
                problem = "no %d readings within %d s" % (scenario.readings, DEADLINE_S)
        else:
            try:
                status = application.wait(timeout=scenario.run_s)
                problem = "vell-thermo stopped by itself with status %d" % status
            except subprocess.TimeoutExpired:
                pass  # still up, as it should be

        with open(self.logs["vell-thermo"], encoding="utf-8", errors="replace") as f:
            got = interesting(f.read().splitlines())
        if got != scenario.expected:
            problem = (problem + "; " if problem else "") + "the log differs:\n"
            return problem + diff(scenario.expected, got)
        if problem:
            return problem
        if self.mock.poll() is not None:
            return "the mock died with status %d" % self.mock.returncode
        if scenario.check:
            return scenario.check(*mock_counts(address))
        return None

    def run(self):
        failure = "interrupted"
        try:
            failure = self.check()
        finally:
            self.processes.stop_all()
            if failure is not None or self.verbose:
                for title, path in self.logs.items():
                    dump(title + " stderr", path)
            shutil.rmtree(self.work, ignore_errors=True)
        return failure


def mock_counts(address):
    """What the mock counted, and the devices it was asked to connect, in order."""
    bus = dbus.bus.BusConnection(address)
    try:
        control = dbus.Interface(
            bus.get_object(mock_bluez.BLUEZ, mock_bluez.CONTROL_PATH), mock_bluez.CONTROL_INTERFACE
        )
        counts = {str(k): int(v) for k, v in control.Counts().items()}
        paths = [str(p) for p in control.ConnectedPaths()]
    finally:
        bus.close()
    return counts, paths


def diff(expected, got):
    lines = []
    for i in range(max(len(expected), len(got))):
        want = expected[i] if i < len(expected) else "<nothing>"
        have = got[i] if i < len(got) else "<nothing>"
        mark = "  " if want == have else "! "
        lines.append("%s%2d want %-40s got %s" % (mark, i, want, have))
    return "\n".join(lines)


def dump(title, path):
    sys.stderr.write("----- %s -----\n" % title)
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            sys.stderr.write(f.read())
    except OSError:
        sys.stderr.write("(none)\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--app", required=True, help="the vell-thermo binary")
    parser.add_argument("--scenario", required=True, choices=sorted(SCENARIOS))
    parser.add_argument("--verbose", action="store_true",
                        help="turn on Qt's Bluetooth log and print every log, also on success")
    args = parser.parse_args()

    for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(sig, lambda s, f: sys.exit(128 + s))
    if not os.access(args.app, os.X_OK):
        sys.stderr.write("no application at %s\n" % args.app)
        return 1
    if shutil.which("dbus-daemon") is None:
        sys.stderr.write("dbus-daemon is missing (Debian package dbus)\n")
        return 1

    failure = Run(args.app, args.scenario, args.verbose).run()
    if failure:
        sys.stderr.write("FAIL %s: %s\n" % (args.scenario, failure))
        return 1
    sys.stdout.write("PASS %s\n" % args.scenario)
    return 0


if __name__ == "__main__":
    sys.exit(main())
