#!/usr/bin/python3
"""What --mqtt costs the headless program, against a private mosquitto on a free loopback port:

  cost   peak resident memory (VmHWM) and CPU time per reading of a headless run of READINGS
         simulated readings, with --mqtt and without, alternately, COST_RUNS times each
  soak   (--soak) one reading a second while the broker is stopped for 60 s: every reading must
         reach a persistent subscriber, in order

Usage: bench/mqtt_bench.py VELL_THERMO [--soak]     (bench/run.py adds the cost rows)
"""

import os
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

READINGS = 2000
COST_RUNS = 3
DEVICE = ["--device", "00:00:5E:00:53:01"]
TOPIC = "vell-thermo/00005e005301/state"


class Broker:
    def __init__(self, work):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
        self.conf = os.path.join(work, "mosquitto.conf")
        with open(self.conf, "w") as f:
            f.write(f"listener {self.port} 127.0.0.1\nallow_anonymous true\npersistence true\n"
                    f"persistence_location {work}/\n" + ("user root\n" if os.getuid() == 0 else ""))
        self.process = None

    def start(self):
        mosquitto = shutil.which("mosquitto", path="/usr/sbin:/usr/local/sbin:" + os.environ["PATH"])
        self.process = subprocess.Popen([mosquitto, "-c", self.conf], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        for _ in range(300):
            with socket.socket() as s:
                if s.connect_ex(("127.0.0.1", self.port)) == 0:
                    return
            time.sleep(0.05)
        raise RuntimeError("mosquitto did not start")

    def stop(self):
        self.process.terminate()
        self.process.wait(30)

    def url(self):
        return ["--mqtt", f"mqtt://127.0.0.1:{self.port}"]


def headless(app, extra, env):
    """Peak memory (KiB) and CPU seconds of one run of READINGS readings."""
    command = [app, "--headless", "--sensor", "sim", "--interval", "1", "--readings",
               str(READINGS)] + DEVICE + extra
    child = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    peak = 0
    while True:
        # wait4 rather than poll(): it reaps the run with its own resource usage.
        pid, _, usage = os.wait4(child.pid, os.WNOHANG)
        if pid != 0:
            child.returncode = 0
            return peak, usage.ru_utime + usage.ru_stime
        try:
            with open(f"/proc/{child.pid}/status") as f:
                for line in f:
                    if line.startswith("VmHWM:"):
                        peak = max(peak, int(line.split()[1]))
        except FileNotFoundError:
            pass
        time.sleep(0.05)


def cost(app, env):
    work = tempfile.mkdtemp(prefix="vell-mqtt-bench.")
    broker = Broker(work)
    broker.start()
    try:
        runs = {"plain": [], "mqtt": []}
        for i in range(COST_RUNS):
            for which in ("plain", "mqtt") if i % 2 == 0 else ("mqtt", "plain"):
                runs[which].append(headless(app, broker.url() if which == "mqtt" else [], env))
    finally:
        broker.stop()
        shutil.rmtree(work, ignore_errors=True)
    peak = {w: statistics.median(r[0] for r in runs[w]) for w in runs}
    cpu = {w: statistics.median(r[1] for r in runs[w]) / READINGS * 1e6 for w in runs}
    grown = (peak["mqtt"] - peak["plain"]) / 1024
    ratio = cpu["mqtt"] / cpu["plain"]
    return [("headless peak memory with --mqtt, sim link",
             f"{peak['mqtt'] / 1024:.1f} MiB, {grown:+.2f} MiB", "<= +2 MiB",
             "met" if grown <= 2 else "NOT MET"),
            ("headless CPU per reading with --mqtt, sim link",
             f"{cpu['mqtt']:.0f} us / {cpu['plain']:.0f} us = {ratio:.2f}x",
             "(reference: 1,000 readings/s; a thermometer sends one a second)", "")]


def soak(app, env, outage_s=60):
    work = tempfile.mkdtemp(prefix="vell-mqtt-soak.")
    broker = Broker(work)
    broker.start()
    sub = subprocess.Popen(["mosquitto_sub", "-p", str(broker.port), "-c", "-i", "soak", "-q",
                            "1", "-R", "-t", TOPIC], stdout=subprocess.PIPE)
    time.sleep(1)
    records = os.pipe()
    program = subprocess.Popen([app, "--headless", "--sensor", "replay:-"] + DEVICE + broker.url(),
                               env=env, stdin=records[0], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    os.close(records[0])
    total = outage_s + 30
    try:
        for n in range(1, total + 1):
            if n == 10:
                broker.stop()
            if n == 10 + outage_s:
                broker.start()
            os.write(records[1], b"Temp:23.41 Hum:56.69 #%d\n" % n)
            time.sleep(1)
        time.sleep(35)  # the last reconnect waits up to 30 s
    finally:
        program.send_signal(signal.SIGTERM)
        program.wait(30)
        sub.terminate()
        got = [int(line.rsplit(b"#", 1)[1].split(b'"')[0]) for line in sub.communicate()[0].splitlines()]
        broker.stop()
        shutil.rmtree(work, ignore_errors=True)
    unique = sorted(set(got))
    ok = unique == list(range(1, total + 1)) and got == sorted(got)
    return (f"{outage_s} s broker outage at one reading a second",
            f"{len(unique)} of {total} readings, {'in' if got == sorted(got) else 'out of'} order",
            "all, in order", "met" if ok else "NOT MET")


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    environment = dict(os.environ, QT_LOGGING_RULES="vell.log*.info=false")
    rows = cost(sys.argv[1], environment)
    if "--soak" in sys.argv:
        rows.append(soak(sys.argv[1], environment))
    for row in rows:
        print(" | ".join(row))
