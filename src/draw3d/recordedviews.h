// The pictures of the views as recordings: each view's drawing is kept as a list of recorded
// pictures, replayed alike on the screen, an image, a PDF or a printer.
#pragma once

#include "draw3d/viewsurface.h"

#include <QColor>
#include <QPen>
#include <QPicture>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>

#include <functional>
#include <vector>

class QPainter;
class QPaintDevice;
class QString;

namespace gyro {

/// A ViewSurface of recorded pictures, 800 × 800 surface units each. Segments that join end to
/// end are gathered into polylines and points closer than a quarter unit to the last one kept
/// are merged, so a trajectory of a million points records as a few thousand polylines at most
/// per picture width; the gathered lines are recorded in pieces of a bounded size.
class RecordedViews : public ViewSurface {
public:
    static constexpr double kPictureSize = 800; ///< width and height [surface units]
    static constexpr double kFrameInset = 70;   ///< frame's distance from the edges
    static constexpr int kViews = 11;

    RecordedViews();

    void selectView(int view, const ViewWindow& window) override;
    void Kelaxes(double xMin, double xMax, double yMin, double yMax, const std::string& xTitle,
                 const std::string& yTitle, double margin, ViewWindow& window) override;
    void Segment(double x0, double y0, double x1, double y1) override;
    void Texte(double x, double y, const std::string& text) override;
    void SetColour(double red, double green, double blue) override;
    double pictureWidth(int) const override { return kPictureSize; }
    double pictureHeight(int) const override { return kPictureSize; }
    void clearPicture(int view) override;
    /// Width and dash pattern of the curve lines that follow (their colour is SetColour's).
    void setLinePen(const QPen& pen);

    /// Records the lines gathered so far (before showing or exporting).
    void flush();
    /// Replays a view on a painter whose coordinates are surface units (white background not
    /// included).
    void replay(int view, QPainter& painter);
    /// Whether a view holds any drawing.
    bool isEmpty(int view);
    /// The view that receives the drawing.
    int currentView() const { return m_current; }

    /// Called with the view number whenever a view's recording changed.
    std::function<void(int)> onChanged;

private:
    struct Line {
        QColor colour;
        QPen pen;
        QPolygonF points;
    };
    QPointF toSurface(double x, double y) const;
    void endLine();
    void record(const std::function<void(QPainter&)>& draw);
    bool valid(int view) const { return view >= 0 && view < kViews; }

    std::vector<std::vector<QPicture>> m_pictures;
    int m_current = 0;
    ViewWindow m_window{};
    QRectF m_frame{kFrameInset, kFrameInset, kPictureSize - 2 * kFrameInset,
                   kPictureSize - 2 * kFrameInset};
    double m_sx = 1, m_sy = 1;
    QColor m_colour = Qt::black;
    QPen m_linePen;
    std::vector<Line> m_lines;
    QPolygonF m_line;
    QPointF m_lastEnd, m_tail;
    bool m_hasTail = false;
    int m_pendingPoints = 0;
};

/// Scales a painter on `device` so that a replayed picture's full size spans `side` device units.
void fitPicture(QPainter& painter, const QPaintDevice& device, double side);

/// Writes a view as a PNG image `scale` times the picture size, white background. The file is
/// replaced only once the new one is complete. Returns false and tells why in `error`.
bool exportViewPng(RecordedViews& views, int view, const QString& file, double scale = 1.5,
                   QString* error = nullptr);
/// Writes a view as a one-page PDF, the picture fitted to an A4 page; replaced only once complete.
bool exportViewPdf(RecordedViews& views, int view, const QString& file, QString* error = nullptr);

} // namespace gyro
