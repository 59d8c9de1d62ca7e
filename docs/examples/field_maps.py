"""Field maps made from the analytic shapes, to compare a map run with the shape's own run.

Writes, into the folder given (the current folder by default):

- dipole_map.csv: the point dipole of moment MOMENT along z, every 1 mm round the equator at
  R0, as the table x,y,z,Bx,By,Bz;
- dipole_map.vtk: the same grid as a VTK legacy binary STRUCTURED_POINTS file (vector array B);
- thruster_rz.csv: the radial 1/rho field with curved lines of a Hall thruster channel (the
  window's default case), as the axisymmetric table r,z,Br,Bz every 0.5 mm.

    /usr/bin/python3 docs/examples/field_maps.py maps/
    gyrotrace --batch --set shape=map --set map=maps/dipole_map.csv --set x=0.05 --set y=0 \\
        --set z=0 --set vx=0 --set vy=5e5 --set vz=0 --set Ez=0 --until 7e-7 --vtk run.vtp \\
        --vtk-field field.vti
    gyrotrace --batch --set shape=dipole --set P5=6.25 --set P11=0 ... (the same start)
"""

import math
import os
import struct
import sys

MU0_4PI = 1e-7  # mu0 / (4 pi) [T m/A], exact in the SI before 2019 and to 1e-10 since
MOMENT = 6.25  # dipole moment [A m^2]: 5 mT on the equator at R0
R0 = 0.05  # [m]


def dipole(x, y, z):
    """B [T] of a point dipole at the origin, moment MOMENT along +z."""
    r = math.sqrt(x * x + y * y + z * z)
    c = z / r  # cosine between r and the moment
    k = MU0_4PI * MOMENT / r**3
    return (k * 3 * c * x / r, k * 3 * c * y / r, k * (3 * c * z / r - 1))


# The radial field of the thruster channel, as the window's default case sets it: magnitude
# (k2 z^2 + B1) Rm / rho, field lines curved about a centre that depends on z.
P0, P1, P2, P3, RM = 0.0, -0.021, -0.02, 0.0, 0.04225


def thruster(x, y, z):
    """B [T] of the 1/rho field with curved lines at (x, y, z)."""
    k2 = (P2 - P3) / (P0 - P1) ** 2
    rho = math.hypot(x, y)
    r = math.sqrt(x * x + y * y + z * z)
    bm = (z * z * k2 + P2) * RM / rho
    zc = z if z != 0 else 1e15
    ex, ey = x / rho, y / rho
    c = (RM * ex, RM * ey, 1 / zc + 1 / 0.015)
    u = (c[0] - x, c[1] - y, c[2] - z)
    n = math.sqrt(sum(v * v for v in u))
    u = tuple(v / n for v in u)
    t = (y / r, -x / r, 0.0)  # r_hat x ez
    b = (u[1] * t[2] - u[2] * t[1], u[2] * t[0] - u[0] * t[2], u[0] * t[1] - u[1] * t[0])
    return tuple(bm * v for v in b)


def grid(first, step, count):
    return [first + step * i for i in range(count)]


def main(folder):
    os.makedirs(folder, exist_ok=True)
    xs, ys, zs = grid(0.044, 1e-3, 13), grid(-0.03, 1e-3, 61), grid(-0.004, 1e-3, 9)
    nodes = [(x, y, z) for z in zs for y in ys for x in xs]
    fields = [dipole(*p) for p in nodes]
    with open(os.path.join(folder, "dipole_map.csv"), "w") as out:
        out.write("x,y,z,Bx,By,Bz\n")
        for p, b in zip(nodes, fields):
            out.write(",".join(repr(v) for v in p + b) + "\n")
    with open(os.path.join(folder, "dipole_map.vtk"), "wb") as out:
        out.write(b"# vtk DataFile Version 3.0\ndipole of 6.25 A m2\nBINARY\n"
                  b"DATASET STRUCTURED_POINTS\n")
        out.write(f"DIMENSIONS {len(xs)} {len(ys)} {len(zs)}\n".encode())
        out.write(f"ORIGIN {xs[0]!r} {ys[0]!r} {zs[0]!r}\nSPACING 0.001 0.001 0.001\n".encode())
        out.write(f"POINT_DATA {len(nodes)}\nVECTORS B double\n".encode())
        for b in fields:
            out.write(struct.pack(">3d", *b))
        out.write(b"\n")
    rs, zs = grid(0.025, 5e-4, 61), grid(0.001, 5e-4, 59)
    with open(os.path.join(folder, "thruster_rz.csv"), "w") as out:
        out.write("r,z,Br,Bz\n")
        for z in zs:
            for r in rs:
                bx, _, bz = thruster(r, 0.0, z)
                out.write(f"{r!r},{z!r},{bx!r},{bz!r}\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else ".")
