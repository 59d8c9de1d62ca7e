// A magnetic (and optionally electric) field given on a regular grid of nodes, read from a file,
// with a smooth interpolation between the nodes.
#pragma once

#include "numerics/vecteur3.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace gyro {

/// Weights of the C1 cubic interpolation along one axis of n >= 4 nodes at the grid coordinate
/// u (0 at the first node, n - 1 at the last): the value there is sum w[k] f[first + k]. Between
/// nodes i and i + 1 it is the cubic Hermite polynomial whose node slopes are the centred
/// differences (f[i+1] - f[i-1]) / 2, or the one-sided second-order differences at the two ends.
/// Both are exact for quadratics, so the interpolation reproduces any quadratic exactly, and the
/// two cells meeting at a node share its slope: the first derivative is continuous across faces.
struct CubicWeights {
    std::size_t first = 0;
    std::array<double, 4> w{};
};
CubicWeights cubicWeights(std::size_t n, double u);

/// A field map: B [T] (and E [V/m] when the file had it) on a regular grid.
/// Cartesian maps hold (Bx, By, Bz) on nx × ny × nz nodes, x varying fastest. Axisymmetric maps
/// hold (Br, Bz) on nr × nz nodes (r, z), turned about the z axis: B = Br e_rho + Bz ez.
class FieldMap {
public:
    enum class Geometry { Cartesian, Axisymmetric };

    /// An empty Cartesian map; the reader fills it through the members below.
    FieldMap() = default;

    Geometry geometry = Geometry::Cartesian;
    /// Nodes along each axis (x, y, z; or r, z, 1 for an axisymmetric map).
    std::array<std::size_t, 3> n{1, 1, 1};
    /// First node [m] and node spacing [m] along each axis.
    std::array<double, 3> origin{0, 0, 0};
    std::array<double, 3> spacing{1, 1, 1};
    /// Node values, components interleaved: 3 per node (Cartesian) or 2 (axisymmetric).
    std::vector<double> B;
    /// Electric field at the nodes, same layout as B, or empty when the map has none.
    std::vector<double> E;

    /// Number of nodes.
    std::size_t nodeCount() const { return n[0] * n[1] * n[2]; }
    /// Components per node: 3, or 2 for an axisymmetric map.
    std::size_t components() const { return geometry == Geometry::Cartesian ? 3 : 2; }
    /// Whether the point R [m] lies within the map (on its boundary included).
    bool contains(const Vecteur3& R) const;
    /// B [T] at R [m], interpolated; false (B untouched) outside the map.
    bool magnetic(const Vecteur3& R, Vecteur3& B) const;
    /// E [V/m] of the map at R [m]; false (E untouched) outside the map or when it has none.
    bool electric(const Vecteur3& R, Vecteur3& E) const;

    /// Extent of the map in space [m]: the box (x, y, z) that holds it (an axisymmetric map
    /// spans -rmax..rmax in x and y).
    void extent(Vecteur3& low, Vecteur3& high) const;
    /// Smallest and largest |B| [T] on the nodes.
    void magnitudeRange(double& low, double& high) const;
    /// One line for a user: grid, extent and |B| range ("31 × 31 × 11 nodes, x 0 .. 0.03 m, …").
    std::string summary() const;

private:
    bool interpolate(const std::vector<double>& values, const Vecteur3& R, Vecteur3& out) const;
};

} // namespace gyro
