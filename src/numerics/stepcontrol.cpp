// Step-size policy of the controlled Cash-Karp step. A fifth-order error scales as h^5 per step:
// the growth exponent 1/6 and the shrink exponent 1/3 are deliberately cautious, with a safety
// factor of 0.9 both ways.
#include "numerics/stepcontrol.h"

#include <cmath>

namespace gyro {

StepOutcome judgeStep(double h, double err, double errMax, double previousProposal, bool* floored) {
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
        if (floored) *floored = true;
    }
    return out;
}

} // namespace gyro
