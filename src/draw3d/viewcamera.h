// The camera of the 3D view: orthographic projection from two view angles, with the rotation,
// zoom, pan and fit operations of an interactive view.
#pragma once

#include "scene/scene3d.h"

#include <QPointF>
#include <QSize>

namespace gyro {

/// Orthographic camera looking at `centre` from the direction given by an azimuth α (degrees,
/// in the xy plane from the x axis) and an elevation δ (degrees, towards +z). Screen-right is
/// u = (−sin α, cos α, 0), screen-up v = (−sin δ cos α, −sin δ sin α, cos δ) and the direction
/// towards the viewer d = (cos δ cos α, cos δ sin α, sin δ). Screen coordinates are pixels from
/// the top-left corner of the viewport; the centre projects to the middle of the viewport.
class ViewCamera {
public:
    /// Default oblique view angles (degrees).
    static constexpr double kDefaultAzimuth = -60.0;
    static constexpr double kDefaultElevation = 25.0;

    ViewCamera();

    void setViewport(QSize size);
    QSize viewport() const { return m_viewport; }

    /// Sets the view angles (degrees); the elevation is clamped to [−90, 90], the azimuth
    /// wrapped to (−180, 180].
    void setAngles(double azimuthDeg, double elevationDeg);
    double azimuth() const { return m_azimuth; }
    double elevation() const { return m_elevation; }
    /// Turns the view about its centre (degrees).
    void rotateBy(double dAzimuthDeg, double dElevationDeg);

    void setCentre(const Point3d& c) { m_centre = c; }
    Point3d centre() const { return m_centre; }
    /// Zoom: pixels per metre (kept within 1e-12 .. 1e15).
    void setScale(double pixelsPerMetre);
    double scale() const { return m_scale; }

    /// Screen position (pixels) of a point (m).
    QPointF project(const Point3d& p) const {
        // Inline: a picture projects every arrow end and trace point through it.
        const Point3d r{p.x - m_centre.x, p.y - m_centre.y, p.z - m_centre.z};
        return {m_viewport.width() / 2.0 + m_scale * (r.x * m_u.x + r.y * m_u.y + r.z * m_u.z),
                m_viewport.height() / 2.0 - m_scale * (r.x * m_v.x + r.y * m_v.y + r.z * m_v.z)};
    }
    /// Distance towards the viewer of a point relative to the centre (m).
    double depth(const Point3d& p) const;
    /// The point (m) of the plane through the centre facing the viewer that shows at `screen`.
    Point3d unproject(const QPointF& screen) const;

    /// Multiplies the zoom by `factor` keeping the point under `anchor` (pixels) in place.
    void zoomAbout(double factor, const QPointF& anchor);
    /// Moves the picture by (dx, dy) pixels.
    void panPixels(double dx, double dy);
    /// Centres the view on the box and zooms so that all of it shows, at the current angles,
    /// within `fill` (0..1) of the viewport. An invalid box leaves the view as it is.
    void fitBox(const Bounds3d& box, double fill = 0.88);
    /// Centres on `centre` and zooms so that a sphere of `radius` (m) fills `fill` of the
    /// smaller side of the viewport. A radius that is not positive leaves the zoom.
    void fitSphere(const Point3d& centre, double radius, double fill = 0.88);

    /// Frame vectors (unit, right-handed: d = u × v).
    const Point3d& right() const { return m_u; }
    const Point3d& up() const { return m_v; }
    const Point3d& towardsViewer() const { return m_d; }

    bool operator==(const ViewCamera& o) const;
    bool operator!=(const ViewCamera& o) const { return !(*this == o); }

private:
    void rebuildFrame();

    QSize m_viewport{640, 480};
    double m_azimuth = kDefaultAzimuth;
    double m_elevation = kDefaultElevation;
    Point3d m_centre;
    double m_scale = 100.0;
    Point3d m_u, m_v, m_d;
};

} // namespace gyro
