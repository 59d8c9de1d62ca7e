"""One run of a case: NumPy arrays of the trajectory and the run's summary."""

import numpy as np

from . import _core
from ._case import Case

#: The extra columns a run can add after the standard ones: relative change of the energy
#: invariant W, magnetic moment [J/T], pitch angle [deg], guiding centre [m].
COLUMNS = ("W_rel", "mu", "pitch_deg", "gcx", "gcy", "gcz")

_STANDARD = _core.TABLE_HEADER.split(",")
_MAX_WHOLE = 2**53


def _whole(name, value, low):
    if isinstance(value, bool) or not isinstance(value, (int, float, np.integer, np.floating)):
        raise ValueError(f"{name} needs a whole number from {low} to {_MAX_WHOLE}, got {value!r}")
    if value != value or int(value) != value or not low <= value <= _MAX_WHOLE:
        raise ValueError(f"{name} needs a whole number from {low} to {_MAX_WHOLE}, got {value!r}")
    return int(value)


def _length(until, steps, every):
    """The checked length of a run: (steps, until, every), as the command line checks them."""
    if until is not None:
        if isinstance(until, bool) or not isinstance(until, (int, float, np.integer, np.floating)):
            raise ValueError(f"until needs a positive time in seconds, got {until!r}")
        until = float(until)
        if not until > 0 or until == float("inf"):
            raise ValueError(f"until needs a positive time in seconds, got {until!r}")
    steps = _core.DEFAULT_STEPS if steps is None else _whole("steps", steps, 0)
    return steps, until, _whole("every", every, 1)


def _columns(columns):
    if isinstance(columns, str):
        columns = [c for c in columns.replace(",", " ").split()]
    return [str(c) for c in columns]


class Result:
    """What a run gives: the arrays (``t`` [s], ``r`` N x 3 [m], ``v`` N x 3 [m/s], ``B`` = |B|
    [T], ``Ek_eV``, and each extra column asked for, by name) and the summary. The rows are the
    start, every ``every``-th accepted step and always the last one, as in the command line's
    table. A sweep that does not keep arrays gives results whose arrays are None."""

    def __init__(self, case, table, columns, summary):
        self.case = case
        self.column_names = list(columns)
        self.table = table
        self._summary = summary

    # ---- arrays ----
    @property
    def has_arrays(self):
        return self.table is not None

    def _col(self, index):
        return None if self.table is None else self.table[:, index]

    @property
    def t(self):
        return self._col(0)

    @property
    def r(self):
        return None if self.table is None else self.table[:, 1:4]

    @property
    def v(self):
        return None if self.table is None else self.table[:, 4:7]

    @property
    def B(self):
        return self._col(7)

    @property
    def Ek_eV(self):
        return self._col(8)

    @property
    def columns(self):
        """The extra columns asked for, by name."""
        return {name: self._col(9 + i) for i, name in enumerate(self.column_names)}

    def __getattr__(self, name):
        # The extra columns by name too: result.mu, result.W_rel.
        names = self.__dict__.get("column_names", ())
        if name in names:
            return self._col(9 + names.index(name))
        raise AttributeError(name)

    # ---- summary ----
    def summary(self):
        """steps_accepted, steps_rejected, final_time [s], W_change (relative change of the
        energy invariant W = Ek - qE.(r - r0)), warnings (the first line of each kind),
        warning_counts, end ("reached", "pause time", "stopped"), stop_reason, verdict (the
        command line's one-line judgement: good, doubtful or poor, and why),
        cyclotron_frequency [Hz], larmor_diameter [m]."""
        return dict(self._summary)

    def __getitem__(self, key):
        return self._summary[key]

    steps_accepted = property(lambda self: self._summary["steps_accepted"])
    steps_rejected = property(lambda self: self._summary["steps_rejected"])
    W_change = property(lambda self: self._summary["W_change"])
    warnings = property(lambda self: list(self._summary["warnings"]))
    final_time = property(lambda self: self._summary["final_time"])
    end = property(lambda self: self._summary["end"])
    stopped = property(lambda self: self._summary["end"] == "stopped")
    stop_reason = property(lambda self: self._summary["stop_reason"])

    def without_arrays(self):
        """The same result holding its summary alone."""
        return Result(self.case, None, self.column_names, self._summary)

    def to_csv(self, path):
        """Writes the table in the command line's format (header ``t,x,y,z,vx,vy,vz,Bnorm,
        Ek_eV`` and the extra columns; numbers in full precision). The file is replaced only
        once complete."""
        if self.table is None:
            raise ValueError("this result keeps no arrays: sweep with keep=('summary', 'arrays')")
        _core.write_table(str(path), _STANDARD + self.column_names, self.table)

    def __repr__(self):
        rows = "no arrays" if self.table is None else f"{len(self.table)} rows"
        s = self._summary
        return (f"<gyrotrace.Result {s['end']}: {s['steps_accepted']} steps, t={s['final_time']:g} s,"
                f" W change {s['W_change']:.3g}, {len(s['warnings'])} warnings, {rows}>")


def run(case, until=None, steps=None, every=1, columns=(), keep_going=False):
    """Runs ``case`` for ``steps`` accepted steps (100000 by default) or until the time
    ``until`` [s]. A warning that would ask a question in the window stops the run (its
    ``end`` is "stopped" and ``stop_reason`` tells why) unless ``keep_going`` is true.
    The computation releases the interpreter's lock; Ctrl-C stops it."""
    if not isinstance(case, Case):
        raise TypeError(f"run needs a gyrotrace.Case, got {type(case).__name__}")
    steps, until, every = _length(until, steps, every)
    names = _columns(columns)
    out = _core.run(case._boxes, case.settings_text(), steps, until, every, names, keep_going)
    table = out.pop("table")
    out.pop("columns")
    return Result(case, table, names, out)
