// Antialiased lines and dots straight into image memory (Wu's algorithm with clipping).
#include "draw3d/linerasterizer.h"

#include <algorithm>
#include <cmath>

namespace gyro {

namespace {

// dst + (src − dst)·a/256 on the four 8-bit channels, two at a time.
inline std::uint32_t mix(std::uint32_t dst, std::uint32_t src, std::uint32_t a) {
    const std::uint32_t na = 256 - a;
    // Rounded, so that overlapping passes of a trace reach its colour instead of stalling below.
    const std::uint32_t rb =
        (((src & 0xFF00FFu) * a + (dst & 0xFF00FFu) * na + 0x800080u) >> 8) & 0xFF00FFu;
    const std::uint32_t ag =
        (((src >> 8) & 0xFF00FFu) * a + ((dst >> 8) & 0xFF00FFu) * na + 0x800080u) & 0xFF00FF00u;
    return rb | ag;
}

// Liang–Barsky clipping of the segment to [xmin, xmax] × [ymin, ymax]; false when outside.
// Done in double: far-away end points (thousands of screens off) must still cut the picture's
// edge at the right place.
bool clip(float& fx0, float& fy0, float& fx1, float& fy1, double xmin, double ymin, double xmax,
          double ymax) {
    double x0 = fx0, y0 = fy0, x1 = fx1, y1 = fy1;
    const double dx = x1 - x0, dy = y1 - y0;
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - xmin, xmax - x0, y0 - ymin, ymax - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0) {
            if (r > t1) return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0) return false;
            t1 = std::min(t1, r);
        }
    }
    fx1 = static_cast<float>(x0 + t1 * dx), fy1 = static_cast<float>(y0 + t1 * dy);
    fx0 = static_cast<float>(x0 + t0 * dx), fy0 = static_cast<float>(y0 + t0 * dy);
    return true;
}

inline float fpart(float v) {
    return v - std::floor(v);
}

// std::lround for |v| < 2^23 (halves away from zero), without the library call: the lines are
// clipped to the picture first, so their coordinates are small. v minus its truncation is
// exact in float.
inline int roundToInt(float v) {
    int i = static_cast<int>(v);
    const float f = v - static_cast<float>(i);
    if (f >= 0.5f)
        ++i;
    else if (f <= -0.5f)
        --i;
    return i;
}

} // namespace

LineRasterizer::LineRasterizer(QImage& image) {
    if (image.format() != QImage::Format_ARGB32_Premultiplied &&
        image.format() != QImage::Format_RGB32)
        return;
    m_bits = reinterpret_cast<std::uint32_t*>(image.bits());
    m_stride = image.bytesPerLine() / 4;
    m_w = image.width();
    m_h = image.height();
}

void LineRasterizer::setColour(std::uint32_t rgb) {
    m_colour = 0xFF000000u | (rgb & 0xFFFFFFu);
}

inline void LineRasterizer::plot(int x, int y, float coverage) {
    if (static_cast<unsigned>(x) >= static_cast<unsigned>(m_w) ||
        static_cast<unsigned>(y) >= static_cast<unsigned>(m_h))
        return;
    // A slight boost keeps thin lines from looking faint against a light background.
    const auto a = static_cast<std::uint32_t>(std::min(coverage * 1.15f, 1.0f) * 256.0f);
    if (a == 0) return;
    std::uint32_t& d = m_bits[y * m_stride + x];
    // A pixel of the line's colour keeps it whatever the coverage (the blend rounds to it): a
    // trace going round a closed orbit again mostly meets such pixels, and leaves them as they
    // are without writing them.
    if (d == m_colour) return;
    d = a >= 256 ? m_colour : mix(d, m_colour, a);
}

void LineRasterizer::line(float x0, float y0, float x1, float y1) {
    if (!m_bits) return;
    if (!(std::isfinite(x0) && std::isfinite(y0) && std::isfinite(x1) && std::isfinite(y1))) return;
    // Pixel centres at integer coordinates from here on.
    x0 -= 0.5f, y0 -= 0.5f, x1 -= 0.5f, y1 -= 0.5f;
    // A live trace adds short lines well inside the picture, which clipping leaves exactly as
    // they are: only a line with an end outside needs it.
    const float xmax = m_w + 1.0f, ymax = m_h + 1.0f;
    const bool inside = x0 >= -2.0f && x0 <= xmax && x1 >= -2.0f && x1 <= xmax && y0 >= -2.0f &&
                        y0 <= ymax && y1 >= -2.0f && y1 <= ymax;
    if (!inside && !clip(x0, y0, x1, y1, -2.0f, -2.0f, xmax, ymax)) return;

    const bool steep = std::abs(y1 - y0) > std::abs(x1 - x0);
    if (steep) std::swap(x0, y0), std::swap(x1, y1);
    if (x0 > x1) std::swap(x0, x1), std::swap(y0, y1);
    // Each orientation has its own copy of the drawing: a short line (a step of a run, a few
    // pixels) then pays no test of its orientation per pixel.
    if (steep)
        span<true>(x0, y0, x1, y1);
    else
        span<false>(x0, y0, x1, y1);
}

template <bool Steep> void LineRasterizer::span(float x0, float y0, float x1, float y1) {
    const float dx = x1 - x0, dy = y1 - y0;
    const float gradient = dx < 1e-6f ? 0.0f : dy / dx;

    auto put = [this](int major, int minor, float c) {
        if constexpr (Steep)
            plot(minor, major, c);
        else
            plot(major, minor, c);
    };

    if (dx < 1.0f) {
        // Shorter than a pixel along its major axis: one weighted pixel pair at its middle.
        const float xm = (x0 + x1) / 2, ym = (y0 + y1) / 2;
        const int xi = roundToInt(xm);
        const int yi = static_cast<int>(std::floor(ym));
        const float f = ym - yi;
        const float len = std::max(dx, 0.01f);
        put(xi, yi, (1 - f) * len);
        put(xi, yi + 1, f * len);
        return;
    }

    // First end.
    float xend = static_cast<float>(roundToInt(x0));
    float yend = y0 + gradient * (xend - x0);
    float xgap = 1 - fpart(x0 + 0.5f);
    const int xp1 = static_cast<int>(xend);
    int yp = static_cast<int>(std::floor(yend));
    put(xp1, yp, (1 - fpart(yend)) * xgap);
    put(xp1, yp + 1, fpart(yend) * xgap);
    float intery = yend + gradient;

    // Second end.
    xend = static_cast<float>(roundToInt(x1));
    yend = y1 + gradient * (xend - x1);
    xgap = fpart(x1 + 0.5f);
    const int xp2 = static_cast<int>(xend);
    yp = static_cast<int>(std::floor(yend));
    put(xp2, yp, (1 - fpart(yend)) * xgap);
    put(xp2, yp + 1, fpart(yend) * xgap);

    // Columns in between.
    for (int x = xp1 + 1; x < xp2; ++x) {
        const int yi = static_cast<int>(std::floor(intery));
        const float f = intery - yi;
        put(x, yi, 1 - f);
        put(x, yi + 1, f);
        intery += gradient;
    }
}

void LineRasterizer::dot(float x, float y) {
    if (!m_bits || !std::isfinite(x) || !std::isfinite(y)) return;
    if (x < -2 || y < -2 || x > m_w + 2 || y > m_h + 2) return;
    // A square of side 2 centred at (x, y), each pixel weighted by the area it covers.
    const int i0 = static_cast<int>(std::floor(x - 1)), j0 = static_cast<int>(std::floor(y - 1));
    for (int j = j0; j <= j0 + 2; ++j) {
        const float cy = std::max(0.0f, std::min<float>(j + 1, y + 1) - std::max<float>(j, y - 1));
        for (int i = i0; i <= i0 + 2; ++i) {
            const float cx =
                std::max(0.0f, std::min<float>(i + 1, x + 1) - std::max<float>(i, x - 1));
            if (cx * cy > 0) plot(i, j, cx * cy);
        }
    }
}

} // namespace gyro
