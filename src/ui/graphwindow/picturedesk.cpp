// The graph window's desk of pictures and their mouse gestures.
#include "ui/graphwindow/picturedesk.h"

#include "ui/common/picturebox.h"

#include <QFrame>
#include <QMouseEvent>

#include <algorithm>
#include <cmath>

namespace gyro {

namespace {
constexpr double kEdge = 0.05;  // sizing mark: this fraction of the picture from an edge
constexpr int kSmallest = 40;   // smallest enlarged picture [pixels]
constexpr int kKeptOnDesk = 60; // pixels of a moved picture that stay on the desk
} // namespace

PictureDesk::PictureDesk(QWidget* parent) : QWidget(parent) {
    setObjectName("bureauImages");
    setMinimumSize(200, 200);
}

int PictureDesk::addPage(QWidget* widget) {
    widget->setParent(this);
    Page page;
    page.widget = widget;
    page.picture = qobject_cast<PictureBox*>(widget);
    if (page.picture) {
        page.picture->setMouseTracking(true);
        page.picture->installEventFilter(this);
    }
    widget->setGeometry(rect());
    widget->hide();
    m_pages.push_back(page);
    if (m_current < 0) setCurrentIndex(0);
    return count() - 1;
}

QWidget* PictureDesk::page(int index) const {
    return (index >= 0 && index < count()) ? m_pages[std::size_t(index)].widget : nullptr;
}

void PictureDesk::setCurrentIndex(int index) {
    if (index < 0 || index >= count()) return;
    if (QWidget* old = page(m_current); old && m_current != index) old->hide();
    m_current = index;
    QWidget* w = page(index);
    if (m_pages[std::size_t(index)].home) w->setGeometry(rect());
    w->show();
    w->raise();
}

QString PictureDesk::tag(int index) const {
    return (index >= 0 && index < count()) ? m_pages[std::size_t(index)].tag : QString();
}

void PictureDesk::sendHome() {
    for (Page& p : m_pages) {
        p.home = true;
        p.tag.clear();
        p.widget->setGeometry(rect());
        showLines(p, false);
        if (p.picture && p.homeSurface.isValid()) {
            DrawingSurface& s = p.picture->surface();
            const QRectF scale = s.scaleRect();
            const double rx = p.homeSurface.width() / s.size().width();
            const double ry = p.homeSurface.height() / s.size().height();
            s.setSize(p.homeSurface);
            if (!scale.isNull())
                s.setScale(scale.left(), scale.top(), scale.width() * rx, scale.height() * ry);
            p.homeSurface = QSizeF();
        }
    }
    m_active = 0;
}

void PictureDesk::resizeEvent(QResizeEvent*) {
    for (Page& p : m_pages)
        if (p.home) p.widget->setGeometry(rect());
}

int PictureDesk::indexOf(QObject* widget) const {
    for (int i = 0; i < count(); ++i)
        if (m_pages[std::size_t(i)].widget == widget) return i;
    return -1;
}

bool PictureDesk::eventFilter(QObject* watched, QEvent* event) {
    const int index = indexOf(watched);
    if (index < 0) return QWidget::eventFilter(watched, event);
    // Only mouse events are taken over; the cast is made once the type is known.
    switch (event->type()) {
    case QEvent::MouseMove:
        mouseMoved(index, static_cast<QMouseEvent*>(event));
        return true;
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton) pressed(index, e);
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::LeftButton) released(index, e);
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

QPointF PictureDesk::toWorld(const Page& page, QPointF at) const {
    const DrawingSurface& s = page.picture->surface();
    const QRectF fitted = s.fittedRect(QRectF(page.widget->rect()));
    if (fitted.isEmpty()) return {};
    const double k = s.size().width() / fitted.width();
    return s.toWorld((at - fitted.topLeft()) * k);
}

void PictureDesk::mouseMoved(int index, QMouseEvent* e) {
    Page& page = m_pages[std::size_t(index)];
    QWidget* w = page.widget;
    const QPointF at = e->position();
    if (!(e->buttons() & Qt::LeftButton)) {
        const double mx = kEdge * w->width(), my = kEdge * w->height();
        const bool nearEdge =
            at.x() < mx || at.y() < my || at.x() > w->width() - mx || at.y() > w->height() - my;
        if (nearEdge) {
            w->setCursor(Qt::SizeFDiagCursor);
            m_active = index + 100;
        } else {
            w->setCursor(Qt::CrossCursor);
            if (m_active == index + 100) m_active = 0;
        }
        return;
    }
    if (page.tag == "grandir") {
        // The picture follows the pointer; its surface grows with it so that a world unit keeps
        // its length on the screen.
        const QSize size(std::max(kSmallest, int(at.x())), std::max(kSmallest, int(at.y())));
        const double rx = double(size.width()) / m_savedSize.width();
        const double ry = double(size.height()) / m_savedSize.height();
        w->resize(size);
        page.home = false;
        DrawingSurface& s = page.picture->surface();
        s.setSize(QSizeF(m_savedSurface.width() * rx, m_savedSurface.height() * ry));
        if (!m_savedScale.isNull())
            s.setScale(m_savedScale.left(), m_savedScale.top(), m_savedScale.width() * rx,
                       m_savedScale.height() * ry);
        w->update();
        emit pictureSized(index, size);
        return;
    }
    if (m_active != index + 1) return;
    if (e->modifiers() & Qt::ShiftModifier) {
        // The picture follows the pointer; a corner of it always stays on the desk, so that a
        // picture as large as the desk moves too and can always be taken back.
        const QPointF delta = e->globalPosition() - m_pressGlobal;
        const int keepX = std::min(kKeptOnDesk, w->width()),
                  keepY = std::min(kKeptOnDesk, w->height());
        const int x = std::clamp(m_pressPosition.x() + int(delta.x()), keepX - w->width(),
                                 std::max(keepX - w->width(), width() - keepX));
        const int y = std::clamp(m_pressPosition.y() + int(delta.y()), keepY - w->height(),
                                 std::max(keepY - w->height(), height() - keepY));
        w->move(x, y);
        page.home = false;
        return;
    }
    placeLines(page, m_press, at);
    const QPointF a = toWorld(page, m_press), b = toWorld(page, at);
    emit zoneDragged(index, QRectF(a, b).normalized());
}

void PictureDesk::pressed(int index, QMouseEvent* e) {
    Page& page = m_pages[std::size_t(index)];
    QWidget* w = page.widget;
    m_press = e->position();
    m_pressGlobal = e->globalPosition();
    m_pressPosition = w->pos();
    m_savedSize = w->size();
    if (m_active == index + 100 && page.picture) {
        DrawingSurface& s = page.picture->surface();
        m_savedSurface = s.size();
        m_savedScale = s.scaleRect();
        if (!page.homeSurface.isValid()) page.homeSurface = s.size();
        page.tag = "grandir";
        return;
    }
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    if (!shift && m_active != index + 1 && page.picture) {
        for (Page& other : m_pages) showLines(other, false);
        showLines(page, true);
        placeLines(page, m_press, m_press); // the lines exist now: a bare click shows a dot
        emit magnifierStarted(index);
    }
    m_active = index + 1;
    w->raise();
    page.tag.clear();
}

void PictureDesk::released(int index, QMouseEvent* e) {
    Page& page = m_pages[std::size_t(index)];
    const bool magnifier = m_active == index + 1 && page.tag.isEmpty() &&
                           !(e->modifiers() & Qt::ShiftModifier) && page.picture;
    page.tag.clear();
    m_active = 0;
    // A click without a drag chose no zone: its rectangle goes away.
    if (magnifier && (e->position() - m_press).manhattanLength() < 2) {
        showLines(page, false);
        return;
    }
    if (magnifier) emit zoneReleased(index, toWorld(page, m_press), toWorld(page, e->position()));
}

void PictureDesk::showLines(Page& page, bool on) {
    if (on && page.lines.empty()) {
        for (int k = 0; k < 4; ++k) {
            auto* line = new QFrame(page.widget);
            line->setObjectName("Ligne1");
            line->setStyleSheet("background: black");
            line->setAttribute(Qt::WA_TransparentForMouseEvents);
            page.lines.push_back(line);
        }
    }
    for (QFrame* line : page.lines) line->setVisible(on);
}

void PictureDesk::placeLines(Page& page, QPointF a, QPointF b) {
    if (page.lines.size() != 4) return;
    const QRect r = QRectF(a, b).normalized().toRect();
    page.lines[0]->setGeometry(r.left(), r.top(), r.width() + 1, 1);
    page.lines[1]->setGeometry(r.left(), r.bottom(), r.width() + 1, 1);
    page.lines[2]->setGeometry(r.left(), r.top(), 1, r.height() + 1);
    page.lines[3]->setGeometry(r.right(), r.top(), 1, r.height() + 1);
}

} // namespace gyro
