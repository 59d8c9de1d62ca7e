// Printing the live scene from the main window: without a printer it becomes a PDF file.
#include "kelaxes/pdftext.h"
#include "ui/scene/sceneprinting.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace gyro;

class ScenePrintingTest : public QObject {
    Q_OBJECT
private slots:
    void printWithoutPrinterWritesThePdfChosen();
};

void ScenePrintingTest::printWithoutPrinterWritesThePdfChosen() {
    if (printerAvailable()) QSKIP("a printer is installed here");
    Scene3D scene;
    scene.SetFrame(0, 0, 0, 0, 2, "Electron");
    scene.EndSetUp();
    for (int i = 0; i < 2000; ++i) scene.Point(std::cos(i * 0.01), std::sin(i * 0.01), i * 1e-3);
    const QSize tall(400, 700);
    QTemporaryDir dir;
    QString chosen;
    setSaveFileChooser([&](QWidget*, const QString&, const QString&) { return chosen; });
    QString error;
    // Cancelled: nothing written, nothing to tell.
    QCOMPARE(printScene(scene, homeCamera(scene, tall), tall, nullptr, &error),
             PrintOutcome::Cancelled);
    QVERIFY(error.isEmpty());
    chosen = dir.filePath("scene");
    QCOMPARE(printScene(scene, homeCamera(scene, tall), tall, nullptr, &error),
             PrintOutcome::SavedAsPdf);
    chosen = dir.filePath("export.pdf");
    QVERIFY(exportScenePdfAs(scene, homeCamera(scene, tall), tall, nullptr, &error));
    setSaveFileChooser({});
    for (const char* name : {"scene.pdf", "export.pdf"}) {
        const QString info = test::pdfInfo(dir.filePath(name));
        if (info.isNull()) QSKIP("poppler-utils is not installed");
        QVERIFY2(info.contains(QRegularExpression("595 x 842")), qPrintable(info)); // portrait
        QVERIFY(test::pdfText(dir.filePath(name)).contains("Electron"));
    }
}

QTEST_MAIN(ScenePrintingTest)
#include "sceneprinting_test.moc"
