#!/usr/bin/python3
"""Runs one scenario of tests/data/ble_scenarios.json against BlueZ mocked by python-dbusmock:

    run_ble_scenario.py SCENARIO VELL_THERMO LIFECYCLE_TEST

A private system bus, bluez_thermometer.py on it, then vell-thermo (LinkLifecycleTest for a
"lifecycle" scenario) on that bus, checked against the scenario. Logs go to stderr on failure.
"""

import difflib
import glob
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile

import dbus
import dbusmock

# bluez_thermometer.py uses dbusmock's insides (bluez5's functions, the objects table, the methods
# of one object) as 0.28 has them: another release needs a look before it is trusted.
if not dbusmock.__version__.startswith("0.28."):
    sys.exit("python3-dbusmock 0.28.x needed, found %s" % dbusmock.__version__)

HERE = os.path.dirname(os.path.abspath(__file__))
STATUS_LINES = {"scanning...", "Found target.", "connecting ...", "tempture disconnected."}
TARGET = "/org/bluez/hci0/dev_C4_7F_51_00_12_34"
DEADLINE_S = 45  # for a run that ends by itself; CTest's limit is above it


def shown(log):
    """The lines a scenario expects: statuses, readings and refusals, in order."""
    return [line for line in log.splitlines()
            if line in STATUS_LINES or line.startswith("Rejected record of ") or "\u2103" in line]


def start(scenario, work, app, lifecycle_test):
    env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=os.environ["DBUS_SYSTEM_BUS_ADDRESS"],
               BLUETOOTH_FORCE_DBUS_LE_VERSION="5.66", QT_QPA_PLATFORM="offscreen",
               QT_MESSAGE_PATTERN="%{message}", XDG_RUNTIME_DIR=work)
    env.pop("VELL_BLE_CONNECT_TIMEOUT_MS", None)
    env.update(scenario.get("env", {}))
    argv = [app, "--home", os.path.join(work, "home"), "--sensor", "ble"]
    argv += ["--readings", str(scenario["readings"])] if "readings" in scenario else []
    argv += scenario.get("arguments", [])
    if "lifecycle" in scenario:
        env.update(VELL_BLE_STEP=json.dumps(scenario["lifecycle"]),
                   VELL_BLE_MOCK_LOG=os.path.join(work, "mock.log"))
        argv = [lifecycle_test]
    with open(os.path.join(work, "program.log"), "wb") as log:
        return subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=log)


def check(scenario, work, mock, program):
    """What went wrong, or None."""
    try:  # a scenario with run_s stops the program itself, after that long
        status = program.wait(timeout=scenario.get("run_s", DEADLINE_S))
    except subprocess.TimeoutExpired:
        status = None
    with open(os.path.join(work, "program.log"), encoding="utf-8", errors="replace") as f:
        got = shown(f.read())
    if got != scenario.get("expect", got):
        return "the log differs:\n" + "\n".join(difflib.unified_diff(
            scenario["expect"], got, "expected", "logged", lineterm=""))
    if status != (None if "run_s" in scenario else 0):
        return "it ended with status %s (None: still running)" % status
    if mock.poll() is not None:
        return "the mock died"
    root = dbus.Interface(dbusmock.DBusTestCase.get_dbus(True).get_object("org.bluez", "/"),
                          dbusmock.MOCK_IFACE)
    calls = root.GetMethodCalls("Connect")
    paths = [str(args[0]) for _, args in calls]
    if len(paths) != scenario.get("connects", len(paths)) or set(paths) - {TARGET}:
        return "Connect calls: %s, not %s to the thermometer" % (paths, scenario["connects"])
    pause = calls[-1][0] - calls[-2][0] if len(calls) > 1 else 0
    if pause > scenario.get("last_pause_s", pause):
        return "%.1f s between the last two Connect calls" % pause
    return None


def run(name, app, lifecycle_test):
    with open(os.path.join(HERE, "..", "data", "ble_scenarios.json"), encoding="utf-8") as f:
        scenario = json.load(f)[name]
    work = tempfile.mkdtemp(prefix="vell-ble-")
    mock = program = None
    failure = "interrupted"
    try:
        dbusmock.DBusTestCase.start_system_bus()
        with open(os.path.join(work, "mock.log"), "wb") as log:
            mock, _ = dbusmock.DBusTestCase.spawn_server_template(
                os.path.join(HERE, "bluez_thermometer.py"),
                {"scenario": json.dumps(scenario.get("mock", {}))}, stdout=log)
        program = start(scenario, work, app, lifecycle_test)
        failure = check(scenario, work, mock, program)
    finally:
        for process in (program, mock):
            if process and process.poll() is None:
                process.kill()
                process.wait()
        # Not DBusTestCase.tearDownClass(): it leaves the bus's folder behind, and waits for the
        # daemon to be reaped, which some inits do only every second or two.
        if dbusmock.DBusTestCase.system_bus_pid:
            os.kill(dbusmock.DBusTestCase.system_bus_pid, signal.SIGTERM)
        shutil.rmtree(os.path.dirname(dbusmock.DBusTestCase.get_services_dir()))
        for path in sorted(glob.glob(os.path.join(work, "*.log"))) if failure else []:
            with open(path, encoding="utf-8", errors="replace") as f:
                sys.stderr.write("----- %s -----\n%s" % (os.path.basename(path), f.read()))
        shutil.rmtree(work)
    return failure


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # and clean up on the way out
    FAILURE = run(*sys.argv[1:])
    sys.exit("FAIL %s: %s" % (sys.argv[1], FAILURE) if FAILURE else 0)
