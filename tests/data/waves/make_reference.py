#!/usr/bin/python3
"""Makes the wave records in this folder and their reference statistics.

Run with Debian's python3-numpy and python3-scipy (apt-get install python3-numpy
python3-scipy); the tests only read what this script wrote, so neither is needed to build or
test fathomhost. Run it from this folder: /usr/bin/python3 make_reference.py

The statistics are computed here independently of fathomhost's code, with numpy's FFT and
scipy's window, from the values exactly as fathomhost reads them back from the files (four
decimals, then single precision). Conventions (the same ones fathomhost documents):
  - the section's samples in order, missing ones skipped; mean removed (no tide filter);
  - zero-up-crossing between samples i and i+1 where x[i] < 0 <= x[i+1], its time
    interpolated linearly; a wave from one up-crossing to the next, height = highest sample
    minus lowest sample between them; the parts before the first and after the last
    up-crossing are left out; H1/3 and T1/3 over the N/3 (rounded down) highest waves, equal
    heights taken in the order they came; Tz = (last - first crossing) / N;
  - spectrum: periodic Hann window scaled by its coherent gain, one-sided power
    P_k = 2 |X_k|^2 / n^2 for k = 1 .. n/2 - 1, variance density S_k = P_k / (ENBW df);
    m_j = sum over k = 1 .. n/2 - 1 of f_k^j S_k df; peak = highest P_k (first on a tie).
"""
import numpy as np
import scipy.signal

START = np.datetime64("2014-02-10T16:00:40")


def write_bursts(path, device, rate, values, skip=()):
    """'A' burst lines of 32 values each, stamped every 32 / rate seconds; bursts whose index
    is in skip are left out (a gap in the recording). Returns the values as read back, with
    NaN where a burst is missing."""
    per = 32
    assert len(values) % per == 0
    read_back = np.full(len(values), np.nan)
    with open(path, "w", newline="") as f:
        for b in range(len(values) // per):
            if b in skip:
                continue
            stamp = START + np.timedelta64(int(b * per // rate), "s")
            chunk = values[b * per:(b + 1) * per]
            texts = ["%07.4f" % v for v in chunk]
            f.write("A%03d,S%02d,B0,%s,%s\r\n" % (device, rate, str(stamp), ",".join(texts)))
            read_back[b * per:(b + 1) * per] = [np.float32(float(t)) for t in texts]
    return read_back


def zero_up_crossing(x, rate):
    i = np.nonzero((x[:-1] < 0) & (x[1:] >= 0))[0]
    t = i + x[i] / (x[i] - x[i + 1])
    heights = np.array([x[a + 1:b + 1].max() - x[a + 1:b + 1].min() for a, b in zip(i[:-1], i[1:])])
    periods = np.diff(t) / rate
    n = len(heights)
    third = n // 3
    order = np.argsort(-heights, kind="stable")[:third]
    return {
        "waves": n,
        "hmax": heights.max(),
        "h13": heights[order].mean() if third else 0.0,
        "hrms": np.sqrt(np.mean(heights ** 2)),
        "tz": (t[-1] - t[0]) / rate / n,
        "t13": periods[order].mean() if third else 0.0,
    }


def spectral(x, rate):
    n = len(x)
    w = scipy.signal.get_window("hann", n, fftbins=True)
    cg = w.mean()
    enbw = n * np.sum(w ** 2) / np.sum(w) ** 2
    X = np.fft.rfft(x * w / cg)
    df = rate / n
    k = np.arange(1, n // 2)
    p = 2 * np.abs(X[k]) ** 2 / n ** 2
    s = p / (enbw * df)
    f = k * df
    m0, m1, m2 = (np.sum(f ** j * s) * df for j in range(3))
    fp = f[np.argmax(p)]
    return {"m0": m0, "m1": m1, "m2": m2, "peak_frequency": fp, "tp": 1 / fp,
            "tm01": m0 / m1, "tm02": np.sqrt(m0 / m2), "df": df}


def statistics(read_back, rate, first=0, end=None):
    section = read_back[first:end]
    present = np.nonzero(~np.isnan(section))[0]
    gaps = int(present[-1] - present[0] + 1 - len(present))
    x = section[~np.isnan(section)]
    mean = x.mean()
    x = x - mean
    r = {"samples": len(x), "gaps": gaps, "mean": mean, "hmo": 4 * x.std()}
    r.update(zero_up_crossing(x, rate))
    r.update(spectral(x, rate))
    return r


def main():
    rows = []
    # A pure cosine of 0.75 m amplitude and 7.5 s period about 1.5 m, 4 samples/s, 256 whole
    # periods. 30 samples a period put samples on every crest and trough and none on zero.
    rate = 4
    i = np.arange(7680)
    sine = 1.5 + 0.75 * np.cos(2 * np.pi * i / 30)
    rows.append(("sine", statistics(write_bursts("sine.csv", 5, rate, sine), rate)))

    # An irregular sea: a JONSWAP spectrum (Hs 1.2 m, Tp 8 s, gamma 3.3) of 400 random-phase
    # components about 3 m, 8 samples/s for 20 minutes, with two bursts (64 samples) lost.
    rate = 8
    rng = np.random.RandomState(20240515)
    f = np.sort(rng.uniform(0.04, 0.6, 400))
    fp, hs, gamma = 1 / 8.0, 1.2, 3.3
    sigma = np.where(f <= fp, 0.07, 0.09)
    shape = f ** -5 * np.exp(-1.25 * (fp / f) ** 4) * gamma ** np.exp(-((f - fp) ** 2) / (2 * sigma ** 2 * fp ** 2))
    df = np.gradient(f)
    amplitude = np.sqrt(2 * shape * df)
    amplitude *= (hs / 4) / np.sqrt(np.sum(amplitude ** 2) / 2)
    phase = rng.uniform(0, 2 * np.pi, len(f))
    t = np.arange(9600) / rate
    sea = 3.0 + (amplitude[:, None] * np.cos(2 * np.pi * f[:, None] * t[None, :] + phase[:, None])).sum(axis=0)
    sea += rng.normal(0, 0.005, len(t))
    read_back = write_bursts("sea.csv", 7, rate, sea, skip=(150, 151))
    rows.append(("sea", statistics(read_back, rate)))
    # The same record between 300 s and 900 s from its start.
    rows.append(("sea_300_900", statistics(read_back, rate, 300 * rate, 900 * rate)))

    with open("reference.csv", "w") as out:
        out.write("record,statistic,value\n")
        for name, r in rows:
            for key, value in r.items():
                out.write("%s,%s,%.12g\n" % (name, key, value))


if __name__ == "__main__":
    main()
