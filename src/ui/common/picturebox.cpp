// The window picture: replays its recorded surface on every paint.
#include "ui/common/picturebox.h"

#include <QPainter>

namespace gyro {

PictureBox::PictureBox(DrawingSurface* surface, QWidget* parent)
    : QWidget(parent), m_own(surface ? nullptr : std::make_unique<DrawingSurface>()),
      m_surface(surface ? surface : m_own.get()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

PictureBox::~PictureBox() = default;

void PictureBox::setSurface(DrawingSurface* surface) {
    if (!surface) {
        if (!m_own) m_own = std::make_unique<DrawingSurface>();
        surface = m_own.get();
    }
    m_surface = surface;
    update();
}

QSize PictureBox::sizeHint() const {
    return m_surface->size().toSize();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    // The surface paints only what is new onto the image it keeps: a picture growing while it
    // is shown (a long redraw) never replays its whole recording at each paint.
    m_surface->paintCached(p, QRectF(rect()));
}

} // namespace gyro
