// The demonstration graph window and the printer hint: real buttons, files read back.
#include "kelaxes/demonstration.h"
#include "kelaxes/pdftext.h"
#include "numerics/errorreport.h"
#include "support/widgets.h"
#include "ui/common/picturebox.h"
#include "ui/common/pictureprinter.h"
#include "ui/dialogs/frmdemonstration.h"
#include "ui/dialogs/frmdialog.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cmath>

using namespace gyro;

class FrmDemonstrationTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void printerHintTimesOutOrIsAcknowledged();
    void pdfExportHasTheTextAndTheChosenOrientation();
    void pngAndWindowPictureDrawTheSameCurve();
    void printWithoutPrinterOffersAPdfOnTheTurnedPage();
    void refusedFileIsReportedAndThePictureStays();

private:
    QTemporaryDir m_dir;
    QString m_nextFile;
};

void FrmDemonstrationTest::init() {
    KelaxesLibrary::instance().reset();
    m_nextFile.clear();
    setSaveFileChooser([this](QWidget*, const QString&, const QString&) { return m_nextFile; });
}

void FrmDemonstrationTest::cleanup() {
    setSaveFileChooser({});
    KelaxesLibrary::instance().setOrientationHint({});
}

namespace {
void clickLater(const char* name, int ms) {
    QTimer::singleShot(ms, [name] {
        auto* b = FrmDialog::instance().findChild<QPushButton*>(name);
        if (b && b->isVisible()) QTest::mouseClick(b, Qt::LeftButton);
    });
}
QPushButton* button(QWidget& w, const char* name) {
    return gyro::test::control<QPushButton>(&w, name);
}
bool reddish(QColor c) {
    return c.red() > 180 && c.green() < 170 && c.blue() < 150;
}
bool whitish(QColor c) {
    return c.red() > 235 && c.green() > 235 && c.blue() > 235;
}
} // namespace

void FrmDemonstrationTest::printerHintTimesOutOrIsAcknowledged() {
    FrmDialog& hint = FrmDialog::instance();
    // Unanswered: closes itself after three seconds (on the hint's clock, which moves 100 ms
    // each time the wait reads it) and answers nothing.
    qint64 now = 0;
    int reads = 0;
    hint.setClock([&] {
        ++reads;
        return now += 100;
    });
    bool shownWhileWaiting = false;
    QTimer::singleShot(0, [&] {
        shownWhileWaiting =
            hint.isVisible() && hint.findChild<QLabel*>("Texte1")->text() == QString("Paysage");
    });
    QCOMPARE(DemandeOrientation("Paysage"), std::string());
    QCOMPARE(reads, 31); // the start, then 100 ms a look until 3000 ms have passed
    QVERIFY(shownWhileWaiting);
    QVERIFY(!hint.isVisible());
    // The picture button before the time is up; a clock that stands still never ends the wait.
    hint.setClock([] { return qint64(0); });
    clickLater("Commande1", 0);
    QCOMPARE(DemandeOrientation("Portrait"), std::string("Reinitialiser"));
    // "Annuler" ends the wait at once with no answer.
    clickLater("Commande2", 0);
    QCOMPARE(DemandeOrientation("Portrait"), std::string());
    hint.setClock({});
}

void FrmDemonstrationTest::pdfExportHasTheTextAndTheChosenOrientation() {
    FrmDemonstration window;
    m_nextFile = m_dir.filePath("demo"); // the suffix is added
    QTest::mouseClick(button(window, "ExportPdf"), Qt::LeftButton);
    QCOMPARE(window.status(), QString());
    const QString text = test::pdfText(m_dir.filePath("demo.pdf"));
    if (text.isNull()) QSKIP("poppler-utils is not installed");
    const QStringList words = text.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
    for (const char* w : {"AxeX", "AxeY", "-90", "90", "-45", "45", "0"})
        QVERIFY2(words.contains(QString(w)), w);
    // The graduations at the ends of x (±100) carry no label.
    QVERIFY(!words.contains("100") && !words.contains("-100"));
    // The wide graph chose a landscape page.
    QVERIFY2(test::pdfInfo(m_dir.filePath("demo.pdf")).contains(QRegularExpression("842 x 595")),
             qPrintable(test::pdfInfo(m_dir.filePath("demo.pdf"))));
}

void FrmDemonstrationTest::pngAndWindowPictureDrawTheSameCurve() {
    // The graph window's view 1 holds the user's picture: the demonstration leaves it as it was.
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    DrawingSurface& userView = lib.view(1);
    userView.painter().drawLine(QPointF(10, 10), QPointF(300, 200));
    lib.state.window[1] = {-3, 3, -2, 2};
    const QImage userBefore = userView.toImage();
    const quint64 revisionBefore = userView.revision();
    const double viewBefore = lib.params.view;
    FrmDemonstration window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    m_nextFile = m_dir.filePath("demo.png");
    QTest::mouseClick(button(window, "ExportPng"), Qt::LeftButton);
    const QImage png(m_nextFile);
    QVERIFY(!png.isNull());
    auto* box = window.findChild<PictureBox*>("Picture");
    const QImage shown = box->grab().toImage();
    const DrawingSurface& s = box->surface();
    QVERIFY(&s != &userView);
    QCOMPARE(userView.revision(), revisionBefore);
    QCOMPARE(userView.toImage(), userBefore);
    QCOMPARE(lib.state.window[1].xMin, -3.0);
    QCOMPARE(lib.params.view, viewBefore);
    const QRectF inWindow = s.fittedRect(QRectF(QPointF(0, 0), QSizeF(box->size())));
    const auto pixel = [&](const QRectF& r, double x, double y) {
        const QPointF p = s.toSurface(x, y);
        return QPointF(r.left() + p.x() * r.width() / s.size().width(),
                       r.top() + p.y() * r.height() / s.size().height())
            .toPoint();
    };
    const auto at = [&](const QImage& image, const QRectF& r, double x, double y) {
        return image.pixelColor(pixel(r, x, y));
    };
    // The curve is a line one or two pixels wide: look within a pixel of where it passes.
    const auto curveNear = [&](const QImage& image, const QRectF& r, double x, double y) {
        const QPoint c = pixel(r, x, y);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (reddish(image.pixelColor(c + QPoint(dx, dy)))) return true;
        return false;
    };
    const QRectF inPng(QPointF(0, 0), QSizeF(png.size()));
    // On the curve y = 50 sin(x/20) between the marked samples, and well off it.
    for (double x : {-62.5, -2.5, 17.5, 77.5}) {
        const double y = 50 * std::sin(x / 20);
        QVERIFY2(curveNear(png, inPng, x, y), qPrintable(QString::number(x)));
        QVERIFY2(curveNear(shown, inWindow, x, y), qPrintable(QString::number(x)));
        QVERIFY(whitish(at(png, inPng, x, y + 20 * (y < 0 ? 1 : -1))));
        QVERIFY(whitish(at(shown, inWindow, x, y + 20 * (y < 0 ? 1 : -1))));
    }
}

void FrmDemonstrationTest::printWithoutPrinterOffersAPdfOnTheTurnedPage() {
    if (printerAvailable()) QSKIP("a printer is installed here");
    FrmDemonstration window;
    m_nextFile = m_dir.filePath("printed.pdf");
    clickLater("Commande1", 300); // acknowledge the hint: the program turns its page
    QTest::mouseClick(button(window, "Print"), Qt::LeftButton);
    QCOMPARE(window.status(), QString());
    QCOMPARE(KelaxesLibrary::instance().printerOrientation(), std::string("Paysage"));
    const QString info = test::pdfInfo(m_nextFile);
    if (info.isNull()) QSKIP("poppler-utils is not installed");
    QVERIFY2(info.contains(QRegularExpression("842 x 595")), qPrintable(info));
    QVERIFY(test::pdfText(m_nextFile).contains("AxeY"));
    // Cancelling the file dialog prints nothing and says nothing.
    m_nextFile.clear();
    QTest::mouseClick(button(window, "Print"), Qt::LeftButton);
    QCOMPARE(window.status(), QString());
}

void FrmDemonstrationTest::refusedFileIsReportedAndThePictureStays() {
    FrmDemonstration window;
    const std::size_t logged = ErrorReport::instance().totalLines();
    m_nextFile = m_dir.filePath("no/such/folder/demo.pdf");
    QTest::mouseClick(button(window, "ExportPdf"), Qt::LeftButton);
    QVERIFY(window.status().contains("demo.pdf"));
    QCOMPARE(ErrorReport::instance().totalLines(), logged + 1);
    QVERIFY(!window.findChild<PictureBox*>("Picture")->surface().isEmpty());
}

QTEST_MAIN(FrmDemonstrationTest)
#include "frmdemonstration_test.moc"
