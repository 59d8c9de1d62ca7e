// Automatic arrow scale: arrows a tenth of the trajectory's size, checked on a gyration whose
// diameter is known analytically; a run's start asks silenced questions again.
#include "simulation/arrowscale.h"

#include "numerics/reportfixture.h"
#include "segmentsink.h"
#include "simulation/casemodel.h"
#include "simulation/rundriver.h"
#include "simulation/runrecord.h"

#include <cmath>

namespace gyro {
namespace {

using namespace std::chrono_literals;

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

        test::SegmentSink sink;
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

// Ticks "Don't ask again" on every report question.
class SilencingAsker : public test::ScriptedAsker {
public:
    ReportAnswer askReport(ReportQuestion, const std::string& prompt, const std::string& title,
                           const std::string& defaultAnswer) override {
        return {ask(prompt, title, defaultAnswer), true};
    }
};

TEST_F(ArrowRunTest, ARunStartAsksTheSilencedQuestionsAgain) {
    SilencingAsker quiet;
    quiet.fallback = "Yes";
    ErrorReport::instance().setAsker(&quiet);
    AlerteCalcul("rungefaute");
    AlerteCalcul("rungefaute");
    EXPECT_EQ(quiet.questions.size(), 1u);
    EXPECT_EQ(ErrorReport::instance().silencedCount(), 1u);
    theCase().resetToDefaults();
    SpeciesRefresh(10);
    test::SegmentSink sink;
    RunDriver driver(theCase(), sink);
    ASSERT_TRUE(driver.RunTrajectory());
    EXPECT_EQ(ErrorReport::instance().silencedCount(), 0u);
    AlerteCalcul("rungefaute");
    EXPECT_EQ(quiet.questions.size(), 2u);
}

} // namespace
} // namespace gyro
