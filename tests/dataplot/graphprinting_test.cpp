// The magnifier and the composite view redrawn from a known stored curve: which points count as
// inside a zone, what the page holds for each answer, and which questions are asked.
#include "dataplot/graphprinting.h"
#include "kelaxes/drawingsurface.h"
#include "scene/kelmirav.h"
#include "support/scriptedasker.h"

#include <QImage>
#include <QtTest>

#include <cmath>

using namespace gyro;

namespace {

// Looking along -X: image X = y, image Y = z. Two curves in view `view`: a horizontal line at
// z = 0 from y = -0.8 to 0.8 (17 points), and a short one at z = 0.5.
void storeCurves(KelMirav& k, int view) {
    k.view.ascensionDeg = 0;
    k.view.declinationDeg = 0;
    k.currentView = view;
    k.KelT(0, 0, 0, 0, 1, 1);
    k.startFigure();
    for (int i = -8; i <= 8; ++i) k.plot(Vecteur3(0, i / 10.0, 0));
    k.PenLift();
    for (int i = 0; i <= 2; ++i) k.plot(Vecteur3(0, i / 10.0, 0.5));
}

// Dark pixels in a column range of an image row.
int darkInRow(const QImage& image, int row, int from, int to) {
    int n = 0;
    for (int x = std::max(0, from); x < std::min(image.width(), to); ++x)
        n += qGray(image.pixel(x, row)) < 128;
    return n;
}

// Leftmost and rightmost dark column of the band of rows around `row`.
std::pair<int, int> darkExtent(const QImage& image, int row) {
    int left = image.width(), right = -1;
    for (int y = std::max(0, row - 3); y <= std::min(image.height() - 1, row + 3); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return {left, right};
}

} // namespace

class GraphPrintingTest : public QObject {
    Q_OBJECT
private slots:
    void pointsOnTheBorderAreOutside();
    void onlyLinesWithBothEndsInsideArePrintedWhenAsked();
    void questionsAndFlatZones();
    void compositeMarksEachCurveStart();
};

void GraphPrintingTest::pointsOnTheBorderAreOutside() {
    KelMirav k;
    storeCurves(k, 0);
    QCOMPARE(k.pointCount(0), 20.0);
    struct Case {
        Zone zone;
        int n;
        double in, segment;
    } cases[] = {
        {{-0.55, 0.1, 0.55, -0.1}, 8, 1, 1},  // y = 0 inside, next one too
        {{-0.55, 0.1, 0.55, -0.1}, 13, 1, 0}, // y = 0.5 inside, y = 0.6 outside
        {{-0.5, 0.1, 0.5, -0.1}, 3, 0, 0},    // y = -0.5 on the left border
        {{-0.55, 0.1, 0.55, 0.0}, 8, 0, 0},   // z = 0 on the lower border
        {{-0.55, 0.6, 0.55, 0.4}, 17, 1, 1},  // the second curve
        {{-0.55, 0.1, 0.55, -0.1}, 19, 0, 0}, // last point: no point after it
        {{-1, 1, 1, -1}, 20, 0, 0},           // past the points stored
        {{-1, 1, 1, -1}, -1, 0, 0},
    };
    for (const Case& c : cases) {
        QCOMPARE(InZone(k, 0, c.zone, c.n), c.in);
        QCOMPARE(SegmentInZone(k, 0, c.zone, c.n), c.segment);
    }
    // Views without stored points (5 and above) and empty views hold nothing.
    QCOMPARE(InZone(k, 5, {-1, 1, 1, -1}, 0), 0.0);
    QCOMPARE(InZone(k, 1, {-1, 1, 1, -1}, 0), 0.0);
    const Zone z = ZoneFromCorners(0.5, -0.3, -0.5, 0.3);
    QVERIFY(z.x1 == -0.5 && z.x2 == 0.5 && z.y1 == 0.3 && z.y2 == -0.3);
}

void GraphPrintingTest::onlyLinesWithBothEndsInsideArePrintedWhenAsked() {
    KelMirav k;
    storeCurves(k, 0);
    // The zone spans y in (-0.5, 0.5): inside, the points run from -0.4 to 0.4, 80 % of it.
    const Zone zone{-0.5, 0.3, 0.5, -0.3};
    for (const char* allLines : {kYes, kNo}) {
        test::ScriptedAsker asker({kYes, allLines});
        DrawingSurface magnifier(QSizeF(500, 300));
        QImage page;
        const PrintResult r =
            PrintLoupe(k, 0, zone, magnifier, asker, [&](const DrawingSurface& s) {
                page = s.toImage(QSize(1000, 600));
                return true;
            });
        QVERIFY(r.asked && r.printed);
        QCOMPARE(r.allLines, std::string(allLines) == kYes);
        QCOMPARE(asker.count(kPrintTitle), 2);
        // z = 0 is half-way down the zone.
        const auto [left, right] = darkExtent(page, 300);
        const double share = (right - left) / 1000.0;
        if (r.allLines)
            QVERIFY2(share > 0.97, qPrintable(QString::number(share)));
        else
            QVERIFY2(std::fabs(share - 0.8) < 0.03, qPrintable(QString::number(share)));
        // The screen shows every line of the zone, whatever is printed.
        const auto screen = darkExtent(magnifier.toImage(QSize(1000, 600)), 300);
        QVERIFY((screen.second - screen.first) / 1000.0 > 0.97);
    }
}

void GraphPrintingTest::questionsAndFlatZones() {
    KelMirav k;
    storeCurves(k, 0);
    int pages = 0;
    const PicturePrinter print = [&](const DrawingSurface&) { return ++pages, true; };
    DrawingSurface magnifier(QSizeF(400, 400));

    // "No" to paper: no second question, nothing printed.
    test::ScriptedAsker no({kNo});
    QVERIFY(!PrintLoupe(k, 0, {-0.5, 0.3, 0.5, -0.3}, magnifier, no, print).printed);
    QCOMPARE(no.questions.size(), std::size_t(1));
    QCOMPARE(no.questions[0].prompt, std::string(kPaperQuestion));
    QCOMPARE(no.questions[0].defaultAnswer, std::string(kNo));
    // A closed question prints nothing either.
    test::ScriptedAsker closed({""});
    QVERIFY(!PrintLoupe(k, 0, {-0.5, 0.3, 0.5, -0.3}, magnifier, closed, print).printed);
    QCOMPARE(pages, 0);

    // A flat zone is refused before any question.
    test::ScriptedAsker none;
    QVERIFY(!PrintLoupe(k, 0, {0.2, 0.1, 0.2, -0.1}, magnifier, none, print).asked);
    QVERIFY(none.questions.empty());
}

void GraphPrintingTest::compositeMarksEachCurveStart() {
    KelMirav k;
    for (int view = 0; view < 4; ++view) storeCurves(k, view);
    DrawingSurface composite(QSizeF(800, 800));
    test::ScriptedAsker asker({kNo});
    int pages = 0;
    PrintComposite(k, composite, asker, [&](const DrawingSurface&) { return ++pages, true; });
    QCOMPARE(pages, 0);
    QCOMPARE(asker.count(kPrintTitle), 1);
    const QImage image = composite.toImage(QSize(800, 800));
    for (int view = 0; view < 4; ++view) {
        // Each view fitted into its quarter, as the composite lays it out.
        const ViewWindow& w = k.windowOf(view);
        const double scale = std::min(400 / (w[2] - w[0]), 400 / (w[1] - w[3])) * 0.96;
        const QPointF centre((view % 2) * 400 + 200, (view / 2) * 400 + 200);
        const auto at = [&](double x, double y) {
            return (centre +
                    QPointF((x - (w[0] + w[2]) / 2) * scale, -(y - (w[1] + w[3]) / 2) * scale))
                .toPoint();
        };
        // The line at z = 0 is drawn; just left of each curve's start only its circle (4 pixels
        // in radius) can show.
        const QPoint start = at(-0.8, 0), second = at(0, 0.5);
        QVERIFY(darkInRow(image, start.y(), start.x() + 20, start.x() + 60) > 30);
        QVERIFY2(darkInRow(image, start.y(), start.x() - 6, start.x() - 2) > 0,
                 qPrintable(QString("view %1").arg(view)));
        QVERIFY(darkInRow(image, second.y(), second.x() - 6, second.x() - 2) > 0);
        // Half-way along the line there is no circle above it.
        const QPoint middle = at(-0.4, 0);
        QCOMPARE(darkInRow(image, middle.y() - 4, middle.x() - 2, middle.x() + 2), 0);
    }
}

QTEST_MAIN(GraphPrintingTest)
#include "graphprinting_test.moc"
