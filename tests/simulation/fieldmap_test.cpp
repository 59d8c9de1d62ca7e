// Field maps: the C1 interpolation against closed forms, the readers' refusals, and trajectories
// on maps sampled from the analytic shapes against the analytic trajectories.
#include "simulation/fieldmap.h"

#include "numerics/constants.h"
#include "simulation/boris.h"
#include "simulation/casefieldmap.h"
#include "simulation/caserun.h"
#include "simulation/caseslots.h"
#include "simulation/fieldmapreader.h"
#include "simulation/fields.h"
#include "simulation/integrationmethod.h"
#include "simulation/motion.h"
#include "simulation/physicsfixture.h"
#include "simulation/rundriver.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

namespace gyro {
namespace {

using physics_test::PhysicsTest;
using Field = std::function<Vecteur3(double, double, double)>;

// A Cartesian map of n nodes a side from `origin` every `step` [m], sampled from f.
std::shared_ptr<FieldMap> sampledMap(std::array<std::size_t, 3> n, std::array<double, 3> origin,
                                     std::array<double, 3> step, const Field& f) {
    auto map = std::make_shared<FieldMap>();
    map->n = n;
    map->origin = origin;
    map->spacing = step;
    for (std::size_t k = 0; k < n[2]; ++k)
        for (std::size_t j = 0; j < n[1]; ++j)
            for (std::size_t i = 0; i < n[0]; ++i) {
                const Vecteur3 B = f(origin[0] + step[0] * static_cast<double>(i),
                                     origin[1] + step[1] * static_cast<double>(j),
                                     origin[2] + step[2] * static_cast<double>(k));
                map->B.insert(map->B.end(), {B(1), B(2), B(3)});
            }
    return map;
}

// An axisymmetric map (r, z) sampled from f at (r, 0, z): Br = Bx, Bz = Bz.
std::shared_ptr<FieldMap> sampledRzMap(std::array<std::size_t, 2> n, std::array<double, 2> origin,
                                       std::array<double, 2> step, const Field& f) {
    auto map = std::make_shared<FieldMap>();
    map->geometry = FieldMap::Geometry::Axisymmetric;
    map->n = {n[0], n[1], 1};
    map->origin = {origin[0], origin[1], 0};
    map->spacing = {step[0], step[1], 1};
    for (std::size_t k = 0; k < n[1]; ++k)
        for (std::size_t i = 0; i < n[0]; ++i) {
            const Vecteur3 B = f(origin[0] + step[0] * static_cast<double>(i), 0,
                                 origin[1] + step[1] * static_cast<double>(k));
            map->B.insert(map->B.end(), {B(1), B(3)});
        }
    return map;
}

// Any field of degree 2 in x, y, z is reproduced exactly, at the nodes, inside the cells and in
// the end cells (where the slopes are one-sided): the interpolation error is then rounding only.
TEST(FieldMap, ReproducesQuadraticFieldsExactly) {
    const Field quadratics[] = {
        [](double x, double y, double z) { return Vecteur3(0.3, -0.2, 0.1 + 0 * x * y * z); },
        [](double x, double y, double z) { return Vecteur3(2 * x - y, 3 * z, x + y + z); },
        [](double x, double y, double z) {
            return Vecteur3(x * x - 0.5 * y * y, x * y + y * z, z * z - x * z + 0.01);
        },
        [](double x, double y, double z) {
            return Vecteur3(1 - (x - 0.01) * (x - 0.02), 4 * y * y + z, 2 * x * z - y * x);
        },
    };
    std::mt19937 random(7);
    std::uniform_real_distribution<double> u(0, 1);
    for (const Field& f : quadratics) {
        const auto map = sampledMap({6, 5, 4}, {-0.01, 0.002, 0.01}, {0.004, 0.003, 0.005}, f);
        Vecteur3 low, high;
        map->extent(low, high);
        for (int sample = 0; sample < 400; ++sample) {
            // Nodes and cell faces now and then, otherwise anywhere in the map.
            const bool node = sample % 5 == 0;
            Vecteur3 R;
            for (int a = 1; a <= 3; ++a) {
                const auto cells = static_cast<double>(map->n[static_cast<std::size_t>(a - 1)] - 1);
                const double w = node ? std::round(u(random) * cells) / cells : u(random);
                R(a) = low(a) + w * (high(a) - low(a));
            }
            Vecteur3 B;
            ASSERT_TRUE(map->magnetic(R, B));
            const Vecteur3 exact = f(R(1), R(2), R(3));
            for (int a = 1; a <= 3; ++a) EXPECT_NEAR(B(a), exact(a), 1e-14) << sample;
        }
    }
    // Axisymmetric: a radial component odd in r and an axial one of degree 2 in (r, z).
    const Field rz = [](double r, double, double z) {
        return Vecteur3(0.5 * r * z - r * r, 0, 0.2 + r * r - 0.5 * z * z);
    };
    const auto map = sampledRzMap({6, 7}, {0.01, -0.02}, {0.004, 0.006}, rz);
    for (const auto& [x, y, z] : {std::array<double, 3>{0.017, 0.006, -0.0137},
                                  std::array<double, 3>{-0.02, 0.02, 0.015}}) {
        const double r = std::hypot(x, y);
        Vecteur3 B;
        ASSERT_TRUE(map->magnetic({x, y, z}, B));
        const Vecteur3 exact = rz(r, 0, z);
        EXPECT_NEAR(B(1), exact(1) * x / r, 1e-14);
        EXPECT_NEAR(B(2), exact(1) * y / r, 1e-14);
        EXPECT_NEAR(B(3), exact(3), 1e-14);
    }
}

// Across a cell face the slope of the interpolated field does not jump (it does by about
// f'' h for a trilinear interpolation); outside the map there is no field.
TEST(FieldMap, SlopeIsContinuousAcrossCellFacesAndNothingOutside) {
    const Field f = [](double x, double y, double z) {
        return Vecteur3(std::sin(300 * x) * std::cos(200 * y), std::exp(40 * z) * x,
                        1 / (1 + 900 * x * x));
    };
    const double h = 0.002;
    const auto map = sampledMap({12, 10, 8}, {0, -0.01, 0}, {h, h, h}, f);
    const double y = 0.0013, z = 0.0051, d = 1e-5 * h;
    for (int k : {1, 4, 7, 10}) { // interior faces x = k h, the first and last next to the ends
        const double xk = k * h;
        Vecteur3 left, at, right;
        ASSERT_TRUE(map->magnetic({xk - d, y, z}, left));
        ASSERT_TRUE(map->magnetic({xk, y, z}, at));
        ASSERT_TRUE(map->magnetic({xk + d, y, z}, right));
        for (int a = 1; a <= 3; ++a) {
            const double jump = (right(a) - at(a)) / d - (at(a) - left(a)) / d;
            // The trilinear slope's jump at this face, from the second difference of the field.
            const double kink = (f(xk + h, y, z)(a) - 2 * f(xk, y, z)(a) + f(xk - h, y, z)(a)) / h;
            EXPECT_LT(std::fabs(jump), 1e-3 * std::fabs(kink) + 1e-9) << "face " << k << " B" << a;
        }
    }
    Vecteur3 B{7, 7, 7};
    EXPECT_FALSE(map->magnetic({-1e-9, 0, 0.001}, B));
    EXPECT_FALSE(map->magnetic({0.001, 0, 7 * h + 1e-9}, B));
    EXPECT_FALSE(map->magnetic({NAN, 0, 0.001}, B));
    EXPECT_EQ(B, Vecteur3(7, 7, 7));
}

// ---------------------------------------------------------------------------------------------
// Readers

// A CSV table of a 4 × 4 × 4 grid every 1 mm with B = (x, y, z) * 1 T/m, or with the rows
// changed by `edit` (row number from 0 after the header, its text).
std::string csvMap(const std::function<void(int, std::string&)>& edit = {},
                   const std::string& header = "x,y,z,Bx,By,Bz") {
    std::string text = header + "\n";
    int row = 0;
    for (int k = 3; k >= 0; --k) // rows in any order: z falling here
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i, ++row) {
                char line[160];
                std::snprintf(line, sizeof line, "%g,%g,%g,%g,%g,%g", i * 1e-3, j * 1e-3, k * 1e-3,
                              i * 1e-3, j * 1e-3, k * 1e-3);
                std::string s = line;
                if (edit) edit(row, s);
                if (!s.empty()) text += s + "\n";
            }
    return text;
}

void putBigEndian(std::string& out, float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    for (int b = 3; b >= 0; --b) out.push_back(static_cast<char>((bits >> (8 * b)) & 0xff));
}

// The same field as csvMap as a binary STRUCTURED_POINTS file, or as an ASCII RECTILINEAR_GRID.
std::string vtkBinaryMap() {
    std::string text =
        "# vtk DataFile Version 3.0\nB of a test\nBINARY\nDATASET STRUCTURED_POINTS\n"
        "DIMENSIONS 4 4 4\nORIGIN 0 0 0\nSPACING 0.001 0.001 0.001\nPOINT_DATA 64\n"
        "SCALARS Bnorm float 1\nLOOKUP_TABLE default\n";
    for (int p = 0; p < 64; ++p) putBigEndian(text, 0.5f);
    text += "\nVECTORS B float\n";
    for (int k = 0; k < 4; ++k)
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i)
                for (int c : {i, j, k}) putBigEndian(text, static_cast<float>(c * 1e-3));
    return text + "\n";
}

std::string vtkAsciiRectilinear(const std::string& xCoordinates = "0 0.001 0.002 0.003") {
    std::string text = "# vtk DataFile Version 2.0\nrectilinear\nASCII\nDATASET RECTILINEAR_GRID\n"
                       "DIMENSIONS 4 4 4\nX_COORDINATES 4 double\n" +
                       xCoordinates +
                       "\nY_COORDINATES 4 float\n0 0.001 0.002 0.003\nZ_COORDINATES 4 float\n"
                       "0 0.001 0.002 0.003\nPOINT_DATA 64\nFIELD fields 2\nE 3 64 double\n";
    for (int p = 0; p < 64; ++p) text += "0 0 100\n";
    text += "B 3 64 double\n";
    for (int k = 0; k < 4; ++k)
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 4; ++i)
                text += std::to_string(i * 1e-3) + " " + std::to_string(j * 1e-3) + " " +
                        std::to_string(k * 1e-3) + "\n";
    return text;
}

TEST(FieldMapReader, ReadsEachFormatToTheSameField) {
    const std::string rz = [] {
        std::string t = "r [m],z [m],Br [T],Bz [T]\n";
        for (int k = 0; k < 5; ++k)
            for (int i = 0; i < 4; ++i)
                t += std::to_string(i * 0.01) + "," + std::to_string(k * 0.01) + ",0,0.02\n";
        return t;
    }();
    const struct {
        const char* name;
        std::string bytes;
        bool hasE;
    } files[] = {{"csv", csvMap(), false},
                 {"csv with E",
                  csvMap([](int, std::string& s) { s += ",0,0,100"; }, "x,y,z,Bx,By,Bz,Ex,Ey,Ez"),
                  true},
                 {"vtk binary", vtkBinaryMap(), false},
                 {"vtk ascii rectilinear", vtkAsciiRectilinear(), true}};
    for (const auto& file : files) {
        const FieldMapRead read = parseFieldMap(file.bytes);
        ASSERT_TRUE(read.ok()) << file.name << ": " << read.message;
        const Vecteur3 R(0.0012, 0.0027, 0.0003);
        Vecteur3 B, E;
        ASSERT_TRUE(read.map->magnetic(R, B)) << file.name;
        for (int a = 1; a <= 3; ++a) EXPECT_NEAR(B(a), R(a), 1e-9) << file.name;
        EXPECT_EQ(read.map->electric(R, E), file.hasE) << file.name;
        if (file.hasE) {
            EXPECT_NEAR(E(3), 100, 1e-9) << file.name;
        }
    }
    const FieldMapRead read = parseFieldMap(rz);
    ASSERT_TRUE(read.ok()) << read.message;
    Vecteur3 B;
    ASSERT_TRUE(read.map->magnetic({0.01, 0.02, 0.025}, B));
    EXPECT_NEAR(B(3), 0.02, 1e-15);
    EXPECT_EQ(read.map->summary(), "4 × 5 nodes (r, z) about the z axis, r 0 .. 0.03 m, z 0 .. "
                                   "0.04 m, |B| 0.02 .. 0.02 T");
}

// Refused maps name the row (or point) and the fault, and a case that had a map keeps it.
TEST_F(PhysicsTest, BadMapsAreRefusedWithTheirReasonAndTheCaseKeepsItsMap) {
    std::string truncated = vtkBinaryMap();
    truncated.resize(truncated.size() - 100);
    const struct {
        const char* what;
        std::string bytes;
        const char* message;
    } bad[] = {
        {"irregular", csvMap([](int, std::string& s) {
             if (s.rfind("0.003,", 0) == 0) s.replace(0, 5, "0.004");
         }),
         "row 3: x = 0.001 m is off the regular grid (nodes every 0.001333333333 m from 0 m)"},
        {"NaN", csvMap([](int row, std::string& s) {
             if (row == 9) s = "0.001,0.002,0.003,nan,0,0";
         }),
         "row 11: Bx is not finite"},
        {"missing column", csvMap({}, "x,y,z,Bx,By"), "the header has no column bz"},
        {"hole", csvMap([](int row, std::string& s) {
             if (row == 20) s.clear();
         }),
         "the grid has a hole: no row for the node x = 0, y = 0.001, z = 0.002 m"},
        {"duplicate", csvMap([](int row, std::string& s) {
             if (row == 20) s = "0,0,0,1,1,1";
         }),
         "row 50: the same node as row 22"},
        {"mixed units", csvMap({}, "x [mm],y,z,Bx,By,Bz"), "column x [mm] is in mm"},
        {"unit in a cell", csvMap([](int row, std::string& s) {
             if (row == 3) s += "mm";
         }),
         "row 5: Bz = \"0.003mm\" is not a number"},
        {"no header", csvMap().substr(15), "needs a header"},
        {"truncated binary VTK", truncated, "needs 768 bytes, the file has 669 left"},
        {"1e9 points",
         "# vtk DataFile Version 3.0\nhuge\nBINARY\nDATASET STRUCTURED_POINTS\n"
         "DIMENSIONS 1000 1000 1000\n",
         "DIMENSIONS declare 1000000000 points, more than the 16777216"},
        {"irregular rectilinear", vtkAsciiRectilinear("0 0.001 0.0025 0.003"),
         "X_COORDINATES: node 3 at 0.0025 m is off the regular grid"},
    };
    const auto folder = std::filesystem::temp_directory_path() / "gyro-fieldmap-test";
    std::filesystem::create_directories(folder);
    const auto good = folder / "good.csv";
    std::ofstream(good) << csvMap();
    ASSERT_EQ(loadCaseFieldMap(theCase(), good), "");
    const auto kept = theCase().fieldMap();
    for (const auto& map : bad) {
        const auto file = folder / "bad.map";
        std::ofstream(file, std::ios::binary) << map.bytes;
        const std::string message = loadCaseFieldMap(theCase(), file);
        EXPECT_NE(message.find(map.message), std::string::npos) << map.what << ": " << message;
        EXPECT_EQ(theCase().fieldMap(), kept) << map.what;
        EXPECT_EQ(theCase().Texte3(slot::kFieldMapPath), good.string()) << map.what;
    }
    std::filesystem::remove_all(folder);
}

TEST(FieldMapMemo, PathsBelowTheMemoFolderAreKeptRelative) {
    EXPECT_EQ(memoMapPath("/data/examples/maps/dipole.csv", "/data/examples"), "maps/dipole.csv");
    EXPECT_EQ(memoMapPath("/data/other/dipole.csv", "/data/examples"), "/data/other/dipole.csv");
    EXPECT_EQ(resolveMemoMapPath("maps/dipole.csv", "/data/examples"),
              std::filesystem::path("/data/examples/maps/dipole.csv"));
    EXPECT_EQ(resolveMemoMapPath("/x/d.vtk", "/data/examples"), std::filesystem::path("/x/d.vtk"));
}

// ---------------------------------------------------------------------------------------------
// Trajectories

class MapRunTest : public PhysicsTest {
protected:
    // Integrates from R, V with RungeStep until exactly tEnd (the last step shortened); returns
    // the final state. Counts accepted steps.
    StateArray integrate(const Vecteur3& R, const Vecteur3& V, double tEnd, long& steps) {
        SpeciesRefresh(0);
        StateArray Y, Ynew;
        pack(R, V, Y);
        double h = kInitialStep;
        steps = 0;
        while (tEnd - Y(8) > 1e-12 * tEnd && steps < 2'000'000) {
            h = std::min(h, tEnd - Y(8));
            RungeStep(control, h, Y, Ynew);
            if (control.StopCalcul == 1) break;
            CopieEtat(Ynew, Y);
            ++steps;
        }
        return Y;
    }
    // The analytic field of the case's shape, as a function for sampling.
    static Field analytic() {
        auto model = std::make_shared<FieldModel>(theCase());
        return [model](double x, double y, double z) {
            Vecteur3 B;
            model->magnetic({x, y, z}, B);
            return B;
        };
    }
    // Runs on the analytic shape, then on `map`, and returns the relative difference of the
    // final positions.
    double compare(const std::shared_ptr<FieldMap>& map, const Vecteur3& R, const Vecteur3& V,
                   double tEnd) {
        long stepsAnalytic = 0, stepsMap = 0;
        const StateArray a = integrate(R, V, tEnd, stepsAnalytic);
        theCase().setFieldMap(map);
        theCase().select(BoxFamily::Option4, slot::kFieldMap);
        const StateArray m = integrate(R, V, tEnd, stepsMap);
        EXPECT_EQ(control.StopCalcul, 0) << (logLines().empty() ? "" : logLines().back());
        EXPECT_NEAR(m(8), tEnd, 1e-11 * tEnd);
        const Vecteur3 dR(m(1) - a(1), m(3) - a(3), m(5) - a(5));
        const Vecteur3 dV(m(2) - a(2), m(4) - a(4), m(6) - a(6));
        const double rel = norm(dR) / std::hypot(a(1), a(3), a(5));
        std::printf("map run: %ld steps (analytic %ld), relative difference of the position "
                    "%.3g, of the velocity %.3g\n",
                    stepsMap, stepsAnalytic, rel, norm(dV) / std::hypot(a(2), a(4), a(6)));
        return rel;
    }
};

constexpr double kQ = 1.6021e-19; // |q| of the electron [C]
constexpr double kM = 9.1091e-31; // electron mass [kg]

// An electron on the equator of a point dipole (5 mT there), 100 gyrations while it drifts
// round the dipole; the map samples the dipole every 1 mm over the region it crosses.
TEST_F(MapRunTest, DipoleMapGivesTheDipoleTrajectory) {
    setFields(slot::kDipole, {0, 0, 0}, {0, 0, 0});
    setNumber(BoxFamily::Texte6, slot::kParam0 + 5, 6.25);
    setNumber(BoxFamily::Texte6, slot::kParam0 + 11, 0);
    const double B = 1e-7 * 6.25 / std::pow(0.05, 3);
    const double period = 2 * Pi * kM / (kQ * B);
    const auto map =
        sampledMap({9, 25, 7}, {0.046, -0.012, -0.003}, {1e-3, 1e-3, 1e-3}, analytic());
    EXPECT_LT(compare(map, {0.05, 0, 0}, {0, 5e5, 0}, 100 * period), 1e-4);
}

// The uniform field and the 1/rho field with curved lines as (r, z) maps turned about the axis.
TEST_F(MapRunTest, AxisymmetricMapsGiveTheTrajectoriesOfTheirShapes) {
    setFields(slot::kUniform, {0, 0, 0}, {0, 0, 0.01});
    const double period = 2 * Pi * kM / (kQ * 0.01);
    EXPECT_LT(compare(sampledRzMap({6, 12}, {0.03, -0.001}, {1e-3, 1e-3}, analytic()),
                      {0.0325, 0, 0}, {0, 3e5, 2e3}, 100 * period),
              1e-11);

    // The thruster channel's 1/rho field as the window opens, without its E.
    theCase().resetToDefaults();
    setFields(slot::kRadial, {0, 0, 0}, {0, 0, 0});
    const double Bm = theCase().Texte6Value(slot::kParam0 + 2);
    const double radialPeriod = 2 * Pi * kM / (kQ * std::fabs(Bm));
    EXPECT_LT(compare(sampledRzMap({41, 19}, {0.030, 0.002}, {1e-3, 1e-3}, analytic()),
                      {0.0425, 0, 0.01}, {0, 3e5, 0}, 100 * radialPeriod),
              1e-4);
}

// A particle that leaves the map stops the run, once reported with the time and the place.
TEST_F(MapRunTest, LeavingTheMapStopsTheRunWithTheTimeAndPlace) {
    theCase().setFieldMap(sampledMap({4, 4, 4}, {0, 0, 0}, {1e-3, 1e-3, 1e-3},
                                     [](double, double, double) { return Vecteur3(0, 0, 1e-6); }));
    setFields(slot::kFieldMap, {0, 0, 0}, {0, 0, 0});
    asker.fallback = "Yes";
    long steps = 0;
    const StateArray Y = integrate({0.001, 0.001, 0.001}, {1e4, 0, 0}, 1e-6, steps);
    EXPECT_EQ(control.StopCalcul, 1);
    EXPECT_EQ(logCount("frRungefaute particle left the field map at t = "), 1);
    EXPECT_NEAR(Y(1), 0.003, 1e-9); // stopped at the edge
    EXPECT_GT(Y(8), 1.5e-7);        // it crossed most of the 2 mm left before leaving
}

// ---------------------------------------------------------------------------------------------
// The map's own E in Boris and relativistic runs

class MapPushTest : public PhysicsTest {
protected:
    void TearDown() override {
        integrationChoice() = IntegrationChoice{};
        PhysicsTest::TearDown();
    }
    // A map of n nodes a side from `origin` every `step` [m] with B and its own E sampled from
    // the two functions.
    static std::shared_ptr<FieldMap> mapWithE(std::array<std::size_t, 3> n,
                                              std::array<double, 3> origin,
                                              std::array<double, 3> step, const Field& B,
                                              const Field& E) {
        auto map = sampledMap(n, origin, step, B);
        map->E = sampledMap(n, origin, step, E)->B;
        return map;
    }
    // Runs the case from R, V until tEnd with `method` through the run driver, either in its
    // stretches of steps (nobody looks) or with every step seen one by one; the final state.
    static StateArray run(IntegrationMethod method, bool everyStep, const Vecteur3& R,
                          const Vecteur3& V, double tEnd) {
        integrationChoice() = {method, kDefaultStepsPerGyration};
        for (int i = 0; i < 3; ++i) {
            setNumber(BoxFamily::Texte3, slot::kX + i, R(i + 1));
            setNumber(BoxFamily::Texte3, slot::kVx + i, V(i + 1));
        }
        SpeciesRefresh(0);
        NoScene scene;
        RunDriver driver(theCase(), scene);
        driver.setEndTime(tEnd);
        if (everyStep) driver.onStep = [](const StateArray&) { return true; };
        EXPECT_TRUE(driver.RunTrajectory());
        while (driver.running()) driver.advance(std::chrono::hours(1));
        return driver.state();
    }
};

// E and B uniform, given once as map columns and once typed in: the same gyration and E × B
// drift (to the interpolation's rounding), for both pushers, with the steps seen one by one or
// taken in stretches.
TEST_F(MapPushTest, UniformEOfTheMapGivesTheDriftOfTheTypedE) {
    const Vecteur3 E(1000, 0, 0), B(0, 0, 0.01); // drift E × B / B^2 = -1e5 m/s along y
    const Vecteur3 R(0, 5e-4, 0), V(2e5, 0, 0);
    const double tEnd = 20 * 2 * Pi * kElectronMass / (kElementaryCharge * 0.01);
    const auto map = mapWithE(
        {4, 13, 4}, {-1.5e-3, -10.5e-3, -1.5e-3}, {1e-3, 1e-3, 1e-3},
        [&](double, double, double) { return B; }, [&](double, double, double) { return E; });
    for (const auto method : {IntegrationMethod::Boris, IntegrationMethod::Relativistic}) {
        SCOPED_TRACE(method == IntegrationMethod::Boris ? "Boris" : "relativistic");
        setFields(slot::kUniform, E, B);
        const StateArray typed = run(method, false, R, V, tEnd);
        EXPECT_NEAR(typed(3) - R(2), -1e5 * tEnd, 0.02 * 1e5 * tEnd) << "the drift itself";
        theCase().setFieldMap(map);
        setFields(slot::kFieldMap, {0, 0, 0}, {0, 0, 0});
        for (const bool everyStep : {false, true}) {
            const StateArray mapped = run(method, everyStep, R, V, tEnd);
            EXPECT_EQ(mapped(8), tEnd);
            for (int i : {1, 3, 5}) EXPECT_NEAR(mapped(i), typed(i), 1e-12) << "x y z " << i;
            for (int i : {2, 4, 6}) EXPECT_NEAR(mapped(i), typed(i), 1e-5) << "velocity " << i;
        }
        EXPECT_TRUE(logLines().empty()) << logLines().front();
    }
}

// A linear E along a uniform B (along x): the particle oscillates along x at omega^2 =
// |q| g / m, untouched by B, as x = x0 + (v0 / omega) sin(omega t); Boris's and the relativistic
// pusher's phase error (omega h)^2 / 24 per radian stays far below the tolerance.
TEST_F(MapPushTest, LinearEOfTheMapGivesTheHarmonicOscillation) {
    const double omegaC = kElementaryCharge * 0.01 / kElectronMass; // [rad/s]
    const double omega = omegaC / 20;
    const double g = omega * omega * kElectronMass / kElementaryCharge; // [V/m^2]
    const double v0 = 1e4, x0 = 0.01, amplitude = v0 / omega;           // [m/s], [m], [m]
    // The electron's charge is negative: E = +g (x - x0) pulls it back to x0.
    const auto map = mapWithE(
        {13, 4, 4}, {x0 - 3e-4, -1.5e-4, -1.5e-4}, {5e-5, 1e-4, 1e-4},
        [](double, double, double) { return Vecteur3(0.01, 0, 0); },
        [&](double x, double, double) { return Vecteur3(g * (x - x0), 0, 0); });
    theCase().setFieldMap(map);
    setFields(slot::kFieldMap, {0, 0, 0}, {0, 0, 0});
    const double tEnd = 5.3 * 2 * Pi / omega;
    for (const auto method : {IntegrationMethod::Boris, IntegrationMethod::Relativistic}) {
        SCOPED_TRACE(method == IntegrationMethod::Boris ? "Boris" : "relativistic");
        const StateArray stretched = run(method, false, {x0, 0, 0}, {v0, 0, 0}, tEnd);
        EXPECT_NEAR(stretched(1), x0 + amplitude * std::sin(omega * tEnd), 1e-3 * amplitude);
        EXPECT_NEAR(stretched(2), v0 * std::cos(omega * tEnd), 1e-3 * v0);
        const StateArray seen = run(method, true, {x0, 0, 0}, {v0, 0, 0}, tEnd);
        for (int i = 1; i <= 8; ++i) EXPECT_EQ(stretched(i), seen(i)) << "component " << i;
    }
}

} // namespace
} // namespace gyro
