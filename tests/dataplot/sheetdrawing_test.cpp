// The plot commands of a sheet: cell codes and colours, pen-ups, echoes, line types, and the
// scale and centre of the views, in one view and in the four automatic views.
#include "dataplot/fakegraphwindow.h"
#include "dataplot/sheetdrawing.h"
#include "numerics/errorreport.h"
#include "scene/kelmirav.h"
#include "sheets/sheetcommands.h"

#include <QtTest>

#include <cmath>

using namespace gyro;

namespace {

struct Fixture {
    explicit Fixture(std::string text) {
        ErrorReport::instance().reset();
        k.setSurface(&surface);
        k.setHost(&host);
        ParseLinkText(text, state.lastLinkText, state.table, state.rowCount, state.columnCount);
    }
    void draw() { DrawSheetViews(k, state, window); }
    test::ColourSurface surface;
    test::Host host;
    test::Window window;
    KelMirav k;
    SheetLinkState state;
};

bool Near(double a, double b) {
    return std::abs(a - b) < 1e-9 * std::max(1.0, std::abs(b));
}

} // namespace

class SheetDrawingTest : public QObject {
    Q_OBJECT
private slots:
    void cellCodes_data();
    void cellCodes();
    void colourTable();
    void pointsPenUpsAndCommands();
    void colourCommandsCycleAndEchoesWrap();
    void reachScalesAViewAroundTheOrigin();
    void centringFramesThePointsBox();
    void automaticViewsDrawTheSameCurvesFourTimes();
};

void SheetDrawingTest::cellCodes_data() {
    QTest::addColumn<QString>("cell");
    QTest::addColumn<double>("code");
    QTest::newRow("empty") << "" << 1.0;
    QTest::newRow("number") << "1.5" << 0.0;
    QTest::newRow("text") << "abc" << 2.0;
    QTest::newRow("LIGNE12") << "LIGNE12" << 22.0;
    QTest::newRow("ligne alone") << "ligne" << 10.0;
    QTest::newRow("rgb3") << "rgb3" << 103.0;
    QTest::newRow("RVB0 cycles") << "RVB0" << 100.0;
    QTest::newRow("blanks") << "  Rvb 7 " << 107.0;
    QTest::newRow("colour after line wins") << "ligne2 rgb5" << 105.0;
    QTest::newRow("RVB tested last") << "RVB4 RGB6" << 104.0;
    QTest::newRow("inside a word") << "xligne3" << 13.0;
    QTest::newRow("negative colour") << "rgb-2" << 111.0;
}

void SheetDrawingTest::cellCodes() {
    QFETCH(QString, cell);
    QFETCH(double, code);
    QCOMPARE(CellCode(cell.toStdString()), code);
}

void SheetDrawingTest::colourTable() {
    const double expected[11][3] = {{0, 0, 0},     {255, 0, 0},   {0, 255, 0},    {0, 0, 255},
                                    {255, 255, 0}, {0, 255, 255}, {255, 0, 255},  {128, 128, 0},
                                    {0, 128, 128}, {128, 0, 128}, {128, 128, 128}};
    for (int i = 0; i <= 10; ++i) {
        double index = i, r = -1, g = -1, b = -1;
        ColourOfIndex(index, r, g, b);
        QCOMPARE(index, double(i));
        QCOMPARE((std::array<double, 3>{r, g, b}),
                 (std::array<double, 3>{expected[i][0], expected[i][1], expected[i][2]}));
    }
    for (double outside : {11.0, -1.0, 2.5, std::nan("")}) {
        double index = outside, r = 0, g = 0, b = 0;
        ColourOfIndex(index, r, g, b);
        QCOMPARE(index, 1.0);
        QCOMPARE((std::array<double, 3>{r, g, b}), (std::array<double, 3>{255, 0, 0}));
    }
}

void SheetDrawingTest::pointsPenUpsAndCommands() {
    // Looking along -X (view 3 angles): image X = y, image Y = z.
    Fixture f("0\t0\t0\r\n1.5\t2\t3\r\n\t\t\r\n0\t-1\t1\r\n0\t-2\t1\r\nLIGNE12\t\t\r\n");
    f.k.view.ascensionDeg = 0;
    f.k.view.declinationDeg = 0;
    f.draw();
    QCOMPARE(f.host.asked, 1); // one view: the user picks its angles
    QCOMPARE(f.surface.segments.size(), std::size_t(2));
    const test::DrawnSegment& first = f.surface.segments[0];
    QVERIFY(Near(first.x0, 0) && Near(first.y0, 0) && Near(first.x1, 2) && Near(first.y1, 3));
    // The empty x cell broke the curve: the second piece starts at (-1, 1), not at (2, 3).
    const test::DrawnSegment& second = f.surface.segments[1];
    QVERIFY(Near(second.x0, -1) && Near(second.y0, 1) && Near(second.x1, -2));
    // ... and took the next colour, red after black.
    QVERIFY(std::find(f.surface.colours.begin(), f.surface.colours.end(),
                      std::array<double, 3>{255, 0, 0}) != f.surface.colours.end());
    QCOMPARE(f.window.styles, (std::vector<double>{12, 0})); // solid again at the end
    QCOMPARE(f.window.printed, std::string());
    QCOMPARE(f.window.pages, 0);
}

void SheetDrawingTest::colourCommandsCycleAndEchoesWrap() {
    Fixture f("rgb7\trgb3\tabc\r\nRVB0\t\t\r\nRVB0\t\t\r\nq\tw\te\r\nr\tt\t\r\n");
    f.window.printing = true;
    f.draw();
    // rgb7, then rgb3 in the same row (blue), RVB0 → 4, RVB0 → 5; echoes of the six texts.
    std::vector<std::array<double, 3>> expected = {
        {128, 128, 0}, {0, 0, 255}, {255, 255, 0}, {0, 255, 255}};
    std::vector<std::array<double, 3>> drawn(f.surface.colours.end() - 5,
                                             f.surface.colours.end() - 1);
    QCOMPARE(drawn, expected);
    QCOMPARE(f.window.printed, std::string("?Cmd abc?  ?Cmd q?  ?Cmd w?  ?Cmd e?  ?Cmd r?  \r\n"
                                           "?Cmd t?  "));
    QCOMPARE(f.window.pages, 1); // printing is on: the page goes out at the end

    // The cycling code comes back to 0 once the index reaches 9.
    Fixture g("rgb7\t\t\r\nRVB0\t\t\r\nRVB0\t\t\r\n");
    g.draw();
    const std::vector<std::array<double, 3>> cycle(g.surface.colours.end() - 4,
                                                   g.surface.colours.end() - 1);
    QCOMPARE(cycle, (std::vector<std::array<double, 3>>{{128, 128, 0}, {0, 128, 128}, {0, 0, 0}}));
}

void SheetDrawingTest::reachScalesAViewAroundTheOrigin() {
    Fixture f("3\t4\t0\r\n0\t0\t-12\r\nnote\t\t\r\n");
    f.draw();
    // Reach: |(0, 0, -12)| = 12; the view spans 1.1 × 12 on each side of the origin.
    QCOMPARE(f.surface.laidOut.size(), std::size_t(1));
    const auto& w = f.surface.laidOut[0];
    QVERIFY(Near(w[0], -13.2) && Near(w[1], 13.2) && Near(w[2], -13.2) && Near(w[3], 13.2));
}

void SheetDrawingTest::centringFramesThePointsBox() {
    // Box [9, 11] × [18, 22] × [27, 33]: centre (10, 20, 30), half-diagonal √(1 + 4 + 9).
    Fixture f("9\t18\t27\r\n11\t22\t33\r\n\t\t\r\n10\t20\t30\r\n");
    f.host.centring = true;
    f.host.automatic = true;
    f.draw();
    const double h = 1.01 * std::sqrt(14.0);
    QCOMPARE(f.surface.laidOut.size(), std::size_t(4));
    // View 3 looks along -X: its window is centred on (y, z) = (20, 30).
    const auto& w = f.surface.laidOut[3];
    QVERIFY(Near(w[0], 20 - h) && Near(w[1], 20 + h) && Near(w[2], 30 - h) && Near(w[3], 30 + h));
    // View 0 looks down the Z axis from above: its window is centred on x, y (up to orientation).
    const auto& top = f.surface.laidOut[0];
    QVERIFY(Near(std::abs((top[0] + top[1]) / 2), 20) || Near(std::abs((top[0] + top[1]) / 2), 10));
    QVERIFY(Near(top[1] - top[0], 2 * h));
    QCOMPARE(f.k.scene.cubeCentre(1), 10.0);
    QCOMPARE(f.k.scene.cubeCentre(3), 30.0);
    QCOMPARE(f.state.boxComputedFlag, 1.0);
    QCOMPARE(f.window.styles, std::vector<double>{0});
}

void SheetDrawingTest::automaticViewsDrawTheSameCurvesFourTimes() {
    Fixture f("0\t0\t0\r\n1\t1\t1\r\n2\t0\t1\r\n\t\t\r\n0\t0\t1\r\n0\t1\t1\r\nabc\t\t\r\n");
    f.host.automatic = true;
    f.draw();
    QCOMPARE(f.host.asked, 0); // the angles are the automatic ones
    QCOMPARE(f.window.placed,
             (std::vector<std::array<int, 3>>{{0, 0, 0}, {1, 1, 0}, {2, 0, 1}, {3, 1, 1}}));
    QCOMPARE(f.window.commandsFronted, 1);
    for (int view = 0; view < 4; ++view) {
        const auto n = std::count_if(f.surface.segments.begin(), f.surface.segments.end(),
                                     [&](const test::DrawnSegment& s) { return s.view == view; });
        QCOMPARE(int(n), 3);
        QCOMPARE(f.k.pointCount(view), 5.0);
    }
    QCOMPARE(f.window.printed, std::string("?Cmd abc?  ?Cmd abc?  ?Cmd abc?  ?Cmd abc?  "));
}

QTEST_GUILESS_MAIN(SheetDrawingTest)
#include "sheetdrawing_test.moc"
