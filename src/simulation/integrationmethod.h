// The run's integration method: the adaptive Cash-Karp step (the default), the Boris pusher with
// a fixed number of steps per gyration or its relativistic form, and the step of a run that
// honours the choice.
#pragma once

#include "numerics/vecteur3.h"

#include <limits>
#include <string>

namespace gyro {

enum class IntegrationMethod { CashKarp, Boris, Relativistic };

/// The choice a run reads at every step (the window's Integration group and the command line's
/// --set method=..., --set steps-per-gyration=... write it).
struct IntegrationChoice {
    IntegrationMethod method = IntegrationMethod::CashKarp;
    double stepsPerGyration = 32; ///< Boris steps per gyration at the local field, >= 4
};

/// The program-wide choice.
IntegrationChoice& integrationChoice();

/// True when the chosen method computes the relativistic motion: energies, frequencies and
/// read-outs then take the Lorentz factor into account.
bool relativisticMotion();
/// The Lorentz factor γ of a particle at V [m/s] under the chosen method: 1 for the Newtonian
/// methods; for the relativistic one 1 / sqrt(1 - v^2/c^2) (+infinity at or above c).
double motionLorentzFactor(const Vecteur3& V);

/// Smallest number of Boris steps per gyration accepted: fewer turn the velocity by more than
/// 90 degrees a step.
inline constexpr double kMinStepsPerGyration = 4;

/// Handles the command line's integration keys: "method" (cash-karp, boris or relativistic) and
/// "steps-per-gyration" (a number from 4 up). Returns false for any other key; for a bad value
/// returns true with a message in `error` and leaves the choice as it was.
bool applyIntegrationSetting(const std::string& key, const std::string& value, std::string& error);

class BorisPace;
class CaseModel;
class FieldCache;
struct ProperVelocityMemo;
struct RunControl;
struct RunRecord;

/// What a run adds to the method's own step rule.
struct StepPlan {
    /// No step passes this time [s]: the step that would is shortened to land on it, and the
    /// state it gives carries exactly this time.
    double endTime = std::numeric_limits<double>::infinity();
    /// The run's Boris pace (borispace.h), which also bounds the step where the field is weak or
    /// changes quickly; without one the Boris step follows the gyration at the local field alone.
    BorisPace* pace = nullptr;
    /// The run's proper velocity u = γv, carried between relativistic steps (relativistic.h).
    ProperVelocityMemo* momentum = nullptr;
    /// The run's fields, read from the case again only when it changed (fields.h); without
    /// one each step reads them afresh.
    FieldCache* fields = nullptr;
};

/// One step of a run under the control c with the method `choice`, the case `model` and the
/// species of `rec`. Cash-Karp: RungeStep, h [s] in and proposed out.
/// Boris and relativistic: a step of the length the pace allows (without a pace: of h, where a
/// state at time 0, the start of a run, first takes its step from the field at its own position),
/// then h := the step that cuts one gyration at the field met at the step's midpoint into
/// stepsPerGyration steps (kept without a magnetic field). Both land exactly on plan.endTime. The
/// caller tests c.StopCalcul afterwards.
void IntegrationStep(RunControl& c, const IntegrationChoice& choice, const CaseModel& model,
                     const RunRecord& rec, double& h, const StateArray& Y, StateArray& Ynew,
                     const StepPlan& plan = {});
/// The same with the choice, case and run record of the current program state.
void IntegrationStep(RunControl& c, double& h, const StateArray& Y, StateArray& Ynew,
                     const StepPlan& plan = {});

} // namespace gyro
