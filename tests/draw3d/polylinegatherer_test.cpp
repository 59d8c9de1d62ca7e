// Tests of the polyline gathering behind long traces: joining, merging and continuing.
#include "draw3d/polylinegatherer.h"

#include <QTest>

using namespace gyro;

class PolylineGathererTest : public QObject {
    Q_OBJECT
private slots:
    void joinsMergesAndBreaks();
    void batchIsDrawnAndTheLineGoesOn();
};

namespace {
std::vector<QPolygonF> drained(PolylineGatherer& g) {
    std::vector<QPolygonF> lines;
    g.drain([&](const QPolygonF& l) { lines.push_back(l); });
    return lines;
}
} // namespace

void PolylineGathererTest::joinsMergesAndBreaks() {
    PolylineGatherer g(0.25);
    g.add({0, 0}, {10, 0});
    g.add({10, 0}, {10.1, 0});   // too close to be seen: held back
    g.add({10.1, 0}, {10.2, 0}); // still within 0.25 of (10, 0)
    g.add({10.2, 0}, {20, 0});   // far: kept, the held-back point is dropped
    g.add({20, 0}, {20, 0.1});   // ends the line close by: kept as its last point
    g.add({50, 50}, {60, 50});   // does not start where the last ended: a new line
    const auto lines = drained(g);
    QCOMPARE(lines.size(), std::size_t(2));
    QCOMPARE(lines[0], QPolygonF({{0, 0}, {10, 0}, {20, 0}, {20, 0.1}}));
    QCOMPARE(lines[1], QPolygonF({{50, 50}, {60, 50}}));
    QVERIFY(g.empty());
}

void PolylineGathererTest::batchIsDrawnAndTheLineGoesOn() {
    PolylineGatherer g(0.25, 4);
    QVERIFY(!g.add({0, 0}, {1, 0}));
    QVERIFY(!g.add({1, 0}, {2, 0}));
    QVERIFY(g.add({2, 0}, {3, 0})); // four points gathered
    QCOMPARE(drained(g).front().size(), 4);
    g.add({3, 0}, {4, 0}); // joins on screen: starts from the last point drawn
    const auto lines = drained(g);
    QCOMPARE(lines.size(), std::size_t(1));
    QCOMPARE(lines[0], QPolygonF({{3, 0}, {4, 0}}));
}

QTEST_MAIN(PolylineGathererTest)
#include "polylinegatherer_test.moc"
