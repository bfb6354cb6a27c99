#!/usr/bin/python3
"""Opens an exported NetCDF file with xarray (CF decoding on) and compares it with the sample
files it was made from, read here on their own: every value at the time its record gives it,
the battery states and temperatures likewise, nothing more and nothing missing.

Usage: xarray_check.py FILE.nc UTC_OFFSET_HOURS RECORDING.csv...
Prints one line per fault and exits 1, or prints "ok ..." and exits 0.
"""
import datetime as dt
import sys

import numpy as np
import xarray as xr

BLOCK_KINDS = "AFIif"


def ns(stamp):
    t = dt.datetime.strptime(stamp, "%Y-%m-%dT%H:%M:%S").replace(tzinfo=dt.timezone.utc)
    return int(t.timestamp()) * 10**9


def expected(paths, offset_ns):
    """(device, microsecond) -> float32 value, battery state and temperature, later records
    replacing earlier ones at the same time, as the recorder's file says them."""
    levels, battery, temperature = {}, {}, {}
    clock = {}  # device -> [date, time, rate, samples since the time record]
    for path in paths:
        with open(path, "rb") as f:
            data = f.read()
        at = 0
        while at < len(data):
            if data[at:at + 1] == b"G":  # raw record: 160 bytes whatever they hold
                line, at = data[at:at + 160].decode("latin-1"), at + 160
            else:
                end = data.find(b"\n", at)
                end = len(data) if end < 0 else end
                line, at = data[at:end].decode("latin-1").rstrip("\r"), end + 1
            if not line or line[0] == " ":
                continue
            kind, device = line[0], int(line[1:4])

            def key(t):
                return (device, round((t - offset_ns) / 1000))

            if kind == "C":
                sub = line[6]
                c = clock.setdefault(device, [None, None, 1, 0])
                if sub == "8":
                    c[0] = line[8:18]
                elif sub == "9":
                    c[1], c[3] = line[8:16], 0
                if c[0] is None or c[1] is None:
                    continue
                here = ns(c[0] + "T" + c[1])
                if sub == "1":
                    c[2] = int(line[9:11])
                    c[3] += 1
                    levels[key(here + c[3] * 10**9 // c[2])] = np.float32(line[12:])
                elif sub == "4":
                    temperature[key(here + c[3] * 10**9 // c[2])] = np.float32(line[8:13])
                elif sub == "7" and line[8] in "GLB":
                    battery[key(here + c[3] * 10**9 // c[2])] = "G.LB".index(line[8])
                continue
            rate, start = int(line[6:8]), ns(line[12:31])
            if line[10].isdigit():
                battery[key(start)] = int(line[10])
            if kind in BLOCK_KINDS:
                for i, v in enumerate(line[32:].split(",")):
                    levels[key(start + i * 10**9 // rate)] = np.float32(v)
    return levels, battery, temperature


def found(ds, name):
    """(device, microsecond) -> value of every value that is not a gap."""
    out = {}
    if name not in ds:
        return out
    var = ds[name]
    times = ds["time"].values.astype("datetime64[ns]").astype(np.int64)
    for d in ds["device"].values:
        column = var.sel(device=d).values
        for i in np.flatnonzero(~np.isnan(column)):
            out[(int(d), round(int(times[i]) / 1000))] = column[i]
    return out


def compare(what, want, got, faults):
    if set(want) != set(got):
        missing, extra = sorted(set(want) - set(got)), sorted(set(got) - set(want))
        faults.append(f"{what}: {len(missing)} missing (first {missing[:3]}), "
                      f"{len(extra)} more than the recording (first {extra[:3]})")
        return
    wrong = [k for k in want if np.float32(got[k]) != np.float32(want[k])]
    if wrong:
        k = wrong[0]
        faults.append(f"{what}: {len(wrong)} values differ, first at {k}: "
                      f"{got[k]!r} in the file, {want[k]!r} in the recording")


def main():
    nc, offset, paths = sys.argv[1], float(sys.argv[2]), sys.argv[3:]
    ds = xr.open_dataset(nc)
    faults = []
    if ds.attrs.get("Conventions") != "CF-1.8":
        faults.append("Conventions is not CF-1.8")
    if not np.issubdtype(ds["time"].dtype, np.datetime64):
        faults.append("time was not decoded as CF time")
    levels, battery, temperature = expected(paths, int(offset * 3600 * 10**9))
    level_name = "pressure" if "pressure" in ds else "water_level"
    if level_name == "water_level" and ds[level_name].attrs.get("units") != "m":
        faults.append("water_level is not in metres")
    compare(level_name, levels, found(ds, level_name), faults)
    compare("battery_state", battery, found(ds, "battery_state"), faults)
    compare("temperature", temperature, found(ds, "temperature"), faults)
    for fault in faults:
        print(fault)
    if faults:
        return 1
    print(f"ok {len(levels)} values, {len(battery)} battery states, "
          f"{len(temperature)} temperatures")
    return 0


if __name__ == "__main__":
    sys.exit(main())
