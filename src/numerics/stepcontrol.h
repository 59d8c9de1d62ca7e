// The step-size policy of the controlled Cash-Karp step: accept or reject an attempt from its
// error estimate, and propose the next step. A fifth-order error scales as h^5 per step: the
// growth exponent 1/6 and the shrink exponent 1/3 are deliberately cautious, with a safety factor
// of 0.9 both ways.
#pragma once

#include <cmath>

namespace gyro {

/// The error estimate of one embedded-pair attempt [m]: the position part, the velocity part
/// (times h and 64, so that it is a length too) and the larger of the two.
struct StepEstimate {
    double errPos = 0;
    double errVel = 0;
    double err = 0;
};

/// What one attempt of a controlled step comes to.
struct StepOutcome {
    bool accepted = false; ///< the error estimate was below the limit
    double hNext = 0;      ///< step to use next [s]: the next step, or the retry of this one
    double err = 0;        ///< error estimate of the attempt [m] (NaN or infinite: not finite)
    bool floored = false;  ///< rejected, and the h / 10 floor set hNext
};

/// Judges an attempt of step h [s] whose error estimate is err [m] against errMax [m]: accepted
/// when err < errMax, with hNext = 0.9 h (errMax / err)^(1/6) capped at 5 h (an exact estimate
/// keeps the previous proposal, or 5 h when there is none); rejected otherwise, with
/// hNext = 0.9 h (errMax / err)^(1/3) but never below h / 10. The caller checks that err is
/// finite and errMax positive. `floored` (and the outcome's own `floored`) tells whether the h / 10
/// floor acted.
/// (Inline: its outcome then stays in registers in the stepper's loop.)
inline StepOutcome judgeStep(double h, double err, double errMax, double previousProposal,
                             bool* floored = nullptr) {
    StepOutcome out;
    out.err = err;
    if (floored) *floored = false;
    if (err < errMax) {
        out.accepted = true;
        if (err > 0) {
            out.hNext = 0.9 * h * std::pow(errMax / err, 1.0 / 6);
        } else if (previousProposal > 0 && std::isfinite(previousProposal)) {
            out.hNext = previousProposal;
        } else {
            // An exact estimate with no earlier proposal: grow by the cap.
            out.hNext = 5 * h;
        }
        if (5 * h < out.hNext) out.hNext = 5 * h;
        return out;
    }
    out.hNext = 0.9 * h * std::pow(errMax / err, 1.0 / 3);
    if (h / 10 > out.hNext) {
        out.hNext = h / 10;
        out.floored = true;
        if (floored) *floored = true;
    }
    return out;
}

} // namespace gyro
