// The command line's sheet plot: the example workbook drawn as PNG and PDF, one view or four,
// and the messages of a workbook that cannot serve or of arguments not understood.
#include "app/plotsheet.h"
#include "dataplot/examplefiles.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <sstream>

using namespace gyro;

namespace {

struct Run {
    int code = -1;
    std::string out, err;
};

Run PlotSheet(const QStringList& args) {
    std::ostringstream out, err;
    Run run;
    run.code = runPlotSheet(args, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

// Pixels of a rectangle of the image that the test accepts (antialiased lines are paler).
template <typename Accept> int CountPixels(const QImage& image, const QRect& area, Accept accept) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (accept(image.pixelColor(x, y))) ++n;
    return n;
}
bool Bluish(const QColor& c) {
    return c.blue() - c.red() > 80 && c.blue() - c.green() > 80;
}
bool Cyanish(const QColor& c) {
    return c.green() - c.red() > 60 && c.blue() - c.red() > 60;
}

} // namespace

class PlotSheetTest : public QObject {
    Q_OBJECT
private slots:
    void fourAutomaticViewsAsPng();
    void oneViewAsPdf();
    void problemsAreToldWithTheirCode_data();
    void problemsAreToldWithTheirCode();
};

void PlotSheetTest::fourAutomaticViewsAsPng() {
    QTemporaryDir dir;
    const QString png = dir.filePath("views.png");
    const Run run = PlotSheet({"gyrotrace", "--plot-sheet",
                               QString::fromStdString(test::ExampleWorkbook(".ods")), "--sheet",
                               "Feuille1", "--range", "C2:E100", "--auto-views", "--png", png});
    QCOMPARE(run.err, std::string());
    QCOMPARE(run.code, 0);
    // The example's note is echoed once per view.
    QCOMPARE(run.out, std::string("?Cmd note?  ?Cmd note?  ?Cmd note?  ?Cmd note?  "));
    QImage image(png);
    // Two view pictures each way, at two pixels per unit.
    QCOMPARE(image.size(), QSize(2 * 2 * 640, 2 * 2 * 480));
    // Each quarter holds a view with the blue helix and the cyan circle.
    const int w = image.width() / 2, h = image.height() / 2;
    for (const QPoint corner : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)}) {
        const QRect quarter(corner, QSize(w, h));
        QVERIFY(CountPixels(image, quarter, Bluish) > 100);
        QVERIFY(CountPixels(image, quarter, Cyanish) > 5);
    }
}

void PlotSheetTest::oneViewAsPdf() {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("view.pdf");
    // As main() runs it.
    std::string book = test::ExampleWorkbook(".csv"), out = pdf.toStdString();
    std::string words[] = {"gyrotrace", "--centre", "--plot-sheet", book, "--pdf", out};
    char* argv[6];
    for (int i = 0; i < 6; ++i) argv[i] = words[i].data();
    QVERIFY(wantsPlotSheet(6, argv));
    QVERIFY(!wantsPlotSheet(2, argv));
    QCOMPARE(runPlotSheetCommand(6, argv), 0);
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(5) == "%PDF-");
    QVERIFY(file.size() > 1000);
}

void PlotSheetTest::problemsAreToldWithTheirCode_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("says");
    const QString ods = QString::fromStdString(test::ExampleWorkbook(".ods"));
    QTest::newRow("no output") << QStringList{"--plot-sheet", ods} << 2 << "usage:";
    QTest::newRow("both outputs") << QStringList{"--plot-sheet", ods, "--png", "a", "--pdf", "b"}
                                  << 2 << "usage:";
    QTest::newRow("unknown option")
        << QStringList{"--plot-sheet", ods, "--png", "a", "--x", "1"} << 2 << "usage:";
    QTest::newRow("missing workbook")
        << QStringList{"--plot-sheet", "/nonexistent/b.xlsx", "--png", "/tmp/x.png"} << 3
        << "no such workbook";
    QTest::newRow("missing sheet")
        << QStringList{"--plot-sheet", ods, "--sheet", "Z", "--png", "/tmp/x.png"} << 3
        << "has no sheet \"Z\"";
    QTest::newRow("bad range") << QStringList{"--plot-sheet", ods,     "--range",
                                              "C2",           "--png", "/tmp/x.png"}
                               << 2 << "mettre les deux points";
    QTest::newRow("unwritable picture")
        << QStringList{"--plot-sheet", ods, "--png", "/nonexistent/folder/x.png"} << 4
        << "/nonexistent/folder/x.png";
}

void PlotSheetTest::problemsAreToldWithTheirCode() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, says);
    const Run run = PlotSheet(args);
    QCOMPARE(run.code, code);
    QVERIFY2(QString::fromStdString(run.err).contains(says), run.err.c_str());
}

QTEST_MAIN(PlotSheetTest)
#include "plotsheet_test.moc"
