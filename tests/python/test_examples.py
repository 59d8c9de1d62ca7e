# The guide's examples: the loss cone of a dipole trap against its analytic angle.
import importlib.util
import math

from conftest import SOURCE


def example(name):
    spec = importlib.util.spec_from_file_location(name, SOURCE / "docs" / "examples" / f"{name}.py")
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def test_the_trapped_fraction_is_the_analytic_loss_cones():
    lc = example("loss_cone")
    cone = lc.loss_cone_deg()
    # B_max / B0 on the field line r = R0 cos^2(lambda) at r = 0.75 R0: sqrt(1.75) / 0.75^3.
    assert math.isclose(math.sin(math.radians(cone)) ** 2, 0.75**3 / math.sqrt(1.75))
    n = 200
    pitch, trapped = lc.sample(n, seed=7)
    expected = math.cos(math.radians(cone))  # isotropic over the hemisphere
    assert abs(trapped.mean() - expected) < 3 * math.sqrt(expected * (1 - expected) / n)
    # Away from the cone's edge (two degrees: the finite Larmor radius) no electron errs.
    assert not trapped[pitch < cone - 2].any() and trapped[pitch > cone + 2].all()


def test_the_work_precision_table_shows_each_methods_order():
    rows = example("work_precision").table()
    boris = [(w, e) for m, _, w, e in rows if m == "boris" and w > 1000]
    # Boris is second order: twice the steps, a quarter of the error.
    for (w1, e1), (w2, e2) in zip(boris, boris[1:]):
        assert math.isclose(e1 / e2, 4, rel_tol=0.05) and math.isclose(w2 / w1, 2, rel_tol=0.01)
    cash_karp = [e for m, _, _, e in rows if m == "cash-karp"]
    assert cash_karp == sorted(cash_karp, reverse=True) and cash_karp[-1] < 1e-5
