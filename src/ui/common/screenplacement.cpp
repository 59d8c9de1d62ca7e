// Places windows inside the available screen area when they are shown.
#include "ui/common/screenplacement.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace gyro {

namespace {

// The frame a window manager adds around a window not yet shown: a title bar and thin borders.
// Platforms that draw no frame (offscreen, minimal) add none.
QMargins expectedFrame(const QWidget* window) {
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    if (frame != inner) {
        return {inner.left() - frame.left(), inner.top() - frame.top(),
                frame.right() - inner.right(), frame.bottom() - inner.bottom()};
    }
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal") ||
        window->windowFlags().testFlag(Qt::FramelessWindowHint))
        return {};
    return {4, 30, 4, 4};
}

QScreen* screenOf(const QWidget* window) {
    if (window->testAttribute(Qt::WA_Moved)) {
        if (QScreen* s = QGuiApplication::screenAt(window->geometry().center())) return s;
    }
    if (const QWidget* parent = window->parentWidget()) {
        if (QScreen* s = parent->window()->screen()) return s;
    }
    return window->screen() ? window->screen() : QGuiApplication::primaryScreen();
}

} // namespace

void placeOnScreen(QWidget* window) {
    if (!window || !window->isWindow()) return;
    const QScreen* screen = screenOf(window);
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QMargins m = expectedFrame(window);
    // Shrink to the room left for the inside of the window (never below its minimum size).
    const QSize room(area.width() - m.left() - m.right(), area.height() - m.top() - m.bottom());
    if (window->width() > room.width() || window->height() > room.height())
        window->resize(std::min(window->width(), room.width()),
                       std::min(window->height(), room.height()));
    const QSize outer = window->size().grownBy(m);
    // pos() of a window is the top-left corner of its frame.
    QPoint at = window->pos();
    if (!window->testAttribute(Qt::WA_Moved)) {
        const QWidget* parent = window->parentWidget();
        const QRect over = parent ? parent->window()->frameGeometry() : area;
        at = over.center() - QPoint(outer.width() / 2, outer.height() / 2);
    }
    at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - outer.width())));
    at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - outer.height())));
    if (at != window->pos()) window->move(at);
}

bool OnScreenPlacement::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && !event->spontaneous() && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        const Qt::WindowType type = w->windowType();
        if (w->isWindow() && (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool))
            placeOnScreen(w);
    }
    return QObject::eventFilter(watched, event);
}

void keepWindowsOnScreen() {
    static OnScreenPlacement* placement = nullptr;
    if (placement || !qApp) return;
    placement = new OnScreenPlacement(qApp);
    qApp->installEventFilter(placement);
}

} // namespace gyro
