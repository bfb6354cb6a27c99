#!/usr/bin/env python3
"""The whole command `fathomhost --analyze DAY.csv --output DIR`, as a user runs it: a new
process each time, so what it costs to start is counted too.

  four-units   bench_batch_analysis's day: four units' "A" bursts at 4 samples a second
               (12.5 MB), written with --dump-input
  24-units     bench_netcdf_export's day: 24 simulated radio units at 32 samples a second in
               every data format (828 MB), made once in the temporary folder
               (fathom_bench_recordings/radio24000.csv; its first run takes minutes)

Each run writes into a new output folder, removed after the run. With several --binary, the
programs take turns. Printed per day and program: the median of the runs' CPU time (user and
system, from the kernel's accounting of the child) and of their wall time, as megabytes of
recording a second, and the load average before and after.

Usage: python3 bench/analyze_command.py [--build build] [--bench-build build-bench]
           [--rounds 5] [--only four-units|24-units] [--binary PATH ...]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def four_units(bench_build, scratch):
    subprocess.run([os.path.join(bench_build, 'bench', 'bench_batch_analysis'),
                    '--dump-input=' + scratch], check=True, stdout=subprocess.DEVNULL)
    return os.path.join(scratch, 'day.csv')


def twenty_four_units(bench_build, _scratch):
    path = os.path.join(tempfile.gettempdir(), 'fathom_bench_recordings', 'radio24000.csv')
    if not os.path.exists(path):
        print('making the 24-unit day once (minutes) ...', flush=True)
        subprocess.run([os.path.join(bench_build, 'bench', 'bench_netcdf_export'),
                        '--benchmark_filter=BM_ParseADayOfRecordings'], check=True,
                       stdout=subprocess.DEVNULL)
    return path


DAYS = {'four-units': four_units, '24-units': twenty_four_units}


def run_once(binary, day, out):
    started = time.monotonic()
    child = subprocess.Popen([binary, '--analyze', day, '--output', out],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.monotonic() - started
    child.returncode = os.waitstatus_to_exitcode(status)
    shutil.rmtree(out, ignore_errors=True)
    if child.returncode != 0:
        sys.exit(f'{binary} --analyze {day} exited {child.returncode}')
    return usage.ru_utime + usage.ru_stime, usage.ru_utime, usage.ru_stime, wall


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--build', default=os.path.join(ROOT, 'build'))
    parser.add_argument('--bench-build', default=os.path.join(ROOT, 'build-bench'))
    parser.add_argument('--rounds', type=int, default=5)
    parser.add_argument('--only', choices=sorted(DAYS), action='append')
    parser.add_argument('--binary', action='append',
                        help='the fathomhost to run (default: BUILD/fathomhost); repeat to compare')
    args = parser.parse_args()
    binaries = args.binary or [os.path.join(args.build, 'fathomhost')]
    with tempfile.TemporaryDirectory(prefix='fathom_analyze_command_') as scratch:
        for name in args.only or ['four-units', '24-units']:
            day = DAYS[name](args.bench_build, scratch)
            megabytes = os.path.getsize(day) / 1e6
            load_before = os.getloadavg()[0]
            runs = {b: [] for b in binaries}
            for _ in range(args.rounds):
                for b in binaries:
                    runs[b].append(run_once(b, day, os.path.join(scratch, 'out')))
            load_after = os.getloadavg()[0]
            print(f'{name}: {megabytes:.1f} MB, {args.rounds} runs each, '
                  f'load average {load_before:.1f} before, {load_after:.1f} after')
            for b in binaries:
                cpu = statistics.median(r[0] for r in runs[b])
                user = statistics.median(r[1] for r in runs[b])
                system = statistics.median(r[2] for r in runs[b])
                wall = statistics.median(r[3] for r in runs[b])
                print(f'  {b}: CPU {cpu * 1000:.1f} ms = {megabytes / cpu:.0f} MB/s '
                      f'(user {user * 1000:.0f} ms, system {system * 1000:.0f} ms); '
                      f'wall {wall * 1000:.1f} ms = {megabytes / wall:.0f} MB/s')


if __name__ == '__main__':
    main()
