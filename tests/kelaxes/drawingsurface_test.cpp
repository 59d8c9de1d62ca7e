// The recorded drawing surface: one drawing, the same picture on image and PDF; the user scale.
#include "kelaxes/drawingsurface.h"

#include "kelaxes/pdftext.h"

#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

using namespace gyro;

class DrawingSurfaceTest : public QObject {
    Q_OBJECT
private slots:
    void userScaleMapsCornersAndRefusesBadScales();
    void replayIsTheSameAtAnySizeAndAfterMoreDrawing();
    void pdfHoldsTheTextAndTheLayoutOrientation();
    void unwritableFileIsReportedAndOldFileKept();
};

void DrawingSurfaceTest::userScaleMapsCornersAndRefusesBadScales() {
    DrawingSurface s(QSizeF(200, 100));
    QVERIFY(s.setScale(-100, 50, 200, -100)); // y grows upwards
    QCOMPARE(s.toSurface(-100, 50), QPointF(0, 0));
    QCOMPARE(s.toSurface(100, -50), QPointF(200, 100));
    QCOMPARE(s.toSurface(0, 0), QPointF(100, 50));
    QCOMPARE(s.toWorld(QPointF(150, 25)), QPointF(50, 25));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (auto bad : {std::array{0.0, 0.0, 0.0, 1.0}, std::array{0.0, 0.0, 1.0, 0.0},
                     std::array{nan, 0.0, 1.0, 1.0}, std::array{0.0, 0.0, inf, 1.0},
                     std::array{0.0, 0.0, 1e-320, 1.0}}) {
        QVERIFY(!s.setScale(bad[0], bad[1], bad[2], bad[3]));
        QCOMPARE(s.toSurface(0, 0), QPointF(100, 50)); // unchanged
    }
    QVERIFY(!s.setSize(QSizeF(0, 10)));
    QCOMPARE(s.size(), QSizeF(200, 100));
}

namespace {
bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 &&
           std::abs(a.blue() - b.blue()) < 40;
}
} // namespace

void DrawingSurfaceTest::replayIsTheSameAtAnySizeAndAfterMoreDrawing() {
    DrawingSurface s(QSizeF(200, 100));
    s.setScale(-100, 50, 200, -100);
    s.painter().setPen(QPen(Qt::red, 4));
    s.painter().drawLine(s.toSurface(-100, 0), s.toSurface(100, 0));
    // Replayed once (the recording closes), then drawn on: both parts must show.
    const QImage first = s.toImage(QSize(200, 100));
    QVERIFY(near(first.pixelColor(100, 50), Qt::red));
    s.painter().setBrush(Qt::blue); // the pen carries over from the earlier recording
    s.painter().drawEllipse(s.toSurface(50, 25), 6, 6);
    for (QSize px : {QSize(200, 100), QSize(400, 200), QSize(1000, 500)}) {
        const QImage image = s.toImage(px);
        const double k = px.width() / 200.0;
        QVERIFY(near(image.pixelColor(int(100 * k), int(50 * k)), Qt::red));
        QVERIFY(near(image.pixelColor(int(150 * k), int(25 * k)), Qt::blue));
        QVERIFY(near(image.pixelColor(int(30 * k), int(20 * k)), Qt::white));
    }
    // Many small recordings (a live curve) still replay whole.
    for (int i = 0; i < 100; ++i) {
        s.painter().drawPoint(QPointF(i, 90));
        s.flush();
    }
    QVERIFY(!near(s.toImage().pixelColor(99, 90), Qt::white));
    s.clear();
    QVERIFY(s.isEmpty());
    QVERIFY(near(s.toImage().pixelColor(100, 50), Qt::white));
}

void DrawingSurfaceTest::pdfHoldsTheTextAndTheLayoutOrientation() {
    QTemporaryDir dir;
    DrawingSurface s(QSizeF(600, 300));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(14);
    s.painter().setFont(font);
    s.painter().drawText(QPointF(40, 40), QStringLiteral("AxeX graduation 90"));
    const QString file = dir.filePath(QStringLiteral("page.pdf"));
    QString error;
    QPageLayout layout = defaultPageLayout();
    layout.setOrientation(QPageLayout::Landscape);
    QVERIFY2(s.writePdf(file, layout, &error), qPrintable(error));
    const QString text = test::pdfText(file);
    if (text.isNull()) QSKIP("poppler-utils is not installed");
    QVERIFY2(text.contains(QStringLiteral("AxeX graduation 90")), qPrintable(text));
    // A4 landscape: 841.89 x 595.276 pts
    QVERIFY2(test::pdfInfo(file).contains(QRegularExpression("Page size:\\s+84[12]\\S* x 595")),
             qPrintable(test::pdfInfo(file)));
}

void DrawingSurfaceTest::unwritableFileIsReportedAndOldFileKept() {
    QTemporaryDir dir;
    DrawingSurface s(QSizeF(100, 100));
    QString error;
    QVERIFY(!s.writePng(dir.filePath(QStringLiteral("missing/x.png")), QSize(10, 10), &error));
    QVERIFY(error.contains(QStringLiteral("missing/x.png")));
    QVERIFY(
        !s.writePdf(dir.filePath(QStringLiteral("missing/x.pdf")), defaultPageLayout(), &error));
    QVERIFY(error.contains(QStringLiteral("x.pdf")));
}

QTEST_MAIN(DrawingSurfaceTest)
#include "drawingsurface_test.moc"
