"""The loss cone of a dipole trap.

Electrons start on the equator of a point dipole with random directions (isotropic over the
hemisphere along the field). The magnetic moment mu = m v_perp^2 / 2B is an adiabatic invariant:
an electron of equatorial pitch angle alpha mirrors where B = B0 / sin^2(alpha). Those whose
mirror point lies below the "surface" (a sphere of radius SURFACE, where the field is B_max on
their field line) are lost: the loss cone is sin^2(alpha) < B0 / B_max. For an isotropic start
the trapped fraction is cos(alpha_c).

    /usr/bin/python3 docs/examples/loss_cone.py [picture.png]
"""

import math
import sys

import numpy as np

import gyrotrace

ELECTRON_MASS = 9.1091e-31  # [kg], as the program takes it
ELECTRON_CHARGE = 1.6021e-19  # [C]
R0 = 0.05  # equatorial radius of the start [m]
SURFACE = 0.75 * R0  # an electron whose guiding centre comes this close to the dipole is lost [m]
MOMENT = 12.5  # dipole moment [A m^2]: B0 = 1e-7 MOMENT / R0^3 = 0.01 T on the equator
ENERGY = 1.0  # [eV]: Larmor radius 0.34 mm, small beside the field's scale
UNTIL = 2e-7  # [s]: past the mirror point of every pitch angle


def mirror_ratio():
    """B_max / B0 along the field line r = R0 cos^2(lambda) of the start, at the surface."""
    cos2 = SURFACE / R0
    return math.sqrt(1 + 3 * (1 - cos2)) / cos2**3


def loss_cone_deg():
    """The analytic loss-cone angle: sin^2(alpha_c) = B0 / B_max [deg]."""
    return math.degrees(math.asin(math.sqrt(1 / mirror_ratio())))


def electron(pitch_deg, phase_deg):
    """An electron on the equator at (R0, 0, 0) with the given pitch angle to the field and
    gyration phase."""
    speed = math.sqrt(2 * ENERGY * ELECTRON_CHARGE / ELECTRON_MASS)
    a, p = math.radians(pitch_deg), math.radians(phase_deg)
    return gyrotrace.Case(
        shape="dipole", P5=MOMENT, P11=0, species="electron", x=R0, y=0, z=0,
        vx=speed * math.sin(a) * math.cos(p), vy=speed * math.sin(a) * math.sin(p),
        vz=speed * math.cos(a), Ex=0, Ey=0, Ez=0, method="boris", steps_per_gyration=24)


def trapped(results):
    """Whether each electron's guiding centre stayed outside the surface."""
    return np.array([np.min(np.linalg.norm(np.column_stack(
        [r.columns["gcx"], r.columns["gcy"], r.columns["gcz"]]), axis=1)) > SURFACE
        for r in results])


def sample(n, seed=1, executor=None, progress=False):
    """n electrons of isotropic directions: (pitch angles [deg], trapped flags)."""
    rng = np.random.default_rng(seed)
    pitch = np.degrees(np.arccos(rng.uniform(0, 1, n)))  # cos(alpha) uniform: isotropic
    phase = rng.uniform(0, 360, n)
    cases = [electron(a, p) for a, p in zip(pitch, phase)]
    results = gyrotrace.sweep(cases, until=UNTIL, every=4, columns=("gcx", "gcy", "gcz"),
                              keep=("summary", "arrays"), executor=executor, progress=progress)
    return pitch, trapped(results)


def main(picture="loss-cone.png", n=400):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    pitch, kept = sample(n, progress=True)
    cone = loss_cone_deg()
    expected = math.cos(math.radians(cone))
    measured = kept.mean()
    sigma = math.sqrt(expected * (1 - expected) / n)
    bins = np.linspace(0, 90, 19)
    middle = (bins[1:] + bins[:-1]) / 2
    counts = np.histogram(pitch, bins)[0]
    fraction = np.histogram(pitch[kept], bins)[0] / np.maximum(counts, 1)

    fig, ax = plt.subplots(figsize=(7, 4.2), dpi=110)
    ax.step(middle, fraction, where="mid", label="trapped fraction (Gyrotrace)", color="C0")
    ax.plot(pitch, kept + np.random.default_rng(2).uniform(-0.03, 0.03, n), ".", ms=3,
            alpha=0.4, color="C0", label="each electron (1 trapped, 0 lost)")
    ax.axvline(cone, color="C3", ls="--",
               label=f"loss cone sin²α = B₀/B_max: α = {cone:.1f}°")
    ax.set_xlabel("equatorial pitch angle α (deg)")
    ax.set_ylabel("trapped")
    ax.set_xlim(0, 90)
    ax.set_title(f"Dipole trap, {n} electrons of {ENERGY:g} eV: {measured:.3f} trapped, "
                 f"cos α_c = {expected:.3f} ± {sigma:.3f}", fontsize=10)
    ax.legend(loc="center right", fontsize=8)
    fig.tight_layout()
    fig.savefig(picture)
    print(f"trapped {measured:.3f}, analytic {expected:.3f} +- {sigma:.3f}; picture {picture}")


if __name__ == "__main__":
    main(*sys.argv[1:2])
