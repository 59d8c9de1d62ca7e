"""A case of Gyrotrace as a value: the command line's keys over the window's defaults."""

import os
import shutil
import tempfile

from . import _core

# Keys whose name holds a hyphen, which a Python keyword cannot: steps_per_gyration=16.
_HYPHENATED = {"steps_per_gyration": "steps-per-gyration"}
_PYTHON_NAMES = {v: k for k, v in _HYPHENATED.items()}


def _key_name(key):
    return _HYPHENATED.get(key, key)


def _value_text(key, value):
    """The text the command line would be given for a value: floats in their shortest exact
    form, so that the case reads back to the very same doubles."""
    if isinstance(value, bool):
        raise ValueError(f"{key}: {value!r} is not a number")
    if isinstance(value, str):
        return value
    try:
        import numbers

        if isinstance(value, numbers.Integral):
            return str(int(value))
        if isinstance(value, numbers.Real):
            return repr(float(value))
    except (TypeError, ValueError):
        pass
    return str(value)


class Case:
    """One case: the window's defaults (or an example of a memo file), then the command line's
    keys in the order given: x y z vx vy vz energy species shape Ex Ey Ez Bx By Bz P0..P11
    errmax method steps_per_gyration, and map (a field map file for shape="map", read at once
    and again for each run). A bad key or value raises ValueError with the command
    line's message. A case never changes: ``replace`` gives a new one."""

    __slots__ = ("_settings", "_memo", "_boxes")

    def __init__(self, **keys):
        self._memo = None
        self._boxes = None
        self._settings = ()
        self._settings = self._with(keys)
        self._check()

    @classmethod
    def from_memo(cls, path, n, **keys):
        """Example ``n`` of the memo file at ``path`` (ZEFRON.TMP format; a number past the last
        loads the last, as on the command line), then ``keys``. The example is read now: the
        case carries its values and runs where the file is not."""
        path = os.fspath(path)
        if not os.path.isfile(path):
            raise FileNotFoundError(f"no memo file {path}")
        if isinstance(n, bool) or not isinstance(n, (int, float)) or int(n) != n or n < 1:
            raise ValueError(f"n needs a whole number from 1, got {n!r}")
        with tempfile.TemporaryDirectory(prefix="gyrotrace-memo-") as folder:
            shutil.copyfile(path, os.path.join(folder, "ZEFRON.TMP"))
            boxes, number, count = _core.memo_example(folder, float(n))
        if boxes is None:
            raise ValueError(f"no examples in {path}")
        # A field map kept relative to the memo's folder: the case carries its whole path.
        kept = boxes["Texte3"][18]
        if kept and not os.path.isabs(kept):
            boxes["Texte3"][18] = os.path.join(os.path.dirname(os.path.abspath(path)), kept)
        case = object.__new__(cls)
        case._memo = (path, int(n), int(number), int(count))
        case._boxes = boxes
        case._settings = ()
        case._settings = case._with(keys)
        case._check()
        return case

    def _with(self, keys):
        settings = list(self._settings)
        for key, value in keys.items():
            settings.append((_key_name(key), value, _value_text(key, value)))
        return tuple(settings)

    def _check(self):
        _core.check(self._boxes, self.settings_text())

    def replace(self, **keys):
        """A new case: this one with ``keys`` set after its own."""
        case = object.__new__(type(self))
        case._memo = self._memo
        case._boxes = self._boxes
        case._settings = self._with(keys)
        case._check()
        return case

    def settings_text(self):
        """The settings as the command line's ``--set`` takes them, in order."""
        return [f"{key}={text}" for key, _, text in self._settings]

    @property
    def example(self):
        """(memo path, example asked, example loaded, examples in the memo), or None."""
        return self._memo

    def _state(self):
        return (self._memo, self._boxes, tuple((k, t) for k, _, t in self._settings))

    def __eq__(self, other):
        return type(other) is type(self) and self._state() == other._state()

    def __hash__(self):
        return hash((self._memo, tuple((k, t) for k, _, t in self._settings)))

    def __repr__(self):
        keys = []
        for key, value, _ in self._settings:
            name = _PYTHON_NAMES.get(key, key if key.isidentifier() else None)
            keys.append(f"{name}={value!r}" if name else f"**{{{key!r}: {value!r}}}")
        if self._memo:
            head = [repr(self._memo[0]), repr(self._memo[1])]
            return f"{type(self).__name__}.from_memo({', '.join(head + keys)})"
        return f"{type(self).__name__}({', '.join(keys)})"

    # A case is a value: copies are the case itself, pickles carry its values.
    def __copy__(self):
        return self

    def __deepcopy__(self, memo):
        return self

    def __getstate__(self):
        return (self._memo, self._boxes, self._settings)

    def __setstate__(self, state):
        self._memo, self._boxes, self._settings = state
