// The orientation preview widget.
#include "ui/options/previewpicture.h"

#include <QMouseEvent>
#include <QPainter>

namespace gyro {

PreviewPicture::PreviewPicture(QWidget* parent) : QWidget(parent) {
    setFixedSize(270, 270); // half a pixel per unit of the scale
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewPicture::setPicture(const QPicture& picture) {
    m_picture = picture;
    update();
}

void PreviewPicture::clear() {
    m_picture = QPicture();
    update();
}

QPointF PreviewPicture::toScale(const QPointF& pixel) const {
    return {-kHalfScale + pixel.x() * 2 * kHalfScale / width(),
            -kHalfScale + pixel.y() * 2 * kHalfScale / height()};
}

void PreviewPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setWindow(int(-kHalfScale), int(-kHalfScale), int(2 * kHalfScale), int(2 * kHalfScale));
    painter.drawPicture(0, 0, m_picture);
}

void PreviewPicture::mousePressEvent(QMouseEvent* event) {
    drag(event); // a press counts as a move
}

void PreviewPicture::mouseMoveEvent(QMouseEvent* event) {
    drag(event);
}

void PreviewPicture::drag(QMouseEvent* event) {
    if (event->buttons() != Qt::LeftButton || !onDrag) return;
    const QPointF p = toScale(event->position());
    onDrag(p.x(), p.y());
}

} // namespace gyro
