// Field models: values at characteristic points against the physics, and the rotational
// symmetry of every shape about the z axis.
#include "simulation/fields.h"

#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/physicsfixture.h"
#include "simulation/runrecord.h"

#include <gtest/gtest.h>

#include <cmath>

namespace gyro {
namespace {

using physics_test::PhysicsTest;

// mu0 / (4 pi) with the program's pi [T m/A].
const double kMu0Over4Pi = 1e-7;

class FieldsTest : public PhysicsTest {
protected:
    static Vecteur3 field(const Vecteur3& R) {
        Vecteur3 E, B;
        Champ(R, E, B);
        return B;
    }
    static void expectNear(const Vecteur3& a, const Vecteur3& b, double tol) {
        for (int i = 1; i <= 3; ++i) EXPECT_NEAR(a(i), b(i), tol) << "component " << i;
    }
    static Vecteur3 rotateZ(const Vecteur3& v, double angle) {
        const double c = std::cos(angle), s = std::sin(angle);
        return {c * v(1) - s * v(2), s * v(1) + c * v(2), v(3)};
    }
    // Field of a point dipole of moment m [A m^2] at the origin, at R.
    static Vecteur3 dipoleField(const Vecteur3& m, const Vecteur3& R) {
        const double r = std::sqrt(R(1) * R(1) + R(2) * R(2) + R(3) * R(3));
        const double mr = (m(1) * R(1) + m(2) * R(2) + m(3) * R(3)) / r;
        Vecteur3 B;
        for (int i = 1; i <= 3; ++i) B(i) = kMu0Over4Pi * (3 * mr * R(i) / r - m(i)) / (r * r * r);
        return B;
    }
};

TEST_F(FieldsTest, ElectricFieldIsTheTypedOneForEveryShape) {
    theCase().setText(BoxFamily::Texte4, slot::kEx, "12");
    theCase().setText(BoxFamily::Texte4, slot::kEx + 1, "-3");
    theCase().setText(BoxFamily::Texte4, slot::kEx + 2, "5 000");
    for (int shape = 0; shape <= 4; ++shape) {
        theCase().select(BoxFamily::Option4, shape);
        Vecteur3 E, B;
        Champ({0.04, 0.01, 0.002}, E, B);
        EXPECT_EQ(E, Vecteur3(12, -3, 5000));
    }
}

TEST_F(FieldsTest, UniformField) {
    setFields(1, {0, 0, 0}, {0.001, -0.002, 0.015});
    EXPECT_EQ(field({1, 2, 3}), Vecteur3(0.001, -0.002, 0.015));
    EXPECT_NEAR(runRecord().BNorm, std::sqrt(1e-6 + 4e-6 + 2.25e-4), 1e-15);
    // Empty boxes: no field. No option selected at all: the uniform rule too.
    for (int i = 0; i < 3; ++i) theCase().setText(BoxFamily::Texte6, i, "");
    for (int i = 0; i <= 4; ++i) theCase().setState(BoxFamily::Option4, i, 0);
    EXPECT_EQ(field({1, 2, 3}), Vecteur3(0, 0, 0));
    EXPECT_EQ(runRecord().BNorm, 0);
}

TEST_F(FieldsTest, CylindricalFieldIsRadialWithConstantMagnitude) {
    setFields(0, {0, 0, 0}, {0.015, 0, 0});
    expectNear(field({0.05, 0, 0}), {0.015, 0, 0}, 1e-17);
    expectNear(field({0, 0.05, 0}), {0, 0.015, 0}, 1e-17);
    expectNear(field({0.3, -0.4, 0.2}), {0.009, -0.012, 0}, 1e-16);
    EXPECT_NEAR(runRecord().BNorm, 0.015, 1e-16);
}

TEST_F(FieldsTest, RadialOneOverRhoField) {
    // Defaults: P2 = -0.02 T at rho = Rm = 0.04225 m in the mid plane.
    const double Rm = 0.04225;
    expectNear(field({Rm, 0, 0}), {-0.02, 0, 0}, 1e-15);
    EXPECT_NEAR(runRecord().C(3), 1e-15 + 1 / 0.015, 1e-12);
    EXPECT_NEAR(runRecord().BNorm, 0.02, 1e-15);
    // 1/rho law in the mid plane: |B| = |P2| Rm / rho, in the meridian plane at every azimuth
    // (tilted slightly off the radius, the field lines curving about C).
    const double phi = 0.7;
    const Vecteur3 B2 = field({2 * Rm * std::cos(phi), 2 * Rm * std::sin(phi), 0});
    EXPECT_NEAR(runRecord().BNorm, 0.01, 1e-15);
    EXPECT_NEAR(-B2(1) * std::sin(phi) + B2(2) * std::cos(phi), 0, 1e-17); // no azimuthal part
    EXPECT_LT(B2(1) * std::cos(phi) + B2(2) * std::sin(phi), -0.0099);     // inwards, as P2 < 0
    // Off the mid plane the field is perpendicular to the radius of curvature (C - R): the
    // field lines are arcs about C.
    const Vecteur3 R{0.05, 0.01, 0.006};
    const Vecteur3 B = field(R);
    const Vecteur3& C = runRecord().C;
    const double dot = B(1) * (C(1) - R(1)) + B(2) * (C(2) - R(2)) + B(3) * (C(3) - R(3));
    EXPECT_NEAR(dot, 0, 1e-15);
    EXPECT_GT(std::fabs(B(3)), 1e-7); // curved: an axial component appears
}

TEST_F(FieldsTest, DipoleField) {
    theCase().select(BoxFamily::Option4, slot::kDipole);
    theCase().setText(BoxFamily::Texte6, slot::kParam0 + 5, "2.5"); // P5 [A m^2]
    // Axial dipole: equator, general point.
    expectNear(field({0.1, 0, 0}), {0, 0, -kMu0Over4Pi * 2.5 / 1e-3}, 1e-15);
    const Vecteur3 R{0.03, -0.02, 0.05};
    expectNear(field(R), dipoleField({0, 0, 2.5}, R), 1e-12);
    // On the axis: 2 mu0 m / (4 pi z^3) along z; the radial vector is null there (reported).
    asker.answers = {"Yes"};
    expectNear(field({0, 0, 0.1}), {0, 0, 2 * kMu0Over4Pi * 2.5 / 1e-3}, 1e-15);
    EXPECT_EQ(asker.titles.size(), 1u);
    // Inclined by 30 degrees towards the outside, in the meridian plane of the point.
    theCase().setText(BoxFamily::Texte6, slot::kParam0 + 11, "30");
    const Vecteur3 P{0.04, 0, 0.03};
    expectNear(field(P), dipoleField({2.5 * 0.5, 0, 2.5 * std::sqrt(0.75)}, P), 1e-12);
}

TEST_F(FieldsTest, DoubleDipoleField) {
    theCase().select(BoxFamily::Option4, slot::kDoubleDipole);
    theCase().setText(BoxFamily::Texte6, slot::kParam0 + 6, "3");  // P6 centre moment
    theCase().setText(BoxFamily::Texte6, slot::kParam0 + 7, "-8"); // P7 peripheral moment
    theCase().setText(BoxFamily::Texte6, slot::kParam0 + 8, "0");  // P8: both at the origin
    theCase().setText(BoxFamily::Texte6, slot::kParam0 + 9, "20");
    theCase().setText(BoxFamily::Texte6, slot::kParam0 + 10, "20");
    const Vecteur3 R{0.02, 0.03, -0.04};
    const Vecteur3 both = field(R);
    theCase().select(BoxFamily::Option4, slot::kDipole);
    theCase().setText(BoxFamily::Texte6, slot::kParam0 + 5, "-5");
    theCase().setText(BoxFamily::Texte6, slot::kParam0 + 11, "20");
    expectNear(both, field(R), 1e-13);

    // The peripheral dipole sits on the ring of radius P8 at the point's azimuth: with no
    // centre moment, a point in the mid plane just outside the ring sees its equatorial field.
    theCase().select(BoxFamily::Option4, slot::kDoubleDipole);
    theCase().setText(BoxFamily::Texte6, slot::kParam0 + 6, "0");
    theCase().setText(BoxFamily::Texte6, slot::kParam0 + 8, "0.0845");
    theCase().setText(BoxFamily::Texte6, slot::kParam0 + 10, "0");
    const double d = 0.01;
    const double phi = 2.0;
    expectNear(field({(0.0845 + d) * std::cos(phi), (0.0845 + d) * std::sin(phi), 0}),
               {0, 0, kMu0Over4Pi * 8 / (d * d * d)}, 1e-12);
}

TEST_F(FieldsTest, EveryShapeIsSymmetricAboutTheAxis) {
    theCase().setText(BoxFamily::Texte6, slot::kBx, "0.015");       // B0x for the cylindrical field
    theCase().setText(BoxFamily::Texte6, slot::kBx + 2, "0.015");   // Bz for the uniform field
    theCase().setText(BoxFamily::Texte6, slot::kParam0 + 5, "1.5"); // dipole moment
    theCase().setText(BoxFamily::Texte6, slot::kParam0 + 11, "25"); // its inclination
    theCase().setText(BoxFamily::Texte6, slot::kParam0 + 6, "2");   // double dipole
    theCase().setText(BoxFamily::Texte6, slot::kParam0 + 9, "10");
    theCase().setText(BoxFamily::Texte6, slot::kParam0 + 10, "-15");
    const Vecteur3 p{0.045, 0.004, 0.007};
    for (int shape = 0; shape <= 4; ++shape) {
        SCOPED_TRACE(shape);
        theCase().select(BoxFamily::Option4, shape);
        const Vecteur3 B = field(p);
        const double scale = runRecord().BNorm;
        ASSERT_GT(scale, 0);
        for (double angle : {0.3, 1.9, -2.6}) {
            SCOPED_TRACE(angle);
            const Vecteur3 rotated = field(rotateZ(p, angle));
            const Vecteur3 expected =
                shape == 1 ? B : rotateZ(B, angle); // the uniform field does not turn
            expectNear(rotated, expected, 1e-12 * scale);
        }
    }
}

TEST_F(FieldsTest, TypedValuesActAtTheNextCall) {
    setFields(1, {0, 0, 0}, {0, 0, 0.015});
    EXPECT_EQ(field({0.04, 0, 0})(3), 0.015);
    theCase().setText(BoxFamily::Texte6, slot::kBx + 2, "0.03");
    EXPECT_EQ(field({0.04, 0, 0})(3), 0.03);
    theCase().select(BoxFamily::Option4, slot::kCylindrical);
    theCase().setText(BoxFamily::Texte6, slot::kBx, "0.01");
    expectNear(field({0.04, 0, 0}), {0.01, 0, 0}, 1e-17);
}

} // namespace
} // namespace gyro
