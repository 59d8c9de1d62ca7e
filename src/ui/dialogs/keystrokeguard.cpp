// Swallows early keystrokes of a dialog until the keyboard has been quiet for a moment.
#include "ui/dialogs/keystrokeguard.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace gyro {

KeystrokeGuard::KeystrokeGuard(QWidget* box, int quietMs)
    : QObject(box), m_box(box), m_quietMs(quietMs) {
    m_quiet.start();
    // Application-wide: key events are filtered before any widget of the box sees them,
    // shortcuts and the dialog's Enter included.
    qApp->installEventFilter(this);
}

KeystrokeGuard::~KeystrokeGuard() {
    qApp->removeEventFilter(this);
}

bool KeystrokeGuard::guarding() const {
    return m_quiet.elapsed() < m_quietMs;
}

bool KeystrokeGuard::inBox(QObject* watched) const {
    for (QObject* o = watched; o; o = o->parent()) {
        if (o == m_box) return true;
    }
    return false;
}

bool KeystrokeGuard::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
        // The quiet time counts from the moment the box appears.
        if (watched == m_box) m_quiet.restart();
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
        if (inBox(watched) && guarding()) {
            if (event->type() == QEvent::KeyPress) {
                ++m_swallowed;
                m_quiet.restart();
            }
            event->accept();
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace gyro
