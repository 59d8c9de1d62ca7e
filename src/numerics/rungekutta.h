// Explicit Runge-Kutta steps: classical RK4, the Cash-Karp embedded 5(4) pair with step control,
// and a twelve-stage eighth-order formula.
#pragma once

#include "numerics/cashkarp.h"
#include "numerics/functionref.h"
#include "numerics/vecteur3.h"

#include <cstdint>

namespace gyro {

/// Derivative of a particle state: dy = f(y). Must not change y.
using RungeDerivative = void (*)(const StateArray& y, StateArray& dy);
/// Derivative of the general integrator: called with the stage number, the caller's extra value
/// passed through, the stage state and the derivative to fill.
using GeneralDerivative = void (*)(double stage, double extra, const StateArray& y, StateArray& dy);

/// Largest number of stages of a tableau.
inline constexpr int kMaxStages = 12;

/// The work record of one of the two routines: its tableau (built at the first call, and built
/// again when the control's OrdreRunge is changed to another of 4, 5, 8) and, for runge, the step
/// control. Arrays are indexed from 1 like the tableau's coefficients.
struct RungeWork {
    double initialised = 0;                     ///< 1 once a tableau is built
    double method = 0;                          ///< the OrdreRunge the tableau was built for
    double stages = 0;                          ///< number of stages s (4, 6 or 12)
    double A[kMaxStages + 1][kMaxStages + 1]{}; ///< a(i, l), l < i
    double b[kMaxStages + 1]{};                 ///< weights of the propagated solution
    double bStar[kMaxStages + 1]{};             ///< weights of the embedded solution (Cash-Karp)
    double delta[kMaxStages + 1]{};             ///< b - bStar (Cash-Karp, for the trace)
    double rejections = 0; ///< consecutive rejections of the current step (runge)
    double status = 0;     ///< 1 when the user answered Stop to the loop question (runge)
    double hNext = 0;      ///< step proposed for the next call [s], 0 before any (runge)
    double trace = 1; ///< 1: building a tableau writes its check lines to traceLog() (the first
                      ///< such build of each routine in the program only)
};

/// The control of one computation (a run, the orbit check): its error limit, method, stop flag
/// and counters, and the work records and buffers of its steps. The caller owns it (the run
/// driver one per run), so two computations never share anything and can go side by side in two
/// threads; the steps below read and write nothing else.
struct RunControl {
    /// Error limit of the step control [m]: "Error maxi Runge Kutta (m)".
    double ErrMax = 1e-7;
    /// Method selector: 4 (classical RK4), 5 (Cash-Karp with error estimate), 8 (eighth order).
    double OrdreRunge = 5;
    /// 1 when the computation must stop: set by the steps on a fault, and by the error report's
    /// "Stop" answer while the control is bound to it (ErrorReport::StopBinding); the owner polls
    /// it and clears it when it obeys.
    double StopCalcul = 0;
    /// Attempts rejected by the step control of runge (statistics).
    std::uint64_t RungeRejections = 0;
    RungeWork work;        ///< tableau and step control of runge
    RungeWork generalWork; ///< tableau of rungeGeneral
    CashKarpWork buffers;  ///< stage, derivative and embedded solution of an attempt
};

/// One controlled step of the particle state with the method c.OrdreRunge. On entry h [s] is the
/// step to try; on return yNext holds the new state and h the step proposed for the next call
/// (methods 4 and 8 leave h unchanged). y is not modified.
/// With Cash-Karp a step is accepted when err < c.ErrMax; a rejected step is retried from y with a
/// smaller step (at most ten times smaller per rejection, "_Pb de Pas" logged when that floor
/// acts), and from the third consecutive rejection on the user is asked whether to go on
/// ("Runge a tendance à boucler Pb de Pas"); answering Stop returns at once with h unchanged
/// (the answer applies to that step: the next call controls its step again).
/// A non-finite state or error estimate, or an error limit that is not positive, is reported as
/// "rungefaute ..." and stops the run (c.StopCalcul = 1, yNext = y, h unchanged).
void runge(RunControl& c, double& h, const StateArray& y, StateArray& yNext, RungeDerivative f);

/// The same controlled step for any right-hand side f: a callable f(const StateArray& y,
/// StateArray& dy) that may keep its own data (the system), inlined into the stepper for the
/// eight-component Cash-Karp step. Each attempt is one tryStep() (cashkarp.h).
template <class System>
void rungeControlled(RunControl& c, double& h, const StateArray& y, StateArray& yNext, System& f);

/// One step without step control: advances y by h into yNext and returns the error estimate
/// (an estimate of exactly 0 becomes 0.001; all 0 unless c.OrdreRunge is 5). A non-finite result
/// is reported as "rungefaute ..." (c.StopCalcul = 1) and left in yNext for the caller to see.
StepEstimate rungeGeneral(RunControl& c, double h, const StateArray& y, double extra,
                          StateArray& yNext, GeneralDerivative f);

namespace detail {
// The controlled step with its attempts handed in: `fast` is the eight-component Cash-Karp
// attempt (leaving its estimate in the second argument), `general` any tableau and dimension
// through the type-erased derivative. `first` (when given) is the outcome of a first fast
// attempt of step h already made, with its estimate, which the loop goes on from.
struct FirstAttempt {
    StepOutcome outcome;
    StepEstimate estimate;
};
void rungeLoop(RunControl& c, double& h, const StateArray& y, StateArray& yNext,
               FunctionRef<StepOutcome(double h, StepEstimate& estimate)> fast,
               FunctionRef<void(const StateArray&, StateArray&)> general,
               const FirstAttempt* first = nullptr);
} // namespace detail

template <class System>
void rungeControlled(RunControl& c, double& h, const StateArray& y, StateArray& yNext, System& f) {
    // Every attempt of this step starts from y: the retries after a rejection take the first
    // stage of the first attempt again.
    bool retry = false;
    const auto fast = [&](double hTry, StepEstimate& estimate) {
        const StepOutcome outcome =
            tryStep(f, y, hTry, yNext, c.ErrMax, c.work.hNext, c.buffers, estimate, retry);
        retry = true;
        return outcome;
    };
    const auto general = [&](const StateArray& s, StateArray& d) { f(s, d); };
    RungeWork& w = c.work;
    if (c.OrdreRunge == 5 && w.initialised == 1 && w.method == 5 && Ldim == 8 && c.ErrMax > 0) {
        // The usual step, inline: the first attempt accepted. Anything else (a rejection, a
        // fault) goes on in the loop from this attempt, as if the loop had made it.
        // (The outcome is read field by field: copied whole right after its narrow stores, it
        // would wait for them to retire.)
        StepEstimate estimate;
        const StepOutcome outcome = fast(h, estimate);
        if (outcome.accepted) {
            w.hNext = outcome.hNext;
            h = w.hNext;
            w.rejections = 0;
            return;
        }
        const detail::FirstAttempt first{outcome, estimate};
        detail::rungeLoop(c, h, y, yNext, fast, general, &first);
        return;
    }
    detail::rungeLoop(c, h, y, yNext, fast, general);
}

} // namespace gyro
