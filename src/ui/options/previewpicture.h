// The options window's orientation preview: a recorded picture in a user scale of -270..270 on
// both axes, and the mouse drags over it.
#pragma once

#include <QPicture>
#include <QWidget>

#include <functional>

namespace gyro {

/// Shows a recorded picture drawn in the scale -270..270 (left to right, top to bottom) and
/// reports a press or a move with the left button alone at a point of that scale.
class PreviewPicture : public QWidget {
    Q_OBJECT
public:
    static constexpr double kHalfScale = 270;

    explicit PreviewPicture(QWidget* parent = nullptr);

    /// Replaces the picture (the drawing is kept and replayed on every paint).
    void setPicture(const QPicture& picture);
    /// Clears the picture.
    void clear();
    /// The point of the user scale under a widget position.
    QPointF toScale(const QPointF& pixel) const;

    /// Called with the scale point of a press or move with the left button alone.
    std::function<void(double x, double y)> onDrag;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void drag(QMouseEvent* event);
    QPicture m_picture;
};

} // namespace gyro
