// The Cash-Karp embedded 5(4) pair: its tableau, and the stepper of the eight-component particle
// state for any right-hand side (a callable dy = f(y)), inlined into its caller.
#pragma once

#include "numerics/stepcontrol.h"
#include "numerics/vecteur3.h"

#include <cmath>
#include <concepts>
#include <cstring>
#include <limits>
#include <type_traits>

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

/// The estimate of an attempt of step h [s] from the sums of squared differences between the two
/// solutions over the positions and over the velocities: errPos = sqrt(sumPos), errVel =
/// sqrt(sumVel) h 64, err the larger.
inline StepEstimate estimateFromSums(double sumPos, double sumVel, double h) {
    StepEstimate e;
    e.errPos = std::sqrt(sumPos);
    e.errVel = std::sqrt(sumVel) * h * 64;
    e.err = e.errPos > e.errVel ? e.errPos : e.errVel;
    return e;
}

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
    return estimateFromSums(sumPos, sumVel, h);
}

/// The same attempt for a particle whose right-hand side is its acceleration alone:
/// `accel(R, V, A)` gives A [m/s^2] at the position R [m] and velocity V [m/s] (three doubles
/// each). The positions advance with the velocity, the constant (component 7) stays and the time
/// (component 8) advances at 1, as an eight-component system that says so would have them; the
/// attempt gives the bits of cashKarp8 with that system, term by term in the same order, but
/// carries the six moving components as three pairs (x, vx), (y, vy), (z, vz) in vector
/// registers instead of whole state arrays. `retry` as for cashKarp8.
template <class Accel>
[[gnu::always_inline]] inline StepEstimate
cashKarpParticle(const Accel& accel, const StateArray& y, double h, StateArray& yNext,
                 CashKarpWork& work, bool retry = false) {
    namespace ck = cashkarp;
    // Two lanes of IEEE doubles: each lane's arithmetic is that of a scalar.
    using Pair = double __attribute__((vector_size(16)));
    Pair Y[3];
    std::memcpy(Y, &y.c[1], sizeof Y);
    // K[i][p]: the derivative of pair p at stage i, that is (v, a) along axis p.
    Pair K[7][3];
    const auto derivative = [&accel](const Pair* S, Pair* D) {
        const double R[3] = {S[0][0], S[1][0], S[2][0]};
        const double V[3] = {S[0][1], S[1][1], S[2][1]};
        double A[3];
        accel(R, V, A);
        for (int p = 0; p < 3; ++p) D[p] = Pair{V[p], A[p]};
    };
    static_assert(sizeof K[1] <= sizeof work.first);
    if (retry) {
        std::memcpy(K[1], work.first, sizeof K[1]);
    } else {
        derivative(Y, K[1]);
        std::memcpy(work.first, K[1], sizeof K[1]);
    }
#pragma GCC unroll 5
    for (int i = 2; i <= 6; ++i) {
        Pair S[3];
        for (int p = 0; p < 3; ++p) {
            Pair v = Y[p];
#pragma GCC unroll 6
            for (int l = 1; l < i; ++l) v = v + (K[l][p] * ck::A[i][l]) * h;
            S[p] = v;
        }
        derivative(S, K[i]);
    }
    Pair sum{};
    for (int p = 0; p < 3; ++p) {
        Pair v = Y[p];
        Pair low = Y[p];
#pragma GCC unroll 6
        for (int i = 1; i <= 6; ++i) {
            if (ck::b[i] != 0) v = h * ck::b[i] * K[i][p] + v;
        }
#pragma GCC unroll 6
        for (int i = 1; i <= 6; ++i) {
            if (ck::bStar[i] != 0) low = low + h * ck::bStar[i] * K[i][p];
        }
        std::memcpy(&yNext.c[1 + 2 * p], &v, sizeof v);
        std::memcpy(&work.lowOrder.c[1 + 2 * p], &low, sizeof low);
        const Pair diff = v - low;
        // The squares summed from the first axis on (0 + d^2 is d^2 itself): positions in the
        // first lane, velocities in the second.
        sum = p == 0 ? diff * diff : sum + diff * diff;
    }
    // The constant (derivative 0) and the time (derivative 1), with the same terms.
    double c = y(7), cLow = y(7), t = y(8), tLow = y(8);
    const double zero = 0;
#pragma GCC unroll 6
    for (int i = 1; i <= 6; ++i) {
        if (ck::b[i] != 0) {
            c = h * ck::b[i] * zero + c;
            t = h * ck::b[i] + t;
        }
    }
#pragma GCC unroll 6
    for (int i = 1; i <= 6; ++i) {
        if (ck::bStar[i] != 0) {
            cLow = cLow + h * ck::bStar[i] * zero;
            tLow = tLow + h * ck::bStar[i];
        }
    }
    yNext(7) = c;
    yNext(8) = t;
    work.lowOrder(7) = cLow;
    work.lowOrder(8) = tLow;
    const double sumPos = sum[0] + (c - cLow) * (c - cLow);
    const double sumVel = sum[1] + (t - tLow) * (t - tLow);
    return estimateFromSums(sumPos, sumVel, h);
}

/// A right-hand side that can be evaluated as an acceleration alone, when it says so
/// (`direct()`), by `acceleration(R, V, A)` as cashKarpParticle's `accel`.
template <class System>
concept DirectAcceleration = requires(const System& f, const double* in, double* out) {
    { f.direct() } -> std::convertible_to<bool>;
    f.acceleration(in, in, out);
};

/// A direct acceleration that tells the kind of its field (`fieldKind()`, 0 for any field) and
/// gives its acceleration for one kind (`accelerationOf<Kind>`), so that each kind the system
/// names gets an attempt of its own, whose stages inline that field's formulas.
template <class System>
concept KindedAcceleration = DirectAcceleration<System> &&
    requires(const System& f, const double* in, double* out) {
    { f.fieldKind() } -> std::convertible_to<int>;
    f.template accelerationOf<0>(in, in, out);
};

/// The attempt for the system f: the particle's when f is a direct acceleration (one for each
/// kind of field a KindedAcceleration names), else cashKarp8.
template <class System>
[[gnu::always_inline]] inline StepEstimate cashKarpAttempt(System& f, const StateArray& y, double h,
                                                           StateArray& yNext, CashKarpWork& work,
                                                           bool retry) {
    if constexpr (KindedAcceleration<System>) {
        if (f.direct()) {
            const auto attempt = [&](auto kind) {
                const auto accel = [&f](const double* R, const double* V, double* A) {
                    f.template accelerationOf<decltype(kind)::value>(R, V, A);
                };
                return cashKarpParticle(accel, y, h, yNext, work, retry);
            };
            switch (f.fieldKind()) {
            case System::kUniformField:
                return attempt(std::integral_constant<int, System::kUniformField>{});
            case System::kCurvedRadialField:
                return attempt(std::integral_constant<int, System::kCurvedRadialField>{});
            default:
                return attempt(std::integral_constant<int, System::kAnyField>{});
            }
        }
    } else if constexpr (DirectAcceleration<System>) {
        if (f.direct()) {
            const auto accel = [&f](const double* R, const double* V, double* A) {
                f.acceleration(R, V, A);
            };
            return cashKarpParticle(accel, y, h, yNext, work, retry);
        }
    }
    return cashKarp8(f, y, h, yNext, work, retry);
}

/// True when both parts of the estimate are finite.
inline bool finiteEstimate(const StepEstimate& e) {
    return std::isfinite(e.errPos) && std::isfinite(e.errVel);
}

/// One attempt of a controlled step: the Cash-Karp stepper with the right-hand side f, judged by
/// the step-size policy against errMax [m]. `previousProposal` is the last hNext [s] (used when
/// the estimate is exactly 0). A non-finite estimate comes back rejected with err NaN
/// and hNext = h. The attempt's estimate is left in `estimate` (for the step-size log lines).
/// `retry` as for cashKarp8. A system that is a direct acceleration is stepped by
/// cashKarpParticle.
template <class System>
[[gnu::always_inline]] inline StepOutcome
tryStep(System& f, const StateArray& y, double h, StateArray& yNext, double errMax,
        double previousProposal, CashKarpWork& work, StepEstimate& estimate, bool retry = false) {
    estimate = cashKarpAttempt(f, y, h, yNext, work, retry);
    if (!finiteEstimate(estimate)) return {false, h, std::numeric_limits<double>::quiet_NaN()};
    return judgeStep(h, estimate.err, errMax, previousProposal);
}

} // namespace gyro
