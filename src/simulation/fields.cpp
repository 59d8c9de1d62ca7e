// The field models: E uniform; B uniform, cylindrical, 1/rho with curved lines, dipole, double
// dipole. The operation order follows the field formulas term by term.
#include "simulation/fields.h"
#include "simulation/fieldshapes.h"

#include "numerics/constants.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/fieldmap.h"
#include "simulation/runrecord.h"

#include <cmath>
#include <limits>
#include <type_traits>

namespace gyro {

FieldModel::FieldModel(const CaseModel& model)
    : m_shape(model.shape()), m_shaped(m_shape == 0 || m_shape == 2 || m_shape == 3 ||
                                       m_shape == 4 || m_shape == slot::kFieldMap) {
    for (int i = 1; i <= 3; ++i) {
        m_E0(i) = model.Texte4Value(i - 1);
        m_B0(i) = model.Texte6Value(i - 1);
    }
    for (int k = 0; k < 12; ++k) m_P[k] = model.Texte6Value(k + 3);
    m_k2 = (m_P[2] - m_P[3]) / std::pow(m_P[0] - m_P[1], 2);
    if (m_shape == slot::kFieldMap) m_map = model.fieldMap();
    m_mapElectric = m_map && !m_map->E.empty();
}

void FieldModel::addMapElectric(const Vecteur3& R, Vecteur3& E) const {
    if (Vecteur3 Emap; m_map->electric(R, Emap)) MultKPlus(Emap, 1, E, E);
}

void FieldModel::mapField(const Vecteur3& R, Vecteur3& B) const {
    // Outside the map there is no field to give: NaN, which the equations of motion refuse.
    if (!m_map || !m_map->magnetic(R, B)) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        B = Vecteur3(nan, nan, nan);
    }
}

// Calls f with the shape as a compile-time constant (std::integral_constant), the uniform field
// for any shape without formulas of its own.
template <class F> void withShape(int shape, F&& f) {
    switch (shape) {
    case 0:
        f(std::integral_constant<int, 0>{});
        break;
    case 2:
        f(std::integral_constant<int, 2>{});
        break;
    case 3:
        f(std::integral_constant<int, 3>{});
        break;
    case 4:
        f(std::integral_constant<int, 4>{});
        break;
    case slot::kFieldMap:
        f(std::integral_constant<int, slot::kFieldMap>{});
        break;
    default:
        f(std::integral_constant<int, 1>{});
        break;
    }
}

template <class Work>
void FieldModel::evaluateShape(const Vecteur3& R, Vecteur3& B, Work& w, bool full) const {
    withShape(m_shape, [&](auto shape) { evaluate<shape.value>(R, B, w, full); });
}

void FieldModel::shapedMagnetic(const Vecteur3& R, Vecteur3& B) const {
    withShape(m_shape, [&](auto shape) { magneticOf<shape.value>(R, B); });
}

const FieldModel& FieldCache::reread(const CaseModel& model) {
    m_model.emplace(model);
    m_stamp = model.stamp();
    return *m_model;
}

void Champ(const Vecteur3& R, Vecteur3& E, Vecteur3& B) {
    RunRecord& rec = runRecord();
    const FieldModel field(theCase());
    rec.E0 = field.E();
    rec.B0 = field.B0();
    for (int k = 0; k < 12; ++k) rec.P[k] = field.P()[k];
    rec.k2 = field.k2();
    rec.B1 = rec.P[2];
    rec.mu0 = kMu0;
    E = rec.E0;
    field.evaluateShape(R, B, rec, true);
    if (Vecteur3 Emap; field.map() && field.map()->electric(R, Emap)) MultKPlus(Emap, 1, E, E);
    // A point outside the field map (or a map shape chosen before its file) has no field: that
    // is no computing fault to ask the user about, and the read-outs show it as NaN.
    if (field.shape() == slot::kFieldMap && !std::isfinite(B(1))) {
        rec.BNorm = B(1);
        return;
    }
    rec.BNorm = normseule(B);
}

} // namespace gyro
