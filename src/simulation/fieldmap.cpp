// Field maps on regular grids: C1 cubic interpolation of the node values, extent and summary.
#include "simulation/fieldmap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace gyro {

namespace {

// Adds to w the weights of the slope at node k times `factor`, in units of node spacing: the
// centred difference inside, the one-sided second-order difference at the two ends.
void addSlope(std::size_t n, std::size_t k, std::size_t first, double factor,
              std::array<double, 4>& w) {
    auto add = [&](std::size_t node, double c) { w[node - first] += factor * c; };
    if (k == 0) {
        add(0, -1.5);
        add(1, 2.0);
        add(2, -0.5);
    } else if (k == n - 1) {
        add(n - 3, 0.5);
        add(n - 2, -2.0);
        add(n - 1, 1.5);
    } else {
        add(k - 1, -0.5);
        add(k + 1, 0.5);
    }
}

} // namespace

CubicWeights cubicWeights(std::size_t n, double u) {
    CubicWeights cw;
    const double cellMax = static_cast<double>(n - 2);
    const double cell = std::clamp(std::floor(u), 0.0, cellMax);
    const auto i = static_cast<std::size_t>(cell);
    const double t = u - cell;
    cw.first = std::min(i > 0 ? i - 1 : 0, n - 4);
    // Cubic Hermite basis on the cell [i, i+1].
    const double t2 = t * t;
    const double t3 = t2 * t;
    const double h00 = 2 * t3 - 3 * t2 + 1;
    const double h01 = -2 * t3 + 3 * t2;
    const double h10 = t3 - 2 * t2 + t;
    const double h11 = t3 - t2;
    cw.w[i - cw.first] += h00;
    cw.w[i + 1 - cw.first] += h01;
    addSlope(n, i, cw.first, h10, cw.w);
    addSlope(n, i + 1, cw.first, h11, cw.w);
    return cw;
}

bool FieldMap::contains(const Vecteur3& R) const {
    double u[3];
    if (geometry == Geometry::Cartesian) {
        for (int a = 0; a < 3; ++a) u[a] = (R(a + 1) - origin[a]) / spacing[a];
    } else {
        u[0] = (std::hypot(R(1), R(2)) - origin[0]) / spacing[0];
        u[1] = (R(3) - origin[1]) / spacing[1];
        u[2] = 0;
    }
    for (int a = 0; a < 3; ++a) {
        // Written so that NaN is outside.
        if (!(u[a] >= 0 && u[a] <= static_cast<double>(n[a] - 1))) return false;
    }
    return true;
}

bool FieldMap::interpolate(const std::vector<double>& values, const Vecteur3& R,
                           Vecteur3& out) const {
    if (!contains(R)) return false;
    if (geometry == Geometry::Cartesian) {
        const CubicWeights wx = cubicWeights(n[0], (R(1) - origin[0]) / spacing[0]);
        const CubicWeights wy = cubicWeights(n[1], (R(2) - origin[1]) / spacing[1]);
        const CubicWeights wz = cubicWeights(n[2], (R(3) - origin[2]) / spacing[2]);
        double s0 = 0, s1 = 0, s2 = 0;
        for (std::size_t c = 0; c < 4; ++c) {
            for (std::size_t b = 0; b < 4; ++b) {
                const double wyz = wy.w[b] * wz.w[c];
                const double* node =
                    &values[3 * (((wz.first + c) * n[1] + wy.first + b) * n[0] + wx.first)];
                for (std::size_t a = 0; a < 4; ++a, node += 3) {
                    const double w = wx.w[a] * wyz;
                    s0 += w * node[0];
                    s1 += w * node[1];
                    s2 += w * node[2];
                }
            }
        }
        out = Vecteur3(s0, s1, s2);
        return true;
    }
    // Axisymmetric: (Br, Bz) at (rho, z), then Br along the point's radial direction.
    const double rho = std::hypot(R(1), R(2));
    const CubicWeights wr = cubicWeights(n[0], (rho - origin[0]) / spacing[0]);
    const CubicWeights wz = cubicWeights(n[1], (R(3) - origin[1]) / spacing[1]);
    double sr = 0, sz = 0;
    for (std::size_t b = 0; b < 4; ++b) {
        const double* node = &values[2 * ((wz.first + b) * n[0] + wr.first)];
        for (std::size_t a = 0; a < 4; ++a, node += 2) {
            const double w = wr.w[a] * wz.w[b];
            sr += w * node[0];
            sz += w * node[1];
        }
    }
    // On the axis the radial direction is undefined, and a regular axisymmetric field has no
    // radial component there.
    if (rho > 0) {
        out = Vecteur3(sr * R(1) / rho, sr * R(2) / rho, sz);
    } else {
        out = Vecteur3(0, 0, sz);
    }
    return true;
}

bool FieldMap::magnetic(const Vecteur3& R, Vecteur3& B) const {
    return interpolate(this->B, R, B);
}

bool FieldMap::electric(const Vecteur3& R, Vecteur3& Eout) const {
    return !E.empty() && interpolate(E, R, Eout);
}

void FieldMap::extent(Vecteur3& low, Vecteur3& high) const {
    auto last = [&](int a) { return origin[a] + spacing[a] * static_cast<double>(n[a] - 1); };
    if (geometry == Geometry::Cartesian) {
        low = Vecteur3(origin[0], origin[1], origin[2]);
        high = Vecteur3(last(0), last(1), last(2));
    } else {
        low = Vecteur3(-last(0), -last(0), origin[1]);
        high = Vecteur3(last(0), last(0), last(1));
    }
}

void FieldMap::magnitudeRange(double& low, double& high) const {
    const std::size_t c = components();
    low = HUGE_VAL;
    high = 0;
    for (std::size_t i = 0; i + c <= B.size(); i += c) {
        double s = 0;
        for (std::size_t k = 0; k < c; ++k) s += B[i + k] * B[i + k];
        const double m = std::sqrt(s);
        low = std::min(low, m);
        high = std::max(high, m);
    }
    if (B.empty()) low = 0;
}

std::string FieldMap::summary() const {
    std::ostringstream out;
    auto num = [](double v) {
        char text[32];
        std::snprintf(text, sizeof text, "%.4g", v);
        return std::string(text);
    };
    auto last = [&](int a) { return origin[a] + spacing[a] * static_cast<double>(n[a] - 1); };
    double low = 0, high = 0;
    magnitudeRange(low, high);
    if (geometry == Geometry::Cartesian) {
        out << n[0] << " × " << n[1] << " × " << n[2] << " nodes, x " << num(origin[0]) << " .. "
            << num(last(0)) << " m, y " << num(origin[1]) << " .. " << num(last(1)) << " m, z "
            << num(origin[2]) << " .. " << num(last(2)) << " m";
    } else {
        out << n[0] << " × " << n[1] << " nodes (r, z) about the z axis, r " << num(origin[0])
            << " .. " << num(last(0)) << " m, z " << num(origin[1]) << " .. " << num(last(1))
            << " m";
    }
    out << ", |B| " << num(low) << " .. " << num(high) << " T";
    if (!E.empty()) out << ", with E";
    return out.str();
}

} // namespace gyro
