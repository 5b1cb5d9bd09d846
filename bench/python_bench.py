#!/usr/bin/python3
"""read() of the largest generated dumps against the command line's text
conversion of them, side by side.

The command line runs as a child process from start to exit and writes its
text (decimal point) into a file. read() runs in a child Python that has
already imported numpy and the module; its time is that of the call alone, and
its peak memory is the child's whole (interpreter and numpy included), beside
the growth over what the child held before the call. The runs are interleaved
and the medians compared; peaks are the largest of the runs.

    /usr/bin/python3 bench/python_bench.py [--build build] [--runs 5]
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

READ = """
import resource, sys, time
import numpy, viduravare
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
start = time.perf_counter()
rec = viduravare.read(sys.argv[1])
seconds = time.perf_counter() - start
peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
print(seconds, before, peak, *rec.values.shape)
"""


def run(args, env=None):
    """Runs a child to its end: wall time, peak memory (KiB), standard output."""
    start = time.perf_counter()
    child = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    out = child.stdout.read()
    _, status, usage = os.wait4(child.pid, 0)
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        sys.exit(f"{args[0]} failed with status {child.returncode}")
    return time.perf_counter() - start, usage.ru_maxrss, out.decode()


def measure(label, dump, build, runs, folder):
    cli = os.path.join(build, "viduravare")
    env = dict(os.environ, PYTHONPATH=os.path.join(build, "python"))
    cli_times, cli_peaks, read_times, read_peaks, growths = [], [], [], [], []
    shape = None
    for _ in range(runs):
        seconds, peak, _ = run([cli, "convert", dump, "--decimal-separator", ".",
                                "-o", os.path.join(folder, "out.txt")])
        cli_times.append(seconds)
        cli_peaks.append(peak)
        _, peak, out = run(["/usr/bin/python3", "-c", READ, dump], env)
        seconds, before, _, rows, columns = out.split()
        read_times.append(float(seconds))
        read_peaks.append(peak)
        growths.append(peak - int(before))
        shape = (int(rows), int(columns))
    text_mb = os.path.getsize(os.path.join(folder, "out.txt")) / 1e6
    cli_s, read_s = statistics.median(cli_times), statistics.median(read_times)
    cli_mb, read_mb = max(cli_peaks) / 1024, max(read_peaks) / 1024
    print(f"{label}: {shape[0]} rows x {shape[1]} columns, text {text_mb:.1f} MB")
    print(f"  command line, text   {cli_s:7.3f} s   peak {cli_mb:6.1f} MB")
    print(f"  read()               {read_s:7.3f} s   peak {read_mb:6.1f} MB"
          f" (of which the call {max(growths) / 1024:.1f} MB)")
    print(f"  ratio read()/text    {read_s / cli_s:7.2f}     {read_mb / cli_mb:9.2f}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build", help="the build folder (default: build)")
    parser.add_argument("--runs", type=int, default=5, help="interleaved runs (default: 5)")
    options = parser.parse_args()
    build = os.path.abspath(options.build)
    with tempfile.TemporaryDirectory() as folder:
        for kind, label in (("f", "'f', 25 modules, wrapped"), ("g", "'g', 24 modules, wrapped")):
            dump = os.path.join(folder, f"{kind}.pdb")
            subprocess.run([os.path.join(build, "bench", "make_bench_dump"), kind, dump],
                           check=True)
            measure(label, dump, build, options.runs, folder)


if __name__ == "__main__":
    main()
