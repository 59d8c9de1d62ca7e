// Finding and driving a window's controls by their object names, for the window tests: the real
// buttons clicked, the real boxes typed into.
#pragma once

#include <QAbstractButton>
#include <QLineEdit>
#include <QObject>
#include <QString>
#include <QtTest>

namespace gyro::test {

/// The child of `window` named `name` (a control name such as "Texte3_4" or "Commande14"); a
/// missing control ends the test program with its name.
template <class T> T* control(const QObject* window, const QString& name) {
    T* w = window->findChild<T*>(name);
    if (!w) qFatal("missing control %s", qPrintable(name));
    return w;
}

/// The text box named `name`.
inline QLineEdit* box(const QObject* window, const QString& name) {
    return control<QLineEdit>(window, name);
}

/// Clicks the button or box named `name` with the mouse, as a user would (it must be visible).
inline void click(const QObject* window, const QString& name) {
    QAbstractButton* b = control<QAbstractButton>(window, name);
    QVERIFY2(b->isVisible(), qPrintable(name + " is not visible"));
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(4, b->height() / 2));
}

/// Types `text` into the box named `name` in place of its text (an empty text deletes it), then
/// commits it with Return: a typed value acts once committed.
inline void type(const QObject* window, const QString& name, const QString& text) {
    QLineEdit* b = box(window, name);
    b->setFocus();
    b->selectAll();
    if (text.isEmpty()) {
        QTest::keyClick(b, Qt::Key_Delete);
    } else {
        QTest::keyClicks(b, text);
    }
    QTest::keyClick(b, Qt::Key_Return);
}

} // namespace gyro::test
