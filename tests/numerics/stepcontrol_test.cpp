// The controlled step as a value: the step-size policy against its formulas, and the Cash-Karp
// stepper with a right-hand side that carries its own data, against the analytic motion.
#include "numerics/cashkarp.h"
#include "numerics/stepcontrol.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace gyro {
namespace {

TEST(StepControl, AcceptsBelowTheLimitAndProposesTheNextStep) {
    constexpr double errMax = 1e-7;
    constexpr double h = 2e-9;
    struct Case {
        double err;
        double previous;
        bool accepted;
        double hNext;
        bool floored;
    };
    const Case cases[] = {
        // Accepted: grow by 0.9 (errMax / err)^(1/6), at most 5 times.
        {errMax / 2, 0, true, 0.9 * h * std::pow(2.0, 1.0 / 6), false},
        {errMax * 1e-12, 0, true, 5 * h, false},
        // An exact estimate keeps the previous proposal, capped at 5 h; 5 h without one.
        {0, 3 * h, true, 3 * h, false},
        {0, 9 * h, true, 5 * h, false},
        {0, 0, true, 5 * h, false},
        // Rejected (the limit itself is not below the limit): shrink by 0.9 (errMax / err)^(1/3),
        // never below h / 10.
        {errMax, 0, false, 0.9 * h, false},
        {errMax * 8, 0, false, 0.9 * h / 2, false},
        {errMax * 1000, 0, false, h / 10, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.err);
        bool floored = !c.floored;
        const StepOutcome out = judgeStep(h, c.err, errMax, c.previous, &floored);
        EXPECT_EQ(out.accepted, c.accepted);
        EXPECT_NEAR(out.hNext, c.hNext, 1e-15 * c.hNext);
        EXPECT_EQ(out.err, c.err);
        EXPECT_EQ(floored, c.floored);
        EXPECT_EQ(out.floored, c.floored);
    }
}

// x' = c x^2 with the coefficient c [1/(m s)] as the system's own data: x = x0 / (1 - c x0 t).
// Nonlinear, so that the embedded pair shows its orders (on a linear equation the fourth-order
// solution is more accurate than its order).
struct Riccati {
    double c;
    int calls = 0;
    void operator()(const StateArray& y, StateArray& dy) {
        ++calls;
        dy(1) = c * y(1) * y(1);
        for (int j = 2; j <= 7; ++j) dy(j) = 0;
        dy(8) = 1;
    }
};

TEST(StepControl, CashKarpStepIsFifthOrderWithAFourthOrderEstimate) {
    Riccati f{2.0};
    StateArray y;
    y(1) = 1;
    double previousError = 0;
    double previousEstimate = 0;
    CashKarpWork work;
    StepEstimate estimate;
    for (double h : {0.02, 0.01, 0.005}) {
        SCOPED_TRACE(h);
        StateArray yNext;
        f.calls = 0;
        const StepOutcome out = tryStep(f, y, h, yNext, 1.0, 0, work, estimate);
        EXPECT_EQ(f.calls, 6) << "six stages per attempt";
        EXPECT_TRUE(out.accepted);
        EXPECT_EQ(yNext(8), h) << "the time advances by the step";
        const double error = std::fabs(yNext(1) - 1 / (1 - f.c * h));
        if (previousError > 0) {
            // Local error of a fifth-order step ~ h^6; its estimate (fourth order) ~ h^5.
            EXPECT_NEAR(std::log2(previousError / error), 6, 0.3);
            EXPECT_NEAR(std::log2(previousEstimate / out.err), 5, 0.3);
        }
        previousError = error;
        previousEstimate = out.err;
    }
}

TEST(StepControl, NonFiniteStateComesBackRejectedWithoutAFiniteEstimate) {
    Riccati f{1.0};
    StateArray y, yNext;
    y(1) = std::numeric_limits<double>::infinity();
    CashKarpWork work;
    StepEstimate estimate;
    const StepOutcome out = tryStep(f, y, 0.01, yNext, 1e-7, 0, work, estimate);
    EXPECT_FALSE(out.accepted);
    EXPECT_FALSE(std::isfinite(out.err));
    EXPECT_EQ(out.hNext, 0.01);
}

} // namespace
} // namespace gyro
