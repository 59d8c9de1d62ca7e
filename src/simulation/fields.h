// Field models: the uniform electric field and the five magnetic field shapes.
#pragma once

#include "numerics/constants.h"
#include "numerics/vecteur3.h"
#include "simulation/casemodel.h"

#include <cstdint>
#include <optional>

#include <memory>

namespace gyro {

class CaseModel;
class FieldMap;

/// Vacuum permeability as the field formulas compute it: 4 Pi 1e-7 [T m/A].
inline constexpr double kMu0 = 4 * Pi * 1e-7;

/// The fields of a case with their parameters read once: E [V/m] uniform (Texte4(0..2)) and B [T]
/// of the shape selected by Option4 (0 cylindrical radial, 1 uniform, 2 radial 1/rho with curved
/// lines, 3 inclined point dipole at the origin, 4 double dipole, 5 the case's field map, whose
/// own E, when it has one, adds to the uniform E) with the parameters typed in
/// Texte6(0..14). What a step of a run evaluates at every stage: B at a point computes only what
/// that shape needs, with the same operations as Champ, so that both give the same bits.
class FieldModel {
public:
    explicit FieldModel(const CaseModel& model);

    /// The uniform electric field [V/m].
    const Vecteur3& E() const { return m_E0; }
    /// E [V/m] at R [m]: the uniform field, plus the field map's own E there when the map has
    /// one and R lies within it (outside, magnetic() gives no field, which ends a run).
    void electric(const Vecteur3& R, Vecteur3& E) const {
        E = m_E0;
        if (m_mapElectric) [[unlikely]]
            addMapElectric(R, E);
    }
    /// True when E varies in space: a field map with an E of its own.
    bool mapElectric() const { return m_mapElectric; }
    /// B [T] at R [m]. Null radial or position vectors that the shape needs are reported by
    /// norm/norma; a singular point, or a point outside the field map, gives a non-finite B that
    /// the caller must refuse.
    void magnetic(const Vecteur3& R, Vecteur3& B) const {
        if (m_shaped) {
            shapedMagnetic(R, B);
        } else {
            B = m_B0; // uniform
        }
    }
    /// B [T] at R [m] for a model whose shape() is Shape (not the uniform field), with the bits
    /// of magnetic(): for a stepper that inlines the shape's formulas (simulation/fieldshapes.h)
    /// into its stages.
    template <int Shape> void magneticOf(const Vecteur3& R, Vecteur3& B) const;
    /// The field map of shape 5, or null for the analytic shapes (and a map shape without map).
    const FieldMap* map() const { return m_map.get(); }

    int shape() const { return m_shape; }
    /// True when B is the same everywhere (B0()).
    bool uniform() const { return !m_shaped; }
    const Vecteur3& B0() const { return m_B0; }
    /// Shape parameters P0..P11 (Texte6(3..14)).
    const double* P() const { return m_P; }
    /// (P2 - P3) / (P0 - P1)^2 [T/m^2] of the 1/rho field.
    double k2() const { return m_k2; }

private:
    friend void Champ(const Vecteur3& R, Vecteur3& E, Vecteur3& B);
    // The formulas of the shape `Shape`, for any record of work values (the run record for
    // Champ, scratch space for magnetic()); `full` also computes the distance and unit vectors a
    // shape does not use. evaluateShape() chooses the shape of the model.
    template <int Shape, class Work>
    void evaluate(const Vecteur3& R, Vecteur3& B, Work& w, bool full) const;
    template <class Work>
    void evaluateShape(const Vecteur3& R, Vecteur3& B, Work& w, bool full) const;
    void shapedMagnetic(const Vecteur3& R, Vecteur3& B) const;

    void mapField(const Vecteur3& R, Vecteur3& B) const;
    void addMapElectric(const Vecteur3& R, Vecteur3& E) const;

    int m_shape = 1;
    std::shared_ptr<const FieldMap> m_map;
    bool m_shaped = false;      // a shape other than the uniform field
    bool m_mapElectric = false; // the map has an E of its own
    Vecteur3 m_E0;
    Vecteur3 m_B0;
    double m_P[12]{};
    double m_k2 = 0;
};

/// The field model of a case for the steps of a run, read again only when the case has changed
/// since (its stamp): a run's step then costs no reading of the boxes.
class FieldCache {
public:
    /// The fields of `model` as it stands now.
    const FieldModel& of(const CaseModel& model) {
        if (m_model && m_stamp == model.stamp()) [[likely]]
            return *m_model;
        return reread(model);
    }

private:
    const FieldModel& reread(const CaseModel& model);

    std::optional<FieldModel> m_model;
    std::uint64_t m_stamp = 0;
};

/// The fields at the point R [m] of the case as it stands in theCase() (a value typed during a
/// run acts at the next call): E [V/m] and B [T] as FieldModel computes them. Also stores |B| in
/// runRecord().BNorm and the parameters, the derived values and the work vectors of the field
/// formulas in runRecord(), for the displays.
void Champ(const Vecteur3& R, Vecteur3& E, Vecteur3& B);

} // namespace gyro
