// The run's integration method and the step that dispatches to it.
#include "simulation/integrationmethod.h"

#include "numerics/errorreport.h"
#include "numerics/rungekutta.h"
#include "simulation/boris.h"
#include "simulation/borispace.h"
#include "simulation/casemodel.h"
#include "simulation/fields.h"
#include "simulation/motion.h"
#include "simulation/relativistic.h"
#include "simulation/runrecord.h"

#include <charconv>
#include <cmath>
#include <memory>

namespace gyro {

bool relativisticMotion() {
    return integrationChoice().method == IntegrationMethod::Relativistic;
}

double motionLorentzFactor(const Vecteur3& V) {
    if (!relativisticMotion()) return 1;
    const double gamma = lorentzFactorOfVelocity(V);
    return std::isnan(gamma) ? std::numeric_limits<double>::infinity() : gamma;
}

bool applyIntegrationSetting(const std::string& key, const std::string& value, std::string& error) {
    IntegrationChoice& choice = integrationChoice();
    if (key == "method") {
        if (value == "cash-karp") {
            choice.method = IntegrationMethod::CashKarp;
        } else if (value == "boris") {
            choice.method = IntegrationMethod::Boris;
        } else if (value == "relativistic") {
            choice.method = IntegrationMethod::Relativistic;
        } else {
            error = "method must be cash-karp, boris or relativistic, got \"" + value + "\"";
        }
        return true;
    }
    if (key == "steps-per-gyration") {
        double n = 0;
        const auto result = std::from_chars(value.data(), value.data() + value.size(), n);
        if (result.ec != std::errc() || result.ptr != value.data() + value.size() ||
            !std::isfinite(n) || n < kMinStepsPerGyration) {
            error = "steps-per-gyration must be a number from 4 up, got \"" + value + "\"";
        } else {
            choice.stepsPerGyration = n;
        }
        return true;
    }
    return false;
}

void IntegrationStep(RunControl& c, double& h, const StateArray& Y, StateArray& Ynew,
                     const StepPlan& plan) {
    IntegrationStep(c, integrationChoice(), theCase(), runRecord(), h, Y, Ynew, plan);
}

void IntegrationStep(RunControl& c, const IntegrationChoice& choice, const CaseModel& theModel,
                     const RunRecord& rec, double& h, const StateArray& Y, StateArray& Ynew,
                     const StepPlan& plan) {
    const int t = Ldim >= 2 && Ldim <= kStateCapacity ? static_cast<int>(Ldim) : 8;
    // Time left to the end; a state at (or past) it has no end ahead.
    const double left = plan.endTime - Y(t);
    const bool bounded = left > 0 && std::isfinite(left);
    // The case's fields, read once for the step (or kept by the run while the case stands).
    // (Without a cache on the heap: an empty std::optional of it is zeroed at every step.)
    std::unique_ptr<const FieldModel> ownFields;
    const FieldModel& model = plan.fields ? plan.fields->of(theModel)
                                          : *(ownFields = std::make_unique<FieldModel>(theModel));
    if (choice.method == IntegrationMethod::CashKarp) {
        if (!bounded || h < left) {
            RungeStep(c, model, rec, h, Y, Ynew);
            return;
        }
        // The last step: the whole time left. Accepted, it ends (to rounding) on the end time,
        // which it then carries exactly; rejected, the retry ends at most 0.9 of the way there
        // and the run goes on.
        h = left;
        RungeStep(c, model, rec, h, Y, Ynew);
        if (c.StopCalcul != 1 && (Ynew(t) > Y(t) + 0.95 * left || Ynew(t) >= plan.endTime))
            Ynew(t) = plan.endTime;
        return;
    }
    // The push reports its faults through the error report: they stop this computation.
    const ErrorReport::StopBinding stop(ErrorReport::instance(), c.StopCalcul);
    const bool relativistic = choice.method == IntegrationMethod::Relativistic;
    // The step rule follows the gyration at the particle's own frequency |q|B/(γm).
    // γ from the carried momentum where the run has one: no digit lost near c, no square root.
    double gamma = 1;
    if (relativistic && plan.momentum) {
        plan.momentum->properOf(velocity(Y), gamma);
    } else if (relativistic) {
        gamma = lorentzFactorOfVelocity(velocity(Y));
    }
    const double qm = rec.Charge / rec.Mass;
    const double qmStep = relativistic && std::isfinite(gamma) ? qm / gamma : qm;
    const auto uniformE = [&model](const Vecteur3& R, Vecteur3& E, Vecteur3& B) {
        E = model.E();
        model.magnetic(R, B);
    };
    // A field map with its own E: the push meets E where it meets B, at the step's midpoint.
    const auto mappedE = [&model](const Vecteur3& R, Vecteur3& E, Vecteur3& B) {
        model.electric(R, E);
        model.magnetic(R, B);
    };
    const FieldRoutine fields =
        model.mapElectric() ? FieldRoutine(mappedE) : FieldRoutine(uniformE);
    const double n = std::max(choice.stepsPerGyration, kMinStepsPerGyration);
    const Vecteur3 R = position(Y);
    const Vecteur3 V = velocity(Y);
    double hStep = h;
    if (plan.pace) {
        if (!plan.pace->started()) plan.pace->start(R, V, std::sqrt(ProdScal(R, R)), fields);
        const double paced = plan.pace->step(n, qmStep, std::sqrt(ProdScal(V, V)));
        if (std::isfinite(paced)) hStep = paced; // nothing bounds it: the step as it was
    } else if (Y(t) == 0) {
        Vecteur3 B;
        model.magnetic(R, B);
        const double first = borisStepSize(n, qmStep, std::sqrt(ProdScal(B, B)));
        if (first > 0) hStep = first;
    }
    const bool landing = bounded && hStep >= left;
    if (landing) hStep = left;
    double bMidNorm = 0;
    Vecteur3 bMid;
    if (relativistic) {
        relativisticStep(hStep, Y, Ynew, fields, qm, plan.momentum, &bMidNorm, &bMid);
    } else {
        borisStep(hStep, Y, Ynew, fields, qm, &bMidNorm, &bMid);
    }
    if (c.StopCalcul == 1) return;
    if (landing) Ynew(t) = plan.endTime;
    if (plan.pace) {
        Vecteur3 mid;
        MultKPlus(V, hStep / 2, R, mid); // the midpoint the step met the field at
        plan.pace->learn(mid, bMid);
    }
    double gammaNew = 1;
    if (relativistic) {
        gammaNew = plan.momentum ? plan.momentum->gamma : lorentzFactorOfVelocity(velocity(Ynew));
    }
    const double next =
        borisStepSize(n, relativistic && std::isfinite(gammaNew) ? qm / gammaNew : qm, bMidNorm);
    if (next > 0) {
        h = next;
    } else if (!landing) {
        h = hStep; // no magnetic field: the step as taken (a landing step is not the pace)
    }
}

} // namespace gyro
