"""Speed of the Python module beside the command line, printed as ratios.

    /usr/bin/python3 bench/python_bench.py [path/to/gyrotrace] [--quick]

1. Per-case overhead of a sweep of 1000 short cases against one command-line process per case
   (processor time of every process involved, per case).
2. Two workers against one on a sweep of 200 cases of 1e5 steps each (Cash-Karp; Boris beside it).
3. Steps per second of one run from Python against the command line: the same case, steps and
   CSV file on both sides.
"""

import concurrent.futures
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
# The module of this source tree's build, beside the program it is compared with (the system's
# gyrotrace.pth names the build folder written last, which may be another tree's).
if (HERE.parent / "build" / "python" / "gyrotrace").is_dir():
    sys.path.insert(0, str(HERE.parent / "build" / "python"))

import gyrotrace  # noqa: E402
PROGRAM = next((a for a in sys.argv[1:] if not a.startswith("--")),
               str(HERE.parent / "build" / "src" / "app" / "gyrotrace"))
QUICK = "--quick" in sys.argv

SHORT = gyrotrace.Case(shape="uniform", Bx=0, By=0, Bz=0.01, Ex=0, Ey=0, Ez=0, x=0.01, y=0,
                       z=0, vx=0, vy=1e6, vz=0, errmax=1e-7)


def cpu():
    """Processor time of this process and of its finished children [s]."""
    me = resource.getrusage(resource.RUSAGE_SELF)
    kids = resource.getrusage(resource.RUSAGE_CHILDREN)
    return me.ru_utime + me.ru_stime + kids.ru_utime + kids.ru_stime


def measure(work):
    c0, w0 = cpu(), time.perf_counter()
    work()
    return cpu() - c0, time.perf_counter() - w0


def overhead(n_sweep=1000, n_process=100, steps=10):
    cases = [SHORT.replace(Bz=0.01 + 1e-6 * i) for i in range(n_sweep)]
    # The computing itself, in this process.
    run_cpu, _ = measure(lambda: [gyrotrace.run(c, steps=steps) for c in cases])
    sweep_cpu, sweep_wall = measure(
        lambda: gyrotrace.sweep(cases, steps=steps, progress=False))
    with tempfile.TemporaryDirectory() as folder:
        args = [PROGRAM, "--batch", "--set", "shape=uniform", "--set", "Bz=0.01", "--set",
                "vy=1e6", "--steps", str(steps)]
        proc_cpu, proc_wall = measure(lambda: [
            subprocess.run(args, cwd=folder, capture_output=True, check=True)
            for _ in range(n_process)])
    per_run = run_cpu / n_sweep
    per_sweep = sweep_cpu / n_sweep
    per_process = proc_cpu / n_process
    print(f"1. {n_sweep} cases of {steps} steps")
    print(f"   run() in this process      {per_run * 1e3:8.3f} ms processor time per case")
    print(f"   sweep on {os.cpu_count()} cores          {per_sweep * 1e3:8.3f} ms per case "
          f"(wall {sweep_wall * 1e3 / n_sweep:.3f} ms), overhead "
          f"{(per_sweep - per_run) * 1e3:.3f} ms per case")
    print(f"   one process per case       {per_process * 1e3:8.3f} ms per case "
          f"(wall {proc_wall * 1e3 / n_process:.1f} ms)")
    print(f"   ratio process / sweep      {per_process / per_sweep:8.1f}x")


def workers(n_cases=200, steps=100000):
    # The case's own method (Cash-Karp) is the measure; Boris is shown beside it: its cases last
    # a couple of milliseconds each, so that sweep is as much hand-over as computing.
    for method in ("cash-karp", "boris"):
        cases = [SHORT.replace(method=method, Bz=0.01 + 1e-5 * i) for i in range(n_cases)]
        wall, busy = {}, {}
        for n in (1, 2):
            c0 = cpu()
            with concurrent.futures.ProcessPoolExecutor(n) as pool:
                pool.submit(int).result()  # workers started before the clock
                t0 = time.perf_counter()
                gyrotrace.sweep(cases, steps=steps, executor=pool, progress=False)
                wall[n] = time.perf_counter() - t0
            busy[n] = cpu() - c0
        target = " (target: >= 1.8)" if method == "cash-karp" else ""
        print(f"2. {n_cases} cases of {steps} steps ({method}): one worker {wall[1]:.2f} s, "
              f"two workers {wall[2]:.2f} s, ratio {wall[1] / wall[2]:.2f}x{target}; processor "
              f"time {busy[1]:.2f} s and {busy[2]:.2f} s (cores busy on average: "
              f"{busy[1] / wall[1]:.2f} and {busy[2] / wall[2]:.2f}; load average before "
              f"{os.getloadavg()[0]:.1f})")


def steps_per_second(steps=2_000_000, repeats=5):
    # The same case on both sides (the command line gets the Case's own settings), the same
    # steps and the same output file, compared byte for byte; processor time of each side (the
    # command line's less its own start, measured alone), repeated in turns, median.
    args = [PROGRAM, "--batch"] + [a for s in SHORT.settings_text() for a in ("--set", s)]
    with tempfile.TemporaryDirectory() as folder:
        folder = Path(folder)

        def cli(n, *extra):
            return measure(lambda: subprocess.run(args + ["--steps", str(n), *extra], cwd=folder,
                                                  capture_output=True, check=True))[0]

        def python(every, path):
            def work():
                gyrotrace.run(SHORT, steps=steps, every=every).to_csv(path)
            return measure(work)[0]

        start = statistics.median(cli(0) for _ in range(repeats))  # the process's own start
        rows = {}
        for label, every in (("a row every 1000 steps", 1000), ("every row", 1)):
            cli_times, py_times = [], []
            for _ in range(repeats):
                cli_times.append(cli(steps, "--every", str(every), "--csv", "cli.csv") - start)
                py_times.append(python(every, folder / "py.csv"))
            same = (folder / "cli.csv").read_bytes() == (folder / "py.csv").read_bytes()
            rows[label] = ([steps / t for t in py_times], [steps / t for t in cli_times], same)
    print(f"3. one run of {steps} Cash-Karp steps written to a CSV file (processor time, median "
          f"of {repeats}; load average {os.getloadavg()[0]:.1f})")
    for label, (py, cl, same) in rows.items():
        ratios = sorted(p / c for p, c in zip(py, cl))
        print(f"   {label:22s} Python {statistics.median(py) / 1e6:6.2f} M steps/s, command line "
              f"{statistics.median(cl) / 1e6:6.2f} M steps/s, ratio "
              f"{statistics.median(py) / statistics.median(cl):.2f} (target: >= 0.9; each turn "
              f"{', '.join(f'{r:.2f}' for r in ratios)}){'' if same else '; FILES DIFFER'}")


if __name__ == "__main__":
    if QUICK:
        overhead(200, 20)
        workers(20, 20000)
        steps_per_second(200_000, 3)
    else:
        overhead()
        workers()
        steps_per_second()
