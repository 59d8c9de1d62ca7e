// The window picture: replays its recorded surface on every paint.
#include "ui/picturebox.h"

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
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    m_surface->replay(p, QRectF(rect()));
}

} // namespace gyro
