// The run driver: refusals, the scene set-up order, steps in slices, pause, pause time,
// "Other Case", nested runs, values typed during a run, the speed limit.
#include "simulation/rundriver.h"

#include "numerics/numberformat.h"
#include "numerics/rungekutta.h"
#include "simulation/boris.h"
#include "simulation/casekeys.h"
#include "simulation/caseslots.h"
#include "simulation/fields.h"
#include "simulation/integrationmethod.h"
#include "simulation/runrecord.h"
#include "simulation/tracesink.h"
#include "support/reportfixture.h"

#include <cmath>
#include <limits>
#include <thread>

namespace gyro {
namespace {

using namespace std::chrono_literals;

// Records the calls a run makes: their names in order, and the points.
class RecordingSink : public TraceSink {
public:
    void SetMode(int) override { calls.push_back("SetMode"); }
    void SetScene(double, double, double, double, double, double, double) override {
        calls.push_back("SetScene");
    }
    void SetVectorScale(double, std::int16_t) override { ++arrowsAnnounced; }
    void SetFrame(double, double, double, double, double extent, const std::string&,
                  std::optional<double>) override {
        calls.push_back("SetFrame");
        frameExtent = extent;
    }
    void EndSetUp(std::optional<double>, std::optional<double>) override {
        calls.push_back("EndSetUp");
    }
    void SetLabel(double, const std::string&) override { calls.push_back("SetLabel"); }
    void SetShot(double shot) override {
        calls.push_back("SetShot");
        shots.push_back(shot);
    }
    void SetViewText(const std::string&) override { calls.push_back("SetViewText"); }
    void Circle(double radius, double) override {
        calls.push_back("Circle");
        circles.push_back(radius);
    }
    void Point(double x, double y, double z) override { points.push_back({x, y, z}); }
    void Segment(double x1, double y1, double z1, double x2, double y2, double z2) override {
        ++segments;
        segmentLengths.push_back(
            std::sqrt((x2 - x1) * (x2 - x1) + (y2 - y1) * (y2 - y1) + (z2 - z1) * (z2 - z1)));
    }
    void SetColour(double r, double g, double b) override { colour = {r, g, b}; }
    void SetLineColour(double, double, double) override {}
    void SetLimits(double, double) override { calls.push_back("SetLimits"); }
    void PenLift(std::int16_t, std::int16_t) override { ++penLifts; }

    std::vector<std::string> calls;
    std::vector<double> shots;
    std::vector<double> circles;
    std::vector<Vecteur3> points;
    Vecteur3 colour;
    double frameExtent = 0;
    int segments = 0;
    std::vector<double> segmentLengths; // [m]
    int arrowsAnnounced = 0;
    int penLifts = 0;
};

class RunDriverTest : public test::ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        model.resetToDefaults();
        theCase().resetToDefaults();
        SpeciesRefresh(10);
    }
    // Uniform field along z, no electric field: a plain gyration.
    void uniformCase(CaseModel& m) {
        m.select(BoxFamily::Option4, slot::kUniform);
        m.setText(BoxFamily::Texte4, slot::kEx + 2, "");
        m.setText(BoxFamily::Texte6, slot::kBx + 2, "0.01");
        m.setText(BoxFamily::Texte3, slot::kVx + 1, "100000");
    }
    // Radius of the circle through three points of the xy plane.
    static double circumradius(const Vecteur3& a, const Vecteur3& b, const Vecteur3& c) {
        const double ab = std::hypot(a(1) - b(1), a(2) - b(2));
        const double bc = std::hypot(b(1) - c(1), b(2) - c(2));
        const double ca = std::hypot(c(1) - a(1), c(2) - a(2));
        const double cross = (b(1) - a(1)) * (c(2) - a(2)) - (b(2) - a(2)) * (c(1) - a(1));
        return ab * bc * ca / (2 * std::fabs(cross));
    }

    CaseModel& model = theCase();
    RecordingSink sink;
};

TEST_F(RunDriverTest, NullPositionOrVelocityIsRefusedWithASeriousWarning) {
    RunDriver driver(model, sink);
    model.setText(BoxFamily::Texte3, slot::kX, "0");
    asker.answers = {"OK"};
    EXPECT_FALSE(driver.RunTrajectory());
    ASSERT_EQ(asker.questions.size(), 1u);
    EXPECT_EQ(asker.questions[0].title, "Serious WARNING");
    EXPECT_EQ(asker.questions[0].defaultAnswer, "OK");
    EXPECT_EQ(asker.questions[0].prompt, "The initial position x,y,z is null. Please correct the "
                                         "values for a non null input");
    EXPECT_TRUE(sink.calls.empty()) << "nothing is drawn";

    model.setText(BoxFamily::Texte3, slot::kX, "0.0425");
    model.setText(BoxFamily::Texte3, slot::kVx + 1, "");
    asker.answers = {"OK"};
    EXPECT_FALSE(driver.RunTrajectory());
    ASSERT_EQ(asker.questions.size(), 2u);
    EXPECT_EQ(asker.questions[1].prompt,
              "The initial velocity x,y,z is null. Please correct the values for a non null "
              "input, or check the B field visualisation only. ");
    const std::vector<std::string> setUp = {"SetMode",  "SetShot",  "SetViewText", "SetLabel",
                                            "SetFrame", "SetScene", "SetLimits",   "EndSetUp",
                                            "Circle",   "Circle"};
    EXPECT_EQ(sink.calls, setUp) << "the scene and circles stay drawn";
    EXPECT_DOUBLE_EQ(sink.frameExtent, 0.0425);
    EXPECT_DOUBLE_EQ(sink.circles[0], 0.05);
    EXPECT_DOUBLE_EQ(sink.circles[1], 0.05 - 0.0155);
    EXPECT_TRUE(sink.points.empty());
    EXPECT_EQ(driver.shotCounter(), -1) << "the counter ends where it was";

    model.setText(BoxFamily::Texte3, slot::kVx + 1, "10");
    EXPECT_TRUE(driver.RunTrajectory());
    EXPECT_EQ(sink.shots.back(), 0) << "the first run that starts is shot 0";
}

TEST_F(RunDriverTest, StepsArriveInSlicesAsPointsInTheTrajectoryColour) {
    RunDriver driver(model, sink);
    ASSERT_TRUE(driver.RunTrajectory());
    const auto slice = driver.advance(1s, 500);
    EXPECT_EQ(slice.steps, 500u);
    EXPECT_TRUE(slice.active);
    EXPECT_EQ(sink.points.size(), 500u);
    EXPECT_EQ(driver.acceptedSteps(), 500u);
    EXPECT_GT(driver.time(), 0);
    EXPECT_EQ(sink.colour, Vecteur3(255, 0, 0)) << "colour table entries 1-3";
    EXPECT_DOUBLE_EQ(driver.time(), driver.state()(8));
    EXPECT_EQ(driver.record().size(), 501u); // the start, then every step
    EXPECT_EQ(driver.record()[0].t, 0.0);
}

TEST_F(RunDriverTest, PauseWaitsAndOtherCaseWhilePausedEndsTheRun) {
    RunDriver driver(model, sink);
    int ended = 0;
    driver.onRunEnded = [&] { ++ended; };
    ASSERT_TRUE(driver.RunTrajectory());
    driver.advance(1s, 10);
    driver.setPaused(true);
    auto slice = driver.advance(1s, 10);
    EXPECT_EQ(slice.steps, 0u);
    EXPECT_TRUE(slice.waiting);
    driver.setPaused(false);
    EXPECT_EQ(driver.advance(1s, 10).steps, 10u) << "Continue resumes";

    driver.setOtherCase(true);
    EXPECT_EQ(driver.advance(1s, 10).steps, 10u) << "\"Other Case\" alone does not stop a run";
    driver.setPaused(true);
    slice = driver.advance(1s, 10);
    EXPECT_FALSE(slice.active);
    EXPECT_FALSE(driver.running());
    EXPECT_FALSE(driver.otherCase()) << "the tag is cleared";
    EXPECT_EQ(ended, 1);
}

TEST_F(RunDriverTest, PauseTimeHoldsTheRunUntilALaterTimeIsTyped) {
    RunDriver driver(model, sink);
    ASSERT_TRUE(driver.RunTrajectory());
    driver.advance(1s, 20);
    const double t = driver.time();
    model.setText(BoxFamily::Texte3, slot::kPauseTime, FormatGeneral(t / 2));
    EXPECT_EQ(driver.advance(1s, 10).steps, 0u);
    model.setText(BoxFamily::Texte3, slot::kPauseTime, FormatGeneral(t * 10));
    EXPECT_GT(driver.advance(1s, 10).steps, 0u);
    // An empty or zero maximum time is no limit: it releases a waiting run.
    for (const char* none : {"", "0"}) {
        model.setText(BoxFamily::Texte3, slot::kPauseTime, FormatGeneral(driver.time() / 2));
        EXPECT_EQ(driver.advance(1s, 10).steps, 0u);
        model.setText(BoxFamily::Texte3, slot::kPauseTime, none);
        EXPECT_GT(driver.advance(1s, 10).steps, 0u) << '"' << none << '"';
    }
}

TEST_F(RunDriverTest, NestedRunSuspendsTheFirstWhichGoesOnFromItsOwnState) {
    RunDriver driver(model, sink);
    ASSERT_TRUE(driver.RunTrajectory());
    driver.advance(1s, 50);
    const StateArray outer = driver.state();
    const double outerTime = driver.time();

    model.setText(BoxFamily::Texte3, slot::kX, "0.03");
    ASSERT_TRUE(driver.RunTrajectory());
    EXPECT_EQ(driver.depth(), 2);
    EXPECT_EQ(driver.time(), 0);
    driver.advance(1s, 30);
    EXPECT_EQ(driver.acceptedSteps(), 30u);
    driver.setEndTime(1.5 * driver.time());
    driver.advance(1s, 100); // the inner run ends at the end time
    EXPECT_EQ(driver.depth(), 1);
    EXPECT_TRUE(driver.paused()) << "the run below waits for Continue";
    EXPECT_EQ(driver.time(), outerTime);
    EXPECT_EQ(driver.state()(1), outer(1));
    driver.setEndTime(std::numeric_limits<double>::infinity());
    driver.setPaused(false);
    driver.advance(1s, 5);
    EXPECT_EQ(driver.acceptedSteps(), 55u) << "the outer run goes on from its own state";
    EXPECT_EQ(sink.shots, (std::vector<double>{0, 1}));
    driver.setPaused(true);
    driver.setOtherCase(true);
    driver.advance(1s, 1); // the outer run ends: nothing is left to wait
    EXPECT_EQ(driver.depth(), 0);
    EXPECT_FALSE(driver.paused());
}

TEST_F(RunDriverTest, AFieldTypedDuringTheRunChangesTheCurvatureOfTheNextPoints) {
    uniformCase(model);
    model.setText(BoxFamily::Texte7, 0, "1e-9");
    SpeciesRefresh(10);
    RunDriver driver(model, sink);
    ASSERT_TRUE(driver.RunTrajectory());
    driver.advance(1s, 60);
    const double before = circumradius(sink.points[10], sink.points[30], sink.points[50]);
    const double mass = runRecord().Mass;
    const double charge = std::fabs(runRecord().Charge);
    EXPECT_NEAR(before, mass * 1e5 / (charge * 0.01), 1e-3 * before) << "r = m v / (|q| B)";
    model.setText(BoxFamily::Texte6, slot::kBx + 2, "0.02");
    const std::size_t from = sink.points.size();
    driver.advance(1s, 60);
    const double after =
        circumradius(sink.points[from + 10], sink.points[from + 30], sink.points[from + 50]);
    EXPECT_NEAR(after, before / 2, 1e-3 * before) << "twice the field, half the radius";
}

TEST_F(RunDriverTest, ArrowsAndFieldLinesFollowTheirCheckBoxes) {
    model.setState(BoxFamily::Coche1, slot::kDrawVectors, 1); // draw the vectors
    model.setState(BoxFamily::Coche1, slot::kAutoScale, 1);   // automatic scale
    model.setState(BoxFamily::Coche1, slot::kFieldLines, 1);  // field lines
    RunDriver driver(model, sink);
    ASSERT_TRUE(driver.RunTrajectory());
    // Four families of 25 lines of 50 points each, a pen lift after every line; the two lines
    // that would start on the z axis are left out.
    EXPECT_EQ(sink.penLifts, 98);
    EXPECT_EQ(sink.points.size(), 98u * 50u);
    EXPECT_TRUE(asker.questions.empty());
    driver.advance(1s, 10);
    EXPECT_EQ(sink.arrowsAnnounced, 30);
    ASSERT_EQ(sink.segments, 30);
    // Automatic scale: the B arrow (first of each step) is a tenth of the trajectory's size, the
    // largest edge of the box around the start and the points so far (the Larmor diameter of the
    // default case, a few nanometres, is soon outgrown), because its scale and its field are those
    // of the same accepted point.
    const std::size_t firstStep = 98u * 50u;
    ASSERT_EQ(sink.points.size(), firstStep + 10u);
    Vecteur3 lo(model.Texte3Value(slot::kX), model.Texte3Value(slot::kX + 1),
                model.Texte3Value(slot::kX + 2)),
        hi = lo;
    for (std::size_t step = 0; step < 10; ++step) {
        const Vecteur3& p = sink.points[firstStep + step];
        for (int k = 1; k <= 3; ++k) {
            lo(k) = std::min(lo(k), p(k));
            hi(k) = std::max(hi(k), p(k));
        }
        const double size = std::max({hi(1) - lo(1), hi(2) - lo(2), hi(3) - lo(3)});
        EXPECT_NEAR(sink.segmentLengths[3 * step], 0.1 * size, 1e-9 * size) << step;
    }
    // A scale typed during the run acts at the next step: 3 drawing units per m/s for the
    // velocity arrow, a drawing unit being a 65th of the start's distance from the origin.
    model.setState(BoxFamily::Coche1, slot::kAutoScale, 0);
    model.setText(BoxFamily::Texte4, slot::kScaleV, "3");
    driver.advance(1s, 1);
    ASSERT_EQ(sink.segmentLengths.size(), 31u); // the B and E scales left empty: not drawn
    const double r0 = std::hypot(model.Texte3Value(slot::kX), model.Texte3Value(slot::kX + 1),
                                 model.Texte3Value(slot::kX + 2));
    const Vecteur3 V = velocity(driver.state());
    const double speed = std::hypot(V(1), V(2), V(3));
    EXPECT_NEAR(sink.segmentLengths.back(), 3 * r0 / 65 * speed, 1e-9 * r0 * speed);
}

TEST_F(RunDriverTest, ReadoutsAreThoseOfTheLastAcceptedState) {
    RunDriver driver(model, sink);
    ASSERT_TRUE(driver.RunTrajectory());
    driver.advance(1s, 25);
    const StateArray& Y = driver.state();
    const RunRecord& rec = runRecord();
    EXPECT_EQ(rec.R, position(Y));
    EXPECT_EQ(rec.V, velocity(Y));
    EXPECT_EQ(rec.Y8, driver.time());
    Vecteur3 E, B;
    Champ(position(Y), E, B);
    EXPECT_EQ(rec.B, B);
    // A = (q/m)(E + V × B) of that state.
    Vecteur3 W;
    ProdVect(velocity(Y), B, W);
    const double k = rec.Charge / rec.Mass;
    for (int i = 1; i <= 3; ++i)
        EXPECT_NEAR(rec.A(i), k * (E(i) + W(i)),
                    1e-12 * std::fabs(k) * (std::fabs(E(i)) + std::fabs(W(i))));
}

TEST_F(RunDriverTest, AStopAnswerEndsTheRun) {
    RunDriver driver(model, sink);
    ASSERT_TRUE(driver.RunTrajectory());
    driver.advance(1s, 5);
    ErrorReport::instance().stopFlag() = 1; // "Stop" answered between two slices
    const auto slice = driver.advance(1s, 5);
    EXPECT_FALSE(slice.active);
    EXPECT_EQ(ErrorReport::instance().stopFlag(), 0) << "the driver clears the flag it obeyed";
}

TEST_F(RunDriverTest, SpeedLimitCreditsStepsForTheTimeThatPassed) {
    std::chrono::steady_clock::time_point now{};
    RunDriver driver(model, sink);
    driver.setClock([&now] { return now; });
    driver.setSpeed(1000); // steps per second
    ASSERT_TRUE(driver.RunTrajectory());
    EXPECT_EQ(driver.advance(10ms).steps, 0u) << "no time has passed";
    // 31.25 ms is worth 31.25 steps: 31 now, the quarter kept for later, a whole step in four.
    for (std::uint64_t expected : {31u, 31u, 31u, 32u}) {
        now += 31250us;
        EXPECT_EQ(driver.advance(10ms).steps, expected);
    }
    // A long gap (a question box, a pause) is worth at most a twentieth of a second.
    now += 10s;
    EXPECT_EQ(driver.advance(10ms).steps, 50u);
}

// Boris and relativistic runs take their steps in stretches while nobody looks between two of
// them; what the run leaves (states, times, energy invariant, points, record) is bit for bit that
// of the same run seen at every step, which takes them one at a time.
TEST_F(RunDriverTest, StretchesOfStepsLeaveWhatStepsOneByOneLeave) {
    constexpr double kNoEnd = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        IntegrationMethod method;
        std::vector<std::string> settings;
        double endTime; // [s]
    };
    const Case cases[] = {
        {"Boris, uniform B and E",
         IntegrationMethod::Boris,
         {"shape=uniform", "Bz=0.01", "Ex=300", "Ey=-200", "vy=1e5"},
         kNoEnd},
        {"Boris, dipole", IntegrationMethod::Boris, {"shape=dipole", "vy=1e5"}, kNoEnd},
        {"Boris, landing on the end time",
         IntegrationMethod::Boris,
         {"shape=uniform", "Bz=0.01", "vy=1e5"},
         3.3e-8},
        {"relativistic, 1 MeV", IntegrationMethod::Relativistic, {"energy=1e6"}, kNoEnd},
        {"relativistic, uniform B and E",
         IntegrationMethod::Relativistic,
         {"shape=uniform", "Bz=0.01", "Ex=3e4", "Ey=-2e4", "energy=1e6"},
         kNoEnd},
        {"relativistic, uniform B, landing on the end time",
         IntegrationMethod::Relativistic,
         {"shape=uniform", "Bz=0.01", "energy=1e6"},
         5e-8},
        {"relativistic, cylindrical with E",
         IntegrationMethod::Relativistic,
         {"Ex=1e4", "energy=1e5"},
         2e-8},
    };
    struct Outcome {
        StateArray Y;
        std::uint64_t accepted;
        double w, peak, change;
        std::vector<Vecteur3> points;
        std::size_t recorded;
        TrajectorySample last;
    };
    const auto run = [&](const Case& c, bool everyStepSeen) {
        model.resetToDefaults();
        integrationChoice() = {c.method, kDefaultStepsPerGyration};
        for (const std::string& setting : c.settings)
            EXPECT_EQ(applyCaseSetting(model, setting), "") << setting;
        SpeciesRefresh(slot::kCyclotronFrequency);
        RecordingSink points;
        RunDriver driver(model, points);
        driver.setEndTime(c.endTime);
        if (everyStepSeen) driver.onStep = [](const StateArray&) { return true; };
        EXPECT_TRUE(driver.RunTrajectory());
        while (driver.running() && driver.acceptedSteps() < 3000)
            driver.advance(1h, 3000 - driver.acceptedSteps());
        const EnergyInvariant& w = driver.invariant();
        return Outcome{driver.state(),
                       driver.acceptedSteps(),
                       w.value(),
                       w.peakKinetic(),
                       w.relativeChange(),
                       points.points,
                       driver.record().size(),
                       driver.record()[driver.record().size() - 1]};
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome stretched = run(c, false);
        const Outcome seen = run(c, true);
        EXPECT_GT(seen.accepted, 100u);
        EXPECT_EQ(stretched.accepted, seen.accepted);
        for (int i = 1; i <= 8; ++i) EXPECT_EQ(stretched.Y(i), seen.Y(i)) << "component " << i;
        EXPECT_EQ(stretched.w, seen.w);
        EXPECT_EQ(stretched.peak, seen.peak);
        EXPECT_EQ(stretched.change, seen.change);
        EXPECT_EQ(stretched.points, seen.points);
        EXPECT_EQ(stretched.recorded, seen.recorded);
        EXPECT_EQ(stretched.last.t, seen.last.t);
        EXPECT_EQ(stretched.last.vx, seen.last.vx);
        if (c.endTime < kNoEnd) {
            EXPECT_EQ(seen.Y(8), c.endTime) << "the last step lands on it";
        }
    }
    integrationChoice() = IntegrationChoice{};
}

TEST(TrajectoryRecord, ThinsEvenlyPastItsBudgetAndKeepsTheFirstStep) {
    TrajectoryRecord record(100);
    for (int step = 0; step < 1000; ++step) record.add({double(step), 0, 0, 0, 0, 0, 0});
    // 1000 steps into 100 places: one sample every 16 steps.
    EXPECT_EQ(record.stride(), 16u);
    EXPECT_LE(record.size(), 100u);
    for (std::size_t i = 0; i < record.size(); ++i) EXPECT_EQ(record[i].t, double(i * 16));
    EXPECT_GE(record[record.size() - 1].t, 1000 - 16);

    // A larger budget thins by whole pieces of consecutive steps, evenly spaced: the motion
    // inside a piece keeps every step.
    TrajectoryRecord pieces(4096);
    const std::size_t n = pieces.pieceLength();
    EXPECT_EQ(n, 64u);
    for (int step = 0; step < 100000; ++step) pieces.add({double(step), 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(pieces.stride(), 32u);
    EXPECT_LE(pieces.size(), 4096u);
    EXPECT_GE(pieces[pieces.size() - 1].t, 100000 - 32 * 64);
    for (std::size_t i = 0; i < pieces.size(); ++i)
        EXPECT_EQ(pieces[i].t, double(i / n * 32 * n + i % n)) << i;
    for (std::size_t i = 0; i < 3 * n; ++i) EXPECT_EQ(pieces.startsPiece(i), i > 0 && i % n == 0);
}

} // namespace
} // namespace gyro
