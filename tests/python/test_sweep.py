# Sweeps: the same results in the same order wherever they run, and a clean stop on Ctrl-C.
import concurrent.futures
import json
import os
import signal
import subprocess
import sys
import textwrap
import time
import uuid
from pathlib import Path

import numpy as np
import pytest

import gyrotrace

CASES = [gyrotrace.Case(shape="uniform", Bz=bz, Ex=0, Ey=0, Ez=0, x=0.01, y=0, z=0, vx=0,
                        vy=1e6, vz=vz, method=method)
         for bz in (0.01, 0.02) for vz in (0, 1e5) for method in ("boris", "cash-karp")]


def same(a, b):
    return a.summary() == b.summary() and np.array_equal(a.table, b.table) and a.case == b.case


def test_a_sweep_gives_the_results_of_single_runs_in_order_wherever_it_runs():
    from distributed import Client, LocalCluster

    expected = [gyrotrace.run(case, steps=300, columns=("W_rel",)) for case in CASES]
    keep = ("summary", "arrays")
    own = gyrotrace.sweep(CASES, steps=300, columns=("W_rel",), keep=keep, progress=False)
    with concurrent.futures.ProcessPoolExecutor(2) as pool:
        pooled = gyrotrace.sweep(CASES, steps=300, columns=("W_rel",), keep=keep,
                                 executor=pool, progress=False, chunk_size=3)
    # Threads of one process: the same results, never a mix of two cases.
    with concurrent.futures.ThreadPoolExecutor(3) as threads:
        threaded = gyrotrace.sweep(CASES, steps=300, columns=("W_rel",), keep=keep,
                                   executor=threads, progress=False, chunk_size=1)
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                      dashboard_address=None) as cluster, Client(cluster) as client:
        clustered = gyrotrace.sweep(CASES, steps=300, columns=("W_rel",), keep=keep,
                                    executor=client, progress=False)
    for results in (own, pooled, threaded, clustered):
        assert len(results) == len(CASES)
        assert all(same(a, b) for a, b in zip(results, expected))
    # Without "arrays" only the summaries come back.
    light = gyrotrace.sweep(CASES, steps=300, progress=False)
    assert [r.summary() for r in light] == [r.summary() for r in expected]
    assert all(not r.has_arrays and r.r is None for r in light)
    with pytest.raises(ValueError, match="arrays"):
        light[0].to_csv("table.csv")


def test_two_threads_running_at_once_give_the_rows_each_gives_alone():
    import threading

    # Two different cases (methods, species, fields, a question that is answered), long enough
    # to be computing at the same time once both threads have passed the barrier.
    cases = [gyrotrace.Case(shape="uniform", Bz=0.015, vy=1e6, vz=1e5, Ey=300, errmax=1e-8),
             gyrotrace.Case(species="proton", shape="cylindrical", x=0.03, z=0.01,
                            method="boris", steps_per_gyration=8)]
    alone = [gyrotrace.run(case, steps=100_000, every=97, columns=("W_rel",)) for case in cases]
    together = [None, None]
    barrier = threading.Barrier(2)

    def work(i):
        barrier.wait()
        together[i] = gyrotrace.run(cases[i], steps=100_000, every=97, columns=("W_rel",))

    threads = [threading.Thread(target=work, args=(i,)) for i in range(2)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for a, b in zip(alone, together):
        assert same(a, b)


def test_sweep_arguments_are_checked_before_any_work():
    with pytest.raises(TypeError, match="case 1"):
        gyrotrace.sweep([CASES[0], {"Bz": 1}])
    with pytest.raises(ValueError, match="keep"):
        gyrotrace.sweep(CASES, keep=("trajectories",))
    with pytest.raises(TypeError, match="executor"):
        gyrotrace.sweep(CASES, executor="localhost:8786")
    with pytest.raises(ValueError, match="until"):
        gyrotrace.sweep(CASES, until=-1)
    assert gyrotrace.sweep([], progress=False) == []


def interruptible():
    # A shell's background job ignores Ctrl-C, and a child inherits that: undo it.
    signal.signal(signal.SIGINT, signal.SIG_DFL)


def test_ctrl_c_interrupts_a_single_run():
    script = textwrap.dedent("""
        import gyrotrace
        print("started", flush=True)
        try:
            gyrotrace.run(gyrotrace.Case(shape="uniform", Bz=0.01, vy=1e6, method="boris"),
                          steps=10**12, every=10**6)
        except KeyboardInterrupt:
            print("interrupted", flush=True)
    """)
    child = subprocess.Popen([sys.executable, "-c", script], stdout=subprocess.PIPE, text=True,
                             preexec_fn=interruptible)
    assert child.stdout.readline().strip() == "started"
    time.sleep(0.5)
    child.send_signal(signal.SIGINT)
    assert child.communicate(timeout=30)[0].strip() == "interrupted"


def processes_tagged(tag):
    found = []
    for entry in Path("/proc").iterdir():
        try:
            if tag.encode() in (entry / "environ").read_bytes():
                found.append(int(entry.name))
        except (OSError, ValueError):
            pass
    return found


def test_ctrl_c_stops_a_sweep_keeps_finished_results_and_leaves_no_process():
    # Two quick cases, then cases far too long to finish: Ctrl-C after a moment.
    script = textwrap.dedent("""
        import json, gyrotrace
        quick = gyrotrace.Case(shape="uniform", Bz=0.01, vy=1e6, method="boris",
                               steps_per_gyration=8)
        cases = [quick] * 2 + [quick.replace(steps_per_gyration=1e7)] * 6
        print("started", flush=True)
        try:
            gyrotrace.sweep(cases, until=1e-6, chunk_size=1, progress=False)
        except gyrotrace.SweepInterrupted as stop:
            print(json.dumps([r is not None for r in stop.results]), flush=True)
    """)
    tag = f"GYRO_SWEEP_TEST={uuid.uuid4()}"
    env = dict(os.environ, GYRO_SWEEP_TEST=tag.split("=")[1])
    child = subprocess.Popen([sys.executable, "-c", script], env=env, stdout=subprocess.PIPE,
                             text=True, preexec_fn=interruptible)
    assert child.stdout.readline().strip() == "started"
    deadline = time.monotonic() + 30
    while len(processes_tagged(tag)) < 3 and time.monotonic() < deadline:
        time.sleep(0.05)  # the sweep's own process and its workers
    time.sleep(0.5)
    child.send_signal(signal.SIGINT)
    out, _ = child.communicate(timeout=60)
    assert child.returncode == 0
    finished = json.loads(out.strip().splitlines()[-1])
    assert finished == [True] * 2 + [False] * 6
    deadline = time.monotonic() + 10
    while processes_tagged(tag) and time.monotonic() < deadline:
        time.sleep(0.05)
    assert processes_tagged(tag) == []
