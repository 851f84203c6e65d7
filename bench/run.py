#!/usr/bin/python3
"""Runs every benchmark of Vell Thermo and prints one table of the results.

In-process rows come from vell-bench (Google Benchmark, offscreen). Whole-process rows start
the real binary and the floor program (bench/floor) side by side, alternately, on Qt's
offscreen platform and under a private Xvfb, and compare them:

  start       process start to the first painted frame, as each reports it on standard error
              (the application with VELL_REPORT_FIRST_PAINT=1), at scale 1 and at scale 2
              (QT_SCALE_FACTOR=2 for both); also without the application's cached copy of the
              reduced picture, as on the first start after a change
  memory      peak resident memory (VmHWM) once the window has settled; also the application's
              with a hostile picture and with a 7680x4320 one, against its normal start
  idle        wake-ups (voluntary context switches of all threads) over 10 s with a reading
              shown and nothing changing
  headless    peak resident memory of a headless run (--headless) against the window's, both
              with a live simulated link, started alternately
  mqtt        what --mqtt adds to a headless run's peak memory and CPU per reading, against a
              private mosquitto (bench/mqtt_bench.py, which also soaks a broker outage)

Usage: bench/run.py BUILD_DIR [--only headless]     (scripts/bench builds BUILD_DIR first)
       --only headless runs just that measurement, and needs only vell-thermo built.
"""

import argparse
import json
import struct
import zlib
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

import mqtt_bench

RECORD = b"Temp:23.45 Hum:56.78\n"
READING = "23.45 \u2103   56.78%".encode()
APP_MARK = b"vell-thermo: first frame painted"
FLOOR_MARK = b"vell-floor: first frame painted"
SIZE = "1024x768"
START_RUNS = 8
MEMORY_RUNS = 3
SETTLE_S = 1.0
IDLE_S = 10.0
# The reading line both the window and a headless run log on standard error.
LOGGED_READING = "\u2103".encode()
LIVE_INTERVAL_MS = "100"


def say(text):
    print(text, file=sys.stderr, flush=True)


class Process:
    """A child whose standard error lines are collected, each with the time it arrived."""

    def __init__(self, command, env, feed=None):
        stdin = subprocess.DEVNULL
        self.writer = None
        if feed is not None:
            # The sensor replays standard input: one record, then a pipe that stays open, so
            # nothing changes after the first reading.
            reader, self.writer = os.pipe()
            os.write(self.writer, feed)
            stdin = reader
        self.lines = []
        self.done = False
        self.changed = threading.Condition()
        self.started = time.perf_counter()
        self.child = subprocess.Popen(command, env=env, stdin=stdin,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        if feed is not None:
            os.close(stdin)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        for line in self.child.stderr:
            now = time.perf_counter()
            with self.changed:
                self.lines.append((now, line))
                self.changed.notify_all()
        with self.changed:
            self.done = True
            self.changed.notify_all()

    def wait_for(self, needle, timeout=30.0):
        """Seconds from the start to the first line holding needle, or None."""
        deadline = time.perf_counter() + timeout
        with self.changed:
            while True:
                for at, line in self.lines:
                    if needle in line:
                        return at - self.started
                left = deadline - time.perf_counter()
                if self.done or left <= 0:
                    return None
                self.changed.wait(left)

    def status(self, field):
        with open(f"/proc/{self.child.pid}/status") as f:
            for line in f:
                if line.startswith(field + ":"):
                    return int(line.split()[1])
        return None

    def switches(self):
        """Voluntary and involuntary context switches of each thread, by thread id."""
        counts = {}
        base = f"/proc/{self.child.pid}/task"
        for tid in os.listdir(base):
            try:
                with open(f"{base}/{tid}/status") as f:
                    fields = dict(line.split(":", 1) for line in f if ":" in line)
                counts[tid] = (fields["Name"].strip(),
                               int(fields["voluntary_ctxt_switches"]),
                               int(fields["nonvoluntary_ctxt_switches"]))
            except (FileNotFoundError, KeyError, ValueError):
                pass
        return counts

    def stop(self):
        if self.child.poll() is None:
            self.child.send_signal(signal.SIGKILL)
        self.child.wait()
        self.thread.join(5)
        if self.writer is not None:
            os.close(self.writer)
        return b"".join(line for _, line in self.lines)


class Platform:
    def __init__(self, name, env, display_server=None):
        self.name = name
        self.env = env
        self.server = display_server

    def close(self):
        if self.server is not None:
            self.server.terminate()
            self.server.wait()


def base_env(runtime):
    env = {k: v for k, v in os.environ.items()
           if k not in ("QT_MESSAGE_PATTERN", "QT_LOGGING_RULES", "DISPLAY", "WAYLAND_DISPLAY",
                        "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM")}
    env["XDG_RUNTIME_DIR"] = runtime
    # The copies of reduced pictures that later starts read: made by the first, untimed start.
    env["XDG_CACHE_HOME"] = os.path.join(os.path.dirname(runtime), "cache")
    env["VELL_REPORT_FIRST_PAINT"] = "1"
    return env


def start_xvfb(env):
    for n in range(91, 200):
        if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"):
            break
    server = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1920x1080x24", "-nolisten",
                               "tcp", "-noreset"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    deadline = time.time() + 10
    while not os.path.exists(f"/tmp/.X11-unix/X{n}"):
        if time.time() > deadline or server.poll() is not None:
            server.kill()
            raise RuntimeError("Xvfb did not start")
        time.sleep(0.05)
    xenv = dict(env, DISPLAY=f":{n}", QT_QPA_PLATFORM="xcb")
    return Platform(f"Xvfb (:{n})", xenv, server)


def png_file(path, width, height):
    """A gradient RGB picture, written without any image library."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff))
    rows = b"".join(b"\0" + bytes((x + y) & 0xff for x in range(256)) * (width * 3 // 256)
                    for y in range(height))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2,
                                                                     0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(rows, 1)) + chunk(b"IEND", b""))


class Runner:
    def __init__(self, build, work):
        self.work = work
        self.source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
        self.cache = os.path.join(work, "cache")
        self.app = os.path.join(build, "bin", "vell-thermo")
        self.floor = os.path.join(build, "bin", "vell-floor")
        self.home = os.path.join(work, "home")
        self.picture = os.path.join(self.home, "Documents", "skin.bundle", "qir",
                                    "background_Mac_Landscape.png")

    def launch(self, which, platform, home=None):
        if which == "app":
            return Process([self.app, "--home", home or self.home, "--sensor", "replay:-",
                            "--interval", "0", "--size", SIZE], platform.env, feed=RECORD)
        return Process([self.floor, self.picture, SIZE], platform.env)

    def ready(self, which, process):
        """Seconds to the first frame; the application must also show the reading."""
        first = process.wait_for(APP_MARK if which == "app" else FLOOR_MARK)
        if which == "app" and first is not None and process.wait_for(READING) is None:
            return None
        return first

    def once(self, which, platform, hold=0.0, home=None):
        process = self.launch(which, platform, home)
        first = self.ready(which, process)
        peak = None
        if first is not None and hold > 0:
            time.sleep(hold)
            peak = process.status("VmHWM")
        log = process.stop()
        if first is None:
            raise RuntimeError(f"{which} on {platform.name} showed no first frame:\n"
                               + log.decode(errors="replace")[-2000:])
        return first, peak

    def start_and_memory(self, platform):
        # The first start installs the skins into the home: not timed. It also warms the caches.
        self.once("app", platform)
        self.once("floor", platform)
        times = {"app": [], "floor": []}
        for i in range(START_RUNS):
            for which in (("app", "floor") if i % 2 == 0 else ("floor", "app")):
                times[which].append(self.once(which, platform)[0])
        # Starts that find no copy of the reduced picture, as after the picture changed.
        cold = []
        for i in range(START_RUNS // 2):
            shutil.rmtree(self.cache, ignore_errors=True)
            cold.append(self.once("app", platform)[0])
        # At scale 2 the view has four times the pixels, and a copy of its own.
        scaled = Platform(platform.name, dict(platform.env, QT_SCALE_FACTOR="2"))
        self.once("app", scaled)
        times2 = {"app": [], "floor": []}
        for i in range(START_RUNS // 2):
            for which in (("app", "floor") if i % 2 == 0 else ("floor", "app")):
                times2[which].append(self.once(which, scaled)[0])
        peaks = {"app": [], "floor": []}
        for i in range(MEMORY_RUNS):
            for which in ("app", "floor"):
                peaks[which].append(self.once(which, platform, hold=SETTLE_S)[1])
        return {
            "start_app_ms": statistics.median(times["app"]) * 1000,
            "start_floor_ms": statistics.median(times["floor"]) * 1000,
            "start_cold_app_ms": statistics.median(cold) * 1000,
            "start2_app_ms": statistics.median(times2["app"]) * 1000,
            "start2_floor_ms": statistics.median(times2["floor"]) * 1000,
            "peak_app_kib": statistics.median(peaks["app"]),
            "peak_floor_kib": statistics.median(peaks["floor"]),
            **self.picture_peaks(platform),
        }

    def picture_peaks(self, platform):
        """The window's peak memory on a first start (no copy) with pictures that ask much."""
        pictures = {"hostile": os.path.join(self.source, "tests", "data",
                                            "hostile-chunk-claims.png"),
                    "large": os.path.join(self.work, "large.png")}
        if not os.path.exists(pictures["large"]):
            png_file(pictures["large"], 7680, 4320)
        peaks = {}
        for name, picture in pictures.items():
            home = os.path.join(self.work, "home-" + name)
            if not os.path.exists(home):
                shutil.copytree(self.home, home, symlinks=True)
            shutil.copyfile(picture, os.path.join(home, os.path.relpath(self.picture, self.home)))
            shutil.rmtree(self.cache, ignore_errors=True)
            peaks[f"peak_{name}_kib"] = self.once("app", platform, hold=SETTLE_S, home=home)[1]
        return peaks

    def headless_memory(self, platform):
        """Peak resident memory, headless against the window, both with a live simulated link:
        each started alternately, held SETTLE_S after its first reading, MEMORY_RUNS times."""
        link = ["--home", self.home, "--sensor", "sim", "--interval", LIVE_INTERVAL_MS]
        commands = {"window": [self.app] + link + ["--size", SIZE],
                    "headless": [self.app, "--headless"] + link}
        peaks = {"window": [], "headless": []}
        for i in range(MEMORY_RUNS + 1):
            for which in ("window", "headless") if i % 2 == 0 else ("headless", "window"):
                process = Process(commands[which], platform.env)
                try:
                    if process.wait_for(LOGGED_READING) is None:
                        raise RuntimeError(f"{which} on {platform.name} showed no reading")
                    time.sleep(SETTLE_S)
                    peak = process.status("VmHWM")
                finally:
                    process.stop()
                if i > 0:  # the first round installs the skins and warms the caches
                    peaks[which].append(peak)
        return {"headless_peak_kib": statistics.median(peaks["headless"]),
                "headless_window_peak_kib": statistics.median(peaks["window"])}

    def idle(self, platform):
        process = self.launch("app", platform)
        try:
            if self.ready("app", process) is None:
                raise RuntimeError(f"the application did not show a reading on {platform.name}")
            time.sleep(2.0)  # the smooth repaint after the first one, and the like
            before = process.switches()
            time.sleep(IDLE_S)
            after = process.switches()
        finally:
            process.stop()
        wakes = 0
        threads = []
        for tid, (name, voluntary, involuntary) in after.items():
            base = before.get(tid, (name, 0, 0))
            woke = voluntary - base[1]
            wakes += woke
            if woke:
                threads.append(f"{name} {woke}")
        return {"idle_wakeups_per_s": wakes / IDLE_S, "idle_threads": ", ".join(threads)}


def run_in_process(build, results_dir, env):
    say("== in-process benchmarks (vell-bench)")
    out = os.path.join(results_dir, "vell-bench.json")
    with open(os.path.join(results_dir, "vell-bench.txt"), "w") as console:
        subprocess.run([os.path.join(build, "bin", "vell-bench"), f"--benchmark_out={out}",
                        "--benchmark_out_format=json"], check=True, stdout=console,
                       stderr=subprocess.STDOUT, env=env)
    with open(out) as f:
        data = json.load(f)
    rows = {}
    for b in data["benchmarks"]:
        name = b["name"].split("/")[0]
        if b.get("error_occurred"):
            raise RuntimeError(f"{name}: {b.get('error_message')}")
        # Repeated benchmarks report only their aggregates: the median is the figure.
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        rows[name] = b
    return rows, data["context"]


def machine(context):
    model = "unknown"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    return {"nproc": os.cpu_count(), "cpu": model,
            "qt": context.get("qt", "unknown")}


def table(b, p, m, extra_rows=()):
    rows = []

    def row(what, measured, target, ok):
        rows.append((what, measured, target, "met" if ok else "NOT MET"))

    decode = b["BM_Decode4K"]["median_ms"]
    rows.append(("one decode of the 3840x2160 picture (reference)", f"{decode:.1f} ms median",
                 "", ""))
    lu = b["BM_LayoutUnchanged"]
    share = lu["median_ms"] / lu["decode_ms"]
    row("layout, unchanged files, 4K picture + 20 labels",
        f"{lu['median_ms'] * 1000:.0f} us median = {share:.2%} of a decode "
        f"({lu['decode_ms']:.0f} ms)", "<= 1% of a decode", share <= 0.01)
    la = b["BM_LayoutAfterReplace"]
    ratio = la["median_ms"] / la["decode_ms"]
    row("layout right after the picture file was replaced",
        f"{la['median_ms']:.0f} ms median = {ratio:.2f}x a read of the new picture for the "
        f"view ({la['decode_ms']:.0f} ms)", "<= 1.1x", ratio <= 1.1)
    lr = b["BM_LiveResize"]
    share = lr["median_ms"] / lr["decode_ms"]
    row("live resize, 100 sizes, laid out and painted (4 sweeps)",
        f"{lr['median_ms']:.1f} ms median step = {share:.1%} of a decode "
        f"(p90 {lr['p90_ms']:.1f}, max {lr['max_ms']:.1f} ms)",
        "<= 16 ms and <= 10%", lr["median_ms"] <= 16 and share <= 0.10)
    hop = b["BM_HopFloor"]["hops_per_s"]
    pt = b["BM_PipelineThroughput"]
    row("reading pipeline, link thread to label + log line (file)",
        f"{pt['records_per_s']:,.0f} records/s, median of 3 runs (empty hop alone: "
        f"{hop:,.0f}/s)",
        ">= 10,000/s", pt["records_per_s"] >= 10000)
    ph = b["BM_PipelineHopAt1000"]
    row("one reading's hop at 1,000 records/s",
        f"p99 {ph['p99_ms']:.3f} ms (p50 {ph['p50_ms']:.3f}, max {ph['max_ms']:.2f}; "
        f"medians of 3 runs of {ph['hops']:.0f} hops)", "p99 <= 1 ms", ph["p99_ms"] <= 1.0)
    def start_row(what, app, floor, limit):
        ratio = app / floor
        row(what, f"app {app:.0f} ms / floor {floor:.0f} ms = {ratio:.2f}x",
            f"<= {limit}x floor", ratio <= limit)

    for name, r in p.items():
        start_row(f"start to first painted frame, with the reduced copy, {name}",
                  r["start_app_ms"], r["start_floor_ms"], 0.6)
        start_row(f"the same at scale 2, {name}", r["start2_app_ms"], r["start2_floor_ms"], 0.8)
        start_row(f"the same without the copy (first start after a change), {name}",
                  r["start_cold_app_ms"], r["start_floor_ms"], 1.1)
    for name, r in p.items():
        ratio = r["peak_app_kib"] / r["peak_floor_kib"]
        row(f"peak memory of the running window, {name}",
            f"app {r['peak_app_kib'] / 1024:.1f} MiB / floor {r['peak_floor_kib'] / 1024:.1f} "
            f"MiB = {ratio:.2f}x", "<= 1.0x floor", ratio <= 1.0)
        for kind, what in (("hostile", "a picture whose chunk claims 2 GB"),
                           ("large", "a 7680x4320 picture")):
            ratio = r[f"peak_{kind}_kib"] / r["peak_app_kib"]
            row(f"peak memory, first start with {what}, {name}",
                f"{r[f'peak_{kind}_kib'] / 1024:.1f} MiB = {ratio:.2f}x the normal start",
                "<= 1.5x", ratio <= 1.5)
    rows += headless_rows(p) + list(extra_rows)
    for name, r in p.items():
        row(f"idle 10 s, reading shown, {name}",
            f"{r['idle_wakeups_per_s']:.1f} wake-ups/s ({r['idle_threads'] or 'none'})",
            "<= 1/s", r["idle_wakeups_per_s"] <= 1.0)
    for label, key in (("checkTelNumber", "BM_ValidatorTel"),
                       ("validateEmail", "BM_ValidatorEmail"), ("checkURL", "BM_ValidatorUrl")):
        v = b[key]
        row(f"validator {label}, worst of {v['probes']:.0f} strings up to 64 KiB",
            f"{v['worst_ms'] * 1000:.1f} us (at {v['worst_length']:.0f} chars)", "<= 1 ms",
            v["worst_ms"] <= 1.0)

    return render(rows, m), all(r[3] != "NOT MET" for r in rows)


def headless_rows(p):
    rows = []
    for name, r in p.items():
        if "headless_peak_kib" not in r:
            continue
        ratio = r["headless_peak_kib"] / r["headless_window_peak_kib"]
        rows.append((f"peak memory headless against the window, live sim link, {name}",
                     f"headless {r['headless_peak_kib'] / 1024:.1f} MiB / window "
                     f"{r['headless_window_peak_kib'] / 1024:.1f} MiB = {ratio:.2f}x",
                     "<= 0.5x window", "met" if ratio <= 0.5 else "NOT MET"))
    return rows


def render(rows, m):
    widths = [max(len(r[i]) for r in rows + [("what", "measured", "target", "result")])
              for i in range(4)]
    lines = [f"Machine: {m['nproc']} cores, {m['cpu']}, Qt {m.get('qt', 'unknown')}, "
             f"load average at start {m['load']}", ""]

    def fmt(r):
        return "| " + " | ".join(r[i].ljust(widths[i]) for i in range(4)) + " |"

    lines.append(fmt(("what", "measured", "target", "result")))
    lines.append("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    lines += [fmt(r) for r in rows]
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build")
    parser.add_argument("--only", choices=["headless"])
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    results_dir = os.path.join(build, "results")
    os.makedirs(results_dir, exist_ok=True)
    with open("/proc/loadavg") as f:
        load = " ".join(f.read().split()[:3])
    work = tempfile.mkdtemp(prefix="vell-bench.")
    platforms = []
    try:
        runtime = os.path.join(work, "runtime")
        os.makedirs(runtime, mode=0o700)
        env = base_env(runtime)
        bench, context = ({}, {}) if args.only else run_in_process(build, results_dir, env)
        runner = Runner(build, work)
        process_rows = {}
        platforms.append(Platform("offscreen", dict(env, QT_QPA_PLATFORM="offscreen")))
        platforms.append(start_xvfb(env))
        for platform in platforms:
            say(f"== whole process, {platform.name}")
            r = {}
            if not args.only:
                r.update(runner.start_and_memory(platform))
                r.update(runner.idle(platform))
            r.update(runner.headless_memory(platform))
            process_rows[platform.name.split()[0]] = r
        say("== --mqtt, headless")
        mqtt_rows = mqtt_bench.cost(runner.app, platforms[0].env)
    finally:
        for platform in platforms:
            platform.close()
        shutil.rmtree(work, ignore_errors=True)

    m = machine(context)
    m["load"] = load
    name = "results-headless.json" if args.only else "results.json"
    with open(os.path.join(results_dir, name), "w") as f:
        json.dump({"machine": m, "in_process": bench, "whole_process": process_rows}, f,
                  indent=1)
    if args.only:
        print(render(headless_rows(process_rows) + mqtt_rows, m))
    else:
        print(table(bench, process_rows, m, mqtt_rows)[0])
    return 0


if __name__ == "__main__":
    sys.exit(main())
