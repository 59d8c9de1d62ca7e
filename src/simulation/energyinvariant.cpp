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
    m_last = R0;
    m_work = 0;
    m_workCompensation = 0;
    m_kinetic = kineticEnergy(V0, mass, relativistic);
    m_start = m_kinetic;
    m_peak = m_kinetic;
}

void EnergyInvariant::advance(const Vecteur3& R, const Vecteur3& V, const Vecteur3& E) {
    if (!m_started) return;
    Vecteur3 step;
    MultKPlus(m_last, -1, R, step);
    // Compensated (Kahan) sum: a run adds millions of small terms to a large total.
    const double term = m_charge * ProdScal(E, step) - m_workCompensation;
    const double total = m_work + term;
    m_workCompensation = (total - m_work) - term;
    m_work = total;
    m_last = R;
    m_kinetic = kineticEnergy(V, m_mass, m_relativistic);
    m_peak = std::max(m_peak, m_kinetic);
}

double EnergyInvariant::unusualChange() const {
    if (!m_started) return 0;
    const double change = value() - m_start;
    if (m_peak == 0) return change == 0 ? 0 : std::copysign(INFINITY, change);
    return change / m_peak;
}

} // namespace gyro
