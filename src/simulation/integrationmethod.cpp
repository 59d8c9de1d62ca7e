// The run's integration method and the step that dispatches to it.
#include "integrationmethod.h"

#include "boris.h"
#include "casemodel.h"
#include "fields.h"
#include "motion.h"
#include "numerics/errorreport.h"
#include "numerics/rungekutta.h"
#include "runrecord.h"

#include <charconv>
#include <cmath>

namespace gyro {

bool applyIntegrationSetting(const std::string& key, const std::string& value, std::string& error) {
    IntegrationChoice& choice = integrationChoice();
    if (key == "method") {
        if (value == "cash-karp") {
            choice.method = IntegrationMethod::CashKarp;
        } else if (value == "boris") {
            choice.method = IntegrationMethod::Boris;
        } else {
            error = "method must be cash-karp or boris, got \"" + value + "\"";
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

void IntegrationStep(RunControl& c, double& h, const StateArray& Y, StateArray& Ynew) {
    IntegrationStep(c, integrationChoice(), theCase(), runRecord(), h, Y, Ynew);
}

void IntegrationStep(RunControl& c, const IntegrationChoice& choice, const CaseModel& theModel,
                     const RunRecord& rec, double& h, const StateArray& Y, StateArray& Ynew) {
    if (choice.method == IntegrationMethod::CashKarp) {
        RungeStep(c, theModel, rec, h, Y, Ynew);
        return;
    }
    // The push reports its faults through the error report: they stop this computation.
    const ErrorReport::StopBinding stop(ErrorReport::instance(), c.StopCalcul);
    const double qm = rec.Charge / rec.Mass;
    // The case's fields read once for the step, as the Cash-Karp step reads them.
    const FieldModel model(theModel);
    const auto fields = [&model](const Vecteur3& R, Vecteur3& E, Vecteur3& B) {
        E = model.E();
        model.magnetic(R, B);
    };
    const double n = std::max(choice.stepsPerGyration, kMinStepsPerGyration);
    const int t = Ldim >= 2 && Ldim <= kStateCapacity ? static_cast<int>(Ldim) : 8;
    if (Y(t) == 0) {
        Vecteur3 B;
        model.magnetic(position(Y), B);
        const double first = borisStepSize(n, qm, std::sqrt(ProdScal(B, B)));
        if (first > 0) h = first;
    }
    double bMid = 0;
    borisStep(h, Y, Ynew, fields, qm, &bMid);
    const double next = borisStepSize(n, qm, bMid);
    if (next > 0) h = next;
}

} // namespace gyro
