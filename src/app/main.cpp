// Entry point: opens the main window.
#include "ui/frmdessin.h"
#include "ui/inputboxasker.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Gyrotrace");
    QApplication::setApplicationVersion(GYRO_VERSION);
    gyro::FrmDessin window;
    gyro::InputBoxAsker asker(&window);
    gyro::ErrorReport::instance().setAsker(&asker);
    window.show();
    const int code = QApplication::exec();
    gyro::ErrorReport::instance().setAsker(nullptr);
    return code;
}
