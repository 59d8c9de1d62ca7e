// Tests of KelT and plot: projection, hiding behind the central body with the limb clipping,
// the box of "Cubic Visualisation", the stored points and the view tables.
#include "draw3d/fakesurface.h"
#include "numerics/errorreport.h"
#include "scene/kelmirav.h"
#include "scene/trajectoryredraw.h"
#include "simulation/trajectoryrecord.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>

using namespace gyro;
using gyro::test::FakeSurface;

namespace {
constexpr double kTol = 1e-12;

// A drawing looking along -X (right ascension 0, declination 0): image X = y, Y = z and the
// depth towards the viewer is x.
struct Fixture {
    Fixture() {
        ErrorReport::instance().reset();
        k = std::make_unique<KelMirav>();
        k->view.ascensionDeg = 0;
        k->view.declinationDeg = 0;
        k->setSurface(&surface);
    }
    void setUp(double h) { k->KelT(0, 0, 0, 0, h, 1); }
    FakeSurface surface;
    std::unique_ptr<KelMirav> k;
};
} // namespace

class PlotTest : public QObject {
    Q_OBJECT
private slots:
    void keltLaysOutTheViewAroundTheCentre();
    void originAndVisiblePoints();
    void depthFactorZeroHidesNothing();
    void verticalSegmentIsClippedWithSlopeZero();
    void segmentEnteringTheDiscStopsAtTheLimbNearerItsStart();
    void defaultCubeSpansFourFifthsOfTheWindow();
    void pointsBeyondTheTableAreDrawnNotStored();
    void viewSwitchReloadsTheWindow();
    void badViewOrPointIsReportedAndNotDrawn();
    void redrawFramesTheWholeTrajectory();
};

void PlotTest::keltLaysOutTheViewAroundTheCentre() {
    Fixture f;
    f.k->view.ascensionDeg = 90;
    // Centre R(0, 0, 90°)·(2, 0, 0) = (0, 2, 0); seen from +Y, screen-right is -X, so cx = 0.
    f.k->KelT(2, 0, 0, 90, 3, 0.25);
    QCOMPARE(f.surface.laidOut.size(), std::size_t(1));
    const auto& w = f.surface.laidOut[0];
    QVERIFY(std::fabs(w[0] + 3) < kTol && std::fabs(w[1] - 3) < kTol);
    QVERIFY(std::fabs(w[2] + 3) < kTol && std::fabs(w[3] - 3) < kTol);
    QCOMPARE(QString::fromStdString(f.surface.titles[0]), QString(" X_proj. | Z_proj. "));
    QCOMPARE(QString::fromStdString(f.surface.texts.back()), QString("ech: 1 / 4."));
    QCOMPARE(f.k->scene.drawingOn, 1.0);
    QVERIFY(f.k->windowOf(0)[4] != 0); // the view counts as set up
}

void PlotTest::originAndVisiblePoints() {
    Fixture f;
    f.setUp(10);
    f.k->scene.bodyRadius = 1; // points drawn at their altitude above a sphere of radius 1
    f.k->plot(Vecteur3(0, 3, 4));
    f.k->plot(Vecteur3(0, 0, 0)); // no division by the zero distance
    QCOMPARE(f.surface.segments.size(), std::size_t(1));
    const auto& s = f.surface.segments[0];
    // |P| = 5: the image is scaled by 1 - R/|P| = 0.8.
    QVERIFY(std::fabs(s.x0 - 2.4) < kTol && std::fabs(s.y0 - 3.2) < kTol);
    QCOMPARE(s.x1, 0.0);
    QCOMPARE(s.y1, 0.0);
}

void PlotTest::depthFactorZeroHidesNothing() {
    Fixture f;
    f.setUp(10);
    f.k->scene.discRadius = 5;
    for (double depthFactor : {0.0, 1.0}) {
        f.surface.segments.clear();
        f.k->scene.depthFactor = depthFactor;
        f.k->startFigure();
        f.k->plot(Vecteur3(-1, -3, 0)); // behind the origin plane, well inside the disc
        f.k->plot(Vecteur3(-1, 3, 0));
        QCOMPARE(f.surface.segments.size(), std::size_t(depthFactor == 0 ? 1 : 0));
    }
}

void PlotTest::verticalSegmentIsClippedWithSlopeZero() {
    Fixture f;
    f.setUp(10);
    f.k->scene.depthFactor = 1;
    f.k->scene.discRadius = 1;
    f.k->plot(Vecteur3(1, 0.5, 0.6)); // in front of the body
    f.k->plot(Vecteur3(-1, 0.5, 0));  // behind it, straight below on the screen
    QCOMPARE(f.surface.segments.size(), std::size_t(1));
    const auto& s = f.surface.segments[0];
    // Slope 0 through (0.5, 0.6) meets the unit limb at (±0.8, 0.6): the nearer is +0.8.
    QVERIFY(std::fabs(s.x1 - 0.8) < kTol && std::fabs(s.y1 - 0.6) < kTol);
}

void PlotTest::segmentEnteringTheDiscStopsAtTheLimbNearerItsStart() {
    Fixture f;
    f.setUp(10);
    f.k->scene.depthFactor = 1;
    f.k->scene.discRadius = 1;
    f.k->plot(Vecteur3(1, -2, -1));    // visible at (-2, -1)
    f.k->plot(Vecteur3(-1, 0, 0));     // hidden at the disc's centre
    f.k->plot(Vecteur3(-1, 0.1, 0.1)); // still hidden: the pen only moves
    f.k->plot(Vecteur3(-1, 3, 0));     // beside the disc: the trace shows again from here
    f.k->plot(Vecteur3(1, 4, 0));
    QCOMPARE(f.surface.segments.size(), std::size_t(2));
    // The line y = x/2 meets the unit circle at ±(2, 1)/√5; the nearer to (-2, -1) is negative.
    const double xl = -2 / std::sqrt(5.0), yl = -1 / std::sqrt(5.0);
    const auto& in = f.surface.segments[0];
    QVERIFY(std::fabs(in.x0 + 2) < kTol && std::fabs(in.y0 + 1) < kTol);
    QVERIFY(std::fabs(in.x1 - xl) < kTol && std::fabs(in.y1 - yl) < kTol);
    const auto& out = f.surface.segments[1];
    QVERIFY(std::fabs(out.x0 - 3) < kTol && std::fabs(out.x1 - 4) < kTol);
    QCOMPARE(f.k->pen(0).hiddenRun, 0.0);
}

void PlotTest::defaultCubeSpansFourFifthsOfTheWindow() {
    Fixture f;
    f.setUp(10);
    f.k->scene.cubeOn = 1;
    f.k->plot(Vecteur3(1, 2, 3));
    f.k->plot(Vecteur3(1, 2.5, 3.5));
    double low = HUGE_VAL, high = -HUGE_VAL;
    for (const auto& s : f.surface.segments)
        for (double c : {s.x0, s.y0, s.x1, s.y1}) low = std::min(low, c), high = std::max(high, c);
    QVERIFY(std::fabs(low + 8) < kTol && std::fabs(high - 8) < kTol);
    QCOMPARE(f.k->scene.cubeSize, 10.0);
    // Edges, then one segment each for the trace and its x, y and z shadows. The x shadow lies
    // on the face x = -8, seen edge-on: its image is the trace's own.
    const auto traced = [&](double x0, double y0, double x1, double y1) {
        return std::any_of(f.surface.segments.begin(), f.surface.segments.end(), [&](auto& s) {
            return std::fabs(s.x0 - x0) < kTol && std::fabs(s.y0 - y0) < kTol &&
                   std::fabs(s.x1 - x1) < kTol && std::fabs(s.y1 - y1) < kTol;
        });
    };
    QVERIFY(traced(2, 3, 2.5, 3.5)); // the trace
    QVERIFY(traced(-8, 3, -8, 3.5)); // shadow on y = -8
    QVERIFY(traced(2, -8, 2.5, -8)); // shadow on z = -8
    QCOMPARE(f.surface.segments.size(), std::size_t(15 + 4));
}

void PlotTest::pointsBeyondTheTableAreDrawnNotStored() {
    Fixture f;
    f.setUp(10);
    for (int i = 1; i <= kMaxStoredPoints + 1; ++i) f.k->plot(Vecteur3(0, i, 0));
    QCOMPARE(f.surface.segments.size(), std::size_t(kMaxStoredPoints)); // 32001 points drawn
    QCOMPARE(f.surface.segments.back().x1, double(kMaxStoredPoints + 1));
    QCOMPARE(f.k->pointCount(0), double(kMaxStoredPoints));
    QCOMPARE(f.k->pointCountBox(), double(kMaxStoredPoints));
    QCOMPARE(f.k->storedImage(0, kMaxStoredPoints - 1).x, double(kMaxStoredPoints));
    QCOMPARE(f.k->storedWorld(0, 0).pen, 0.0); // the first point only moved the pen
    QCOMPARE(f.k->storedWorld(0, 1).pen, 1.0);
}

void PlotTest::viewSwitchReloadsTheWindow() {
    Fixture f;
    f.k->currentView = 1;
    f.setUp(5);
    f.k->currentView = 0;
    f.setUp(1);
    f.k->plot(Vecteur3(0, 0, 0));
    QCOMPARE(f.k->currentWindow(), f.k->windowOf(0));
    f.k->currentView = 1;
    f.k->plot(Vecteur3(0, 0, 0));
    QCOMPARE(f.k->currentWindow(), f.k->windowOf(1));
    QCOMPARE(f.k->currentWindow()[2], 5.0);
    QCOMPARE(f.surface.selected.back().first, 1);
    QCOMPARE(f.surface.selected.back().second, f.k->windowOf(1));
}

void PlotTest::badViewOrPointIsReportedAndNotDrawn() {
    Fixture f;
    f.setUp(10);
    f.k->plot(Vecteur3(0, 1, 1));
    f.k->plot(Vecteur3(0, std::nan(""), 1));
    f.k->currentView = 11;
    f.k->plot(Vecteur3(0, 2, 2));
    f.k->currentView = -1;
    f.k->plot(Vecteur3(0, 2, 2));
    f.k->KelT(0, 0, 0, 0, 1, 1);
    QVERIFY(f.surface.segments.empty());
    QCOMPARE(f.k->pointCount(0), 1.0);
    const auto& log = ErrorReport::instance().lines();
    QCOMPARE(log.size(), std::size_t(4));
    QVERIFY(log[3].find("KelTfaute") != std::string::npos);
}

void PlotTest::redrawFramesTheWholeTrajectory() {
    // Two turns of a circle of radius 0.5 about (1, 2, 3) in the plane x = 1, seen along -X:
    // the image is the circle itself, centred on (2, 3).
    TrajectoryRecord record;
    for (int i = 0; i <= 800; ++i) {
        const double phase = 2 * M_PI * i / 400;
        record.add({0, 1, 2 + 0.5 * std::cos(phase), 3 + 0.5 * std::sin(phase), 0, 0, 0});
    }
    Fixture f;
    TrajectoryRedraw redraw(*f.k);
    QVERIFY(redraw.start(record, RedrawStyle{}));
    while (!redraw.advance(std::chrono::milliseconds(10))) {
    }
    QCOMPARE(redraw.drawn(), record.size());
    const auto& w = f.surface.laidOut.back();
    QVERIFY(std::fabs((w[0] + w[1]) / 2 - 2) < 1e-9 && std::fabs((w[2] + w[3]) / 2 - 3) < 1e-9);
    QVERIFY(w[1] - w[0] >= 1.0); // the whole circle fits
    QCOMPARE(f.surface.segments.size(), record.size() - 1);
    for (const auto& s : f.surface.segments)
        QVERIFY(std::fabs(std::hypot(s.x1 - 2, s.y1 - 3) - 0.5) < 1e-12);
    QCOMPARE(f.k->pointCount(0), double(record.size()));
    TrajectoryRecord empty;
    QVERIFY(!redraw.start(empty, RedrawStyle{}));

    // A long run the record had to thin (32 steps a gyration, about one sample kept in 64
    // steps): the drawn curve stays on the circle instead of cutting chords across it.
    TrajectoryRecord thinned(8192);
    for (int i = 0; i < 400000; ++i) {
        const double phase = 2 * M_PI * i / 32;
        thinned.add({0, 1, 2 + 0.5 * std::cos(phase), 3 + 0.5 * std::sin(phase), 0, 0, 0});
    }
    QVERIFY(thinned.stride() >= 32);
    f.surface.segments.clear();
    QVERIFY(redraw.start(thinned, RedrawStyle{}));
    // The run goes on while the redraw is under way, far off the circle, and the record halves
    // again: the redraw draws the samples as they stood at its start, and nothing else.
    const std::size_t taken = thinned.size();
    const std::size_t strideTaken = thinned.stride();
    for (int i = 0; i < 800000; ++i) thinned.add({0, 1, 20, 30, 0, 0, 0});
    QVERIFY(thinned.stride() > strideTaken);
    while (!redraw.advance(std::chrono::milliseconds(10))) {
    }
    QCOMPARE(redraw.drawn(), taken);
    QVERIFY(f.surface.segments.size() > taken * 9 / 10);
    // A chord of one step (11.25 degrees) passes within 0.5 (1 - cos 5.625°) of the circle.
    for (const auto& s : f.surface.segments) {
        const double mid = std::hypot((s.x0 + s.x1) / 2 - 2, (s.y0 + s.y1) / 2 - 3);
        QVERIFY2(mid > 0.497, qPrintable(QString::number(mid)));
    }
}

QTEST_MAIN(PlotTest)
#include "plot_test.moc"
