// plot: one 3D point onto the current view — projection, the part hidden behind the central
// body, the "Cubic Visualisation" box and shadows, and the stored points.
#include "scene/kelmirav.h"

#include "numerics/errorreport.h"

#include <cmath>
#include <string>

namespace gyro {

namespace {
bool finitePoint(const Vecteur3& p) {
    return std::isfinite(p(1)) && std::isfinite(p(2)) && std::isfinite(p(3));
}
} // namespace

void KelMirav::moveOrDraw(PenTrack& pen, double x, double y) {
    if (pen.penDown == 1 && m_surface) m_surface->Segment(pen.x, pen.y, x, y);
    pen.x = x;
    pen.y = y;
    pen.penDown = 1;
}

void KelMirav::drawTo(int view, int channel, Vecteur3 P) {
    PenTrack& pen = m_pens[std::size_t(view)][std::size_t(channel)];
    const ViewState& frame = this->view;
    // Orthographic image on the frame; with a body radius R the point is drawn at its altitude
    // above the sphere of radius R, along its own direction.
    const double rho = normseule(P);
    double X = 0, Y = 0;
    if (rho != 0) {
        P(3) *= scene.zStretch;
        const double k = 1 - scene.bodyRadius / rho;
        X = ProdScal(P, frame.u) * k;
        Y = ProdScal(P, frame.v) * k;
    }
    m_imageX = X;
    m_imageY = Y;
    if (scene.depthFactor == 0 || ProdScal(P, frame.d) * scene.depthFactor >= 0) {
        moveOrDraw(pen, X, Y);
        return;
    }
    // Behind the body: still visible beside its disc.
    const double limb = scene.discRadius - scene.bodyRadius;
    if (std::sqrt(X * X + Y * Y) > limb) {
        moveOrDraw(pen, X, Y);
        pen.hiddenRun = 0;
        return;
    }
    if (pen.penDown != 1) return;
    if (pen.hiddenRun >= 1) { // already behind the disc: only move
        pen.penDown = 0;
        pen.x = X;
        pen.y = Y;
        return;
    }
    // First hidden point: end the segment from the pen where it enters the disc.
    pen.hiddenRun += 1;
    const double x0 = pen.x, y0 = pen.y;
    const double m = std::fabs(X - x0) >= 0.0001 ? (Y - y0) / (X - x0) : 0;
    const double b = y0 - m * x0;
    const double A = m * m + 1, B = 2 * m * b, C = b * b - limb * limb;
    const double delta = B * B - 4 * A * C;
    if (delta < 0) return;
    const double root = std::sqrt(delta);
    const double x1 = (-B + root) / (2 * A), x2 = (-B - root) / (2 * A);
    const double y1 = m * x1 + b, y2 = m * x2 + b;
    const double d1 = (x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0);
    const double d2 = (x2 - x0) * (x2 - x0) + (y2 - y0) * (y2 - y0);
    if (d1 > d2)
        moveOrDraw(pen, x2, y2);
    else
        moveOrDraw(pen, x1, y1);
}

void KelMirav::drawCube(int view) {
    if (scene.cubeSize == 0) scene.cubeSize = m_halfWidth[std::size_t(view)];
    const double h = scene.cubeSize / 1.25;
    const Vecteur3& c = scene.cubeCentre;
    // The twelve edges as one polyline: bottom square, up, top square, then the three other
    // uprights joined along top and bottom edges already drawn.
    static constexpr int kCorners[][3] = {
        {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1},
        {0, 1, 1}, {0, 0, 1}, {1, 0, 1}, {1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1}, {0, 1, 0}};
    const double depth = scene.depthFactor;
    scene.depthFactor = 0; // the box is never hidden
    PenTrack& pen = m_pens[std::size_t(view)][0];
    const PenTrack saved = pen;
    pen.penDown = 0;
    for (const auto& k : kCorners) {
        drawTo(view, 0,
               Vecteur3(c(1) + (k[0] ? h : -h), c(2) + (k[1] ? h : -h), c(3) + (k[2] ? h : -h)));
    }
    pen = saved; // the trace goes on where it stood
    pen.penDown = 0;
    scene.depthFactor = depth;
    scene.cubeDrawn = 1;
}

void KelMirav::plot(const Vecteur3& P) {
    const int view = viewIndex();
    if (view < 0 || !finitePoint(P)) {
        AlerteCalcul("plot");
        return;
    }
    switchView(view);
    if (scene.drawingOn == 0) return;
    const auto v = std::size_t(view);

    if (scene.cubeOn == 1) {
        if (scene.cubeDrawn == 0) drawCube(view);
        // The point's shadows on the three low faces of the box, each its own mark.
        const double h = scene.cubeSize / 1.25;
        const Vecteur3& c = scene.cubeCentre;
        for (int axis = 1; axis <= 3; ++axis) {
            Vecteur3 shadow = P;
            shadow(axis) = c(axis) - h;
            drawTo(view, axis, shadow);
        }
    }

    const double penState = m_pens[v][0].penDown;
    drawTo(view, 0, P);

    if (scene.storePoints == 0) {
        const double count = m_counts[v] + 1;
        if (count <= kMaxStoredPoints) {
            if (view < kStoredViews) {
                const std::size_t i = v * kMaxStoredPoints + std::size_t(count) - 1;
                m_images[i] = {m_imageX, m_imageY, penState, m_surface ? m_surface->traceRgb() : 0};
                m_worlds[i] = {P(1), P(2), P(3) * scene.zStretch, penState};
            } else if (!m_unstoredTold[v]) {
                m_unstoredTold[v] = true;
                AlerteCalcul("_plotfaute vue " + std::to_string(view) + " sans points mémorisés");
            }
            m_counts[v] = count;
        }
    }
    m_previous = P;
    m_countBox = m_counts[v];
}

} // namespace gyro
