// The projective drawing's views on the axes library: KelT lays its frame out with Kelaxes and
// plot's segments go onto the library's view pictures.
#pragma once

#include "draw3d/polylinegatherer.h"
#include "scene/viewsurface.h"

#include <QRectF>

namespace gyro {

class DrawingSurface;
class KelaxesLibrary;

/// A ViewSurface on the axes library's pictures (views 0..9; the printer page while the
/// library draws on the printer). Frames, axes, captions and texts go through `Kelaxes` and
/// `Texte`; trace segments are gathered into polylines and drawn in the curve colour with the
/// view's pen, clipped to the graph frame. A view the library has no picture for is not drawn.
class KelaxesViews : public ViewSurface {
public:
    explicit KelaxesViews(KelaxesLibrary& library);

    void selectView(int view, const ViewWindow& window) override;
    void Kelaxes(double xMin, double xMax, double yMin, double yMax, const std::string& xTitle,
                 const std::string& yTitle, double margin, ViewWindow& window) override;
    void Segment(double x0, double y0, double x1, double y1) override;
    void Texte(double x, double y, const std::string& text) override;
    void SetColour(double red, double green, double blue) override;
    std::uint32_t traceRgb() const override;
    double pictureWidth(int view) const override;
    double pictureHeight(int view) const override;
    void clearPicture(int view) override;

    /// Draws the segments gathered so far (before a picture is shown or written).
    void flush();
    /// The picture drawn into, or null when the current view has none.
    DrawingSurface* target() const;

private:
    bool hasPicture(int view) const;

    KelaxesLibrary& m_library;
    int m_view = 0;
    std::array<QRectF, 11> m_frames{}; // graph frame of each view, the printer page last
    PolylineGatherer m_lines;
};

} // namespace gyro
