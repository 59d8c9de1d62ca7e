"""Work against precision of the two integration methods on the gyration in a uniform field.

An electron gyrates in B = 0.01 T along z for 20 turns. The exact motion is a circle, so the
error of a run is the distance between its last point and the exact point at the same time,
in Larmor radii. The work is the number of field evaluations: six per attempted Cash-Karp step
(accepted or rejected), one per Boris step.

    /usr/bin/python3 docs/examples/work_precision.py [picture.png]
"""

import math
import sys

import numpy as np

import gyrotrace

ELECTRON_MASS = 9.1091e-31  # [kg], as the program takes it
ELECTRON_CHARGE = -1.6021e-19  # [C]
B, V0, X0 = 0.01, 1e6, 0.01  # [T], [m/s], [m]
OMEGA = ELECTRON_CHARGE * B / ELECTRON_MASS  # signed cyclotron frequency [rad/s]
LARMOR = abs(V0 / OMEGA)  # [m]
TURNS = 20

ERRMAX = [1e-4, 3e-5, 1e-5, 3e-6, 1e-6, 3e-7, 1e-7, 3e-8, 1e-8, 3e-9, 1e-9]  # [m]
STEPS_PER_TURN = [8, 16, 32, 64, 128, 256, 512, 1024]


def case(**method):
    return gyrotrace.Case(shape="uniform", Bx=0, By=0, Bz=B, Ex=0, Ey=0, Ez=0, x=X0, y=0, z=0,
                          vx=0, vy=V0, vz=0, **method)


def error(result):
    """Distance of the last point from the exact circle's point at the same time [Larmor radii]."""
    t = result.t[-1]
    exact = (X0 + V0 / OMEGA * (1 - math.cos(OMEGA * t)), V0 / OMEGA * math.sin(OMEGA * t))
    return math.hypot(result.r[-1, 0] - exact[0], result.r[-1, 1] - exact[1]) / LARMOR


def table(executor=None):
    """(method, parameter, field evaluations, error) for every run."""
    until = TURNS * 2 * math.pi / abs(OMEGA)
    cases = [case(method="cash-karp", errmax=e) for e in ERRMAX]
    cases += [case(method="boris", steps_per_gyration=n) for n in STEPS_PER_TURN]
    # Only the first and the last rows are needed: one row every 10^9 steps.
    results = gyrotrace.sweep(cases, until=until, every=10**9, keep=("summary", "arrays"),
                              executor=executor, progress=False)
    rows = []
    for i, (parameter, r) in enumerate(zip(ERRMAX + STEPS_PER_TURN, results)):
        boris = i >= len(ERRMAX)
        work = r.steps_accepted if boris else 6 * (r.steps_accepted + r.steps_rejected)
        rows.append(("boris" if boris else "cash-karp", parameter, work, error(r)))
    return rows


def main(picture="work-precision.png"):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    rows = table()
    fig, ax = plt.subplots(figsize=(7, 4.2), dpi=110)
    for method, label, mark in (("cash-karp", "Cash–Karp (errmax 1e-4 … 1e-9 m)", "o-"),
                                ("boris", "Boris (8 … 1024 steps per turn)", "s-")):
        work = [w for m, _, w, _ in rows if m == method]
        err = [e for m, _, _, e in rows if m == method]
        ax.loglog(work, err, mark, label=label)
    ax.set_xlabel("field evaluations for 20 turns")
    ax.set_ylabel("position error after 20 turns (Larmor radii)")
    ax.set_title("Work against precision: electron in a uniform B", fontsize=10)
    ax.grid(True, which="both", alpha=0.3)
    ax.legend(fontsize=8)
    fig.tight_layout()
    fig.savefig(picture)
    for row in rows:
        print("%-9s %-8g %9d evaluations  error %.3g" % row)
    print(f"picture {picture}")


if __name__ == "__main__":
    main(*sys.argv[1:2])
