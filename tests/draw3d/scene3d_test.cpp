// Tests of the scene model: traces, pen lifts, colours, the point budget and its thinning.
#include "scene/scene3d.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

using namespace gyro;

class Scene3DTest : public QObject {
    Q_OBJECT
private slots:
    void pointsMakeOneTraceThatPenLiftBreaks();
    void colourRules_data();
    void colourRules();
    void farFromOriginKeepsPrecision();
    void undrawablePointBreaksTrace();
    void minStepDropsNearDuplicates();
    void shotStartsNewTraceWithTag();
    void budgetThinningKeepsPenLiftsAndEnds();
    void longTraceThinsIntoPiecesOfItsOrbit();
    void budgetOfTinyPiecesStaysBounded();
    void thinningIsSpreadOverArrivingPoints_data();
    void thinningIsSpreadOverArrivingPoints();
    void thinningMovesTheNewestChunksWhole();
    void segmentThinningKeepsWholeGroups();
    void stepArrowsStoreWhatTheirCallsStore();
    void arrowEndsKeepPrecisionAndDirection();
    void clearEmptiesAndBumpsLayout();
};

void Scene3DTest::pointsMakeOneTraceThatPenLiftBreaks() {
    Scene3D s;
    for (int i = 0; i < 5; ++i) s.Point(i, 0, 0);
    s.PenLift(0, 0);
    for (int i = 0; i < 3; ++i) s.Point(i, 1, 0);
    QCOMPARE(s.pointCount(), std::size_t{8});
    QCOMPARE(s.pieceCount(), std::size_t{2});
    QVERIFY(s.rawPoint(0).startsPiece());
    QVERIFY(!s.rawPoint(4).startsPiece());
    QVERIFY(s.rawPoint(5).startsPiece());
    QCOMPARE(s.pointAt(6).y, 1.0);
    // Mode 1: every point is its own dot.
    s.SetMode(1);
    s.Point(9, 9, 9);
    s.Point(9, 9, 8);
    QCOMPARE(s.pieceCount(), std::size_t{4});
}

void Scene3DTest::colourRules_data() {
    QTest::addColumn<double>("r");
    QTest::addColumn<double>("g");
    QTest::addColumn<double>("b");
    QTest::addColumn<uint>("rgb");
    QTest::newRow("as passed") << 255.0 << 50.0 << 100.0 << uint(0xFF3264);
    QTest::newRow("rounded") << 124.6 << 0.4 << 10.5 << uint(0x7D000B);
    QTest::newRow("clamped") << 300.0 << -5.0 << std::nan("") << uint(0xFF0000);
    // Halves round up; the double just below a half does not.
    QTest::newRow("halves") << 254.5 << 0.5 << 0.49999999999999994 << uint(0xFF0100);
}

void Scene3DTest::colourRules() {
    QFETCH(double, r);
    QFETCH(double, g);
    QFETCH(double, b);
    QFETCH(uint, rgb);
    Scene3D s;
    s.SetColour(r, g, b);
    s.Point(0, 0, 0);
    QCOMPARE(s.rawPoint(0).rgb(), rgb);
    // Arrows and circles take the colour set last; points keep the last SetColour.
    s.SetLineColour(0, 0, 255);
    s.Segment(0, 0, 0, 1, 0, 0);
    s.Circle(1, 1);
    s.Point(1, 0, 0);
    QCOMPARE(s.segments().back().rgb, SceneRgb{0x0000FF});
    QCOMPARE(s.circles().back().rgb, SceneRgb{0x0000FF});
    QCOMPARE(s.rawPoint(1).rgb(), rgb);
    s.SetColour(0, 255, 0);
    s.Segment(0, 0, 0, 0, 1, 0);
    QCOMPARE(s.segments().back().rgb, SceneRgb{0x00FF00});
    // The same colour given again after a new run's black and a line colour is taken again.
    s.SetColour(r, g, b);
    s.SetShot(1);
    s.SetLineColour(0, 0, 255);
    s.SetColour(r, g, b);
    s.Segment(0, 0, 0, 0, 0, 1);
    s.Point(2, 0, 0);
    QCOMPARE(s.segments().back().rgb, rgb);
    QCOMPARE(s.rawPoint(s.pointCount() - 1).rgb(), rgb);
}

void Scene3DTest::farFromOriginKeepsPrecision() {
    // A drift far from the origin: offsets from each chunk's origin keep micrometres.
    Scene3D s;
    for (int i = 0; i < 40000; ++i) s.Point(1000.0 + i * 1e-6, -2000.0, 3e-6 * (i % 7));
    for (std::size_t i :
         {std::size_t{0}, std::size_t{16383}, std::size_t{16384}, std::size_t{39999}}) {
        const Point3d p = s.pointAt(i);
        QVERIFY(std::abs(p.x - (1000.0 + static_cast<double>(i) * 1e-6)) < 1e-7);
        QVERIFY(std::abs(p.z - 3e-6 * static_cast<double>(i % 7)) < 1e-9);
    }
    QCOMPARE(sizeof(TracePoint), std::size_t{16});
}

void Scene3DTest::undrawablePointBreaksTrace() {
    Scene3D s;
    s.Point(0, 0, 0);
    s.Point(1, 0, 0);
    s.Point(std::nan(""), 0, 0);
    s.Point(2, 0, 0);
    s.Point(INFINITY, 0, 0);
    QCOMPARE(s.pointCount(), std::size_t{3});
    QCOMPARE(s.pieceCount(), std::size_t{2});
    QCOMPARE(s.pointsReceived(), std::uint64_t{5});
    QVERIFY(s.bounds().valid);
    QCOMPARE(s.bounds().max.x, 2.0);
    // Each run's box starts afresh; the whole box keeps every run, asked for or not between.
    s.EndSetUp();
    s.Point(-3, 1, 0);
    s.EndSetUp();
    s.Point(0, 5, 0);
    QCOMPARE(s.runBounds().min.x, 0.0);
    QCOMPARE(s.runBounds().max.y, 5.0);
    QCOMPARE(s.bounds().min.x, -3.0);
    QCOMPARE(s.bounds().max.x, 2.0);
    QCOMPARE(s.bounds().max.y, 5.0);
}

void Scene3DTest::minStepDropsNearDuplicates() {
    Scene3D s;
    s.SetFrame(0, 0, 0, 0, 1.0, "");
    s.SetLimits(1.0, 1e-3);
    s.Point(0, 0, 0);
    s.Point(1e-4, 0, 0); // closer than 1e-3 m: dropped
    s.Point(2e-3, 0, 0);
    s.SetColour(255, 0, 0);
    s.Point(2.1e-3, 0, 0); // close but a new colour: kept
    s.PenLift();
    s.Point(2.15e-3, 0, 0); // close but a new piece: kept
    QCOMPARE(s.pointCount(), std::size_t{4});
}

void Scene3DTest::shotStartsNewTraceWithTag() {
    Scene3D s;
    s.SetLabel(5.0, "T");
    s.SetShot(0);
    s.SetColour(255, 0, 0);
    s.Point(0, 0, 0);
    s.Point(1, 0, 0);
    s.SetShot(1);
    s.Point(2, 0, 0);
    QCOMPARE(s.pieceCount(), std::size_t{2});
    QCOMPARE(s.labels().size(), std::size_t{2});
    QCOMPARE(s.labels()[0].text, std::string("T0"));
    QCOMPARE(s.labels()[1].text, std::string("T1"));
    QCOMPARE(s.labels()[1].at.x, 2.0);
    // Field lines drawn first: the tag moves to the trajectory's first point.
    s.SetShot(2);
    s.Point(5, 5, 5);
    s.PenLift();
    s.MarkTrajectoryStart();
    s.Point(3, 0, 0);
    QCOMPARE(s.labels().size(), std::size_t{3});
    QCOMPARE(s.labels()[2].text, std::string("T2"));
    QCOMPARE(s.labels()[2].at.x, 3.0);
}

void Scene3DTest::budgetThinningKeepsPenLiftsAndEnds() {
    Scene3D s;
    s.setPointBudget(100000);
    // Pieces of 37 points each (field-line-like), colour changing inside each piece.
    std::size_t pieces = 0;
    std::vector<Point3d> ends;
    for (int i = 0; i < 300000; ++i) {
        if (i % 37 == 0) {
            s.PenLift(0, 0);
            ++pieces;
        }
        s.SetColour(i % 37 < 18 ? 255 : 0, 0, 255);
        s.Point(i, std::sin(i * 0.01), 0);
    }
    QVERIFY(s.thinningCount() > 0);
    QVERIFY(s.pointCount() <= s.pointBudget());
    QVERIFY(s.pointCount() > s.pointBudget() / 2);
    QCOMPARE(s.pieceCount(), pieces);
    // Every piece keeps its first and last points: piece starts are at multiples of 37, and
    // the point before each start is the previous piece's last.
    for (std::size_t i = 0; i < s.pointCount(); ++i) {
        const auto x = static_cast<long>(std::lround(s.pointAt(i).x));
        QCOMPARE(s.rawPoint(i).startsPiece(), x % 37 == 0);
        if (i + 1 < s.pointCount() && s.rawPoint(i + 1).startsPiece()) QCOMPARE(x % 37, 36L);
    }
    // The newest points are all still there.
    QCOMPARE(s.pointAt(s.pointCount() - 1).x, 299999.0);
    QCOMPARE(s.pointAt(s.pointCount() - 1000).x, 299000.0);
}

// One long gyration of 32 points a turn, thinned many times: whatever is joined stays one step
// apart along the circle, never a chord across it, and the oldest turns are still there.
void Scene3DTest::longTraceThinsIntoPiecesOfItsOrbit() {
    Scene3D s;
    s.setPointBudget(20000);
    for (int i = 0; i < 1000000; ++i) {
        const double phase = 2 * M_PI * i / 32;
        s.Point(std::cos(phase), std::sin(phase), i * 1e-6);
    }
    QVERIFY(s.thinningCount() >= 5);
    QVERIFY(s.pointCount() <= s.pointBudget());
    QVERIFY(s.pointAt(0).z < 1e-3);
    const double step = 2 * std::sin(M_PI / 32) + 1e-5;
    for (std::size_t i = 1; i < s.pointCount(); ++i) {
        if (s.rawPoint(i).startsPiece()) continue;
        const Point3d a = s.pointAt(i - 1), b = s.pointAt(i);
        QVERIFY2(std::hypot(a.x - b.x, a.y - b.y) < step, qPrintable(QString::number(i)));
    }
}

void Scene3DTest::budgetOfTinyPiecesStaysBounded() {
    Scene3D s;
    s.setPointBudget(40000);
    for (int i = 0; i < 200000; ++i) {
        if (i % 2 == 0) s.PenLift();
        s.Point(i, 0, 0);
    }
    QVERIFY(s.pointCount() <= s.pointBudget());
    QVERIFY(s.rawPoint(0).startsPiece());
    QCOMPARE(s.pointAt(s.pointCount() - 1).x, 199999.0);
    // Still pieces of two points: whole pieces went, none was cut.
    QCOMPARE(s.pieceCount() * 2, s.pointCount());
}

void Scene3DTest::thinningIsSpreadOverArrivingPoints_data() {
    QTest::addColumn<int>("pieceLength"); // 0: one long gyration
    QTest::newRow("long orbit") << 0;
    QTest::newRow("blocks") << 200;
    QTest::newRow("field lines") << 37;
    QTest::newRow("pairs") << 2;
}

// The same points into two scenes: one thins a share at each arriving point, the other finishes
// every thinning at once. Both must end identical, point for point, while no single point
// carries more than a batch of the work and the budget is never passed.
void Scene3DTest::thinningIsSpreadOverArrivingPoints() {
    QFETCH(int, pieceLength);
    Scene3D spread, atOnce;
    for (Scene3D* s : {&spread, &atOnce}) s->setPointBudget(30000);
    std::uint64_t largestShare = 0;
    bool sawThinningUnderWay = false;
    for (int i = 0; i < 400000; ++i) {
        const double phase = 2 * M_PI * i / 40;
        const bool lift = pieceLength > 0 && i % pieceLength == 0;
        const std::uint64_t work = spread.thinningWork();
        for (Scene3D* s : {&spread, &atOnce}) {
            if (lift) s->PenLift();
            s->SetColour(i % 7 < 3 ? 255 : 0, 0, 0);
            s->Point(1e3 + std::cos(phase), std::sin(phase), i * 1e-6);
        }
        atOnce.finishThinning();
        largestShare = std::max(largestShare, spread.thinningWork() - work);
        sawThinningUnderWay = sawThinningUnderWay || spread.thinning();
        QVERIFY(spread.pointCount() <= spread.pointBudget());
    }
    QVERIFY(sawThinningUnderWay);
    QVERIFY(largestShare > 0);
    QVERIFY(largestShare <= Scene3D::kThinBatch + Scene3D::kThinBlock);
    spread.finishThinning();
    QVERIFY(spread.thinningCount() >= 5);
    // The memory of the chunks thinnings replaced is reused, not piled up: the points' chunk
    // and at most two spare ones (the budget fits one), and the marks.
    const std::size_t chunkBytes = Scene3D::kChunkSize * sizeof(TracePoint);
    QVERIFY(spread.pointStorageBytes() <= 3 * chunkBytes + (1 << 20));
    QCOMPARE(spread.thinningCount(), atOnce.thinningCount());
    QCOMPARE(spread.pointCount(), atOnce.pointCount());
    for (std::size_t i = 0; i < spread.pointCount(); ++i) {
        const Point3d a = spread.pointAt(i), b = atOnce.pointAt(i);
        if (a.x != b.x || a.y != b.y || a.z != b.z ||
            spread.rawPoint(i).rgbFlags != atOnce.rawPoint(i).rgbFlags)
            QFAIL(qPrintable(QString("point %1 differs").arg(i)));
    }
}

namespace {
// The chunks must follow on from each other, none empty, and every point number must find its
// own chunk.
bool chunksChainUp(const Scene3D& s) {
    std::size_t next = 0;
    for (const TraceChunk& c : s.chunks()) {
        if (c.first != next || c.points.empty()) return false;
        for (std::size_t k = 0; k < c.points.size(); ++k)
            if (&s.rawPoint(c.first + k) != &c.points[k]) return false;
        next = c.end();
    }
    return next == s.pointCount();
}
} // namespace

// A budget of many chunks: at a thinning the chunks wholly in the newest half move over as they
// are; only the kept old points and the newest half's points up to the next chunk are written.
void Scene3DTest::thinningMovesTheNewestChunksWhole() {
    Scene3D s;
    int i = 0;
    const auto add = [&s, &i] {
        const double phase = 2 * M_PI * i / 40;
        if (i % 50000 == 0) s.PenLift();
        s.SetColour(i / 1000 % 2 * 255, 0, 0);
        s.Point(1e3 + std::cos(phase), std::sin(phase), i * 1e-6);
        ++i;
    };
    for (int thinning = 1; thinning <= 3; ++thinning) {
        while (!s.thinning()) add();
        // The thinning started before the newest point was stored.
        const std::size_t n = s.pointCount() - 1, half = n / 2;
        std::vector<Point3d> newest;
        std::vector<std::uint32_t> flags;
        for (std::size_t k = half; k < s.pointCount(); ++k) {
            newest.push_back(s.pointAt(k));
            flags.push_back(s.rawPoint(k).rgbFlags);
        }
        std::vector<const TracePoint*> movable;
        for (const TraceChunk& c : s.chunks())
            if (c.first > half) movable.push_back(c.points.data());
        QVERIFY(movable.size() >= 3);
        while (s.thinning()) {
            add();
            newest.push_back(s.pointAt(s.pointCount() - 1));
            flags.push_back(s.rawPoint(s.pointCount() - 1).rgbFlags);
        }
        QCOMPARE(s.thinningCount(), std::size_t(thinning));
        QVERIFY(chunksChainUp(s));
        for (const TracePoint* data : movable) {
            const auto& chunks = s.chunks();
            QVERIFY(std::any_of(chunks.begin(), chunks.end(),
                                [data](const TraceChunk& c) { return c.points.data() == data; }));
        }
        // The newest half and what came since stay as they were, to a float's rounding; only
        // its first point may start a piece of its own.
        const std::size_t from = s.pointCount() - newest.size();
        QVERIFY(s.intactPoints() >= newest.size() - 1);
        for (std::size_t k = 0; k < newest.size(); ++k) {
            const Point3d a = s.pointAt(from + k), b = newest[k];
            const std::uint32_t f = s.rawPoint(from + k).rgbFlags;
            if (std::abs(a.x - b.x) + std::abs(a.y - b.y) + std::abs(a.z - b.z) > 1e-6 ||
                (f != flags[k] && (k > 0 || (f & ~TracePoint::kPieceStart) != flags[k])))
                QFAIL(qPrintable(QString("point %1 of the newest half differs").arg(k)));
        }
    }
    // A budget lowered far below the newest half cuts inside it and moves what stays.
    const Point3d newestPoint = s.pointAt(s.pointCount() - 1);
    s.setPointBudget(200000);
    QVERIFY(s.pointCount() <= 200000);
    QVERIFY(chunksChainUp(s));
    QVERIFY(s.rawPoint(0).startsPiece());
    QCOMPARE(s.pointAt(s.pointCount() - 1).z, newestPoint.z);
}

namespace {
// The arrow thinning's rule, written plainly over the arrows' step numbers: at seven eighths of
// the budget, one step in ArrowStore::kKeepOneIn of the oldest half stays (a step straddling the
// middle goes or stays whole); should that free less than a tenth of the budget, the oldest arrows
// go down to three quarters of it.
struct ArrowRule {
    std::size_t budget;
    std::vector<int> steps, ids; // per stored arrow, oldest first
    std::size_t intact = 0;
    void thin() {
        const std::size_t n = steps.size(), half = n / 2;
        std::vector<int> keptSteps, keptIds;
        std::size_t groups = 0, droppedNewer = 0;
        bool keep = true;
        for (std::size_t i = 0; i < n; ++i) {
            const bool same = i > 0 && steps[i] == steps[i - 1];
            if (i < half && i > 0 && !same) ++groups;
            if (i < half)
                keep = groups % ArrowStore<SceneSegment>::kKeepOneIn == 0;
            else if (!same)
                keep = true;
            if (keep)
                keptSteps.push_back(steps[i]), keptIds.push_back(ids[i]);
            else if (i >= half)
                ++droppedNewer;
        }
        const std::size_t kept = keptSteps.size(), target = budget * 3 / 4;
        const std::size_t cut = n - kept < budget / 10 && kept > target ? kept - target : 0;
        steps.assign(keptSteps.begin() + static_cast<std::ptrdiff_t>(cut), keptSteps.end());
        ids.assign(keptIds.begin() + static_cast<std::ptrdiff_t>(cut), keptIds.end());
        intact = std::min({intact, n - half - droppedNewer, steps.size()});
    }
    void add(int step, int id) {
        if (steps.size() >= budget - budget / 8) thin();
        steps.push_back(step), ids.push_back(id), ++intact;
    }
};
} // namespace

void Scene3DTest::segmentThinningKeepsWholeGroups() {
    // Steps with three arrows, with none to five, and a stretch of steps with two hundred (so
    // few groups that a thinning barely frees anything), through thinnings, a lowered budget and
    // arrows given one call per step or three calls per arrow: the store holds exactly the
    // arrows the rule keeps, in order, each with its own start, end and step.
    Scene3D s;
    s.setSegmentBudget(3000);
    ArrowRule rule{3000, {}, {}, 0};
    int id = 0;
    for (int step = 0; step < 20000; ++step) {
        if (step == 12000) {
            s.setSegmentBudget(1500);
            rule.budget = 1500;
            while (rule.steps.size() > rule.budget) rule.thin();
        }
        s.Point(step, 0, 0);
        const int count = step < 6000 ? 3 : step < 6040 ? 200 : (step * 7) % 6;
        std::vector<StepArrow> arrows;
        for (int k = 0; k < count; ++k, ++id) {
            rule.add(step, id);
            arrows.push_back({1, 0, 0, 255, true, double(step), double(id), 0.5});
            if (step % 2) s.Segment(step, 0, 0, step, id, 0.5);
        }
        if (step % 2 == 0) s.StepArrows(step, 0, 0, arrows.data(), count, 2);
    }
    QVERIFY(s.thinningCount() > 20);
    const auto segs = s.segments();
    QCOMPARE(segs.size(), rule.ids.size());
    for (std::size_t i = 0; i < segs.size(); ++i) {
        const Point3d b = segs[i].b();
        if (segs[i].a.x != rule.steps[i] || b.x != rule.steps[i] || b.y != rule.ids[i] ||
            b.z != 0.5 || segs[i].group() != std::uint64_t(rule.steps[i] + 1))
            QFAIL(qPrintable(QString("arrow %1 differs").arg(i)));
    }
    QCOMPARE(s.intactSegments(), rule.intact);
    QCOMPARE(s.storedSegments(), std::uint64_t(id));
    // Memory stays within the buffer's bound for the largest budget set.
    QVERIFY(s.segmentStorageBytes() <=
            Scene3D::kSegmentBuffer * 3000 * (sizeof(SceneSegment) + sizeof(std::uint32_t)));
}

void Scene3DTest::stepArrowsStoreWhatTheirCallsStore() {
    // One scene takes a run's arrows in one call per step, the other through the three calls
    // per arrow; through colour changes, arrows not drawn, tips or points that are not finite,
    // and thinnings, both must hold the same arrows, box, scale and colour.
    Scene3D fast, calls;
    for (Scene3D* s : {&fast, &calls}) s->setSegmentBudget(1024);
    const double inf = std::numeric_limits<double>::infinity();
    for (int step = 0; step < 3000; ++step) {
        const double x = step % 997 == 5 ? NAN : std::cos(step * 0.01), y = step * 1e-3;
        const double red = step < 1500 ? 0 : 255;
        const StepArrow arrows[3] = {{0.5, red, 0, 255, true, x, y, 1.0},
                                     {0.0, 255, 128, 0, step % 7 != 0, x, y, step % 11 ? 0 : inf},
                                     {2.0, 0, 160, red, step % 5 != 0, x + 1, y, 0}};
        for (Scene3D* s : {&fast, &calls}) {
            s->SetColour(255, 50, 100);
            s->Point(x, y, 0);
        }
        fast.StepArrows(x, y, 0, arrows, 3, step % 2);
        calls.TraceSink::StepArrows(x, y, 0, arrows, 3, step % 2);
    }
    QVERIFY(fast.thinningCount() > 0);
    QCOMPARE(fast.thinningCount(), calls.thinningCount());
    QCOMPARE(fast.segments().size(), calls.segments().size());
    for (std::size_t i = 0; i < fast.segments().size(); ++i) {
        const SceneSegment &f = fast.segments()[i], &c = calls.segments()[i];
        QVERIFY2(f.a.x == c.a.x && f.a.y == c.a.y && f.b().x == c.b().x && f.b().y == c.b().y &&
                     f.b().z == c.b().z && f.rgb == c.rgb && f.groupHead == c.groupHead,
                 qPrintable(QString::number(i)));
    }
    QCOMPARE(fast.storedSegments(), calls.storedSegments());
    QCOMPARE(fast.intactSegments(), calls.intactSegments());
    for (auto box : {&Scene3D::bounds, &Scene3D::runBounds}) {
        const Bounds3d &f = (fast.*box)(), &c = (calls.*box)();
        QCOMPARE(f.min.x, c.min.x);
        QCOMPARE(f.max.y, c.max.y);
        QCOMPARE(f.max.z, c.max.z);
    }
    QCOMPARE(fast.vectorScale(), 2.0);
    QCOMPARE(fast.lastColour(), calls.lastColour());
    QCOMPARE(fast.lastColour(), SceneRgb{0x00A0FF});
}

void Scene3DTest::arrowEndsKeepPrecisionAndDirection() {
    // An arrow's end is kept as a float offset from its start: to a float's precision of its
    // length however far from the origin, and an arrow longer than a float can hold (a scale
    // factor run wild, the largest doubles) keeps its direction.
    const double big = std::numeric_limits<double>::max() / 1.5;
    const struct {
        Point3d a, b;
        bool cut;
    } cases[] = {{{1e7, -3e6, 2}, {1e7 + 1e-3, -3e6 - 2e-3, 2 + 5e-4}, false},
                 {{0, 0, 0}, {1e39, -5e38, 0}, true},
                 {{-big, 1, 0}, {big, 1, big / 3}, true}};
    for (const auto& c : cases) {
        Scene3D s;
        s.Point(c.a.x, c.a.y, c.a.z);
        s.Segment(c.a.x, c.a.y, c.a.z, c.b.x, c.b.y, c.b.z);
        QCOMPARE(s.segments().size(), std::size_t{1});
        const SceneSegment& g = s.segments()[0];
        const Point3d d{g.dx, g.dy, g.dz};
        const Point3d e{c.b.x / 2 - c.a.x / 2, c.b.y / 2 - c.a.y / 2, c.b.z / 2 - c.a.z / 2};
        const double dn = std::hypot(d.x, d.y, d.z), en = std::hypot(e.x, e.y, e.z);
        const Point3d cross{d.y * e.z - d.z * e.y, d.z * e.x - d.x * e.z, d.x * e.y - d.y * e.x};
        QVERIFY(std::hypot(cross.x, cross.y, cross.z) <= 1e-6 * dn * en);
        QVERIFY(d.x * e.x + d.y * e.y + d.z * e.z > 0);
        if (c.cut) {
            QVERIFY(dn <= 2 * SceneSegment::kLongest);
        } else {
            QVERIFY(std::hypot(d.x - 2 * e.x, d.y - 2 * e.y, d.z - 2 * e.z) <= 1e-7 * 2 * en);
            QCOMPARE(g.b().x, c.a.x + g.dx);
        }
    }
}

void Scene3DTest::clearEmptiesAndBumpsLayout() {
    Scene3D s;
    s.SetFrame(0, 0, 0, 0, 2.0, "run");
    s.Point(0, 0, 0);
    s.Segment(0, 0, 0, 1, 1, 1);
    s.Circle(1, 1);
    const auto layout = s.layoutRevision();
    s.Clear();
    QVERIFY(s.isEmpty());
    QVERIFY(!s.bounds().valid);
    QVERIFY(s.layoutRevision() > layout);
    QCOMPARE(s.frameExtent(), 2.0); // settings stay
    s.Point(1, 1, 1);
    QVERIFY(s.rawPoint(0).startsPiece());
}

QTEST_GUILESS_MAIN(Scene3DTest)
#include "scene3d_test.moc"
