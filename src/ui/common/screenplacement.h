// Keeps the program's windows inside the screen area that windows may use.
#pragma once

#include <QObject>

class QWidget;

namespace gyro {

/// Moves the top-level window `window`, and shrinks it when it is larger, so that its frame
/// (title bar included) lies inside the available geometry of its screen (the screen without
/// task bars and docks). A window that was never placed explicitly is centred there. Before a
/// window is first shown its frame is not known yet: room is left for a title bar and borders.
void placeOnScreen(QWidget* window);

/// Places every window, dialog and tool window of the application with placeOnScreen as it is
/// shown (menus, tooltips and pop-ups are left to Qt).
class OnScreenPlacement : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

/// Installs one OnScreenPlacement on the application (once; later calls do nothing).
void keepWindowsOnScreen();

} // namespace gyro
