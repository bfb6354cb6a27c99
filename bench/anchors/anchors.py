#!/usr/bin/env python3
"""Our benchmarks beside the tools a user would otherwise pick, on the same inputs, in one run.

  wave analysis   bench_analysis (tide filter and statistics included) against SciPy doing the
                  same steps without the statistics: mean removal, 5th-order Bessel high-pass
                  as second-order sections (scipy.signal.sosfilt), Hann window, rfft,
                  one-sided spectrum. SciPy's filter and window are designed once, outside the
                  timing; ours are made on every run.
  --analyze       bench_batch_analysis (a day of four units' recordings read, analysed and
                  written) against pandas.read_csv plus the same NumPy/SciPy analysis and the
                  spectra written with to_csv; and against pandas.read_csv alone.
  frame decoding  bench_frame_decode's block path against the xbee-api npm package in API
                  mode 2, with raw frames and with its frame objects.

Every input comes from the benchmark program itself (--dump-input). The two sides take turns,
ROUNDS times; each figure is the median of its rounds, in CPU time (the machine is shared), and
the ratio is that of the medians. Ratios, not absolute figures, are what to compare between runs.

Usage: python3 bench/anchors/anchors.py [--build build-bench] [--rounds 5] [--only NAME...]
Run with Debian's /usr/bin/python3 (python3-scipy, python3-numpy, python3-pandas); the npm
peer is installed beside this file (see install_hints).
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
RATE = 32.0  # samples a second of bench_analysis's trace
TIDE_CUTOFF_HZ = 0.01


def missing_peers():
    """Names of the comparisons whose peer is not installed, with how to install it."""
    missing = {}
    try:
        import numpy  # noqa: F401
        import scipy.signal  # noqa: F401
    except ImportError:
        missing['analysis'] = missing['batch'] = (
            'SciPy and NumPy: apt-get install python3-scipy python3-numpy python3-pandas '
            '(and run this script with /usr/bin/python3)')
    try:
        import pandas  # noqa: F401
    except ImportError:
        missing.setdefault('batch', 'pandas: apt-get install python3-pandas')
    if shutil.which('node') is None:
        missing['frames'] = 'Node.js: apt-get install nodejs npm'
    elif not os.path.isdir(os.path.join(HERE, 'node_modules', 'xbee-api')):
        missing['frames'] = ('the xbee-api package: cd bench/anchors && '
                             'npm install --no-package-lock')
    return missing


def cpu_seconds_per_call(fn, min_seconds=0.5):
    """CPU seconds of one call of fn, averaged over enough calls to fill min_seconds."""
    fn()  # warm caches and lazy imports
    calls, start = 0, time.process_time()
    elapsed = 0.0
    while elapsed < min_seconds:
        fn()
        calls += 1
        elapsed = time.process_time() - start
    return elapsed / calls


def ours(build, program, name):
    """One run of one of our benchmarks: its JSON entry (cpu_time, bytes_per_second...)."""
    exe = os.path.join(build, 'bench', program)
    out = subprocess.run([exe, '--benchmark_filter=^' + name + '$', '--benchmark_format=json'],
                         check=True, capture_output=True, text=True).stdout
    entry = json.loads(out)['benchmarks'][0]
    scale = {'ns': 1e-9, 'us': 1e-6, 'ms': 1e-3, 's': 1.0}[entry.get('time_unit', 'ns')]
    entry['cpu_seconds'] = entry['cpu_time'] * scale
    return entry


# ---- the peers -----------------------------------------------------------------------------

def hann(n):
    import numpy as np
    return 0.5 - 0.5 * np.cos(2 * np.pi * np.arange(n) / n)


def scipy_analysis(trace, sos, window):
    import numpy as np
    from scipy import signal
    n = trace.size
    x = trace - trace.mean()
    x = signal.sosfilt(sos, x)
    spectrum = np.fft.rfft(x * window)[:n // 2]
    power = (spectrum.real ** 2 + spectrum.imag ** 2) * (2.0 / (n * n))
    power[0] *= 0.5
    return power


def measure_analysis(build, dump_dir):
    import numpy as np
    from scipy import signal
    trace = np.fromfile(os.path.join(dump_dir, 'wave_trace.f64'), dtype='<f8')
    sos = signal.bessel(5, TIDE_CUTOFF_HZ, 'highpass', fs=RATE, output='sos', norm='mag')
    window = hann(trace.size)
    window /= window.mean()
    return {
        'ours': ours(build, 'bench_analysis', 'BM_WaveAnalysisFullTrace/1')['cpu_seconds'],
        'SciPy': cpu_seconds_per_call(lambda: scipy_analysis(trace, sos, window)),
    }


def pandas_batch(csv, out_dir):
    """What a user would write for --analyze: read, per device mean, Hmo, Hann spectrum as
    variance density, spectra and a results table written as CSV."""
    import numpy as np
    import pandas as pd
    table = pd.read_csv(csv, header=None)
    rows = []
    for device, group in table.groupby(0, sort=True):
        rate = float(str(group.iat[0, 1])[1:])
        x = group.iloc[:, 4:].to_numpy(dtype=float).ravel()
        n = x.size
        mean = x.mean()
        x = x - mean
        w = hann(n)
        enbw = n * np.sum(w * w) / np.sum(w) ** 2
        spectrum = np.fft.rfft(x * (w / w.mean()))[:n // 2]
        power = (spectrum.real ** 2 + spectrum.imag ** 2) * (2.0 / (n * n))
        power[0] *= 0.5
        df = rate / n
        density = power / (enbw * df)
        pd.DataFrame({'frequency_hz': np.arange(n // 2) * df, 'm2/Hz': density}).to_csv(
            os.path.join(out_dir, f'day_{device}_spectrum.csv'), index=False,
            float_format='%.10g')
        rows.append({'device': device, 'points': n, 'mean': mean, 'hmo': 4 * x.std()})
    pd.DataFrame(rows).to_csv(os.path.join(out_dir, 'wave_results.csv'), index=False)


def measure_batch(build, dump_dir):
    import pandas as pd
    csv = os.path.join(dump_dir, 'day.csv')
    size = os.path.getsize(csv)
    out_dir = os.path.join(dump_dir, 'pandas_out')
    os.makedirs(out_dir, exist_ok=True)
    return {
        'ours': size / ours(build, 'bench_batch_analysis',
                            'BM_AnalyzeADayOfRecordings/iterations:3')['cpu_seconds'],
        'pandas + SciPy': size / cpu_seconds_per_call(lambda: pandas_batch(csv, out_dir), 1.0),
        'pandas.read_csv alone': size / cpu_seconds_per_call(
            lambda: pd.read_csv(csv, header=None), 1.0),
    }


def measure_frames(build, dump_dir):
    node = subprocess.run(['node', os.path.join(HERE, 'frame_decode.js'),
                           os.path.join(dump_dir, 'frames.bin')],
                          check=True, capture_output=True, text=True).stdout
    peer = json.loads(node)
    return {
        'ours': ours(build, 'bench_frame_decode', 'BM_FrameDecode')['bytes_per_second'],
        'xbee-api raw frames': peer['raw']['bytes_per_second'],
        'xbee-api frame objects': peer['objects']['bytes_per_second'],
    }


# ---- the comparisons -----------------------------------------------------------------------

COMPARISONS = {
    # name: (title, program that dumps the input, measure, unit, goal on our figure, goal on
    # the ratio to the first peer)
    'analysis': ('wave analysis, 55,296 points, tide filter (ours with statistics)',
                 'bench_analysis', measure_analysis, 'us', None, 3.0),
    'batch': ('--analyze on a day of recordings (12.5 MB)',
              'bench_batch_analysis', measure_batch, 'MB/s', 200e6, None),
    'frames': ('API frame decoding, block path', 'bench_frame_decode', measure_frames,
               'MB/s', 1400e6, None),
}


def show(value, unit):
    if unit == 'us':
        return f'{value * 1e6:9.0f} us'
    return f'{value / 1e6:9.1f} MB/s'


def run(name, build, rounds):
    title, program, measure, unit, own_goal, ratio_goal = COMPARISONS[name]
    dump_dir = tempfile.mkdtemp(prefix='fathom_anchor_')
    try:
        subprocess.run([os.path.join(build, 'bench', program), '--dump-input=' + dump_dir],
                       check=True)
        figures = {}
        for _ in range(rounds):
            for side, value in measure(build, dump_dir).items():
                figures.setdefault(side, []).append(value)
    finally:
        shutil.rmtree(dump_dir, ignore_errors=True)
    medians = {side: statistics.median(values) for side, values in figures.items()}
    print(f'{title}: median of {rounds} rounds, CPU time')
    mine = medians.pop('ours')
    goal = f'   (goal >= {show(own_goal, unit).strip()})' if own_goal else ''
    print(f'  {"fathomhost":24s}{show(mine, unit)}{goal}')
    for i, (side, value) in enumerate(medians.items()):
        ratio = value / mine if unit == 'us' else mine / value
        goal = f'   (goal >= {ratio_goal:g}x)' if ratio_goal and i == 0 else ''
        print(f'  {side:24s}{show(value, unit)}   fathomhost is {ratio:.2g}x as fast{goal}')
    sys.stdout.flush()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--build', default=os.path.join(ROOT, 'build-bench'))
    parser.add_argument('--rounds', type=int, default=5)
    parser.add_argument('--only', nargs='*', choices=sorted(COMPARISONS))
    args = parser.parse_args()
    missing = missing_peers()
    for name in args.only or list(COMPARISONS):
        if name in missing:
            print(f'{COMPARISONS[name][0]}: skipped, its peer is not installed. Install '
                  f'{missing[name]}')
            continue
        run(name, args.build, args.rounds)


if __name__ == '__main__':
    main()
