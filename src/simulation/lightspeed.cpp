// Speeds against the speed of light.
#include "simulation/lightspeed.h"

#include "numerics/numberformat.h"
#include "numerics/numberread.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/fields.h"
#include "simulation/integrationmethod.h"
#include "simulation/relativistic.h"
#include "simulation/runrecord.h"

#include <cmath>

namespace gyro {

namespace {

double normOf(const Vecteur3& v) {
    return std::sqrt(ProdScal(v, v));
}

std::string speedText(double speed) {
    return FormatGeneral(std::round(speed / kSpeedOfLight * 1000) / 1000) + " c";
}

} // namespace

std::optional<std::string> speedOfLightProblem(double speed) {
    if (speed < kSpeedOfLight) return std::nullopt;
    return "the initial speed " + FormatGeneral(speed) +
           " m/s is not below the speed of light (299792458 m/s): the motion is computed "
           "without relativity";
}

std::optional<double> speedWithTypedValue(const CaseModel& model, int index,
                                          const std::string& text) {
    const double value = Val(text); // as the case reads the box
    if (index == slot::kEnergy) {
        // Kinetic energy [eV] of the selected species: v = sqrt(2 E e / m).
        const double mass = runRecord().Mass;
        if (!(mass > 0) || !(value > 0)) return std::nullopt;
        if (relativisticMotion()) return speedOfKineticEnergy(value * kElementaryCharge, mass);
        return std::sqrt(2 * value * kElementaryCharge / mass);
    }
    if (index < slot::kVx || index > slot::kVx + 2) return std::nullopt;
    Vecteur3 V(model.Texte3Value(slot::kVx), model.Texte3Value(slot::kVx + 1),
               model.Texte3Value(slot::kVx + 2));
    V(index - slot::kVx + 1) = value;
    return normOf(V);
}

std::vector<std::string> relativisticWarnings(const Vecteur3& V, const Vecteur3& E,
                                              const Vecteur3& B) {
    std::vector<std::string> warnings;
    const double limit = kRelativisticFraction * kSpeedOfLight;
    const double speed = normOf(V);
    // The relativistic method is right at any speed below c: only a drift that no frame can
    // follow (|E⊥| >= c|B|) is worth a word there.
    const bool relativistic = relativisticMotion();
    if (speed > limit && !relativistic) {
        warnings.push_back(
            "the speed " + speedText(speed) +
            " is above a tenth of the speed of light: the motion is computed "
            "without relativity and is off by about " +
            FormatGeneral(std::round(speed * speed / (2 * kSpeedOfLight * kSpeedOfLight) * 1000) /
                          10) +
            " %");
    }
    const double b2 = ProdScal(B, B);
    if (b2 > 0) {
        Vecteur3 drift;
        ProdVect(E, B, drift);
        const double vd = normOf(drift) / b2; // |E⊥| / |B|
        if (vd >= kSpeedOfLight || (vd > limit && !relativistic)) {
            warnings.push_back("the E x B drift speed " + speedText(vd) +
                               (vd >= kSpeedOfLight ? " is not below the speed of light"
                                                    : " is above a tenth of the speed of light") +
                               (relativistic ? ": E accelerates the particle without bound"
                                             : ": the motion is computed without relativity"));
        }
    }
    return warnings;
}

std::string SpeedWatch::check(const Vecteur3& V, double t) {
    if (m_warned || relativisticMotion()) return {};
    const double speed = normOf(V);
    if (!(speed > kRelativisticFraction * kSpeedOfLight)) return {};
    m_warned = true;
    return "at t = " + FormatGeneral(t) + " s the speed reached " + speedText(speed) +
           ", above a tenth of the speed of light: the motion is computed without relativity";
}

std::vector<std::string> relativisticWarningsAtStart(const CaseModel& model) {
    const Vecteur3 R(model.Texte3Value(slot::kX), model.Texte3Value(slot::kX + 1),
                     model.Texte3Value(slot::kX + 2));
    const Vecteur3 V(model.Texte3Value(slot::kVx), model.Texte3Value(slot::kVx + 1),
                     model.Texte3Value(slot::kVx + 2));
    Vecteur3 E, B;
    Champ(R, E, B);
    return relativisticWarnings(V, E, B);
}

} // namespace gyro
