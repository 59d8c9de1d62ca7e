// Orthographic view camera: projection and the interactive view operations.
#include "draw3d/viewcamera.h"

#include "numerics/constants.h"

#include <algorithm>
#include <cmath>

namespace gyro {

namespace {
constexpr double kPi = Pi; // the program's pi
double dot(const Point3d& a, const Point3d& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
} // namespace

ViewCamera::ViewCamera() {
    rebuildFrame();
}

void ViewCamera::setViewport(QSize size) {
    m_viewport = QSize(std::max(1, size.width()), std::max(1, size.height()));
}

void ViewCamera::setAngles(double azimuthDeg, double elevationDeg) {
    if (!std::isfinite(azimuthDeg) || !std::isfinite(elevationDeg)) return;
    double a = std::fmod(azimuthDeg, 360.0);
    if (a <= -180) a += 360;
    if (a > 180) a -= 360;
    m_azimuth = a;
    m_elevation = std::clamp(elevationDeg, -90.0, 90.0);
    rebuildFrame();
}

void ViewCamera::rotateBy(double dAzimuthDeg, double dElevationDeg) {
    setAngles(m_azimuth + dAzimuthDeg, m_elevation + dElevationDeg);
}

void ViewCamera::setScale(double pixelsPerMetre) {
    if (!std::isfinite(pixelsPerMetre) || pixelsPerMetre <= 0) return;
    m_scale = std::clamp(pixelsPerMetre, 1e-12, 1e15);
}

void ViewCamera::rebuildFrame() {
    const double a = m_azimuth * kPi / 180, d = m_elevation * kPi / 180;
    const double sa = std::sin(a), ca = std::cos(a), sd = std::sin(d), cd = std::cos(d);
    m_u = {-sa, ca, 0};
    m_v = {-sd * ca, -sd * sa, cd};
    m_d = {cd * ca, cd * sa, sd};
}

double ViewCamera::depth(const Point3d& p) const {
    return dot({p.x - m_centre.x, p.y - m_centre.y, p.z - m_centre.z}, m_d);
}

Point3d ViewCamera::unproject(const QPointF& screen) const {
    const double a = (screen.x() - m_viewport.width() / 2.0) / m_scale;
    const double b = -(screen.y() - m_viewport.height() / 2.0) / m_scale;
    return {m_centre.x + a * m_u.x + b * m_v.x, m_centre.y + a * m_u.y + b * m_v.y,
            m_centre.z + a * m_u.z + b * m_v.z};
}

void ViewCamera::zoomAbout(double factor, const QPointF& anchor) {
    if (!std::isfinite(factor) || factor <= 0) return;
    const Point3d before = unproject(anchor);
    setScale(m_scale * factor);
    const Point3d after = unproject(anchor);
    m_centre = {m_centre.x + before.x - after.x, m_centre.y + before.y - after.y,
                m_centre.z + before.z - after.z};
}

void ViewCamera::panPixels(double dx, double dy) {
    const double a = -dx / m_scale, b = dy / m_scale;
    m_centre = {m_centre.x + a * m_u.x + b * m_v.x, m_centre.y + a * m_u.y + b * m_v.y,
                m_centre.z + a * m_u.z + b * m_v.z};
}

void ViewCamera::fitBox(const Bounds3d& box, double fill) {
    if (!box.valid) return;
    // Extent of the box's eight corners along screen-right and screen-up.
    double uMin = 1e300, uMax = -1e300, vMin = 1e300, vMax = -1e300;
    for (int k = 0; k < 8; ++k) {
        const Point3d c{(k & 1) ? box.max.x : box.min.x, (k & 2) ? box.max.y : box.min.y,
                        (k & 4) ? box.max.z : box.min.z};
        const double cu = dot(c, m_u), cv = dot(c, m_v);
        uMin = std::min(uMin, cu), uMax = std::max(uMax, cu);
        vMin = std::min(vMin, cv), vMax = std::max(vMax, cv);
    }
    // New centre: the box's middle on screen, kept at the box's middle in depth.
    const Point3d mid = box.centre();
    const double du = (uMin + uMax) / 2 - dot(mid, m_u), dv = (vMin + vMax) / 2 - dot(mid, m_v);
    m_centre = {mid.x + du * m_u.x + dv * m_v.x, mid.y + du * m_u.y + dv * m_v.y,
                mid.z + du * m_u.z + dv * m_v.z};
    fill = std::clamp(fill, 0.05, 1.0);
    const double w = uMax - uMin, h = vMax - vMin;
    double s = 1e300;
    if (w > 0) s = std::min(s, fill * m_viewport.width() / w);
    if (h > 0) s = std::min(s, fill * m_viewport.height() / h);
    if (s < 1e300) setScale(s); // a single point only centres the view
}

void ViewCamera::fitSphere(const Point3d& centre, double radius, double fill) {
    m_centre = centre;
    if (!(radius > 0) || !std::isfinite(radius)) return;
    fill = std::clamp(fill, 0.05, 1.0);
    setScale(fill * std::min(m_viewport.width(), m_viewport.height()) / (2 * radius));
}

bool ViewCamera::operator==(const ViewCamera& o) const {
    return m_viewport == o.m_viewport && m_azimuth == o.m_azimuth && m_elevation == o.m_elevation &&
           m_centre.x == o.m_centre.x && m_centre.y == o.m_centre.y && m_centre.z == o.m_centre.z &&
           m_scale == o.m_scale;
}

} // namespace gyro
