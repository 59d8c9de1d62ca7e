// Fast antialiased one-pixel lines and dots drawn straight into a 32-bit image: the live trace
// can hold millions of segments, too many for a general painter at screen rate.
#pragma once

#include <QImage>

#include <cstdint>

namespace gyro {

/// Draws antialiased lines one pixel wide (Wu's algorithm: two pixels per column, weighted by
/// the distance to the ideal line) and small round dots into an image of format
/// ARGB32_Premultiplied or RGB32, in one opaque colour. Coordinates are in pixels with the
/// QPainter convention: pixel (i, j) covers [i, i+1) × [j, j+1). Lines are clipped to the
/// image; non-finite coordinates draw nothing.
class LineRasterizer {
public:
    /// The image must outlive the rasteriser; an image of another format draws nothing.
    explicit LineRasterizer(QImage& image);

    /// Colour as 0xRRGGBB, drawn opaque.
    void setColour(std::uint32_t rgb);
    void line(float x0, float y0, float x1, float y1);
    /// A dot of about two pixels across centred at (x, y).
    void dot(float x, float y);

private:
    void plot(int x, int y, float coverage);
    // The line from (x0, y0) to (x1, y1), pixel centres at integers, x0 <= x1, its major axis
    // along x (along y on the picture when Steep).
    template <bool Steep> void span(float x0, float y0, float x1, float y1);

    std::uint32_t* m_bits = nullptr;
    qsizetype m_stride = 0; // pixels per row
    int m_w = 0, m_h = 0;
    std::uint32_t m_colour = 0xFF000000u;
};

} // namespace gyro
