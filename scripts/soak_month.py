#!/usr/bin/env python3
"""A station's month in minutes: 24 simulated radio units at their fastest rates recorded by
fathomhost --headless (days per file 1, frame capture) while both programs live a warped
calendar (FATHOM_CLOCK): each day lasts DAY_SECONDS real seconds around its midnight, so
DAYS days pass in DAYS x DAY_SECONDS seconds while every sample still travels at its real
pace. On the way the adapter is unplugged and plugged in again three times, the disk fills
(a small tmpfs; needs root, else that part is skipped and said) and empties again, and the
recording folder is removed once (moved away, so that what it held can still be counted).

At the end every sample the simulators sent is looked for in the recordings, unit by unit
and in order: the only samples allowed to be missing are those of the full-disk pause (one
gap per unit, no longer than the pause). Prints the figures and exits non-zero on any
fault. Not part of the tests.

    make soak-month                                  # 30 days of 20 s: about 11 minutes
    python3 scripts/soak_month.py --days 6 --day-seconds 20   # a shorter look
"""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from soak_common import cpu_seconds, frames, rss_kib

BIN = os.environ.get("FATHOM_BIN_DIR",
                     os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build"))
SAMPLES = {"A": 32, "F": 32, "I": 64, "i": 60}
RATE = 32  # samples per second of every unit of the radio24 scenario




def ends_on_whole_frame(data):
    last = data.rfind(b"\x7e")
    if last < 0:
        return True
    return len(frames(data[last:])) == 1 and data[last:].startswith(b"\x7e")


class Items:
    """Each unit's samples as a sequence of items: a burst (its 31-character head holds the
    unit, its rate and the time of its first sample) or the group of one-sample texts that
    follows a unit's date and time lines."""

    def __init__(self):
        self.units = {}
        self.date = {}

    def take(self, line):
        if len(line) < 7:
            return
        kind, device = line[:1], line[1:4]
        seq = self.units.setdefault(device, [])
        if kind in SAMPLES:
            seq.append([line[:31], SAMPLES[kind]])
        elif kind == "C" and line[5:7] == "D8":
            self.date[device] = line[8:18]
        elif kind == "C" and line[5:7] == "D9":
            seq.append([("C", self.date.get(device), line[8:16]), 0])
        elif kind == "C" and line[5:7] == "D1":
            if not seq or seq[-1][0][0] != "C":
                seq.append([("C", None, None), 0])
            seq[-1][1] += 1


def sent_items(logs):
    items = Items()
    for log in logs:
        for f in frames(open(log, "rb").read()):
            if f[0] == 0x90 and len(f) > 12:
                items.take(f[12:].split(b"\r", 1)[0].decode("latin-1"))
    return items


def recorded_items(csvs):
    items = Items()
    for csv in csvs:
        for line in open(csv, "rb").read().split(b"\r\n"):
            items.take(line.decode("latin-1"))
    return items


def compare(sent, got):
    """Per unit: samples sent and recorded, the gaps (runs of missing samples) and anything
    recorded that was not sent in that order."""
    result = {}
    for device, s in sent.units.items():
        r = got.units.get(device, [])
        j, gaps, missing, in_gap, recorded = 0, [], 0, False, 0
        for key, n in s:
            if j < len(r) and r[j][0] == key:
                lost = max(0, n - r[j][1])
                recorded += min(n, r[j][1])
                if lost and not in_gap:
                    gaps.append(0)
                if lost:
                    gaps[-1] += lost
                missing += lost
                in_gap = lost > 0
                j += 1
            else:
                if not in_gap:
                    gaps.append(0)
                gaps[-1] += n
                missing += n
                in_gap = True
        result[device] = {"sent": sum(n for _, n in s), "recorded": recorded, "gaps": gaps,
                          "strays": len(r) - j}
    for device in got.units:
        if device not in sent.units:
            result[device] = {"sent": 0, "recorded": 0, "gaps": [],
                              "strays": len(got.units[device])}
    return result






class Station:
    def __init__(self, work, disk, warp):
        self.work, self.disk = work, disk
        self.env = dict(os.environ, FATHOM_CLOCK=warp)
        self.link = os.path.join(work, "ttyRADIO")
        self.logs, self.sim = [], None
        self.site = os.path.join(disk, "site")
        os.makedirs(self.site)
        self.start_sim()
        out = open(os.path.join(work, "host.out"), "w")
        err = open(os.path.join(work, "host.err"), "w")
        self.host = subprocess.Popen(
            [os.path.join(BIN, "fathomhost"), "--headless", "--unit-type", "0", "--port",
             self.link, "--record", os.path.join(self.site, "day.csv"), "--interval", "1",
             "--capture", os.path.join(self.site, "raw")],
            stdout=out, stderr=err, env=self.env)

    def start_sim(self):
        log = os.path.join(self.work, f"radio{len(self.logs)}.bin")
        self.logs.append(log)
        self.sim = subprocess.Popen(
            [os.path.join(BIN, "fathomsim"), "--scenario", "radio24", "--link", self.link,
             "--log", log], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=self.env)
        self.sim.stdout.readline()

    def quiet_sim(self):
        # The adapter falls silent first (frozen), so that everything it sent reaches the
        # program before it goes: what is counted as sent is then what the line carried.
        self.sim.send_signal(signal.SIGSTOP)
        time.sleep(2)
        self.sim.send_signal(signal.SIGKILL)
        self.sim.wait(10)
        # Its name goes with it, as a /dev/serial/by-id link goes with the adapter.
        if os.path.lexists(self.link):
            os.remove(self.link)

    def unplug(self, seconds):
        self.quiet_sim()
        time.sleep(seconds)
        self.start_sim()

    def log(self):
        return open(os.path.join(self.work, "host.out")).read(), \
            open(os.path.join(self.work, "host.err")).read()


def mount_disk(path, size):
    os.makedirs(path)
    r = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size}", "tmpfs", path],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return r.returncode == 0


def fill(disk):
    st = os.statvfs(disk)
    free = st.f_bavail * st.f_frsize
    filler = os.path.join(disk, "filler")
    with open(filler, "wb") as f:
        chunk = b"\0" * (1 << 20)
        left = max(0, free - 32 * 1024)
        while left > 0:
            n = f.write(chunk[:min(len(chunk), left)])
            left -= n
    return filler


def files_in_order(out, moved_from, moved_to, kind):
    """The files the host said it wrote, in the order it said so (a file in the folder that
    was moved away is found where it went)."""
    pattern = r"(?:recording to|recording rolled over to) (\S+)" if kind == "csv" else \
        r"(?:capturing frames to|capture goes on in) (\S+)"
    names = []
    for m in re.finditer(pattern, out):
        name = m.group(1)
        if not os.path.exists(name) and name.startswith(moved_from + "/"):
            name = moved_to + name[len(moved_from):]
        if name not in names:
            names.append(name)
    return names


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--days", type=int, default=30)
    ap.add_argument("--day-seconds", type=int, default=20)
    a = ap.parse_args()
    day = a.day_seconds
    total = a.days * day
    work = tempfile.mkdtemp(prefix="fathom_month_")
    disk = os.path.join(work, "disk")
    have_disk = mount_disk(disk, "64m")
    if not have_disk:
        os.makedirs(disk, exist_ok=True)
    at = time.strftime("%Y-%m-%dT%H:%M:%S", time.localtime(time.time() + 3))
    half = day // 2
    warp = f"start=2031-03-01T23:59:{60 - half:02d},day={day},at={at}"
    began = time.time()
    st = Station(work, disk, warp)
    events = []

    def at_day(d):
        time.sleep(max(0.0, began + 3 + d * day - time.time()))

    try:
        time.sleep(10)
        rss0, cpu0, t0 = rss_kib(st.host.pid), cpu_seconds(st.host.pid), time.time()
        plan = sorted([(a.days * 0.17, "unplug"), (a.days * 0.33, "fill"),
                       (a.days * 0.40, "empty"), (a.days * 0.50, "unplug"),
                       (a.days * 0.67, "remove folder"), (a.days * 0.83, "unplug")])
        fill_time = empty_time = None
        filler = None
        for d, what in plan:
            at_day(d + 0.3)
            if what == "unplug":
                st.unplug(6)
            elif what == "fill" and have_disk:
                filler = fill(disk)
                fill_time = time.time()
            elif what == "empty" and filler:
                os.remove(filler)
                empty_time = time.time()
            elif what == "remove folder":
                os.rename(st.site, st.site + ".removed")
            events.append((round(time.time() - began), what))
        at_day(a.days)
        rss1, cpu1, t1 = rss_kib(st.host.pid), cpu_seconds(st.host.pid), time.time()
        st.sim.send_signal(signal.SIGSTOP)
        time.sleep(3)
        st.host.send_signal(signal.SIGTERM)
        code = st.host.wait(30)
        st.sim.send_signal(signal.SIGKILL)
        st.sim.wait(10)

        out, err = st.log()
        csvs = files_in_order(out, st.site, st.site + ".removed", "csv")
        dats = files_in_order(out, st.site, st.site + ".removed", "dat")
        result = compare(sent_items(st.logs), recorded_items(csvs))
        torn = [d for d in dats if os.path.exists(d) and not ends_on_whole_frame(open(d, "rb").read())]
        capture_frames = sum(len(frames(open(d, "rb").read())) for d in dats if os.path.exists(d))

        pause = (empty_time - fill_time + 10) if fill_time and empty_time else 0
        allowed = RATE * pause
        faults = []
        for device, r in sorted(result.items()):
            if r["strays"]:
                faults.append(f"unit {device}: {r['strays']} item(s) recorded that were not sent in that order")
            gaps = [g for g in r["gaps"] if g > 0]
            if len(gaps) > (1 if pause else 0) or any(g > allowed for g in gaps):
                faults.append(f"unit {device}: samples missing outside the full disk: gaps {gaps}")
        if code != 0:
            faults.append(f"fathomhost exited {code}")
        if torn:
            faults.append(f"capture files ending in half a frame: {torn}")
        if len(csvs) < a.days:
            faults.append(f"only {len(csvs)} recording files for {a.days} days")

        sent = sum(r["sent"] for r in result.values())
        got = sum(r["recorded"] for r in result.values())
        print(f"soak-month: {a.days} days of {day} s ({total} s, {time.time() - began:.0f} s in all), "
              f"files in {work}")
        print(f"  calendar: {warp}")
        print(f"  events (real seconds from the start): {events}"
              + ("" if have_disk else "; no tmpfs (not root): the disk never filled"))
        print(f"  recording: {len(csvs)} files ({csvs[0]} ... {csvs[-1]}), "
              f"capture: {len(dats)} files, {capture_frames} whole frames, torn {len(torn)}")
        print(f"  samples sent {sent}, recorded {got}, missing {sent - got}"
              f" (the full disk held the recording for about {pause:.0f} s:"
              f" at most {allowed:.0f} per unit may be missing there)")
        lines = [l for l in (out + err).splitlines()
                 if re.search(r"lost|reconnected|PAUSED|RESUMED|GONE|MENDED|rolled over to .*001\.csv|NEW FILE", l)]
        for l in lines[:40]:
            print("   ", l)
        print(f"  resident {rss0} KiB at the start, {rss1} KiB at the end; "
              f"CPU {100.0 * (cpu1 - cpu0) / (t1 - t0):.1f} % of one core; exit {code}")
        for f in faults:
            print("  FAULT:", f)
        print("  " + ("every sample sent is recorded, but for the full disk's pause"
                      if not faults else "FAILED"))
        return 1 if faults else 0
    finally:
        for p in (st.sim, st.host):
            if p.poll() is None:
                p.kill()
                p.wait()
        if have_disk:
            keep = os.path.join(work, "kept")
            shutil.copytree(disk, keep, ignore=shutil.ignore_patterns("filler"))
            subprocess.run(["umount", disk])


if __name__ == "__main__":
    sys.exit(main())
