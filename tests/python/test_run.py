# One case from Python against the command line: the same numbers, messages and stops.
import copy
import math
import pickle

import numpy as np
import pytest

import gyrotrace
from conftest import write_memo

ELECTRON_MASS = 9.1091e-31  # [kg]
ELECTRON_CHARGE = -1.6021e-19  # [C]

# A mirror: electrons on the equator of a point dipole (about 0.01 T there).
DIPOLE = dict(shape="dipole", P5=12.5, P11=0, x=0.05, y=0, z=0, vx=0, vy=1.5e6, vz=1e6, Ex=0,
              Ey=0, Ez=0, method="boris", steps_per_gyration=24)
UNIFORM = dict(shape="uniform", Bx=0, By=0, Bz=0.015, Ex=0, Ey=200, Ez=0, x=0.01, y=0, z=0,
               vx=0, vy=1e6, vz=1e5, errmax=1e-7)


def cli_args(keys):
    return [a for k, v in keys.items()
            for a in ("--set", f"{k.replace('_', '-')}={gyrotrace._case._value_text(k, v)}")]


@pytest.mark.parametrize("keys, length, every, columns", [
    (UNIFORM, ("--until", 2e-8), 3, ("W_rel", "mu", "pitch_deg", "gcx", "gcy", "gcz")),
    (DIPOLE, ("--steps", 500), 1, ("W_rel", "pitch_deg")),
    (dict(UNIFORM, species="proton", energy=50, method="boris"), ("--steps", 7), 2, ()),
])
def test_a_run_is_the_command_lines_table_bit_for_bit(cli, private_folder, keys, length, every,
                                                      columns):
    option, value = length
    args = cli_args(keys) + [option, repr(value), "--every", str(every), "--csv", "cli.csv"]
    if columns:
        args += ["--columns", ",".join(columns)]
    code, _, err = cli(*args)
    assert code == 0, err
    case = gyrotrace.Case(**keys)
    result = gyrotrace.run(case, every=every, columns=columns, **{option[2:]: value})
    result.to_csv("py.csv")
    assert (private_folder / "py.csv").read_bytes() == (private_folder / "cli.csv").read_bytes()
    assert f"Steps accepted: {result.steps_accepted}, rejected: {result.steps_rejected}" in err
    assert result.r.shape == (len(result.t), 3) and result.v.shape == result.r.shape
    for name in columns:
        assert result.columns[name] is not None and len(result.columns[name]) == len(result.t)


def test_memo_examples_run_as_the_command_lines_case_option(cli, private_folder):
    write_memo("ZEFRON.TMP", [
        {("Texte3", 0): "0.02", ("Texte3", 4): "2e5", ("Texte6", 2): "0.01"},
        # An example with a pause time ends there, as on the command line.
        {("Texte3", 0): "0.03", ("Texte3", 3): "1e5", ("Texte6", 2): "0.02",
         ("Texte3", 13): "1e-9", ("Texte3", 15): "1"},
    ])
    for n, end in ((1, "reached"), (2, "pause time"), (9, "pause time")):
        code, _, err = cli("--case", str(n), "--steps", "300", "--csv", "cli.csv")
        assert code == 0, err
        case = gyrotrace.Case.from_memo("ZEFRON.TMP", n)
        result = gyrotrace.run(case, steps=300)
        result.to_csv("py.csv")
        assert (private_folder / "py.csv").read_bytes() == \
            (private_folder / "cli.csv").read_bytes(), n
        assert result.end == end
    assert gyrotrace.Case.from_memo("ZEFRON.TMP", 9).example[2:] == (2, 2)
    # The example's values travel with the case: the file is not needed any more.
    moved = gyrotrace.Case.from_memo("ZEFRON.TMP", 1, Bz=0.03)
    (private_folder / "ZEFRON.TMP").unlink()
    assert gyrotrace.run(moved, steps=3).steps_accepted == 3
    with pytest.raises(FileNotFoundError):
        gyrotrace.Case.from_memo("ZEFRON.TMP", 1)


@pytest.mark.parametrize("keys", [
    {"foo": 1},
    {"Bz": "abc"},
    {"Bz": "1e999"},
    {"species": "muon"},
    {"shape": "square"},
    {"method": "rk4"},
    {"steps_per_gyration": 2},
    {"vx": 0, "vy": 0, "vz": 0},
    {"vy": 4e8},
    {"x": 0, "y": 0, "z": 0},
])
def test_bad_keys_and_values_raise_the_command_lines_message(cli, keys):
    code, _, err = cli(*cli_args(keys), "--steps", "1")
    assert code == 2 and err.startswith("gyrotrace: "), err
    with pytest.raises(ValueError) as raised:
        gyrotrace.Case(**keys)
    assert str(raised.value) == err.strip().removeprefix("gyrotrace: ")


@pytest.mark.parametrize("arguments, message", [
    (dict(steps=-1), "steps needs a whole number"),
    (dict(steps=1.5), "steps needs a whole number"),
    (dict(every=0), "every needs a whole number"),
    (dict(until=0), "until needs a positive time"),
    (dict(until=float("nan")), "until needs a positive time"),
    (dict(columns="mu,foo"), '"foo"'),
])
def test_bad_run_arguments_raise_value_errors_naming_them(arguments, message):
    with pytest.raises(ValueError, match=message):
        gyrotrace.run(gyrotrace.Case(), **arguments)


def test_a_question_stops_the_run_and_its_warnings_come_back(cli):
    # A point on the z axis makes the radial unit vector null: the field model asks.
    keys = dict(shape="cylindrical", x=0, z=0.01)
    code, _, err = cli(*cli_args(keys), "--steps", "10")
    assert code == 3 and "stopped: normafaute" in err
    stopped = gyrotrace.run(gyrotrace.Case(**keys), steps=10)
    assert stopped.stopped and f"gyrotrace: stopped: {stopped.stop_reason}\n" in err
    assert any("normafaute" in w for w in stopped.warnings)
    assert "gyrotrace: warning: " + stopped.warnings[-1] in err
    going = gyrotrace.run(gyrotrace.Case(**keys), steps=10, keep_going=True)
    assert going.end == "reached" and going.steps_accepted == 10
    assert going.summary()["warning_counts"]


def test_uniform_field_gyration_against_the_analytic_circle():
    # Electron in Bz with no E: a circle of radius m v / |q| B at the cyclotron frequency.
    b, v0, x0 = 0.01, 1e6, 0.01
    case = gyrotrace.Case(shape="uniform", Bx=0, By=0, Bz=b, Ex=0, Ey=0, Ez=0, x=x0, y=0, z=0,
                          vx=0, vy=v0, vz=0, errmax=1e-9)
    result = gyrotrace.run(case, until=2e-8)
    omega = ELECTRON_CHARGE * b / ELECTRON_MASS
    t = result.t
    x = x0 + v0 / omega * (1 - np.cos(omega * t))
    y = v0 / omega * np.sin(omega * t)
    radius = abs(v0 / omega)
    assert np.max(np.hypot(result.r[:, 0] - x, result.r[:, 1] - y)) < 1e-5 * radius
    assert np.allclose(result.Ek_eV, result.Ek_eV[0], rtol=1e-5)
    assert result.summary()["cyclotron_frequency"] == pytest.approx(abs(omega) / 2 / math.pi,
                                                                   rel=1e-12)


def test_a_run_lets_other_python_threads_go_on():
    import threading

    case = gyrotrace.Case(shape="uniform", Bz=0.01, vy=1e6, method="boris")
    worker = threading.Thread(target=gyrotrace.run, args=(case,), kwargs=dict(steps=3_000_000,
                                                                                every=10**6))
    turns = 0
    worker.start()
    while worker.is_alive():
        turns += 1
        worker.join(0.001)
    assert turns > 10  # with the interpreter's lock held the loop would not turn at all


def test_a_case_is_a_value():
    case = gyrotrace.Case(shape="uniform", Bz=0.015, vy=1e6, method="boris",
                          steps_per_gyration=16)
    assert eval(repr(case), {"Case": gyrotrace.Case}) == case
    assert copy.deepcopy(case) == case and pickle.loads(pickle.dumps(case)) == case
    assert len({case, copy.copy(case)}) == 1
    other = case.replace(Bz=0.02)
    assert other != case and "Bz=0.015" in repr(case) and repr(other).endswith("Bz=0.02)")
    with pytest.raises(ValueError, match="steps-per-gyration"):
        case.replace(steps_per_gyration=3)
