// The field models: E uniform; B uniform, cylindrical, 1/rho with curved lines, dipole, double
// dipole. The operation order follows the field formulas term by term.
#include "fields.h"

#include "casemodel.h"
#include "numerics/constants.h"
#include "runrecord.h"

#include <cmath>

namespace gyro {

namespace {

const Vecteur3 ez{0, 0, 1};

// Field of a point dipole at the origin seen from the point at distance r in the direction rHat
// (radial unit vector in the xy plane eRho): the moment [A m^2] lies in the point's meridian
// plane, inclined by the angle [deg] from ez towards the outside. B = mu0 m / (4 pi r^3) *
// (3 (r̂·m̂) r̂ - m̂).
void dipole(double moment, double inclinationDeg, const Vecteur3& rHat, const Vecteur3& eRho,
            double r, Vecteur3& mHat, Vecteur3& B) {
    const double i = rad(inclinationDeg);
    MultK(eRho, std::sin(i), mHat);
    mHat(3) = std::cos(i);
    const double c = ProdScal(rHat, mHat);
    MultK(rHat, 3 * c, B);
    MultKPlus(mHat, -1, B, B);
    MultK(B, kMu0 * moment / 4 / Pi / std::pow(r, 3), B);
}

} // namespace

void Champ(const Vecteur3& R, Vecteur3& E, Vecteur3& B) {
    RunRecord& rec = runRecord();
    const CaseModel& model = theCase();

    rec.Rc = R;
    for (int i = 1; i <= 3; ++i) {
        rec.E0(i) = model.Texte4Value(i - 1);
        rec.B0(i) = model.Texte6Value(i - 1);
    }
    for (int k = 0; k < 12; ++k) rec.P[k] = model.Texte6Value(k + 3);
    const double* P = rec.P;
    rec.k2 = (P[2] - P[3]) / std::pow(P[0] - P[1], 2);
    rec.B1 = P[2];
    rec.Rm = P[4];
    rec.mu0 = kMu0;

    E = rec.E0;
    rec.r = norm(rec.Rc);
    rec.rHat = rec.Rc;
    norma(rec.rHat);
    rec.eRho = rec.Rc;
    rec.eRho(3) = 0;
    norma(rec.eRho);

    switch (model.shape()) {
    case 0: // cylindrical: radial with the constant magnitude B0x
        rec.rHat(3) = 0;
        norma(rec.rHat);
        MultK(rec.rHat, rec.B0(1), B);
        break;
    case 2: { // radial field falling as 1/rho, with field lines curved about C
        rec.rho = std::sqrt(std::pow(rec.Rc(1), 2) + std::pow(rec.Rc(2), 2));
        const double z = rec.Rc(3);
        const double Bm = (std::pow(z, 2) * rec.k2 + rec.B1) * rec.Rm / rec.rho;
        const double zc = z == 0 ? 1e15 : z;
        rec.C = Vecteur3(0, 0, 1 / zc + 1 / 0.015);
        MultKPlus(rec.eRho, rec.Rm, rec.C, rec.C);
        MultKPlus(rec.Rc, -1, rec.C, rec.uHat);
        norma(rec.uHat);
        ProdVect(rec.rHat, ez, rec.tHat);
        ProdVect(rec.uHat, rec.tHat, B);
        MultK(B, Bm, B);
        break;
    }
    case 3: // one dipole at the origin
        dipole(P[5], P[11], rec.rHat, rec.eRho, rec.r, rec.mHat, B);
        break;
    case 4: { // centre dipole plus a peripheral one on the ring of radius P8, same azimuth
        dipole(P[6], P[9], rec.rHat, rec.eRho, rec.r, rec.mHat, rec.BCentre);
        MultKPlus(rec.eRho, -P[8], rec.Rc, rec.Rc);
        const double rPeriph = norm(rec.Rc);
        rec.rHatPeriph = rec.Rc;
        norma(rec.rHatPeriph);
        rec.eRhoPeriph = rec.Rc;
        rec.eRhoPeriph(3) = 0;
        norma(rec.eRhoPeriph);
        dipole(P[7], P[10], rec.rHatPeriph, rec.eRhoPeriph, rPeriph, rec.mHat, rec.BPeriph);
        MultKPlus(rec.BPeriph, 1, rec.BCentre, B);
        break;
    }
    default: // uniform
        B = rec.B0;
        break;
    }
    rec.BNorm = normseule(B);
}

} // namespace gyro
