#!/usr/bin/python3
"""Runs one scenario of tests/data/ble_scenarios.json against BlueZ mocked by python-dbusmock.

    run_ble_scenario.py SCENARIO VELL_THERMO LIFECYCLE_TEST

Starts a private system bus, dbusmock on it with bluez_thermometer.py, then vell-thermo (or, for
a scenario with "lifecycle", LinkLifecycleTest) with that bus. Passes when the program's status,
reading and refusal lines are the scenario's "expect", in order, and the mock saw "connects"
Connect calls, all to the thermometer. Every log goes to stderr when it fails.
"""

import difflib
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile

import dbus
import dbusmock

# bluez_thermometer.py reaches into dbusmock (bluez5's functions, the objects table, the methods
# of one object) the way 0.28 has them; another release needs a look before it is trusted.
if not dbusmock.__version__.startswith("0.28."):
    sys.exit("python3-dbusmock 0.28.x needed, found %s" % dbusmock.__version__)

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data", "ble_scenarios.json")
STATUS_LINES = {"scanning...", "Found target.", "connecting ...", "tempture disconnected."}
TARGET = "/org/bluez/hci0/dev_C4_7F_51_00_12_34"
DEADLINE_S = 45  # for the readings; CTest's limit is above it


def shown(log):
    """The lines the scenarios are about: statuses, readings and refusals."""
    return [line for line in log.splitlines()
            if line in STATUS_LINES or line.startswith("Rejected record of ") or "\u2103" in line]


def start_program(scenario, work, mock_log, app, lifecycle_test):
    bus = os.environ["DBUS_SYSTEM_BUS_ADDRESS"]
    env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=bus, BLUETOOTH_FORCE_DBUS_LE_VERSION="5.66",
               QT_QPA_PLATFORM="offscreen", QT_MESSAGE_PATTERN="%{message}", XDG_RUNTIME_DIR=work)
    env.pop("VELL_BLE_CONNECT_TIMEOUT_MS", None)
    env.update(scenario.get("env", {}))
    if "lifecycle" in scenario:
        env.update(VELL_BLE_STEP=json.dumps(scenario["lifecycle"]), VELL_BLE_MOCK_LOG=mock_log)
        argv = [lifecycle_test]
    else:
        argv = [app, "--home", os.path.join(work, "home"), "--sensor", "ble"]
        argv += ["--readings", str(scenario["readings"])] if "readings" in scenario else []
    with open(os.path.join(work, "program.log"), "wb") as log:
        return subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=log)


def check(scenario, work, mock, root, program):
    """What went wrong, or None."""
    problem = None
    try:
        status = program.wait(timeout=scenario.get("run_s", DEADLINE_S))
        if "run_s" in scenario:
            problem = "it stopped by itself with status %d" % status
        elif status != 0:
            problem = "it exited with status %d" % status
    except subprocess.TimeoutExpired:
        if "run_s" not in scenario:
            problem = "it did not finish within %d s" % DEADLINE_S
    with open(os.path.join(work, "program.log"), encoding="utf-8", errors="replace") as f:
        got = shown(f.read())
    if "expect" in scenario and got != scenario["expect"]:
        return "the log differs:\n" + "\n".join(difflib.unified_diff(
            scenario["expect"], got, "expected", "logged", lineterm=""))
    if problem or mock.poll() is not None:
        return problem or "the mock died"
    paths = [str(args[0]) for _, args in root.GetMethodCalls("Connect")]
    if "connects" in scenario and len(paths) != scenario["connects"]:
        return "%d Connect calls, not %d" % (len(paths), scenario["connects"])
    if any(path != TARGET for path in paths):
        return "a Connect call to another device: %s" % paths
    return None


def run(name, app, lifecycle_test):
    with open(DATA, encoding="utf-8") as f:
        scenario = json.load(f)[name]
    work = tempfile.mkdtemp(prefix="vell-ble-")
    mock = program = None
    failure = "interrupted"
    try:
        dbusmock.DBusTestCase.start_system_bus()
        mock_log = os.path.join(work, "mock.log")
        with open(mock_log, "wb") as log:
            mock, root = dbusmock.DBusTestCase.spawn_server_template(
                os.path.join(HERE, "bluez_thermometer.py"),
                {"scenario": json.dumps(scenario.get("mock", {}))}, stdout=log)
        root = dbus.Interface(root, dbusmock.MOCK_IFACE)
        program = start_program(scenario, work, mock_log, app, lifecycle_test)
        failure = check(scenario, work, mock, root, program)
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
        if failure:
            for log in ("program.log", "mock.log"):
                with open(os.path.join(work, log), "a+", encoding="utf-8", errors="replace") as f:
                    f.seek(0)
                    sys.stderr.write("----- %s -----\n%s" % (log, f.read()))
        shutil.rmtree(work)
    return failure


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # and clean up on the way out
    failure = run(*sys.argv[1:])
    if failure:
        sys.exit("FAIL %s: %s" % (sys.argv[1], failure))
    print("PASS", sys.argv[1])


if __name__ == "__main__":
    main()
