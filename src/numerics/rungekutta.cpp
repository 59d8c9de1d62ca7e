// Runge-Kutta steps: tableau set-up with its check trace, the stages, the Cash-Karp error
// estimate and the step-size control of the particle integrator.
#include "numerics/rungekutta.h"

#include "numerics/constants.h"
#include "numerics/errorreport.h"
#include "numerics/tracelog.h"

#include <atomic>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

namespace gyro {

namespace {

// Stage derivatives of one attempt, one row per stage. They live on the caller's stack so that a
// computation started from inside a derivative (through a question of the error report) cannot
// overwrite the stages of the step it interrupted.
using StageRows = double[kMaxStages + 1][kStateCapacity + 1];

// ---- Tableaus ----

void classicalRk4(RungeWork& w) {
    w.stages = 4;
    w.A[2][1] = 0.5;
    w.A[3][2] = 0.5;
    w.A[4][3] = 1;
    const double weights[] = {1, 2, 2, 1};
    double cumul = 0;
    for (double x : weights) cumul += x;
    for (int i = 1; i <= 4; ++i) w.b[i] = weights[i - 1] / cumul;
    if (w.trace == 1) TraceLigne("cumul", cumul);
}

void cashKarp(RungeWork& w) {
    if (std::fmod(Ldim, 2) != 0) AlerteCalcul("Ldim doit être Pair");
    w.stages = 6;
    for (int i = 2; i <= 6; ++i)
        for (int l = 1; l < i; ++l) w.A[i][l] = cashkarp::A[i][l];
    double cumul5 = 0;
    double cumul4 = 0;
    double delta = 0;
    for (int i = 1; i <= 6; ++i) {
        w.b[i] = cashkarp::b[i];
        w.bStar[i] = cashkarp::bStar[i];
        w.delta[i] = w.b[i] - w.bStar[i];
        cumul5 += w.b[i];
        cumul4 += w.bStar[i];
        delta += w.delta[i];
    }
    if (w.trace == 1) {
        TraceLigne("cumul5", cumul5);
        TraceLigne("cumul4", cumul4);
        TraceLigne("Delta5_4", delta);
    }
}

// Shanks' twelve-stage eighth-order formula. The coefficients are exact fractions whose
// denominators all divide 19926000: each is entered as the integer numerator over that common
// denominator, so the table below reads as the published fractions while the stored values are
// the correctly rounded quotients of two exact integers.
constexpr double kShanksDenominator = 19926000;

struct Fraction {
    long long num;
    long long den;
};

void shanks8(RungeWork& w) {
    static constexpr int kRows = 12;
    // Row i (2..12) lists a(i, 1) .. a(i, i-1).
    static constexpr Fraction rows[kRows + 1][kRows] = {
        {},
        {},
        {{1, 9}},
        {{1, 24}, {3, 24}},
        {{1, 16}, {0, 16}, {3, 16}},
        {{29, 500}, {0, 500}, {33, 500}, {-12, 500}},
        {{33, 972}, {0, 972}, {0, 972}, {4, 972}, {125, 972}},
        {{-21, 36}, {0, 36}, {0, 36}, {76, 36}, {125, 36}, {-162, 36}},
        {{-30, 243}, {0, 243}, {0, 243}, {-32, 243}, {125, 243}, {0, 243}, {99, 243}},
        {{1175, 324},
         {0, 324},
         {0, 324},
         {-3456, 324},
         {-6250, 324},
         {8424, 324},
         {242, 324},
         {-27, 324}},
        {{293, 324},
         {0, 324},
         {0, 324},
         {-852, 324},
         {-1375, 324},
         {1836, 324},
         {-118, 324},
         {162, 324},
         {324, 324}},
        {{1303, 1620},
         {0, 1620},
         {0, 1620},
         {-4260, 1620},
         {-6875, 1620},
         {9990, 1620},
         {1030, 1620},
         {0, 1620},
         {0, 1620},
         {162, 1620}},
        {{-8595, 4428},
         {0, 4428},
         {0, 4428},
         {30720, 4428},
         {48750, 4428},
         {-66096, 4428},
         {378, 4428},
         {-729, 4428},
         {-1944, 4428},
         {-1296, 4428},
         {3240, 4428}},
    };
    const auto common = static_cast<long long>(kShanksDenominator);
    w.stages = 12;
    for (int i = 2; i <= kRows; ++i) {
        for (int l = 1; l < i; ++l) {
            const Fraction& f = rows[i][l - 1];
            const long long numerator = f.num * (common / f.den); // exact: den divides common
            w.A[i][l] = static_cast<double>(numerator) / kShanksDenominator;
        }
    }
    const double weights[] = {41, 0, 0, 0, 0, 216, 272, 27, 27, 36, 180, 41};
    double cumul = 0;
    for (double x : weights) cumul += x;
    for (int i = 1; i <= 12; ++i) w.b[i] = weights[i - 1] / cumul;
    if (w.trace == 1) TraceLigne("cumul", cumul);
}

// The check lines of the tableaus go to the one trace log of the program, once for each routine:
// every run has a work record of its own (and runs may go side by side in two threads), so only
// the first build in the program that asks for the trace writes it.
std::atomic<bool> g_particleTraced{false};
std::atomic<bool> g_generalTraced{false};

// Builds the tableau of `method` (a control's OrdreRunge) when none is built yet or another method
// is asked for. Any selector other than 4, 5, 8 builds nothing (the tableau in place, if any,
// stays).
void buildTableau(RungeWork& w, double method, std::atomic<bool>& traced);

inline void ensureTableau(RungeWork& w, double method, std::atomic<bool>& traced) {
    if (w.initialised == 1 && w.method == method) return;
    buildTableau(w, method, traced);
}

void buildTableau(RungeWork& w, double method, std::atomic<bool>& traced) {
    if (method != 4 && method != 5 && method != 8) return;
    if (w.trace == 1 && traced.exchange(true)) w.trace = 0;
    for (auto& row : w.A)
        for (double& a : row) a = 0;
    for (int i = 0; i <= kMaxStages; ++i) w.b[i] = w.bStar[i] = w.delta[i] = 0;
    if (method == 4)
        classicalRk4(w);
    else if (method == 5)
        cashKarp(w);
    else
        shanks8(w);
    if (w.trace == 1) {
        const int s = static_cast<int>(w.stages);
        for (int i = 1; i <= s; ++i) {
            double sum = 0;
            for (int l = 1; l <= s; ++l) sum += w.A[i][l];
            TraceLigne2("Si", i, sum);
        }
        for (int l = 1; l <= s; ++l) {
            double sum = 0;
            for (int i = 1; i <= s; ++i) sum += w.A[i][l];
            TraceLigne2("Sj", l, sum);
        }
    }
    w.method = method;
    w.initialised = 1;
}

// The dimension in use, or -1 (reported) when Ldim is outside 1..74.
inline int stateDimension() {
    if (!(Ldim >= 1 && Ldim <= kStateCapacity)) [[unlikely]] {
        AlerteCalcul("rungefaute Ldim hors de 1..74");
        return -1;
    }
    return static_cast<int>(Ldim);
}

// ---- One attempt: the stages, the new state and the embedded estimate ----
//
// The sums keep the order of the terms: stage arguments y + (K a) h added in order of l, the new
// state as (h b) K + yNext in order of i.

// Error estimate from yNext and lowOrder: errPos over the positions (odd components), errVel over
// the velocities (even ones) times h and 64, err the larger. Not finite whenever a component of
// yNext is not finite.
inline StepEstimate estimateError(double h, const StateArray& yNext, const StateArray& lowOrder,
                                  int n) {
    double sumPos = 0;
    double sumVel = 0;
    for (int j = 1; j <= n; j += 2) {
        const double d = yNext(j) - lowOrder(j);
        sumPos += d * d;
    }
    for (int j = 2; j <= n; j += 2) {
        const double d = yNext(j) - lowOrder(j);
        sumVel += d * d;
    }
    return estimateFromSums(sumPos, sumVel, h);
}

// Any tableau, any dimension. False when the new state (or, with `estimate`, the estimate left in
// `e`) is not finite.
template <class Call>
bool attempt(const RungeWork& w, CashKarpWork& buf, int n, double h, const StateArray& y,
             StateArray& yNext, bool estimate, StepEstimate& e, Call& call) {
    const int s = static_cast<int>(w.stages);
    StageRows K;
    for (int i = 1; i <= s; ++i) {
        for (int j = 1; j <= n; ++j) {
            double v = y(j);
            for (int l = 1; l < i; ++l) v = v + (K[l][j] * w.A[i][l]) * h;
            buf.stage(j) = v;
        }
        call(i, buf.stage, buf.deriv);
        for (int j = 1; j <= n; ++j) K[i][j] = buf.deriv(j);
    }
    double check = 0; // stays 0 unless a component is infinite or NaN
    for (int j = 1; j <= n; ++j) {
        double v = y(j);
        for (int i = 1; i <= s; ++i) v = h * w.b[i] * K[i][j] + v;
        yNext(j) = v;
        check += v - v;
    }
    if (!estimate) return check == 0;
    for (int j = 1; j <= n; ++j) {
        double v = y(j);
        for (int i = 1; i <= s; ++i) v = v + h * w.bStar[i] * K[i][j];
        buf.lowOrder(j) = v;
    }
    e = estimateError(h, yNext, buf.lowOrder, n);
    return finiteEstimate(e);
}

} // namespace

void runge(RunControl& c, double& h, const StateArray& y, StateArray& yNext, RungeDerivative f) {
    rungeControlled(c, h, y, yNext, f);
}

void detail::rungeLoop(RunControl& c, double& h, const StateArray& y, StateArray& yNext,
                       FunctionRef<StepOutcome(double h, StepEstimate& estimate)> fast,
                       FunctionRef<void(const StateArray&, StateArray&)> general,
                       const FirstAttempt* first) {
    RungeWork& w = c.work;
    ensureTableau(w, c.OrdreRunge, g_particleTraced);
    const int n = stateDimension();
    if (n < 0) return;
    const auto call = [&general](int, const StateArray& stage, StateArray& deriv) {
        general(stage, deriv);
    };

    // A rejected step is retried from y with a smaller step. Each retry stands for one level of
    // nesting: when the step is finally accepted (or the user stops), every level writes its
    // "_Runge_suite" line and hands on the proposal, innermost first.
    int retries = 0;
    // `last`: the estimate of the attempt that ended the step, which the lines show.
    const auto unwind = [&](const StepEstimate& last) {
        for (; retries > 0; --retries) {
            ErrorReport::instance().logStepSize(StepSizeLine::Resumed, w.rejections, h, w.hNext,
                                                last.errPos, last.errVel);
            h = w.hNext;
            w.rejections = 0;
        }
    };

    for (;;) {
        const bool controlled = c.OrdreRunge == 5;
        if (controlled && !(c.ErrMax > 0)) {
            AlerteCalcul("rungefaute Error maxi Runge Kutta (m) doit être > 0");
            c.StopCalcul = 1;
            CopieEtat(y, yNext);
            return;
        }
        StepOutcome outcome;
        StepEstimate e;
        if (first) {
            outcome = first->outcome; // made by the caller, with the same checks passed
            e = first->estimate;
            first = nullptr;
        } else if (controlled && w.method == 5 && n == 8) {
            outcome = fast(h, e);
        } else if (!attempt(w, c.buffers, n, h, y, yNext, controlled, e, call)) {
            outcome.err = std::numeric_limits<double>::quiet_NaN();
        } else if (!controlled) {
            unwind(e);
            return;
        } else {
            outcome = judgeStep(h, e.err, c.ErrMax, w.hNext);
        }
        if (!std::isfinite(outcome.err)) {
            // NaN or infinity: no step size can mend it and the step control would chase it
            // forever; stop the run instead. (A derivative that already reported the cause and
            // stopped the run is not reported twice.)
            if (c.StopCalcul != 1) AlerteCalcul("rungefaute état ou erreur non fini");
            c.StopCalcul = 1;
            CopieEtat(y, yNext);
            w.rejections = 0;
            return;
        }
        if (outcome.accepted) {
            w.hNext = outcome.hNext;
            h = w.hNext;
            w.rejections = 0;
            unwind(e);
            return;
        }

        if (w.rejections >= 2) AlerteCalcul("Runge a tendance à boucler Pb de Pas", w.status);
        if (w.status == 1) {
            c.StopCalcul = 1; // (the report set it already when the control is bound to it)
            unwind(e);
            // The Stop answer ends this step; the run driver sees StopCalcul. The next call
            // controls its step again instead of accepting every rejected step from now on.
            w.status = 0;
            return;
        }
        w.hNext = outcome.hNext;
        if (outcome.floored) AlerteCalcul("_Pb de Pas");
        ErrorReport::instance().logStepSize(StepSizeLine::Reduced, 0, h, w.hNext, e.errPos,
                                            e.errVel);
        h = w.hNext;
        w.rejections = w.rejections + 1;
        ++c.RungeRejections;
        ++retries;
    }
}

StepEstimate rungeGeneral(RunControl& c, double h, const StateArray& y, double extra,
                          StateArray& yNext, GeneralDerivative f) {
    RungeWork& w = c.generalWork;
    ensureTableau(w, c.OrdreRunge, g_generalTraced);
    const int n = stateDimension();
    if (n < 0) return {};
    const auto call = [f, extra](int i, const StateArray& stage, StateArray& deriv) {
        f(i, extra, stage, deriv);
    };
    const bool estimate = c.OrdreRunge == 5;
    StepEstimate e;
    if (!attempt(w, c.buffers, n, h, y, yNext, estimate, e, call)) {
        if (c.StopCalcul != 1) AlerteCalcul("rungefaute état ou erreur non fini");
        c.StopCalcul = 1;
        return e;
    }
    if (estimate && e.err == 0) e.err = 0.001;
    return e;
}

} // namespace gyro
