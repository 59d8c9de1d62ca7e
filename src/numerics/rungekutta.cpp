// Runge-Kutta steps: tableau set-up with its check trace, the stages, the Cash-Karp error
// estimate and the step-size control of the particle integrator.
#include "rungekutta.h"

#include "constants.h"
#include "errorreport.h"
#include "numberformat.h"
#include "tracelog.h"

#include <cmath>
#include <string>

namespace gyro {

namespace {

RungeWork particleWork;
RungeWork generalWork;

// Stage derivatives of one attempt, one row per stage. They live on the caller's stack so that a
// run started from inside PumpMessages (a second click on the run button) cannot overwrite the
// stages of the step it interrupted.
using StageRows = double[kMaxStages + 1][kStateCapacity + 1];

// ---- Trace lines of the tableau set-up, written like the orbit-check window's log lines ----

void traceLine(const std::string& label, double value) {
    if (ShowTraceWindow) ShowTraceWindow();
    traceLog().append(std::string(LineBreak) + label + "   " + FormatGeneral(value));
}

void traceLine2(const std::string& label, double value1, double value2) {
    traceLog().append(std::string(LineBreak) + label + "   " + FormatGeneral(value1) + "   " +
                      FormatGeneral(value2));
}

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
    if (w.trace == 1) traceLine("cumul", cumul);
}

// Cash-Karp embedded pair: fifth-order solution propagated, fourth-order one for the estimate.
void cashKarp(RungeWork& w) {
    if (std::fmod(Ldim, 2) != 0) AlerteCalcul("Ldim doit être Pair");
    w.stages = 6;
    w.A[2][1] = 1.0 / 5;
    w.A[3][1] = 3.0 / 40;
    w.A[3][2] = 9.0 / 40;
    w.A[4][1] = 3.0 / 10;
    w.A[4][2] = -9.0 / 10;
    w.A[4][3] = 6.0 / 5;
    w.A[5][1] = -11.0 / 54;
    w.A[5][2] = 5.0 / 2;
    w.A[5][3] = -70.0 / 27;
    w.A[5][4] = 35.0 / 27;
    w.A[6][1] = 1631.0 / 55296;
    w.A[6][2] = 175.0 / 512;
    w.A[6][3] = 575.0 / 13824;
    w.A[6][4] = 44275.0 / 110592;
    w.A[6][5] = 253.0 / 4096;
    const double b[] = {37.0 / 378, 0, 250.0 / 621, 125.0 / 594, 0, 512.0 / 1771};
    const double bStar[] = {2825.0 / 27648, 0,      18575.0 / 48384, 13525.0 / 55296,
                            277.0 / 14336,  1.0 / 4};
    double cumul5 = 0;
    double cumul4 = 0;
    double delta = 0;
    for (int i = 1; i <= 6; ++i) {
        w.b[i] = b[i - 1];
        w.bStar[i] = bStar[i - 1];
        w.delta[i] = w.b[i] - w.bStar[i];
        cumul5 += w.b[i];
        cumul4 += w.bStar[i];
        delta += w.delta[i];
    }
    if (w.trace == 1) {
        traceLine("cumul5", cumul5);
        traceLine("cumul4", cumul4);
        traceLine("Delta5_4", delta);
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
    if (w.trace == 1) traceLine("cumul", cumul);
}

// Builds the tableau of OrdreRunge when none is built yet or another method is asked for. Any
// selector other than 4, 5, 8 builds nothing (the tableau in place, if any, stays).
void ensureTableau(RungeWork& w) {
    const double method = OrdreRunge;
    if (w.initialised == 1 && w.method == method) return;
    if (method != 4 && method != 5 && method != 8) return;
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
            traceLine2("Si", i, sum);
        }
        for (int l = 1; l <= s; ++l) {
            double sum = 0;
            for (int i = 1; i <= s; ++i) sum += w.A[i][l];
            traceLine2("Sj", l, sum);
        }
    }
    w.method = method;
    w.initialised = 1;
}

// The dimension in use, or -1 (reported) when Ldim is outside 1..74.
int stateDimension() {
    if (!(Ldim >= 1 && Ldim <= kStateCapacity)) {
        AlerteCalcul("rungefaute Ldim hors de 1..74");
        return -1;
    }
    return static_cast<int>(Ldim);
}

// ---- One attempt: the stages, the new state and the embedded estimate ----
//
// S and N are the stage count and the dimension when known at compile time (0: use s and n).
// The sums keep the order of the terms: stage arguments y + (K a) h added in order of l, the new
// state as (h b) K + yNext in order of i, so every specialisation gives the same bits.
template <int S, int N, class Call>
bool attempt(const RungeWork& w, int s, int n, double h, const StateArray& y, StateArray& yNext,
             bool estimate, Call&& call) {
    if constexpr (S > 0) s = S;
    if constexpr (N > 0) n = N;
    StageRows K;
    StateArray stage;
    StateArray deriv;
    for (int i = 1; i <= s; ++i) {
        for (int j = 1; j <= n; ++j) {
            double v = y(j);
            for (int l = 1; l < i; ++l) v = v + (K[l][j] * w.A[i][l]) * h;
            stage(j) = v;
        }
        call(i, stage, deriv);
        for (int j = 1; j <= n; ++j) K[i][j] = deriv(j);
    }
    if (PumpMessages) PumpMessages();
    bool finite = true;
    for (int j = 1; j <= n; ++j) {
        double v = y(j);
        for (int i = 1; i <= s; ++i) v = h * w.b[i] * K[i][j] + v;
        yNext(j) = v;
        finite = finite && std::isfinite(v);
    }
    if (!estimate) return finite;
    for (int j = 1; j <= n; ++j) {
        double v = y(j);
        for (int i = 1; i <= s; ++i) v = v + h * w.bStar[i] * K[i][j];
        lowOrder(j) = v;
    }
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
    errPos = std::sqrt(sumPos);
    errVel = std::sqrt(sumVel) * h * 64;
    err = errPos > errVel ? errPos : errVel;
    return finite && std::isfinite(errPos) && std::isfinite(errVel);
}

template <class Call>
bool attemptAny(const RungeWork& w, double h, const StateArray& y, StateArray& yNext, int n,
                bool estimate, Call&& call) {
    const int s = static_cast<int>(w.stages);
    // The particle run (Cash-Karp, 8 components) gets a fully unrolled specialisation.
    if (s == 6 && n == 8) return attempt<6, 8>(w, s, n, h, y, yNext, estimate, call);
    return attempt<0, 0>(w, s, n, h, y, yNext, estimate, call);
}

} // namespace

RungeWork& rungeWork() {
    return particleWork;
}

RungeWork& rungeGeneralWork() {
    return generalWork;
}

void runge(double& h, const StateArray& y, StateArray& yNext, RungeDerivative f) {
    RungeWork& w = particleWork;
    ensureTableau(w);
    const int n = stateDimension();
    if (n < 0) return;
    const auto call = [f](int, const StateArray& stage, StateArray& deriv) { f(stage, deriv); };

    // A rejected step is retried from y with a smaller step. Each retry stands for one level of
    // nesting: when the step is finally accepted (or the user stops), every level writes its
    // "_Runge_suite" line and hands on the proposal, innermost first.
    int retries = 0;
    const auto unwind = [&] {
        for (; retries > 0; --retries) {
            AlerteCalcul("_Runge_suite" + Format6(w.rejections) + Format9(h) + Format9(w.hNext) +
                         "_err" + Format6(errPos) + Format6(errVel));
            h = w.hNext;
            w.rejections = 0;
        }
    };

    for (;;) {
        const bool controlled = OrdreRunge == 5;
        if (controlled && !(ErrMax > 0)) {
            AlerteCalcul("rungefaute Error maxi Runge Kutta (m) doit être > 0");
            StopCalcul = 1;
            CopieEtat(y, yNext);
            return;
        }
        const bool finite = attemptAny(w, h, y, yNext, n, controlled, call);
        if (!finite) {
            // NaN or infinity: no step size can mend it and the step control would chase it
            // forever; stop the run instead. (A derivative that already reported the cause and
            // stopped the run is not reported twice.)
            if (StopCalcul != 1) AlerteCalcul("rungefaute état ou erreur non fini");
            StopCalcul = 1;
            CopieEtat(y, yNext);
            w.rejections = 0;
            return;
        }
        if (!controlled) {
            unwind();
            return;
        }

        if (err < ErrMax) {
            if (err > 0) {
                w.hNext = 0.9 * h * std::pow(ErrMax / err, 1.0 / 6);
            } else if (!(w.hNext > 0) || !std::isfinite(w.hNext)) {
                // An exact estimate with no earlier proposal: grow by the cap.
                w.hNext = 5 * h;
            }
            if (5 * h < w.hNext) w.hNext = 5 * h;
            h = w.hNext;
            w.rejections = 0;
            unwind();
            return;
        }

        if (w.rejections >= 2) AlerteCalcul("Runge a tendance à boucler Pb de Pas", w.status);
        if (w.status == 1) {
            unwind();
            // The Stop answer ends this step; the run driver sees StopCalcul. The next call
            // controls its step again instead of accepting every rejected step from now on.
            w.status = 0;
            return;
        }
        w.hNext = 0.9 * h * std::pow(ErrMax / err, 1.0 / 3);
        if (h / 10 > w.hNext) {
            w.hNext = h / 10;
            AlerteCalcul("_Pb de Pas");
        }
        AlerteCalcul("_RungePasRéduit" + Format9(h) + Format9(w.hNext) + "_err" + Format6(errPos) +
                     Format6(errVel));
        if (PumpMessages) PumpMessages();
        h = w.hNext;
        w.rejections = w.rejections + 1;
        ++retries;
    }
}

void rungeGeneral(double h, const StateArray& y, double extra, StateArray& yNext,
                  GeneralDerivative f) {
    RungeWork& w = generalWork;
    ensureTableau(w);
    const int n = stateDimension();
    if (n < 0) return;
    const auto call = [f, extra](int i, const StateArray& stage, StateArray& deriv) {
        f(i, extra, stage, deriv);
    };
    const bool estimate = OrdreRunge == 5;
    if (!attemptAny(w, h, y, yNext, n, estimate, call)) {
        if (StopCalcul != 1) AlerteCalcul("rungefaute état ou erreur non fini");
        StopCalcul = 1;
        return;
    }
    if (estimate && err == 0) err = 0.001;
}

} // namespace gyro
