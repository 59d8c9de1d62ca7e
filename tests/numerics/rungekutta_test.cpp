// Runge-Kutta: tableau consistency, convergence orders, and the step-size control of runge.
#include "numerics/rungekutta.h"

#include "numerics/errorreport.h"
#include "numerics/tracelog.h"
#include "support/reportfixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace gyro {
namespace {

// Starts each test as at program start (empty log, scripted answers), with a fresh control
// (Cash-Karp, ErrMax 1e-7 m) bound to the report, the particle dimension and a silent trace.
class RungeTest : public test::ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        c.work.trace = 0;
        c.generalWork.trace = 0;
        Ldim = 8;
    }
    void TearDown() override {
        Ldim = 8;
        ReportTest::TearDown();
    }
    RunControl c;
    ErrorReport::StopBinding stop{ErrorReport::instance(), c.StopCalcul};
};

// ---- Tableaus ----

TEST_F(RungeTest, TableausAreConsistent) {
    struct Case {
        double method;
        std::vector<double> nodes;
    };
    const std::vector<Case> cases = {
        {4, {0, 0.5, 0.5, 1}},
        {5, {0, 0.2, 0.3, 0.6, 1, 0.875}},
        {8, {0, 1.0 / 9, 1.0 / 6, 0.25, 0.1, 1.0 / 6, 0.5, 2.0 / 3, 1.0 / 3, 5.0 / 6, 5.0 / 6, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method);
        RunControl control;
        control.OrdreRunge = c.method;
        control.generalWork.trace = 0;
        StateArray y, yNext;
        rungeGeneral(control, 0, y, 0, yNext,
                     [](double, double, const StateArray&, StateArray& dy) {
                         for (int j = 1; j <= 8; ++j) dy(j) = 0;
                     });
        const RungeWork& w = control.generalWork;
        ASSERT_EQ(w.stages, static_cast<double>(c.nodes.size()));
        double bSum = 0;
        double bStarSum = 0;
        for (int i = 1; i <= static_cast<int>(w.stages); ++i) {
            double row = 0;
            for (int l = 1; l < i; ++l) row += w.A[i][l];
            EXPECT_NEAR(row, c.nodes[static_cast<std::size_t>(i - 1)], 1e-14) << "row " << i;
            for (int l = i; l <= kMaxStages; ++l) EXPECT_EQ(w.A[i][l], 0);
            bSum += w.b[i];
            bStarSum += w.bStar[i];
        }
        EXPECT_NEAR(bSum, 1, 1e-15);
        if (c.method == 5) {
            EXPECT_NEAR(bStarSum, 1, 1e-15);
        }
    }
}

TEST_F(RungeTest, TableauTraceWritesCheckLines) {
    c.generalWork.trace = 1;
    int shown = 0;
    ShowTraceWindow = [&shown] { ++shown; };
    traceLog().clear();
    Ldim = 7; // odd with Cash-Karp: one question at the set-up
    asker.answers = {"Yes"};
    StateArray y, yNext;
    const auto zero = [](double, double, const StateArray&, StateArray& dy) {
        for (int j = 1; j <= 7; ++j) dy(j) = 0;
    };
    rungeGeneral(c, 1e-3, y, 0, yNext, zero);
    rungeGeneral(c, 1e-3, y, 0, yNext, zero);
    ShowTraceWindow = nullptr;
    ASSERT_EQ(asker.questions.size(), 1u);
    EXPECT_EQ(asker.questions[0].title, "Ldim doit être Pair   Warning");
    const std::string& text = traceLog().text();
    EXPECT_EQ(text.rfind("\r\ncumul5   1\r\ncumul4   1\r\nDelta5_4   ", 0), 0u) << text;
    EXPECT_NE(text.find("\r\nSi   6   0.875"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nSj   1   "), std::string::npos);
    EXPECT_EQ(shown, 3); // one per single-value line
}

// ---- Convergence orders on a smooth nonlinear problem ----

// The pendulum x'' = -sin x, in components 1 (x) and 2 (x'), with the time in component 8.
void pendulum(const StateArray& y, StateArray& dy) {
    dy(1) = y(2);
    dy(2) = -std::sin(y(1));
    for (int j = 3; j <= 7; ++j) dy(j) = 0;
    dy(8) = 1;
}

void pendulumGeneral(double, double, const StateArray& y, StateArray& dy) {
    pendulum(y, dy);
}

// Integrates the pendulum from x = 1 at rest over [0, T] with n equal steps of rungeGeneral.
StateArray pendulumAt(double method, int n, double T) {
    RunControl c;
    c.OrdreRunge = method;
    c.generalWork.trace = 0;
    StateArray y, yNext;
    y(1) = 1.0;
    for (int k = 0; k < n; ++k) {
        rungeGeneral(c, T / n, y, 0, yNext, pendulumGeneral);
        CopieEtat(yNext, y);
    }
    return y;
}

TEST_F(RungeTest, ConvergenceOrders) {
    const double T = 5;
    // Reference: the eighth-order formula with a fine step (its error is at rounding level).
    const StateArray reference = pendulumAt(8, 8000, T);
    const auto stateError = [&](double method, int n) {
        const StateArray y = pendulumAt(method, n, T);
        return std::hypot(y(1) - reference(1), y(2) - reference(2));
    };
    struct Case {
        double method;
        int n; // coarse step count, in the asymptotic range with errors far above rounding
        double order;
    };
    for (const Case& c : {Case{4, 100, 4}, Case{5, 50, 5}, Case{8, 12, 8}}) {
        SCOPED_TRACE(c.method);
        const double coarse = stateError(c.method, c.n);
        const double fine = stateError(c.method, 2 * c.n);
        EXPECT_GT(fine, 1e-12); // the observed ratio is not a rounding artefact
        EXPECT_NEAR(std::log2(coarse / fine), c.order, 0.2) << coarse << " " << fine;
    }
}

TEST_F(RungeTest, MethodsFourAndEightLeaveTheStepUnchanged) {
    for (double method : {4.0, 8.0}) {
        c.OrdreRunge = method;
        StateArray y, yNext;
        y(1) = 1.0;
        double h = 0.01;
        runge(c, h, y, yNext, pendulum);
        EXPECT_EQ(h, 0.01);
        EXPECT_NEAR(yNext(8), 0.01, 1e-17);
        EXPECT_NE(yNext(1), 1.0);
    }
}

// ---- Step control of runge ----

// A derivative whose Cash-Karp error estimate is set by the test: component 1 gets a value X at
// the sixth stage only, so yNext(1) - lowOrder(1) = h (b6 - b*6) X. X is chosen from the step
// (read back from the stage time, 0.875 h) to give err = ratio * ErrMax for each attempt (the
// fixture's ErrMax, 1e-7 m).
struct Scripted {
    static constexpr double ErrMax = 1e-7;
    static inline std::vector<double> ratios; // err / ErrMax per attempt (the last one repeats)
    static inline std::vector<double> steps;  // step of each attempt [s]
    static inline int calls = 0;

    static void reset(std::vector<double> r) {
        ratios = std::move(r);
        steps.clear();
        calls = 0;
    }
    static void f(const StateArray& y, StateArray& dy) {
        // Six stages in the first attempt; a retry from the same state takes the first stage
        // of the first attempt again and evaluates stages 2 to 6.
        const int stage = calls < 6 ? calls + 1 : (calls - 6) % 5 + 2;
        const int attempt = static_cast<int>(steps.size());
        ++calls;
        for (int j = 1; j <= 7; ++j) dy(j) = 0;
        dy(8) = 1;
        if (stage == 6) {
            const double h = y(8) / 0.875;
            steps.push_back(h);
            const double ratio =
                ratios[std::min<std::size_t>(static_cast<std::size_t>(attempt), ratios.size() - 1)];
            const double delta6 = 512.0 / 1771 - 1.0 / 4;
            dy(1) = ratio * ErrMax / (h * delta6);
        }
    }
};

TEST_F(RungeTest, GrowthIsCappedAtFive) {
    Scripted::reset({1e-12});
    StateArray y, yNext;
    double h = 1e-9;
    runge(c, h, y, yNext, Scripted::f);
    EXPECT_DOUBLE_EQ(h, 5e-9);
    EXPECT_EQ(Scripted::calls, 6);
    EXPECT_TRUE(logLines().empty());

    // Moderate margin: the formula 0.9 (ErrMax/err)^(1/6) decides.
    Scripted::reset({0.01});
    h = 1e-9;
    runge(c, h, y, yNext, Scripted::f);
    EXPECT_NEAR(h / 1e-9, 0.9 * std::pow(100.0, 1.0 / 6), 1e-6);
}

TEST_F(RungeTest, ShrinksStepByAtMostTen) {
    struct Case {
        double ratio;
        double expectedFactor;
        int pbDePas;
    };
    // Just above the limit: about 0.9; beyond 729 times: exactly a tenth and "_Pb de Pas".
    for (const Case& row : {Case{1.01, 0.9 * std::pow(1 / 1.01, 1.0 / 3), 0}, Case{2000, 0.1, 1}}) {
        SCOPED_TRACE(row.ratio);
        ErrorReport::instance().reset();
        c.work = RungeWork{};
        Scripted::reset({row.ratio, 1e-3}); // rejected once, then accepted
        StateArray y, yNext;
        double h = 1e-9;
        runge(c, h, y, yNext, Scripted::f);
        ASSERT_EQ(Scripted::steps.size(), 2u);
        EXPECT_NEAR(Scripted::steps[1] / Scripted::steps[0], row.expectedFactor, 1e-6);
        EXPECT_EQ(logCount("_Pb de Pas"), row.pbDePas);
        EXPECT_EQ(logCount("_RungePasRéduit"), 1);
        EXPECT_EQ(logCount("_Runge_suite"), 1);
        EXPECT_EQ(c.work.rejections, 0);
        // The accepted retry proposes its own growth, capped at 5 times the retried step.
        EXPECT_LE(h, 5 * Scripted::steps[1] * (1 + 1e-12));
    }
}

TEST_F(RungeTest, LogLinesOfARetry) {
    Scripted::reset({2000, 1e-12});
    StateArray y, yNext;
    double h = 0.5;
    runge(c, h, y, yNext, Scripted::f);
    ASSERT_GE(logLines().size(), 3u);
    // "At_Time= 0. " stamp, then label and values in the fixed formats.
    EXPECT_NE(logLines()[1].find("_RungePasRéduit 0.5  0.05 _err"), std::string::npos)
        << logLines()[1];
    EXPECT_NE(logLines()[2].find("_Runge_suite 0.  0.25  0.25 _err"), std::string::npos)
        << logLines()[2];
}

TEST_F(RungeTest, ThirdRejectionAsksAndStopKeepsTheStep) {
    Scripted::reset({2000});
    asker.answers = {"Stop"};
    StateArray y, yNext;
    double h = 1e-6;
    runge(c, h, y, yNext, Scripted::f);
    ASSERT_EQ(asker.questions.size(), 1u);
    EXPECT_EQ(asker.questions[0].title, "Runge a tendance à boucler Pb de Pas   Warning");
    EXPECT_EQ(Scripted::steps.size(), 3u); // asked at the third rejection
    EXPECT_EQ(c.StopCalcul, 1);
    // Returned at once with the step of the third attempt.
    EXPECT_NEAR(h, 1e-8, 1e-20);
    EXPECT_EQ(logCount("_Runge_suite"), 2);

    // The answer concerned that step: the next call controls its step again.
    c.StopCalcul = 0;
    Scripted::reset({2000, 1e-12});
    runge(c, h, y, yNext, Scripted::f);
    EXPECT_EQ(Scripted::steps.size(), 2u);
    EXPECT_EQ(asker.questions.size(), 1u);
}

TEST_F(RungeTest, ContinueAnswersKeepShrinking) {
    Scripted::reset({2000, 2000, 2000, 2000, 1e-3});
    asker.answers = {"Yes", "Yes"};
    StateArray y, yNext;
    double h = 1;
    runge(c, h, y, yNext, Scripted::f);
    EXPECT_EQ(asker.questions.size(), 2u); // third and fourth rejections
    EXPECT_EQ(Scripted::steps.size(), 5u);
    EXPECT_NEAR(Scripted::steps[4], 1e-4, 1e-16);
    EXPECT_EQ(logCount("_Runge_suite"), 4);
    EXPECT_EQ(c.StopCalcul, 0);
}

TEST_F(RungeTest, NonFiniteStateStopsTheRun) {
    asker.answers = {"Yes"};
    StateArray y, yNext;
    y(1) = 1;
    double h = 1e-3;
    runge(c, h, y, yNext, [](const StateArray&, StateArray& dy) {
        for (int j = 1; j <= 8; ++j) dy(j) = std::nan("");
    });
    ASSERT_EQ(asker.questions.size(), 1u);
    EXPECT_EQ(asker.questions[0].title.rfind("rungefaute", 0), 0u);
    EXPECT_EQ(c.StopCalcul, 1);
    EXPECT_EQ(h, 1e-3);
    EXPECT_EQ(yNext(1), 1); // the state is kept, not replaced by NaN
}

TEST_F(RungeTest, ErrorLimitMustBePositive) {
    c.ErrMax = 0;
    asker.answers = {"Yes"};
    StateArray y, yNext;
    double h = 1e-3;
    runge(c, h, y, yNext, pendulum);
    EXPECT_EQ(asker.questions.size(), 1u);
    EXPECT_EQ(c.StopCalcul, 1);
    EXPECT_EQ(h, 1e-3);
}

TEST_F(RungeTest, ExactEstimateGrowsByTheCap) {
    // At rest with no force and no clock component the two solutions agree exactly.
    Ldim = 6;
    StateArray y, yNext;
    y(1) = 0.3;
    double h = 2e-9;
    const auto rest = [](const StateArray&, StateArray& dy) {
        for (int j = 1; j <= 6; ++j) dy(j) = 0;
    };
    runge(c, h, y, yNext, rest);
    for (int j = 1; j <= 6; ++j) EXPECT_EQ(c.buffers.lowOrder(j), yNext(j)); // err is 0
    EXPECT_EQ(h, 1e-8); // no earlier proposal: five times the step
    runge(c, h, y, yNext, rest);
    EXPECT_EQ(h, 1e-8); // the earlier proposal kept (and within the cap)
}

TEST_F(RungeTest, GeneralStepReplacesAnExactEstimate) {
    StateArray y, yNext;
    EXPECT_EQ(rungeGeneral(c, 0, y, 0, yNext, pendulumGeneral).err, 0.001);
}

TEST_F(RungeTest, GeneralStepPassesStageAndExtra) {
    static std::vector<double> seen;
    seen.clear();
    StateArray y, yNext;
    rungeGeneral(c, 1e-3, y, 42, yNext,
                 [](double stage, double extra, const StateArray&, StateArray& dy) {
                     seen.push_back(stage);
                     EXPECT_EQ(extra, 42);
                     for (int j = 1; j <= 8; ++j) dy(j) = 0;
                 });
    EXPECT_EQ(seen, (std::vector<double>{1, 2, 3, 4, 5, 6}));
}

} // namespace
} // namespace gyro

namespace gyro {
namespace {

// A nonlinear eight-component system: every stage's derivative differs.
void nonlinear(const StateArray& s, StateArray& d) {
    d(1) = s(2);
    d(2) = -std::sin(s(1)) + s(4) * s(6);
    d(3) = s(4);
    d(4) = -s(3) * s(2);
    d(5) = s(6);
    d(6) = std::cos(s(5) + s(8));
    d(7) = 0;
    d(8) = 1;
}

// The particle run's Cash-Karp attempt (8 components) is a specialisation: it must give the same
// bits as the general attempt that rungeGeneral uses.
TEST_F(RungeTest, ParticleAttemptMatchesTheGeneralOne) {
    StateArray y;
    for (int j = 1; j <= 8; ++j) y(j) = 0.1 * j - 0.35;
    static RungeDerivative particle = nullptr;
    particle = nonlinear;
    double h = 0.01;
    StateArray fast, general;
    CashKarpWork work;
    const StepEstimate fastEstimate = cashKarp8(particle, y, h, fast, work);
    const StepEstimate generalEstimate =
        rungeGeneral(c, 0.01, y, 0, general,
                     [](double, double, const StateArray& s, StateArray& d) { particle(s, d); });
    for (int j = 1; j <= 8; ++j) {
        EXPECT_EQ(fast(j), general(j)) << j;
        EXPECT_EQ(work.lowOrder(j), c.buffers.lowOrder(j)) << j;
    }
    EXPECT_EQ(fastEstimate.errPos, generalEstimate.errPos);
    EXPECT_EQ(fastEstimate.errVel, generalEstimate.errVel);
}

} // namespace
} // namespace gyro

namespace gyro {
namespace {

// A retry after a rejection starts from the same state: it takes the first stage again instead
// of evaluating it, and must give the bits of a fresh attempt of its step.
TEST(CashKarpRetry, ReusesTheFirstStageAndGivesTheBitsOfAFreshAttempt) {
    struct Counted {
        int calls = 0;
        void operator()(const StateArray& s, StateArray& d) {
            ++calls;
            nonlinear(s, d);
        }
    } f;
    StateArray y;
    for (int j = 1; j <= 8; ++j) y(j) = 0.1 * j - 0.35;
    CashKarpWork retried, fresh;
    StateArray a, b;
    cashKarp8(f, y, 0.5, a, retried); // the rejected attempt
    EXPECT_EQ(f.calls, 6);
    const StepEstimate again = cashKarp8(f, y, 0.05, a, retried, true);
    EXPECT_EQ(f.calls, 11) << "five evaluations for a retry";
    const StepEstimate first = cashKarp8(f, y, 0.05, b, fresh);
    for (int j = 1; j <= 8; ++j) EXPECT_EQ(a(j), b(j)) << j;
    EXPECT_EQ(again.errPos, first.errPos);
    EXPECT_EQ(again.errVel, first.errVel);
}

} // namespace
} // namespace gyro
