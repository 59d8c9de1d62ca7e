// A window picture that shows a recorded drawing surface and keeps it through covering and
// resizing.
#pragma once

#include "kelaxes/drawingsurface.h"

#include <QWidget>

#include <memory>

namespace gyro {

/// Shows a `DrawingSurface` on every paint, scaled to fit the widget (through the image the
/// surface keeps, so only what is new is painted). The surface is the
/// widget's own or one owned elsewhere (the axes library's views); call `update()` after
/// drawing on it.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    /// Shows `surface` (not owned), or a surface of its own when null.
    explicit PictureBox(DrawingSurface* surface = nullptr, QWidget* parent = nullptr);
    ~PictureBox() override;

    DrawingSurface& surface() { return *m_surface; }
    /// Shows another surface (not owned); null goes back to the widget's own surface.
    void setSurface(DrawingSurface* surface);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<DrawingSurface> m_own;
    DrawingSurface* m_surface;
};

} // namespace gyro
