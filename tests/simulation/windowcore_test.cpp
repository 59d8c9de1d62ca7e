// Core pieces behind the main window: drift read-out, example numbering and species, log
// following.
#include "simulation/boxcommit.h"
#include "simulation/caseexamples.h"
#include "simulation/caseslots.h"
#include "simulation/driftreadout.h"
#include "simulation/logfollower.h"
#include "simulation/runcontrols.h"

#include "simulation/physicsfixture.h"

#include <filesystem>

namespace gyro {
namespace {

using physics_test::PhysicsTest;

TEST(DriftReadOut, CrossedFieldsGiveExBOverB2AndItsSpeed) {
    // E x B / B^2 and |E| / |B| for crossed, oblique and parallel fields.
    struct Case {
        Vecteur3 E, B, drift;
        double speed;
    } cases[] = {
        {{1000, 0, 0}, {0, 0, 0.015}, {0, -1000 / 0.015, 0}, 1000 / 0.015},
        {{0, 300, 0}, {0, 0, 0.01}, {300 / 0.01, 0, 0}, 300 / 0.01},
        {{0, 0, 50}, {0, 0, 0.02}, {0, 0, 0}, 50 / 0.02}, // E along B: no drift, |E|/|B| still
        {{3, 4, 0}, {0, 0, 2}, {4.0 / 2, -3.0 / 2, 0}, 5.0 / 2},
    };
    for (const Case& c : cases) {
        const Vecteur3 d = exbDrift(c.E, c.B);
        for (int i = 1; i <= 3; ++i) EXPECT_NEAR(d(i), c.drift(i), 1e-9 * c.speed);
        double speed = -1;
        ASSERT_TRUE(driftSpeed(c.E, c.B, speed));
        EXPECT_NEAR(speed, c.speed, 1e-12 * c.speed);
    }
    // No magnetic field: no drift vector (E x 0 / 1), and no speed.
    EXPECT_EQ(exbDrift({1, 2, 3}, {0, 0, 0}), Vecteur3(0, 0, 0));
    double speed = 7;
    EXPECT_FALSE(driftSpeed({1, 0, 0}, {0, 0, 0}, speed));
    EXPECT_EQ(speed, 7);
}

class WindowCoreTest : public PhysicsTest {};

TEST_F(WindowCoreTest, DriftReadOutWritesTheVelocityOrReportsANullField) {
    setFields(slot::kUniform, {0, 500, 0}, {0, 0, 0.01});
    CaseModel& model = theCase();
    ASSERT_TRUE(DriftReadOut(model, true));
    EXPECT_NEAR(model.Texte3Value(slot::kVx), 500 / 0.01, 1e-6);
    EXPECT_EQ(model.Texte3Value(slot::kVx + 1), 0);
    EXPECT_EQ(model.Texte3Value(slot::kVx + 2), 0);
    model.setText(BoxFamily::Texte3, slot::kVx + 1, "9");
    ASSERT_TRUE(DriftReadOut(model, false));
    EXPECT_NEAR(model.Texte3Value(slot::kVx), 500 / 0.01, 1e-6);
    EXPECT_EQ(model.Texte3(slot::kVx + 1), "0");

    // A null field: logged, nothing asked, the typed velocity kept.
    setFields(slot::kUniform, {0, 500, 0}, {0, 0, 0});
    model.setText(BoxFamily::Texte3, slot::kVx, "12");
    EXPECT_FALSE(DriftReadOut(model, false));
    EXPECT_EQ(model.Texte3(slot::kVx), "12");
    EXPECT_TRUE(asker.questions.empty());
    ASSERT_FALSE(ErrorReport::instance().lines().empty());
    EXPECT_NE(ErrorReport::instance().lines().back().find("_Coche1_Clickfaute"), std::string::npos);
}

TEST_F(WindowCoreTest, RunsNumberNewExamplesAboveTheMemoUnlessReplacing) {
    const auto folder = std::filesystem::temp_directory_path() / "gyro_windowcore_examples";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    {
        CaseModel& model = theCase();
        // Shown maximum, memo count, Replace, shown number -> number the run saves under.
        struct Step {
            const char* shownMax;
            double count;
            bool replace;
            const char* shownNumber;
            double expected;
        } steps[] = {{"0", 0, false, "0", 1},
                     {"7", 2, false, "2", 8},
                     {"2", 5, false, "2", 6},
                     {"8", 8, true, "3", 3}};
        for (const Step& s : steps) {
            model.setText(BoxFamily::Texte3, slot::kExampleMax, s.shownMax);
            model.setText(BoxFamily::Texte3, slot::kExampleNumber, s.shownNumber);
            model.setState(BoxFamily::Coche1, slot::kReplace, s.replace ? 1 : 0);
            EXPECT_EQ(numberRunExample(model, s.count), s.expected) << s.shownMax;
            EXPECT_EQ(model.Texte3Value(slot::kExampleNumber), s.expected);
            EXPECT_EQ(model.Texte3Value(slot::kExampleMax), s.replace ? 8 : s.expected);
        }

        // Saved runs append to the memo; the memo gives the number it saved under.
        CaseMemo memo(folder);
        model.setState(BoxFamily::Coche1, slot::kReplace, 0);
        model.setText(BoxFamily::Texte3, slot::kExampleMax, "0");
        EXPECT_EQ(saveRunExample(model, memo), 1);
        EXPECT_EQ(saveRunExample(model, memo), 2);
        EXPECT_EQ(memo.count(), 2);
        EXPECT_EQ(model.Texte3(slot::kExampleMax), "2");

        // Loading puts back the example's species; a box without a species leaves it alone.
        model.setState(BoxFamily::Coche1, slot::kReplace, 1);
        model.setText(BoxFamily::Texte3, slot::kExampleNumber, "2");
        model.select(BoxFamily::Option5, slot::kXenon);
        model.setText(BoxFamily::Texte3, slot::kSpeciesMemo, "2");
        saveRunExample(model, memo);
        model.setText(BoxFamily::Texte3, slot::kExampleNumber, "1");
        model.select(BoxFamily::Option5, slot::kProton);
        model.setText(BoxFamily::Texte3, slot::kSpeciesMemo, "");
        saveRunExample(model, memo);
        EXPECT_TRUE(loadExample(model, memo, 2).moved);
        EXPECT_EQ(model.species(), slot::kXenon);
        EXPECT_TRUE(loadExample(model, memo, 1).moved);
        EXPECT_EQ(model.species(), slot::kXenon);

        // Loading puts back the method and steps per gyration the example ran with; an example
        // kept before methods were (empty slot) or a foreign text leaves the choice alone.
        model.setState(BoxFamily::Coche1, slot::kReplace, 0);
        integrationChoice() = {IntegrationMethod::Relativistic, 48};
        const double relativistic = saveRunExample(model, memo);
        integrationChoice() = {IntegrationMethod::Boris, 20};
        const double boris = saveRunExample(model, memo);
        integrationChoice() = IntegrationChoice{};
        EXPECT_TRUE(loadExample(model, memo, relativistic).moved);
        EXPECT_EQ(integrationChoice().method, IntegrationMethod::Relativistic);
        EXPECT_EQ(integrationChoice().stepsPerGyration, 48);
        EXPECT_TRUE(loadExample(model, memo, boris).moved);
        EXPECT_EQ(integrationChoice().method, IntegrationMethod::Boris);
        EXPECT_EQ(integrationChoice().stepsPerGyration, 20);
        for (const char* text : {"", "runge"}) {
            model.setText(BoxFamily::Texte3, slot::kMethodMemo, text);
            IntegrationChoice choice;
            EXPECT_FALSE(restoreMethod(model, choice)) << text;
            EXPECT_EQ(choice.method, IntegrationMethod::CashKarp) << text;
        }
        integrationChoice() = IntegrationChoice{};
    }
    std::filesystem::remove_all(folder);
}

TEST_F(WindowCoreTest, SpeciesIsRestoredOnlyFromAWholeIndex) {
    CaseModel& model = theCase();
    const struct {
        const char* text;
        int species; // -1: unchanged (proton)
    } table[] = {{"0", 0},  {"2", 2},   {"1", 1},    {"", -1},
                 {"3", -1}, {"-1", -1}, {"1.5", -1}, {"Temps", -1}};
    for (const auto& row : table) {
        model.select(BoxFamily::Option5, slot::kProton);
        model.setText(BoxFamily::Texte3, slot::kSpeciesMemo, row.text);
        EXPECT_EQ(restoreSpecies(model), row.species >= 0) << row.text;
        EXPECT_EQ(model.species(), row.species >= 0 ? row.species : slot::kProton) << row.text;
    }
}

TEST(LogFollower, HandsOverEachLineOnceAcrossDropsClearsAndLimits) {
    ErrorReport& report = ErrorReport::instance();
    report.reset();
    report.appendLog("before");
    LogFollower fromNow = LogFollower::fromNow(report);
    LogFollower all;
    EXPECT_FALSE(fromNow.hasNews(report));
    report.appendLog("a");
    report.appendLog("b");
    const auto news = all.take(report);
    EXPECT_TRUE(news.restarted);
    EXPECT_EQ(news.lines, (std::vector<std::string>{"before", "a", "b"}));
    EXPECT_EQ(fromNow.take(report).lines, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(all.take(report).lines.empty());

    // Only the newest lines when asked for a few.
    for (int i = 0; i < 10; ++i) report.appendLog("n" + std::to_string(i));
    const auto few = all.take(report, 3);
    EXPECT_FALSE(few.restarted);
    EXPECT_EQ(few.lines, (std::vector<std::string>{"n7", "n8", "n9"}));
    EXPECT_EQ(few.skipped, 7u);

    // The log drops its oldest half past its bound: the dropped lines are skipped, never read.
    fromNow.take(report);
    for (std::size_t i = 0; i < ErrorReport::kMaxLines; ++i) report.appendLog("x");
    ASSERT_GT(report.droppedLines(), 0u);
    const auto long_ = fromNow.take(report);
    EXPECT_EQ(long_.lines.size() + long_.skipped, ErrorReport::kMaxLines);
    EXPECT_EQ(fromNow.seen(), report.totalLines());

    // A cleared log starts afresh.
    report.reset();
    report.appendLog("fresh");
    const auto fresh = fromNow.take(report);
    EXPECT_TRUE(fresh.restarted);
    EXPECT_EQ(fresh.lines, (std::vector<std::string>{"fresh"}));
    report.reset();
}

TEST(BoxCommit, OnlyWholeNumbersReachANumberBox) {
    const struct {
        const char* text;
        bool number;
    } texts[] = {{"0.002", true},  {"5 000", true}, {" .0000001     ", true},
                 {"-1E-11", true}, {"+3.", true},   {"1e+5", true},
                 {"", false},      {"   ", false},  {"0.001e", false},
                 {"e3", false},    {".", false},    {"1,5", false},
                 {"abc", false},   {"2x", false},   {"--1", false},
                 {"1e5.", false}};
    for (const auto& t : texts) EXPECT_EQ(isNumberText(t.text), t.number) << t.text;

    CaseModel model;
    model.setText(BoxFamily::Texte6, slot::kBx + 2, "0.001");
    // Mid-typing states never reach the case; a finished number does, once.
    for (const char* partial : {"", "0.", "0.002e", "0.002x"}) {
        if (isNumberText(partial)) continue;
        EXPECT_EQ(commitBoxText(model, BoxFamily::Texte6, slot::kBx + 2, partial),
                  CommitOutcome::NotANumber);
        EXPECT_EQ(model.Texte6Value(slot::kBx + 2), 0.001) << partial;
    }
    EXPECT_EQ(commitBoxText(model, BoxFamily::Texte6, slot::kBx + 2, "0.002"),
              CommitOutcome::Applied);
    EXPECT_EQ(model.Texte6Value(slot::kBx + 2), 0.002);
    EXPECT_EQ(commitBoxText(model, BoxFamily::Texte6, slot::kBx + 2, "0.002"),
              CommitOutcome::Unchanged);
    // The maximum time may be emptied (no limit); the comment takes any text.
    EXPECT_EQ(commitBoxText(model, BoxFamily::Texte3, slot::kPauseTime, ""),
              CommitOutcome::Applied);
    EXPECT_EQ(commitBoxText(model, BoxFamily::Texte3, slot::kComment, "any text"),
              CommitOutcome::Applied);
    // An emptied position or velocity component is 0; a field box still wants a number.
    model.setText(BoxFamily::Texte3, slot::kVx + 1, "1e6");
    EXPECT_EQ(commitBoxText(model, BoxFamily::Texte3, slot::kVx + 1, ""), CommitOutcome::Applied);
    EXPECT_EQ(model.Texte3Value(slot::kVx + 1), 0.0);
    EXPECT_EQ(commitBoxText(model, BoxFamily::Texte4, slot::kEx, ""), CommitOutcome::NotANumber);

    // Read-outs follow the species, position, velocity, fields and shape, not the drawing boxes;
    // the hint these too, the error limit and the maximum time.
    const struct {
        BoxFamily family;
        int index;
        bool readouts, hint;
    } effects[] = {
        {BoxFamily::Texte3, slot::kVx + 2, true, true},
        {BoxFamily::Texte4, slot::kEx + 1, true, true},
        {BoxFamily::Texte6, slot::kParam0 + 5, true, true},
        {BoxFamily::Option4, slot::kDipole, true, true},
        {BoxFamily::Option5, slot::kProton, true, true},
        {BoxFamily::Texte3, slot::kPauseTime, false, true},
        {BoxFamily::Texte7, 0, false, true},
        {BoxFamily::Texte3, slot::kCircleRadius, false, false},
        {BoxFamily::Texte3, slot::kLarmorDiameter, false, false},
        {BoxFamily::Texte4, slot::kScaleB, false, false},
        {BoxFamily::Coche1, slot::kFieldLines, false, false},
    };
    for (const auto& e : effects) {
        SCOPED_TRACE(static_cast<int>(e.family) * 100 + e.index);
        EXPECT_EQ(readoutsDependOn(e.family, e.index), e.readouts);
        EXPECT_EQ(affectsHint(e.family, e.index), e.hint);
    }
}

TEST(RunControls, NestedRunsStartOnlyFromAPauseAndTheStatusTellsTheRunOnTop) {
    struct Row {
        RunView view;
        bool run, pause, continues, otherCase;
        const char* status;
    } rows[] = {
        {{0, false, false, 0, 0, false}, true, false, false, false, "Ready"},
        {{1, false, false, 1234, 56, false},
         false,
         true,
         false,
         true,
         "Running   \u00b7   1,234 steps   \u00b7   56 points in the scene"},
        {{1, true, true, 7, 7, false}, true, true, true, true, "Paused"},
        {{1, false, true, 7, 7, false}, false, true, false, true, "Waiting at the maximum time"},
        {{2, true, true, 1000000, 9, false}, true, true, true, true, "Paused"},
        {{2, true, true, 3, 9, true}, false, true, true, true, "Paused"}, // abandon pending
        {{0, false, false, 12, 12, false}, true, false, false, false, "Ready   \u00b7   12 steps"},
    };
    for (const Row& r : rows) {
        const RunControls c = runControls(r.view);
        SCOPED_TRACE(r.status);
        EXPECT_EQ(c.runEnabled, r.run);
        EXPECT_EQ(c.pauseEnabled, r.pause);
        EXPECT_EQ(c.pauseContinues, r.continues);
        EXPECT_EQ(c.otherCaseEnabled, r.otherCase);
        EXPECT_EQ(c.status.rfind(r.status, 0), 0u) << c.status;
        EXPECT_EQ(c.status.find("nested runs") != std::string::npos, r.view.depth > 1);
    }
    EXPECT_NE(runControls(rows[4].view).status.find("1,000,000 steps"), std::string::npos);
    EXPECT_EQ(groupedCount(0), "0");
    EXPECT_EQ(groupedCount(999), "999");
    EXPECT_EQ(groupedCount(1000), "1,000");
}

} // namespace
} // namespace gyro
