// Printing a recorded picture on a QPrinter that writes a PDF file: the page shows the picture
// where it was drawn, and a job the print system refuses is told, not reported as printed.
#include "kelaxes/drawingsurface.h"
#include "kelaxes/pdftext.h"
#include "ui/common/pictureprinter.h"

#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace gyro;

class PicturePrinterTest : public QObject {
    Q_OBJECT
private slots:
    void printedPageShowsThePictureWhereItWasDrawn();
    void aRefusedJobIsToldAndWritesNothing();
};

void PicturePrinterTest::printedPageShowsThePictureWhereItWasDrawn() {
    // A picture twice as wide as high, its left half black: printed, it fills the page's width
    // (scaled uniformly and centred), so the page is dark at a quarter of its width and white
    // at three quarters, on its middle line.
    DrawingSurface surface(QSizeF(200, 100));
    surface.painter().fillRect(QRectF(0, 0, 100, 100), Qt::black);
    QTemporaryDir dir;
    const QString pdf = dir.filePath("page.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    QString error;
    QVERIFY2(printSurfaceOn(printer, surface, &error), qPrintable(error));
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(5) == "%PDF-");

    if (QStandardPaths::findExecutable("pdftoppm").isEmpty()) QSKIP("poppler-utils is missing");
    const QString prefix = dir.filePath("page");
    test::popplerOutput("pdftoppm", {"-png", "-r", "30", "-singlefile", pdf, prefix});
    const QImage page(prefix + ".png");
    QVERIFY(!page.isNull());
    const int y = page.height() / 2;
    QVERIFY(qGray(page.pixel(page.width() / 4, y)) < 64);
    QVERIFY(qGray(page.pixel(3 * page.width() / 4, y)) > 192);
    QVERIFY(qGray(page.pixel(page.width() / 4, page.height() / 8)) > 192); // above the picture
}

void PicturePrinterTest::aRefusedJobIsToldAndWritesNothing() {
    DrawingSurface surface(QSizeF(200, 100));
    surface.painter().drawLine(0, 0, 200, 100);
    QTemporaryDir dir;
    const QString pdf = dir.filePath("no-such-folder/page.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    QString error;
    QVERIFY(!printSurfaceOn(printer, surface, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(pdf));
}

QTEST_MAIN(PicturePrinterTest)
#include "pictureprinter_test.moc"
