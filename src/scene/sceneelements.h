// The scene's plain elements: points and boxes in metres, colours.
#pragma once

#include <cstdint>

namespace gyro {

/// A point or vector in metres.
struct Point3d {
    double x = 0, y = 0, z = 0;
};

/// An axis-aligned box in metres; `valid` is false while nothing was added.
struct Bounds3d {
    Point3d min, max;
    bool valid = false;
    void add(const Point3d& p);
    void merge(const Bounds3d& b);
    Point3d centre() const;
    /// Half the diagonal (m); 0 for an invalid box.
    double radius() const;
};

/// A colour as 0xRRGGBB.
using SceneRgb = std::uint32_t;
/// Converts red, green, blue given as doubles 0..255 (clamped, rounded; NaN gives 0).
SceneRgb sceneRgb(double red, double green, double blue);

} // namespace gyro
