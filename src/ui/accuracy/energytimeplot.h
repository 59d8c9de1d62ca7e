// A time plot of the run's accuracy: relative change of the energy invariant W and of the
// magnetic moment mu, drawn once onto a recorded drawing surface that the widget and the exports
// replay.
#pragma once

#include "kelaxes/drawingsurface.h"

#include <QWidget>

#include <vector>

class QPainter;

namespace gyro {

/// Two stacked graphs against the run's time [s]: (W - W0)/|W0| above, mu/mu0 - 1 below. Samples
/// are added at the window's refresh rate; past kMaxSamples every other one is dropped and the
/// rest are taken at half the rate, so a long run keeps its whole history in bounded memory.
class EnergyTimePlot : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxSamples = 4000;

    explicit EnergyTimePlot(QWidget* parent = nullptr);

    /// Forgets every sample (a new run).
    void clear();
    /// Adds the values at time t [s]; a value that is not finite leaves a gap in its curve.
    void addSample(double t, double wRelative, double muRelative);
    int sampleCount() const { return static_cast<int>(m_samples.size()); }

    /// Draws the two graphs into `area` of any painter (screen, image, PDF, printer).
    void draw(QPainter& painter, const QRectF& area) const;
    /// The graphs recorded at the widget's size, for export and printing.
    const DrawingSurface& surface();
    /// Writes the graphs laid out for a PNG image of the given size (through a temporary file);
    /// false with a message on failure.
    bool savePng(const QString& path, QSize size, QString* error = nullptr) const;
    /// Writes the graphs as a one-page PDF (A4, through a temporary file).
    bool savePdf(const QString& path, QString* error = nullptr);

    QSize sizeHint() const override { return {420, 260}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Sample {
        double t, w, mu;
    };
    void drawGraph(QPainter& painter, const QRectF& box, const char* title, double Sample::*value,
                   const QColor& colour) const;

    std::vector<Sample> m_samples;
    long m_stride = 1;  // keep one sample in m_stride
    long m_skipped = 0; // samples skipped since the last one kept
    DrawingSurface m_surface;
    bool m_dirty = true;
};

} // namespace gyro
