"""Many cases at once: on every core of this machine, on an executor, or on a dask cluster."""

import concurrent.futures
import math
import multiprocessing
import os
import signal
import sys
import time

from ._case import Case
from ._run import _MAX_WHOLE, _columns, _length, run

_KEEP = ("summary", "arrays")


class SweepInterrupted(KeyboardInterrupt):
    """Ctrl-C stopped a sweep. ``results`` holds the results in the cases' order, None for the
    cases that did not finish."""

    def __init__(self, results):
        super().__init__(f"sweep interrupted: {sum(r is not None for r in results)} of "
                         f"{len(results)} cases finished")
        self.results = results


def _run_chunk(chunk, length, columns, keep_going, arrays):
    """Runs a chunk of (index, case) pairs in a worker; returns (index, result) pairs."""
    steps, until, every = length
    out = []
    # A result that keeps no arrays needs no rows between the start and the end: the run then
    # records those two alone, and takes the steps between them without handing each one over.
    if not arrays:
        every = _MAX_WHOLE
    for index, case in chunk:
        result = run(case, until=until, steps=steps, every=every, columns=columns,
                     keep_going=keep_going)
        out.append((index, result if arrays else result.without_arrays()))
    return out


def _quiet_worker():
    # Ctrl-C goes to the whole process group: the sweep's own process stops the workers.
    signal.signal(signal.SIGINT, signal.SIG_IGN)


def _cores():
    try:
        return len(os.sched_getaffinity(0))
    except AttributeError:
        return os.cpu_count() or 1


def _is_dask(executor):
    return type(executor).__module__.split(".")[0] == "distributed" and hasattr(executor, "gather")


def _dask_workers(client):
    try:
        return sum(w.get("nthreads", 1) for w in client.scheduler_info()["workers"].values()) or 1
    except Exception:
        return 1


class _Progress:
    """Cases done and time left: tqdm when it is there, one line on standard error otherwise."""

    def __init__(self, total, shown):
        self._bar = None
        self._shown = shown
        self._total = total
        self._done = 0
        self._start = time.monotonic()
        if not shown:
            return
        try:
            from tqdm.auto import tqdm

            self._bar = tqdm(total=total, unit="case", desc="gyrotrace")
        except ImportError:
            pass

    def update(self, n):
        self._done += n
        if self._bar is not None:
            self._bar.update(n)
        elif self._shown:
            spent = time.monotonic() - self._start
            left = spent / self._done * (self._total - self._done) if self._done else 0
            sys.stderr.write(f"\rgyrotrace: {self._done}/{self._total} cases, {left:.0f} s left")
            sys.stderr.flush()

    def close(self):
        if self._bar is not None:
            self._bar.close()
        elif self._shown:
            sys.stderr.write("\n")


def sweep(cases, until=None, steps=None, executor=None, progress=True, keep=("summary",),
          every=1, columns=(), keep_going=False, chunk_size=None):
    """Runs every case of ``cases`` as ``run`` would and returns their results in the same
    order. Each result has its summary; its arrays only when ``keep`` names "arrays".

    Without ``executor`` the cases run in processes on every core of this machine. Any
    ``concurrent.futures.Executor`` or ``dask.distributed.Client`` may be given instead: the
    cases go to it in chunks of ``chunk_size`` (by default about eight chunks per worker).
    ``progress`` shows cases done and time left. Ctrl-C stops the sweep: pending cases are
    cancelled, its own worker processes are ended, and ``SweepInterrupted`` carries the results
    that finished."""
    cases = list(cases)
    for i, case in enumerate(cases):
        if not isinstance(case, Case):
            raise TypeError(f"case {i} is not a gyrotrace.Case but a {type(case).__name__}")
    keep = (keep,) if isinstance(keep, str) else tuple(keep)
    for word in keep:
        if word not in _KEEP:
            raise ValueError(f"keep takes 'summary' and 'arrays', got {word!r}")
    length = _length(until, steps, every)
    names = _columns(columns)
    results = [None] * len(cases)
    if not cases:
        return results

    if executor is None:
        workers = _cores()
    elif not _is_dask(executor) and not isinstance(executor, concurrent.futures.Executor):
        raise TypeError("executor must be a concurrent.futures.Executor or a "
                        f"dask.distributed.Client, got {type(executor).__name__}")
    elif _is_dask(executor):
        workers = _dask_workers(executor)
    else:
        workers = getattr(executor, "_max_workers", None) or _cores()
    if chunk_size is None:
        chunk_size = max(1, min(100, math.ceil(len(cases) / (8 * workers))))
    indexed = list(enumerate(cases))
    chunks = [indexed[i:i + chunk_size] for i in range(0, len(indexed), chunk_size)]
    arguments = (length, names, keep_going, "arrays" in keep)

    bar = _Progress(len(cases), progress)

    def take(pairs):
        for index, result in pairs:
            results[index] = result
        bar.update(len(pairs))

    try:
        if executor is None:
            _sweep_in_pool(chunks, arguments, min(workers, len(chunks)), take)
        elif _is_dask(executor):
            _sweep_on_dask(executor, chunks, arguments, take)
        else:
            _sweep_on_executor(executor, chunks, arguments, take)
    except KeyboardInterrupt:
        raise SweepInterrupted(results) from None
    finally:
        bar.close()
    return results


def _sweep_in_pool(chunks, arguments, workers, take):
    # A process pool that notices a worker that died (it raises instead of waiting forever).
    pool = concurrent.futures.ProcessPoolExecutor(
        workers, mp_context=multiprocessing.get_context("fork"), initializer=_quiet_worker)
    finished = False
    try:
        _sweep_on_executor(pool, chunks, arguments, take)
        finished = True
    finally:
        if finished:
            pool.shutdown(wait=True)
        else:
            # Ctrl-C or a failure: no worker outlives the sweep, busy or not.
            processes = list((getattr(pool, "_processes", None) or {}).values())
            pool.shutdown(wait=False, cancel_futures=True)
            for process in processes:
                process.terminate()
            for process in processes:
                process.join()


def _sweep_on_executor(executor, chunks, arguments, take):
    futures = [executor.submit(_run_chunk, chunk, *arguments) for chunk in chunks]
    try:
        for future in concurrent.futures.as_completed(futures):
            take(future.result())
    except BaseException:
        for future in futures:
            future.cancel()
        raise


def _sweep_on_dask(client, chunks, arguments, take):
    from distributed import as_completed

    futures = [client.submit(_run_chunk, chunk, *arguments, pure=False) for chunk in chunks]
    try:
        for future in as_completed(futures):
            take(future.result())
    except BaseException:
        client.cancel(futures)
        raise
