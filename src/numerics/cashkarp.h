// The Cash-Karp embedded 5(4) pair: its tableau, and the stepper of the eight-component particle
// state for any right-hand side (a callable dy = f(y)), inlined into its caller.
#pragma once

#include "numerics/stepcontrol.h"
#include "numerics/vecteur3.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace gyro {

/// The work buffers of an attempt, owned by the caller (a run's control): the stage argument and
/// the derivative, which the right-hand side sees as whole state arrays (zeroing two fresh ones at
/// every attempt would cost more than the arithmetic), and the embedded lower-order solution.
/// Two computations that each own one never share a buffer.
struct CashKarpWork {
    StateArray stage;
    StateArray deriv;
    StateArray lowOrder; ///< the embedded solution of the last attempt
    /// f(y) of the last attempt's start (components 1..8): the first stage does not depend on
    /// the step, so a retry from the same y after a rejection reuses it.
    alignas(32) double first[8]{};
};

namespace cashkarp {

/// a(i, l), b (fifth order, propagated) and b* (fourth order, for the estimate), indexed from 1.
inline constexpr double A[7][7] = {
    {},
    {},
    {0, 1.0 / 5},
    {0, 3.0 / 40, 9.0 / 40},
    {0, 3.0 / 10, -9.0 / 10, 6.0 / 5},
    {0, -11.0 / 54, 5.0 / 2, -70.0 / 27, 35.0 / 27},
    {0, 1631.0 / 55296, 175.0 / 512, 575.0 / 13824, 44275.0 / 110592, 253.0 / 4096},
};
inline constexpr double b[7] = {0, 37.0 / 378, 0, 250.0 / 621, 125.0 / 594, 0, 512.0 / 1771};
inline constexpr double bStar[7] = {
    0, 2825.0 / 27648, 0, 18575.0 / 48384, 13525.0 / 55296, 277.0 / 14336, 1.0 / 4};

} // namespace cashkarp

/// One Cash-Karp attempt of step h [s] from the eight-component state y (positions at odd
/// components, velocities at even ones) with the right-hand side f(y, dy): writes yNext and
/// work.lowOrder and returns the error estimate, which is not finite whenever a component of yNext
/// is not. y is not modified.
///
/// The sums keep the order of their terms (stage arguments y + (K a) h in order of l, the new
/// state as (h b) K + y in order of i); terms whose weight is exactly 0 are left out, which
/// changes nothing for finite values.
/// `retry`: the attempt starts from the same y as the last one (a step retried after a
/// rejection), whose first stage f(y), kept in work.first, is taken again instead of being
/// evaluated: the attempt gives the same bits, for five evaluations of f instead of six.
template <class System>
inline StepEstimate cashKarp8(System& f, const StateArray& y, double h, StateArray& yNext,
                              CashKarpWork& work, bool retry = false) {
    namespace ck = cashkarp;
    using Vec4 = double __attribute__((vector_size(32)));
    constexpr int N = 8;
    StateArray& stage = work.stage;
    StateArray& deriv = work.deriv;
    StateArray& lowOrder = work.lowOrder;
    double K[7][N + 1];
    if (retry) {
        std::memcpy(&K[1][1], work.first, sizeof work.first);
    } else {
        f(y, deriv);
        // The derivative has just stored its components one by one: read them back one by one
        // (a wide load over several pending narrow stores would wait for them to retire), and
        // store the row as whole vectors for the wide loads of the next stages.
        const volatile double* d = deriv.c.data();
        const Vec4 lo{d[1], d[2], d[3], d[4]};
        const Vec4 hi{d[5], d[6], d[7], d[8]};
        std::memcpy(&K[1][1], &lo, sizeof lo);
        std::memcpy(&K[1][5], &hi, sizeof hi);
        std::memcpy(work.first, &K[1][1], sizeof work.first);
    }
#pragma GCC unroll 5
    for (int i = 2; i <= 6; ++i) {
        for (int j = 1; j <= N; ++j) {
            double v = y(j);
#pragma GCC unroll 6
            for (int l = 1; l < i; ++l) v = v + (K[l][j] * ck::A[i][l]) * h;
            stage(j) = v;
        }
        f(static_cast<const StateArray&>(stage), deriv);
        // (Read back one by one, stored as vectors: see the first stage.)
        const volatile double* d = deriv.c.data();
        const Vec4 lo{d[1], d[2], d[3], d[4]};
        const Vec4 hi{d[5], d[6], d[7], d[8]};
        std::memcpy(&K[i][1], &lo, sizeof lo);
        std::memcpy(&K[i][5], &hi, sizeof hi);
    }
    double sumPos = 0;
    double sumVel = 0;
    for (int j = 1; j <= N; ++j) {
        double v = y(j);
        double low = y(j);
#pragma GCC unroll 6
        for (int i = 1; i <= 6; ++i) {
            if (ck::b[i] != 0) v = h * ck::b[i] * K[i][j] + v;
        }
#pragma GCC unroll 6
        for (int i = 1; i <= 6; ++i) {
            if (ck::bStar[i] != 0) low = low + h * ck::bStar[i] * K[i][j];
        }
        yNext(j) = v;
        lowOrder(j) = low;
        // Positions at odd components, velocities at even ones.
        const double diff = v - low;
        if (j % 2 == 1)
            sumPos += diff * diff;
        else
            sumVel += diff * diff;
    }
    StepEstimate e;
    e.errPos = std::sqrt(sumPos);
    e.errVel = std::sqrt(sumVel) * h * 64;
    e.err = e.errPos > e.errVel ? e.errPos : e.errVel;
    return e;
}

/// True when both parts of the estimate are finite.
inline bool finiteEstimate(const StepEstimate& e) {
    return std::isfinite(e.errPos) && std::isfinite(e.errVel);
}

/// One attempt of a controlled step: the Cash-Karp stepper with the right-hand side f, judged by
/// the step-size policy against errMax [m]. `previousProposal` is the last hNext [s] (used when
/// the estimate is exactly 0). A non-finite estimate comes back rejected with err NaN
/// and hNext = h. The attempt's estimate is left in `estimate` (for the step-size log lines).
/// `retry` as for cashKarp8.
template <class System>
inline StepOutcome tryStep(System& f, const StateArray& y, double h, StateArray& yNext,
                           double errMax, double previousProposal, CashKarpWork& work,
                           StepEstimate& estimate, bool retry = false) {
    estimate = cashKarp8(f, y, h, yNext, work, retry);
    if (!finiteEstimate(estimate)) return {false, h, std::numeric_limits<double>::quiet_NaN()};
    return judgeStep(h, estimate.err, errMax, previousProposal);
}

} // namespace gyro
