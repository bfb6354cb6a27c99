#!/usr/bin/env python3
"""A station's long run in short: 24 simulated radio units at their fastest rates, two wired
staffs and a synchronizer, each kind through its own fathomhost --headless with recording (and
for the radio network also frame capture and the output port), for SECONDS (default 600).
Prints, for each, the samples the simulators sent against the samples recorded (they must be
equal), resident memory at the start and the end, and CPU. Not part of the tests.

    make soak                      # 10 minutes
    python3 scripts/soak.py 60     # a shorter look
"""
import os
import re
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time

from soak_common import cpu_seconds, frames, rss_kib

BIN = os.environ.get("FATHOM_BIN_DIR", os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build"))
SECONDS = float(sys.argv[1]) if len(sys.argv) > 1 else 600.0
SETTLE = 10.0  # seconds before the first memory reading: start-up, handshakes


def start_sim(work, name, scenario):
    log = os.path.join(work, name + ".bin")
    p = subprocess.Popen([os.path.join(BIN, "fathomsim"), "--scenario", scenario, "--log", log],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    path = p.stdout.readline().strip()
    return p, path, log


def start_host(work, name, args):
    out = open(os.path.join(work, name + ".out"), "w")
    err = open(os.path.join(work, name + ".err"), "w")
    return subprocess.Popen([os.path.join(BIN, "fathomhost"), "--headless"] + args,
                            stdout=out, stderr=err)








BURST = {ord("A"): 32, ord("F"): 32, ord("I"): 64, ord("i"): 60}


def radio_sent(log):
    n = 0
    for f in frames(open(log, "rb").read()):
        if f[0] != 0x90 or len(f) < 13:
            continue
        kind = f[12]
        if kind == ord("C") and f[17:19] == b"D1":
            n += 1
        n += BURST.get(kind, 0)
    return n


def recorded(csv):
    n = 0
    with open(csv, "rb") as f:
        for line in f.read().split(b"\r\n"):
            if line[:1] == b"C" and line[5:7] == b"D1":
                n += 1
            elif line[:1] in (b"A", b"F"):
                n += 32
            elif line[:1] == b"I":
                n += 64
            elif line[:1] == b"i":
                n += 60
    return n


def wired_sent(log):
    text = open(log, "rb").read()
    return len(re.findall(rb"(?m)^\d{4}(?:,\d{4})?\r$", text.split(b"GOK,", 1)[-1]))


def sync_sent(log):
    # The board streams before the program's handshake too; what it sends after its clock
    # line (the answer to the handshake's "r") is what the program records.
    text = open(log, "rb").read()
    clocks = list(re.finditer(rb"(?m)^\d\d-\d\d-\d\d \d\d:\d\d:\d\d\r$", text))
    if clocks:
        text = text[clocks[-1].end():]
    return sum(len(m.split()) for m in re.findall(rb"(?m)^\d{4}(?: \d{4}){5,7}\r$", text))


def main():
    work = tempfile.mkdtemp(prefix="fathom_soak_")
    master, slave = os.openpty()
    os.set_blocking(master, False)
    streamed = [0]
    stop_drain = threading.Event()

    def drain():
        while not stop_drain.is_set():
            try:
                streamed[0] += len(os.read(master, 65536))
            except BlockingIOError:
                time.sleep(0.01)
            except OSError:
                break

    threading.Thread(target=drain, daemon=True).start()
    out_path = os.ttyname(slave)

    radio, radio_path, radio_log = start_sim(work, "radio", "radio24")
    staff_a, staff_a_path, staff_a_log = start_sim(work, "staffA", "staff3")
    staff_b, staff_b_path, staff_b_log = start_sim(work, "staffB", "staff3")
    sync, sync_path, sync_log = start_sim(work, "sync", "sync8")
    sims = [radio, staff_a, staff_b, sync]
    hosts = {
        "radio": start_host(work, "radio", ["--unit-type", "0", "--port", radio_path,
                                            "--record", os.path.join(work, "radio.csv"),
                                            "--capture", os.path.join(work, "radio.DAT"),
                                            "--output-port", out_path]),
        "wired": start_host(work, "wired", ["--unit-type", "3", "--port", staff_a_path,
                                            "--port-b", staff_b_path,
                                            "--record", os.path.join(work, "wired.csv")]),
        "sync": start_host(work, "sync", ["--unit-type", "7", "--port", sync_path,
                                          "--sync-lengths", "2,2,2,2,2,2,2,2",
                                          "--record", os.path.join(work, "sync.csv")]),
    }
    time.sleep(SETTLE)
    first = {k: (rss_kib(p.pid), cpu_seconds(p.pid), time.time()) for k, p in hosts.items()}
    time.sleep(max(0.0, SECONDS - SETTLE))
    last = {k: (rss_kib(p.pid), cpu_seconds(p.pid), time.time()) for k, p in hosts.items()}
    # The instruments fall silent first (frozen: a simulator that ends closes its terminal,
    # and the system then drops what the program had not read yet), so that everything they
    # sent reaches the programs; then the programs stop, and then the simulators.
    for s in sims:
        s.send_signal(signal.SIGSTOP)
    time.sleep(3)
    for p in hosts.values():
        p.send_signal(signal.SIGTERM)
    codes = {k: p.wait(30) for k, p in hosts.items()}
    stop_drain.set()
    for s in sims:
        s.send_signal(signal.SIGKILL)
        s.wait(10)

    sent = {"radio": radio_sent(radio_log),
            "wired": wired_sent(staff_a_log) + wired_sent(staff_b_log),
            "sync": sync_sent(sync_log)}
    ok = True
    print(f"soak: {SECONDS:.0f} s, files in {work}")
    for k in hosts:
        got = recorded(os.path.join(work, k + "000.csv"))
        rss0, cpu0, t0 = first[k]
        rss1, cpu1, t1 = last[k]
        cpu = 100.0 * (cpu1 - cpu0) / (t1 - t0)
        same = got == sent[k]
        ok = ok and same and codes[k] == 0
        print(f"  {k:5}: samples sent {sent[k]}, recorded {got} ({'equal' if same else 'NOT EQUAL'}); "
              f"resident {rss0} KiB at start, {rss1} KiB at end; CPU {cpu:.1f} % of one core; "
              f"exit {codes[k]}")
    print(f"  output port: {streamed[0]} bytes streamed, recording file "
          f"{os.path.getsize(os.path.join(work, 'radio000.csv'))} bytes")
    capture = open(os.path.join(work, "radio.DAT"), "rb").read()
    same_bytes = capture == open(radio_log, "rb").read()
    ok = ok and same_bytes
    print(f"  frame capture: {len(capture)} bytes, "
          f"{'the same' if same_bytes else 'NOT the same'} as the adapter sent")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
