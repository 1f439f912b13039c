#!/usr/bin/env python3
"""Whole-process comparison of the packaged runtime with the bare engine.

Run on an X display (bench/linux/run puts it on a private one):

  measure.py RUNTIME_APP RUNTIME_APP_ROUNDTRIP BARE_PROGRAM PAGE_FOLDER

- start-up: time from exec to the page's load event reaching native code
  (median of RUNS runs after one warm-up run);
- peak memory: VmHWM summed over the process and all its descendants (the
  engine's web and network processes), read two seconds after the load;
- bridge round trips per second, page -> native -> page: qel.hello() in the
  runtime against a message answered by a script in the bare engine.
"""
import os
import select
import statistics
import subprocess
import sys
import tempfile
import time

RUNS = 7
ROUND_TRIPS = 3000
ROUND_TRIP_RUNS = 3


def descendants(pid):
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as stat:
                ppid = int(stat.read().rsplit(")", 1)[1].split()[1])
        except OSError:
            continue
        children.setdefault(ppid, []).append(int(entry))
    found, todo = [], [pid]
    while todo:
        current = todo.pop()
        found.append(current)
        todo.extend(children.get(current, []))
    return found


def peak_memory_kib(pid):
    total = 0
    for each in descendants(pid):
        try:
            with open(f"/proc/{each}/status") as status:
                for line in status:
                    if line.startswith("VmHWM:"):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total


def stop(process):
    for each in reversed(descendants(process.pid)):
        try:
            os.kill(each, 15)
        except OSError:
            pass
    process.wait(timeout=10)


def wait_line(fd, wanted, timeout=30.0):
    """Reads lines from fd until one contains wanted; returns the time."""
    buffer, deadline = b"", time.monotonic() + timeout
    while time.monotonic() < deadline:
        ready, _, _ = select.select([fd], [], [], 0.5)
        if not ready:
            continue
        chunk = os.read(fd, 65536)
        if not chunk:
            time.sleep(0.001)
            continue
        buffer += chunk
        if wanted in buffer:
            return time.monotonic()
    raise RuntimeError(f"no {wanted!r} within {timeout} s")


def runtime_start(app, workdir):
    fifo = os.path.join(workdir, "bridge.fifo")
    if not os.path.exists(fifo):
        os.mkfifo(fifo)
    fd = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)
    env = dict(os.environ, TESSERA_BRIDGE_LOG=fifo)
    start = time.monotonic()
    process = subprocess.Popen([app], env=env, stderr=subprocess.DEVNULL)
    try:
        loaded = wait_line(fd, b'"bench-loaded"')
        time.sleep(2)
        return loaded - start, peak_memory_kib(process.pid)
    finally:
        stop(process)
        os.close(fd)


def bare_start(program, folder):
    start = time.monotonic()
    process = subprocess.Popen([program, folder, "index.html"], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL)
    try:
        loaded = wait_line(process.stdout.fileno(), b"loaded")
        time.sleep(2)
        return loaded - start, peak_memory_kib(process.pid)
    finally:
        stop(process)


def window_title_rate(timeout=120.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = subprocess.run(["xdotool", "search", "--name", "^rate [0-9]+$", "getwindowname"],
                               capture_output=True, text=True).stdout.split()
        if len(found) >= 2:
            return float(found[1])
        time.sleep(0.2)
    raise RuntimeError("no rate in a window caption")


def runtime_rate(app):
    process = subprocess.Popen([app], stderr=subprocess.DEVNULL)
    try:
        return window_title_rate()
    finally:
        stop(process)


def bare_rate(program, folder):
    process = subprocess.Popen([program, folder, "index.html", str(ROUND_TRIPS)],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        for line in process.stdout:
            if line.startswith("rate "):
                return float(line.split()[1])
        raise RuntimeError("the bare engine reported no rate")
    finally:
        stop(process)


def main():
    app, app_round_trip, bare, folder = sys.argv[1:5]
    with tempfile.TemporaryDirectory() as workdir:
        runtime_start(app, workdir)  # warm-up
        bare_start(bare, folder)
        runtime, plain = [], []
        for _ in range(RUNS):
            runtime.append(runtime_start(app, workdir))
            plain.append(bare_start(bare, folder))
    rt_rates = [runtime_rate(app_round_trip) for _ in range(ROUND_TRIP_RUNS)]
    bare_rates = [bare_rate(bare, folder) for _ in range(ROUND_TRIP_RUNS)]

    def median(values):
        return statistics.median(values)

    t_rt, t_bare = median([t for t, _ in runtime]) * 1000, median([t for t, _ in plain]) * 1000
    m_rt, m_bare = median([m for _, m in runtime]) / 1024, median([m for _, m in plain]) / 1024
    r_rt, r_bare = median(rt_rates), median(bare_rates)
    print(f"start-up to load (median of {RUNS}):  runtime {t_rt:7.1f} ms   bare {t_bare:7.1f} ms"
          f"   ratio {t_rt / t_bare:.2f}")
    print(f"  runs, runtime: {' '.join(f'{t * 1000:.0f}' for t, _ in runtime)}")
    print(f"  runs, bare:    {' '.join(f'{t * 1000:.0f}' for t, _ in plain)}")
    print(f"round trips/s (median of {ROUND_TRIP_RUNS} x {ROUND_TRIPS}): runtime {r_rt:7.0f}"
          f"   bare {r_bare:7.0f}   ratio {r_rt / r_bare:.2f}")
    print(f"peak memory, all processes (VmHWM sum, median): runtime {m_rt:6.1f} MiB"
          f"   bare {m_bare:6.1f} MiB   ratio {m_rt / m_bare:.2f}")


if __name__ == "__main__":
    main()
