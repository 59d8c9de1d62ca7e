// A stretch of Boris (or relativistic) steps of a run taken in one loop: while nothing looks at
// the run between two steps, the field model, the step rule and the energy bookkeeping stay in
// registers instead of being read, dispatched and stored again at every step.
#pragma once

#include "simulation/borispace.h"
#include "simulation/energyinvariant.h"
#include "simulation/relativistic.h"
#include "simulation/trajectoryrecord.h"

#include <cstddef>
#include <cstdint>

namespace gyro {

class ErrorReport;
class FieldModel;

/// The parts of a run that its Boris steps move, as the run's step (IntegrationStep with a pace,
/// a momentum memo and the field cache) and the acceptance of the step leave them.
struct BorisStretchRun {
    StateArray& Y;                ///< the state (x vx y vy z vz constant t)
    StateArray& Ynew;             ///< the step handed back, when there is one
    double& h;                    ///< the step kept for a path without field [s]
    BorisPace& pace;              ///< the step bounds along the path
    ProperVelocityMemo& momentum; ///< u = γv between relativistic steps
    EnergyInvariant& invariant;   ///< W, moved by every step accepted here
};

/// What a stretch may do.
struct BorisStretchLimits {
    bool relativistic = false;
    double stepsPerGyration = 32; ///< at least 4
    double chargeOverMass = 0;    ///< [C/kg]
    Vecteur3 invariantE;          ///< the electric field the energy invariant is moved with [V/m]
    double endTime = 0;           ///< no step of the stretch reaches this time [s]
    std::uint64_t steps = 0;      ///< most steps accepted here (at most kMaxStretch)
    /// A step whose relative change of W is not surely below this is handed back (+infinity:
    /// no watch).
    double changeLimit = 0;
    /// A step whose speed may pass a tenth of the speed of light is handed back.
    bool watchSpeed = false;
};

/// How a stretch ended.
struct BorisStretch {
    std::size_t accepted = 0; ///< steps taken and accepted, their states in the samples
    /// One more step was taken into Ynew (Y holds the state before it): one that somebody
    /// looks at (a report during it, the end or pause time reached, the watches of W and of the
    /// speed), or one that stopped the run (StopCalcul = 1). Its acceptance is the caller's.
    bool handedBack = false;
    Vecteur3 low, high; ///< the box around the positions accepted [m] (when asked)
};

/// Most steps one stretch takes.
inline constexpr std::size_t kMaxStretch = 128;

/// Takes the run's next steps with the choice of `limits` and the case's fields, exactly as
/// that many steps of IntegrationStep and the moves of the energy invariant would: the same
/// states, times, steps, pace, momentum and W to the last bit. Stops before a step it cannot
/// take as they would without looking (the first of a run, a landing on the end time, a step
/// without field bound, a state that is not finite): that one is left to the caller's own step.
/// The states accepted go to samples[0 .. accepted) (room for limits.steps; none with samples
/// null); Y is the last. With `box`, low and high receive the box around their positions.
/// Reports during a step go through `report` as the step's would, with `stop` the run's
/// StopCalcul.
BorisStretch borisStretch(const BorisStretchRun& run, const BorisStretchLimits& limits,
                          const FieldModel& fields, const ErrorReport& report, double& stop,
                          TrajectorySample* samples, bool box = true);

} // namespace gyro
