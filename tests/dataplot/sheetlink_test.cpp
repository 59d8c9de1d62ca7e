// The spreadsheet link of the graph window: a readable workbook fills the table at once; one that
// cannot be read goes through the launch-and-wait path to the example data; a saved workbook is
// read again, and a file caught half-written is never shown.
#include "dataplot/examplefiles.h"
#include "dataplot/fakegraphwindow.h"
#include "dataplot/sheetlink.h"
#include "dataplot/sheettracer.h"
#include "dataplot/workbookwatcher.h"
#include "scene/kelmirav.h"
#include "support/scriptedasker.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace gyro;

namespace {

SheetLinkState Configured(const std::string& workbook, const std::string& sheet = "Feuille1") {
    SheetLinkState state;
    state.config = {"/nonexistent/spreadsheet-program", workbook, sheet, "C2:E100"};
    return state;
}

QStringList Texts(const QSignalSpy& spy) {
    QStringList texts;
    for (const auto& args : spy) texts << args.at(0).toString();
    return texts;
}

} // namespace

class SheetLinkTest : public QObject {
    Q_OBJECT
private slots:
    void init() { ErrorReport::instance().reset(); }
    void readableWorkbookLoadsAtOnce();
    void unreadableWorkbookEndsOnTheExampleData();
    void workbookSavedDuringTheWaitIsRead();
    void refusedRangeIsReportedAndKeepsTheTable();
    void savingTheWorkbookAgainIsReadAgain();
    void halfWrittenWorkbookIsNeverShown();
    void tracerDrawsTheExampleAfterTheFailurePath();
    void tracerRedrawsWhenTheWorkbookIsSavedAgain();
};

void SheetLinkTest::readableWorkbookLoadsAtOnce() {
    SheetLinkState state = Configured(test::ExampleWorkbook(".xlsx"));
    SheetLink link(state);
    QCOMPARE(link.topic(), QString("Excel|[courbes.xlsx]Feuille1"));
    QCOMPARE(link.item(), QString("L2C3:L100C5"));
    QSignalSpy loaded(&link, &SheetLink::loaded);
    QSignalSpy messages(&link, &SheetLink::message);
    link.Xls();
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(loaded[0][0].toDouble(), 99.0);
    QCOMPARE(loaded[0][1].toBool(), true);
    QCOMPARE(messages.count(), 0);
    QCOMPARE(state.table.cell(1, 2), std::string("rgb3"));
    QVERIFY(state.lastLinkText.starts_with("ligne0\trgb3\t\r\n"));
}

void SheetLinkTest::unreadableWorkbookEndsOnTheExampleData() {
    QTemporaryDir dir;
    // First use: no link text yet, so the built-in example is shown; later failures show the
    // last text received.
    for (const bool earlierText : {false, true}) {
        SheetLinkState state = Configured(dir.filePath("missing.xlsx").toStdString());
        if (earlierText) state.lastLinkText = "1\t2\t3\r\n4\t5\t6\r\n";
        SheetLink link(state);
        link.setWaits(60, 30);
        QSignalSpy loaded(&link, &SheetLink::loaded);
        QSignalSpy messages(&link, &SheetLink::message);
        link.Xls();
        QVERIFY(link.waiting());
        QCOMPARE(Texts(messages), QStringList{QString::fromUtf8(kLaunchMessage)});
        QCOMPARE(loaded.count(), 0); // the window is not blocked: the answer comes later
        link.Xls();                  // a second request while waiting changes nothing
        QVERIFY(loaded.wait(2000));
        QCOMPARE(Texts(messages).mid(0, 2),
                 (QStringList{QString::fromUtf8(kLaunchMessage), QString::fromUtf8(kWaitMessage)}));
        // The last message names the workbook and says whose curves are shown.
        QVERIFY(Texts(messages).value(2).contains("missing.xlsx"));
        QVERIFY(Texts(messages).value(2).contains(earlierText ? "dernier classeur" : "exemple"));
        QCOMPARE(loaded[0][1].toBool(), false);
        QVERIFY(!link.waiting());
        if (earlierText) {
            QCOMPARE(loaded[0][0].toDouble(), 2.0);
            QCOMPARE(state.table.cell(2, 3), std::string("6"));
        } else {
            QVERIFY(loaded[0][0].toDouble() > 50);
            QCOMPARE(state.table.cell(1, 1), std::string("ligne0"));
            QCOMPARE(state.table.cell(2, 1), std::string("1")); // the helix starts at (1, 0, 0)
        }
        // The program that could not be started is logged, without a question.
        QVERIFY(QString::fromStdString(ErrorReport::instance().text())
                    .contains("/nonexistent/spreadsheet-program"));
    }
}

void SheetLinkTest::workbookSavedDuringTheWaitIsRead() {
    QTemporaryDir dir;
    const QString book = dir.filePath("later.csv");
    SheetLinkState state = Configured(book.toStdString());
    SheetLink link(state);
    link.setWaits(200, 30);
    QSignalSpy loaded(&link, &SheetLink::loaded);
    QSignalSpy messages(&link, &SheetLink::message);
    link.Xls();
    test::WriteBytes(book.toStdString(), test::FileBytes(test::ExampleWorkbook(".csv")));
    QVERIFY(loaded.wait(2000));
    QCOMPARE(loaded[0][1].toBool(), true);
    QCOMPARE(Texts(messages), QStringList{QString::fromUtf8(kLaunchMessage)});
}

void SheetLinkTest::refusedRangeIsReportedAndKeepsTheTable() {
    test::ScriptedAsker asker({"Yes"});
    ErrorReport::instance().setAsker(&asker);
    SheetLinkState state = Configured(test::ExampleWorkbook(".ods"), "Absente");
    state.table.setCell(1, 1, "kept");
    state.rowCount = 1;
    SheetLink link(state);
    QSignalSpy refused(&link, &SheetLink::refused);
    QSignalSpy loaded(&link, &SheetLink::loaded);
    link.Xls();
    ErrorReport::instance().setAsker(nullptr);
    QCOMPARE(refused.count(), 1);
    QVERIFY(refused[0][0].toString().contains("its sheets: Feuille1"));
    QCOMPARE(loaded.count(), 0);
    QVERIFY(!link.waiting()); // no program is started for a sheet that is not there
    QCOMPARE(state.table.cell(1, 1), std::string("kept"));
    QCOMPARE(asker.questions.size(), std::size_t(1));
    QVERIFY(QString::fromStdString(asker.questions[0].prompt).contains(" faute routine Xls"));
}

void SheetLinkTest::savingTheWorkbookAgainIsReadAgain() {
    QTemporaryDir dir;
    const QString book = dir.filePath("live.csv");
    test::WriteBytes(book.toStdString(), ",,1,2,3\r\n");
    WorkbookWatcher watcher;
    watcher.setTiming(50, 50, 10);
    QSignalSpy read(&watcher, &WorkbookWatcher::rangeRead);
    watcher.watch(book, "Feuille1", "C1:E2");
    QTest::qWait(150);
    QCOMPARE(read.count(), 0); // the file as it was counts as read

    test::WriteBytes(book.toStdString(), ",,1,2,3\r\n,,4,5,6\r\n");
    QVERIFY(read.wait(3000));
    QCOMPARE(read.last()[0].toString(), QString("1\t2\t3\r\n4\t5\t6\r\n"));

    // Saved by writing another file and renaming it over the workbook.
    const QString temp = dir.filePath("live.tmp");
    test::WriteBytes(temp.toStdString(), ",,7,8,9\r\n");
    std::filesystem::rename(temp.toStdString(), book.toStdString());
    QVERIFY(read.wait(3000));
    QCOMPARE(read.last()[0].toString(), QString("7\t8\t9\r\n\t\t\r\n"));
}

void SheetLinkTest::halfWrittenWorkbookIsNeverShown() {
    QTemporaryDir dir;
    const QString book = dir.filePath("live.xlsx");
    const std::string full = test::FileBytes(test::ExampleWorkbook(".xlsx"));
    test::WriteBytes(book.toStdString(), full);
    WorkbookWatcher watcher;
    watcher.setTiming(40, 60, 30);
    QSignalSpy read(&watcher, &WorkbookWatcher::rangeRead);
    QSignalSpy failed(&watcher, &WorkbookWatcher::readFailed);
    watcher.watch(book, "Feuille1", "C2:E4");
    test::WriteBytes(book.toStdString(),
                     full.substr(0, full.size() / 2)); // the writer stops half-way for a while
    QTest::qWait(250);
    QCOMPARE(read.count(), 0);
    test::WriteBytes(book.toStdString(), full);
    QVERIFY(read.wait(3000));
    QCOMPARE(failed.count(), 0);
    QVERIFY(read.last()[0].toString().startsWith("ligne0\trgb3\t\r\n1\t0\t0\r\n"));

    // A workbook that stays broken is reported once the attempts are spent.
    watcher.setTiming(20, 20, 3);
    test::WriteBytes(book.toStdString(), full.substr(0, 100));
    QVERIFY(failed.wait(3000));
    QVERIFY(failed.last()[0].toString().contains("live.xlsx"));
}

namespace {

// A tracer on a recording surface, automatic views off (one view, angles asked once per click).
struct TracerFixture {
    explicit TracerFixture(SheetLinkState configured) : state(std::move(configured)) {
        k.setSurface(&surface);
        k.setHost(&host);
        tracer.link().setWaits(40, 20);
        tracer.watcher().setTiming(40, 40, 10);
    }
    test::ColourSurface surface;
    test::Host host;
    test::Window window;
    KelMirav k;
    SheetLinkState state;
    SheetTracer tracer{state, k, window};
};

} // namespace

void SheetLinkTest::tracerDrawsTheExampleAfterTheFailurePath() {
    QTemporaryDir dir;
    TracerFixture f(Configured(dir.filePath("absent.ods").toStdString()));
    QSignalSpy messages(&f.tracer, &SheetTracer::message);
    QSignalSpy traced(&f.tracer, &SheetTracer::traced);
    f.tracer.TraceSheetGraphs();
    QCOMPARE(traced.count(), 0);
    QVERIFY(traced.wait(2000));
    QCOMPARE(Texts(messages).mid(0, 2),
             (QStringList{QString::fromUtf8(kLaunchMessage), QString::fromUtf8(kWaitMessage)}));
    QVERIFY(Texts(messages).value(2).contains("absent.ods"));
    QCOMPARE(traced[0][0].toBool(), false);
    // The built-in example: a helix, a circle and a diagonal, in three pieces of curve.
    QVERIFY(f.surface.segments.size() > 70);
    QCOMPARE(f.window.styles, (std::vector<double>{0, 12, 2, 0}));

    // The workbook is watched all the same: once it is saved, its own curves are drawn.
    test::WriteBytes(dir.filePath("absent.ods").toStdString(),
                     test::FileBytes(test::ExampleWorkbook(".ods")));
    QVERIFY(traced.wait(3000));
    QCOMPARE(traced.last()[0].toBool(), true);
    QCOMPARE(f.state.table.cell(99, 3), std::string()); // the workbook's range: 99 rows
    QCOMPARE(f.state.rowCount, 99.0);
}

void SheetLinkTest::tracerRedrawsWhenTheWorkbookIsSavedAgain() {
    QTemporaryDir dir;
    const QString book = dir.filePath("runs.csv");
    test::WriteBytes(book.toStdString(), ",,0,0,0\r\n,,1,2,2\r\n");
    SheetLinkState state = Configured(book.toStdString());
    state.config.range = "C1:E3";
    TracerFixture f(state);
    QSignalSpy traced(&f.tracer, &SheetTracer::traced);
    f.tracer.TraceSheetGraphs();
    QCOMPARE(traced.count(), 1);
    QCOMPARE(f.surface.segments.size(), std::size_t(1));
    QCOMPARE(f.surface.laidOut.back()[1], 1.1 * 3); // reach |(1, 2, 2)| = 3

    test::WriteBytes(book.toStdString(), ",,0,0,0\r\n,,2,3,6\r\n,,0,0,0\r\n");
    QVERIFY(traced.wait(3000));
    QCOMPARE(f.surface.laidOut.back()[1], 1.1 * 7); // reach |(2, 3, 6)| = 7
    QCOMPARE(f.surface.segments.size(), std::size_t(1 + 2));
    QCOMPARE(f.host.asked, 1); // the redraw keeps the angles
}

QTEST_GUILESS_MAIN(SheetLinkTest)
#include "sheetlink_test.moc"
