// Automatic arrow scale: arrows a tenth of the trajectory's size, checked on a gyration whose
// diameter is known analytically.
#include "simulation/arrowscale.h"

#include "numerics/reportfixture.h"
#include "simulation/casemodel.h"
#include "simulation/rundriver.h"
#include "simulation/runrecord.h"
#include "simulation/tracesink.h"

#include <cmath>
#include <vector>

namespace gyro {
namespace {

using namespace std::chrono_literals;

// Keeps the arrows a run draws, with the colour each was drawn in.
class ArrowSink : public TraceSink {
public:
    void SetMode(int) override {}
    void SetScene(double, double, double, double, double, double, double) override {}
    void SetVectorScale(double, std::int16_t) override {}
    void SetFrame(double, double, double, double, double, const std::string&,
                  std::optional<double>) override {}
    void EndSetUp(std::optional<double>, std::optional<double>) override {}
    void SetLabel(double, const std::string&) override {}
    void SetShot(double) override {}
    void SetViewText(const std::string&) override {}
    void Circle(double, double) override {}
    void Point(double, double, double) override { ++points; }
    void Segment(double x1, double y1, double z1, double x2, double y2, double z2) override {
        arrows.push_back({std::hypot(x2 - x1, y2 - y1, z2 - z1), green});
    }
    void SetColour(double, double, double) override {}
    void SetLineColour(double, double g, double) override { green = g; }
    void SetLimits(double, double) override {}
    void PenLift(std::int16_t, std::int16_t) override {}

    struct Arrow {
        double length; // [m]
        double green;  // the B arrow is the green one with the default colours
    };
    std::vector<Arrow> arrows;
    double green = 0;
    int points = 0;
};

using ArrowRunTest = test::ReportTest;

TEST_F(ArrowRunTest, AutomaticArrowsAreATenthOfTheGyrationDiameter) {
    struct Case {
        int species;
        const char* vy; // [m/s]
    };
    // Electron at 1e5 m/s in 1 mT: a circle 1.14 mm across, well inside the 4 cm scene that
    // used to set the arrows (about 2 cm long). A proton at 2e3 m/s: 42 mm across.
    for (const Case c : {Case{0, "1e5"}, Case{1, "2e3"}}) {
        SCOPED_TRACE(c.species);
        CaseModel& model = theCase();
        model.resetToDefaults();
        model.select(BoxFamily::Option4, 1); // uniform
        model.select(BoxFamily::Option5, c.species);
        model.setText(BoxFamily::Texte4, 2, "");      // no E
        model.setText(BoxFamily::Texte6, 2, "0.001"); // Bz [T]
        model.setText(BoxFamily::Texte3, 4, c.vy);
        model.setText(BoxFamily::Texte7, 0, "1e-10");
        model.setState(BoxFamily::Coche1, 4, 1); // draw the vectors
        model.setState(BoxFamily::Coche1, 3, 1); // automatic scale
        SpeciesRefresh(10);
        const RunRecord& rec = runRecord();
        const double diameter =
            2 * rec.Mass * model.Texte3Value(4) / (std::fabs(rec.Charge) * 1e-3);

        ArrowSink sink;
        RunDriver driver(model, sink);
        ASSERT_TRUE(driver.RunTrajectory());
        const double period = 2 * 3.14159265358979 * rec.Mass / (std::fabs(rec.Charge) * 1e-3);
        while (driver.running() && driver.time() < 1.2 * period) driver.advance(1s, 5000);
        ASSERT_GT(driver.time(), period);
        // Once the circle is closed every B arrow is a tenth of its diameter; the velocity
        // arrow (constant speed) a sixtieth.
        ASSERT_GE(sink.arrows.size(), 3u);
        const auto& last = sink.arrows;
        const std::size_t n = last.size();
        EXPECT_EQ(last[n - 3].green, 255); // B first, in green
        EXPECT_NEAR(last[n - 3].length, diameter / 10, 0.01 * diameter / 10);
        EXPECT_NEAR(last[n - 1].length, diameter / 60, 0.01 * diameter / 60);
        double longestB = 0;
        for (std::size_t i = 0; i < n; i += 3) longestB = std::max(longestB, sink.arrows[i].length);
        EXPECT_LT(longestB, 0.101 * diameter) << "no arrow hides the orbit";
    }
}

TEST(ArrowScale, FollowsTheLargerOfTheTrajectoryAndTheExpectedSize) {
    ArrowScale scale;
    scale.start({1, 0, 0}, 0.5);
    EXPECT_DOUBLE_EQ(scale.size(), 0.5);
    scale.add({1, 2, 0});
    scale.add({NAN, 9, 9}); // a point that cannot be drawn does not count
    EXPECT_DOUBLE_EQ(scale.size(), 2);
    const ArrowFactors k = scale.factors(0.01, 0, 4);
    EXPECT_DOUBLE_EQ(k.b * 0.01, 0.2);  // B arrow 0.2 m at 0.01 T
    EXPECT_DOUBLE_EQ(k.e, 2 * 0.1 / 3); // a zero start |E| counts as 1
    EXPECT_DOUBLE_EQ(k.v * 4, 2 * 0.1 / 6);
    scale.start({0, 0, 0}, INFINITY); // no expected size: the trajectory alone
    EXPECT_EQ(scale.size(), 0);
}

} // namespace
} // namespace gyro
