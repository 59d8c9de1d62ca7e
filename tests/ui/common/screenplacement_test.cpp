// Windows open inside the available screen area: the orbit check, the main window, help, and
// windows placed or sized beyond the screen's edge.
#include "ui/common/screenplacement.h"
#include "ui/dialogs/frmhelp.h"
#include "ui/mainwindow/frmdessin.h"
#include "ui/orbit/frmdessin8.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace gyro;

class ScreenPlacementTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { keepWindowsOnScreen(); }

    void everyWindowOpensInsideTheScreen() {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        FrmDessin main;
        FrmDessin8 orbit;     // 900 x 640
        orbit.move(300, 500); // where its bottom edge would fall below the screen
        FrmHelp help(&main);
        QWidget offEdge;
        offEdge.resize(300, 200);
        offEdge.move(area.right() - 100, area.bottom() - 50);
        QDialog lowDialog(&main);
        lowDialog.resize(200, 100);
        lowDialog.move(area.left() - 500, area.bottom() + 200);
        const QList<QPair<QString, QWidget*>> windows = {{"main window", &main},
                                                         {"orbit check", &orbit},
                                                         {"help", &help},
                                                         {"window past the corner", &offEdge},
                                                         {"dialog below the screen", &lowDialog}};
        for (const auto& [name, w] : windows) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            QVERIFY2(area.contains(w->frameGeometry()), qPrintable(name));
        }
        // A window that fits keeps its size; one placed inside keeps its place.
        QCOMPARE(offEdge.size(), QSize(300, 200));
        QWidget inside;
        inside.resize(100, 80);
        inside.move(area.topLeft() + QPoint(20, 30));
        inside.show();
        QCOMPARE(inside.pos(), area.topLeft() + QPoint(20, 30));
    }
};

// A 1600 x 1000 screen, as on the desk where the orbit check opened below the edge, with the
// frames a window manager adds.
int main(int argc, char* argv[]) {
    QTemporaryDir dir;
    QFile config(dir.filePath("screen.json"));
    if (!config.open(QIODevice::WriteOnly)) return 2;
    config.write(R"({"windowFrameMargins": true, "screens": [{"name": "desk", "x": 0, "y": 0,
                    "width": 1600, "height": 1000, "logicalDpi": 96, "dpr": 1}]})");
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    ScreenPlacementTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "screenplacement_test.moc"
