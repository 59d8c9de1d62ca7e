# Field maps on the command line and from Python, and the files written for ParaView, read back
# with the standard XML parser against the VTK XML format's rules.
import csv
import math
import os
import runpy
import xml.etree.ElementTree as ET

import pytest

import gyrotrace
from conftest import SOURCE, write_memo

MAPS = runpy.run_path(str(SOURCE / "docs" / "examples" / "field_maps.py"))
START = ["--set", "x=0.05", "--set", "y=0", "--set", "z=0", "--set", "vx=0", "--set", "vy=5e5",
         "--set", "vz=0", "--set", "Ex=0", "--set", "Ey=0", "--set", "Ez=0"]
ACCURACY = ["W_rel", "mu", "pitch_deg", "gcx", "gcy", "gcz"]


@pytest.fixture
def maps(private_folder):
    MAPS["main"](str(private_folder))
    return private_folder


def values(array):
    return [float(v) for v in array.text.split()]


def check_arrays(parent, points):
    """Every DataArray under parent holds points × components numbers; returns them by name."""
    arrays = {}
    for array in parent.iter("DataArray"):
        assert array.get("format") == "ascii" and array.get("type") == "Float64"
        components = int(array.get("NumberOfComponents", "1"))
        data = values(array)
        assert len(data) == points * components, array.get("Name")
        arrays[array.get("Name")] = data
    return arrays


def test_a_run_on_the_dipole_map_leaves_a_trajectory_and_a_field_for_paraview(cli, maps):
    code, _, err = cli("--set", "shape=map", "--set", "map=dipole_map.csv", *START,
                       "--until", "1e-7", "--csv", "run.csv", "--vtk", "run.vtp",
                       "--vtk-field", "field.vti")
    assert code == 0, err
    rows = list(csv.DictReader(open("run.csv")))
    n = len(rows)

    poly = ET.parse("run.vtp").getroot()
    assert (poly.tag, poly.get("type")) == ("VTKFile", "PolyData")
    piece = poly.find("PolyData/Piece")
    assert int(piece.get("NumberOfPoints")) == n and piece.get("NumberOfLines") == "1"
    arrays = check_arrays(piece.find("PointData"), n)
    assert sorted(arrays) == sorted(["t", "v", "Bnorm", "Ek_eV"] + ACCURACY)
    assert arrays["t"] == [float(r["t"]) for r in rows]
    assert arrays["Bnorm"] == [float(r["Bnorm"]) for r in rows]
    assert check_arrays(piece.find("Points"), n)[None][3:6] == [
        float(rows[1][k]) for k in ("x", "y", "z")]
    connectivity = piece.find("Lines/DataArray[@Name='connectivity']")
    offsets = piece.find("Lines/DataArray[@Name='offsets']")
    assert [int(v) for v in connectivity.text.split()] == list(range(n))
    assert offsets.text.split() == [str(n)]

    image = ET.parse("field.vti").getroot()
    assert image.get("type") == "ImageData"
    grid = image.find("ImageData")
    extent = [int(v) for v in grid.get("WholeExtent").split()]
    origin = [float(v) for v in grid.get("Origin").split()]
    spacing = [float(v) for v in grid.get("Spacing").split()]
    counts = [extent[2 * a + 1] - extent[2 * a] + 1 for a in range(3)]
    arrays = check_arrays(grid.find("Piece/PointData"), math.prod(counts))
    assert sorted(arrays) == ["B", "Bnorm", "E"]
    # The grid holds the trajectory, and its field is the dipole's (the map interpolates it).
    for axis, key in enumerate("xyz"):
        coords = [float(r[key]) for r in rows]
        assert origin[axis] <= min(coords)
        assert max(coords) <= origin[axis] + spacing[axis] * (counts[axis] - 1)
    for node in (0, len(arrays["Bnorm"]) // 2, len(arrays["Bnorm"]) - 1):
        i, j, k = node % counts[0], node // counts[0] % counts[1], node // counts[0] // counts[1]
        point = [origin[a] + spacing[a] * (i, j, k)[a] for a in range(3)]
        exact = MAPS["dipole"](*point)
        size = math.hypot(*exact)
        for c in range(3):
            assert arrays["B"][3 * node + c] == pytest.approx(exact[c], abs=1e-4 * size)


def test_the_csv_and_vtk_maps_give_the_same_run_and_python_too(cli, maps):
    tables = []
    for name in ("dipole_map.csv", "dipole_map.vtk"):
        code, _, err = cli("--set", "shape=map", "--set", f"map={name}", *START, "--steps", "300",
                           "--csv", f"{name}.run.csv")
        assert code == 0, err
        tables.append(open(f"{name}.run.csv").read())
    # The same node values; the grid's spacing read (VTK) or found from the nodes (CSV) may
    # differ in the last bit.
    rows = [list(csv.reader(t.splitlines()))[1:] for t in tables]
    assert len(rows[0]) == len(rows[1]) == 301
    for a, b in zip(rows[0], rows[1]):
        assert [float(v) for v in a] == pytest.approx([float(v) for v in b], rel=1e-8, abs=1e-15)
    keys = dict(x=0.05, y=0, z=0, vx=0, vy=5e5, vz=0, Ex=0, Ey=0, Ez=0)
    case = gyrotrace.Case(shape="map", map=str(maps / "dipole_map.csv"), **keys)
    result = gyrotrace.run(case, steps=300)
    last = [float(v) for v in rows[0][-1]]
    assert result.t[-1] == last[0] and list(result.r[-1]) == last[1:4]


def test_leaving_the_map_ends_the_run_with_code_three_and_the_place(cli, maps):
    # Along the field line through the equator, out of the map's top face at z = 4 mm.
    code, _, err = cli("--set", "shape=map", "--set", "map=dipole_map.csv", *START,
                       "--set", "vy=0", "--set", "vz=1e5", "--until", "1e-6")
    assert code == 3, err
    assert "left the field map at t = " in err
    time = float(err.split("left the field map at t = ")[1].split(" s")[0])
    place = [float(v) for v in err.split("x y z = ")[1].split(" m")[0].split()]
    assert place[2] == pytest.approx(0.004, abs=1e-8)  # within 1e-5 of the 1 mm spacing
    assert time == pytest.approx(0.004 / 1e5, rel=1e-2)


def test_a_bad_map_is_refused_with_its_row(cli, maps):
    lines = open("dipole_map.csv").read().splitlines()
    lines[5] = lines[5].replace(lines[5].split(",")[3], "nan", 1)
    open("bad.csv", "w").write("\n".join(lines) + "\n")
    code, _, err = cli("--set", "shape=map", "--set", "map=bad.csv", *START, "--steps", "1")
    assert code == 2
    assert "bad.csv: row 6: Bx is not finite" in err
    with pytest.raises(ValueError, match="row 6: Bx is not finite"):
        gyrotrace.Case(shape="map", map="bad.csv")


def test_an_example_keeps_its_map_relative_to_the_memo(cli, maps):
    (maps / "examples" / "maps").mkdir(parents=True)
    (maps / "dipole_map.csv").rename(maps / "examples" / "maps" / "dipole_map.csv")
    boxes = {("Texte3", i): v for i, v in enumerate(["0.05", "0", "0", "0", "5e5", "0"])}
    boxes.update({("Texte3", 18): "maps/dipole_map.csv", ("Option4", 1): "False",
                  ("Option4", 5): "True"})
    write_memo(maps / "examples" / "ZEFRON.TMP", [boxes])
    result = gyrotrace.run(gyrotrace.Case.from_memo(maps / "examples" / "ZEFRON.TMP", 1), steps=50)
    # The command line reads the memo of the folder it runs in.
    os.chdir(maps / "examples")
    code, _, err = cli("--case", "1", "--steps", "50", "--csv", "cli.csv")
    assert code == 0, err
    last = [float(v) for v in open("cli.csv").read().splitlines()[-1].split(",")]
    assert result.t[-1] == last[0] and list(result.r[-1]) == last[1:4]
