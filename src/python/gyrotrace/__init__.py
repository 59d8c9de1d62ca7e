"""Gyrotrace from Python: the trajectory of a charged particle under F = q(E + v x B).

A case is a value (``Case``); ``run`` computes one case through the same run driver as the
window and the command line and returns NumPy arrays; ``sweep`` runs many cases on every core
of this machine, on any ``concurrent.futures.Executor`` or on a ``dask.distributed.Client``.

    >>> import gyrotrace
    >>> case = gyrotrace.Case(shape="uniform", Bz=0.015, vy=1e6, method="boris")
    >>> result = gyrotrace.run(case, until=1e-8)
    >>> result.r.shape, result.summary()["steps_accepted"]
"""

from ._case import Case
from ._run import COLUMNS, Result, run
from ._sweep import SweepInterrupted, sweep

__all__ = ["Case", "COLUMNS", "Result", "SweepInterrupted", "run", "sweep"]
__version__ = "0.1.0"
