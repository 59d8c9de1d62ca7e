// Keeps keystrokes meant for another box out of a dialog that opens while the user types.
#pragma once

#include <QElapsedTimer>
#include <QObject>

class QWidget;

namespace gyro {

/// Swallows the key events that reach `box` (or any widget inside it) from the moment it shows
/// until the keyboard has been quiet for `quietMs`: a question that pops up in the middle of
/// typing never takes the keystrokes, nor an Enter, that were meant for the box the user was
/// typing into. Every key swallowed restarts the quiet time, so a user who keeps typing keeps
/// the dialog untouched until the pause that comes with reading it.
class KeystrokeGuard : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultQuietMs = 500;

    explicit KeystrokeGuard(QWidget* box, int quietMs = kDefaultQuietMs);
    ~KeystrokeGuard() override;

    /// True while key events are being swallowed.
    bool guarding() const;
    /// Key presses swallowed so far.
    int swallowed() const { return m_swallowed; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool inBox(QObject* watched) const;

    QWidget* m_box;
    int m_quietMs;
    QElapsedTimer m_quiet;
    int m_swallowed = 0;
};

} // namespace gyro
