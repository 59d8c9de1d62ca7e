// The energy invariant: closed form, alarm levels and the step-by-step tracker of a run.
#include "simulation/energyinvariant.h"

#include "simulation/relativistic.h"

#include <algorithm>
#include <cmath>

namespace gyro {

namespace {

double kineticEnergy(const Vecteur3& V, double mass, bool relativistic = false) {
    if (relativistic) return relativisticKineticEnergy(std::sqrt(ProdScal(V, V)), mass);
    return 0.5 * mass * ProdScal(V, V);
}

} // namespace

double energyInvariant(const Vecteur3& R, const Vecteur3& V, const Vecteur3& E, const Vecteur3& R0,
                       double charge, double mass) {
    Vecteur3 displacement;
    MultKPlus(R0, -1, R, displacement);
    return kineticEnergy(V, mass) - charge * ProdScal(E, displacement);
}

DriftLevel driftLevel(double relativeChange) {
    const double a = std::fabs(relativeChange);
    if (!(a < 1e-2)) return DriftLevel::Alarm; // NaN lands here too
    return a < 1e-3 ? DriftLevel::Fine : DriftLevel::Notice;
}

void EnergyInvariant::start(const Vecteur3& R0, const Vecteur3& V0, double charge, double mass,
                            bool relativistic) {
    m_started = true;
    m_relativistic = relativistic;
    m_charge = charge;
    m_mass = mass;
    m_tally = {};
    m_tally.last = R0;
    m_tally.kinetic = kineticEnergy(V0, mass, relativistic);
    m_tally.peak = m_tally.kinetic;
    m_start = m_tally.kinetic;
}

double EnergyInvariant::relativisticKinetic(double speed) const {
    return relativisticKineticEnergy(speed, m_mass);
}

double EnergyInvariant::unusualChange() const {
    if (!m_started) return 0;
    const double change = value() - m_start;
    if (m_tally.peak == 0) return change == 0 ? 0 : std::copysign(INFINITY, change);
    return change / m_tally.peak;
}

} // namespace gyro
