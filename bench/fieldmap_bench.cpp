// Field maps against the analytic dipole they sample: the cost of one field evaluation, the
// accepted steps of a run at the same error limit, and the rejected steps of the adaptive
// Cash-Karp step with the C1 cubic interpolation against a trilinear one (whose slope jumps at
// every cell face). The ratios and the table are printed after the benchmarks.
#include "numerics/constants.h"
#include "numerics/errorreport.h"
#include "numerics/rungekutta.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/fieldmap.h"
#include "simulation/fields.h"
#include "simulation/motion.h"
#include "simulation/runrecord.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

using namespace gyro;

constexpr double kQ = -1.6021e-19; // electron [C]
constexpr double kM = 9.1091e-31;  // [kg]
constexpr double kMoment = 6.25;   // [A m^2]: 5 mT on the equator at 5 cm
const Vecteur3 kR0{0.05, 0, 0};    // [m]
const Vecteur3 kV0{0, 5e5, 0};     // [m/s]: Larmor radius 0.57 mm
const double kB0 = 1e-7 * kMoment / std::pow(0.05, 3);
const double kPeriod = 2 * Pi * kM / (-kQ * kB0);

// The dipole case (no E), and its map every 1 mm round the electron's path.
std::shared_ptr<const FieldMap> prepare() {
    ErrorReport::instance().setAsker(nullptr);
    CaseModel& c = theCase();
    c.resetToDefaults();
    c.select(BoxFamily::Option4, slot::kDipole);
    for (int i = 0; i < 3; ++i) c.setText(BoxFamily::Texte4, i, "0");
    c.setText(BoxFamily::Texte6, slot::kParam0 + 5, "6.25");
    c.setText(BoxFamily::Texte6, slot::kParam0 + 11, "0");
    c.select(BoxFamily::Option5, slot::kElectron);
    SpeciesRefresh(0);
    Ldim = 8;
    static std::shared_ptr<FieldMap> map;
    if (!map) {
        map = std::make_shared<FieldMap>();
        map->n = {13, 61, 9};
        map->origin = {0.044, -0.03, -0.004};
        map->spacing = {1e-3, 1e-3, 1e-3};
        const FieldModel dipole(c);
        for (std::size_t k = 0; k < map->n[2]; ++k)
            for (std::size_t j = 0; j < map->n[1]; ++j)
                for (std::size_t i = 0; i < map->n[0]; ++i) {
                    Vecteur3 B;
                    dipole.magnetic({0.044 + 1e-3 * static_cast<double>(i),
                                     -0.03 + 1e-3 * static_cast<double>(j),
                                     -0.004 + 1e-3 * static_cast<double>(k)},
                                    B);
                    map->B.insert(map->B.end(), {B(1), B(2), B(3)});
                }
    }
    c.setFieldMap(map);
    return map;
}

// Points on the electron's path region where the fields are evaluated.
const std::vector<Vecteur3>& points() {
    static const std::vector<Vecteur3> p = [] {
        std::vector<Vecteur3> out;
        for (int i = 0; i < 1024; ++i) {
            const double a = 0.4 * i / 1024.0;
            out.emplace_back(0.05 * std::cos(a) + 5e-4 * std::sin(37.0 * i),
                             0.05 * std::sin(a) - 0.01, 1e-3 * std::sin(11.0 * i));
        }
        return out;
    }();
    return p;
}

// Evaluations of B with the case's shape (dipole or map); returns a checksum.
double evaluate(int shape, long count) {
    theCase().select(BoxFamily::Option4, shape);
    const FieldModel field(theCase());
    const auto& p = points();
    double sum = 0;
    for (long i = 0; i < count; ++i) {
        Vecteur3 B;
        field.magnetic(p[static_cast<std::size_t>(i) & 1023], B);
        sum += B(3);
    }
    theCase().select(BoxFamily::Option4, slot::kDipole);
    return sum;
}

void BM_DipoleField(benchmark::State& st) {
    prepare();
    for (auto _ : st) benchmark::DoNotOptimize(evaluate(slot::kDipole, 1000));
    st.SetItemsProcessed(st.iterations() * 1000);
}

void BM_DipoleMapField(benchmark::State& st) {
    prepare();
    for (auto _ : st) benchmark::DoNotOptimize(evaluate(slot::kFieldMap, 1000));
    st.SetItemsProcessed(st.iterations() * 1000);
}

BENCHMARK(BM_DipoleField);
BENCHMARK(BM_DipoleMapField);

// One evaluation of B for each shape (0 cylindrical, 1 uniform, 2 radial 1/rho with curved lines,
// 3 dipole, 4 double dipole) at the same points, as a step's stages ask for it.
void BM_ShapeField(benchmark::State& st) {
    prepare();
    const int shape = static_cast<int>(st.range(0));
    for (auto _ : st) benchmark::DoNotOptimize(evaluate(shape, 1000));
    st.SetItemsProcessed(st.iterations() * 1000);
}
BENCHMARK(BM_ShapeField)->DenseRange(0, 4);

// Processor time [s] of 2e6 evaluations, the best of five rounds: on a loaded machine the wall
// clock would count the other programs' time.
double secondsOf(int shape) {
    double best = INFINITY;
    for (int round = 0; round < 5; ++round) {
        const std::clock_t t0 = std::clock();
        benchmark::DoNotOptimize(evaluate(shape, 2'000'000));
        best = std::min(best, static_cast<double>(std::clock() - t0) / CLOCKS_PER_SEC);
    }
    return best;
}

// B of the map by trilinear interpolation: continuous, with a slope that jumps at cell faces.
Vecteur3 trilinear(const FieldMap& map, const Vecteur3& R) {
    double w[3][2];
    std::size_t first[3];
    for (std::size_t a = 0; a < 3; ++a) {
        const double u = (R(static_cast<int>(a) + 1) - map.origin[a]) / map.spacing[a];
        const double cell = std::clamp(std::floor(u), 0.0, static_cast<double>(map.n[a] - 2));
        first[a] = static_cast<std::size_t>(cell);
        w[a][1] = u - cell;
        w[a][0] = 1 - w[a][1];
    }
    Vecteur3 B(0, 0, 0);
    for (std::size_t c = 0; c < 2; ++c)
        for (std::size_t b = 0; b < 2; ++b)
            for (std::size_t a = 0; a < 2; ++a) {
                const double* node =
                    &map.B[3 *
                           (((first[2] + c) * map.n[1] + first[1] + b) * map.n[0] + first[0] + a)];
                const double k = w[0][a] * w[1][b] * w[2][c];
                B = Vecteur3(B(1) + k * node[0], B(2) + k * node[1], B(3) + k * node[2]);
            }
    return B;
}

struct TrilinearForce {
    const FieldMap* map;
    double k = kQ / kM;
    void operator()(const StateArray& Y, StateArray& DY) const {
        const Vecteur3 B = trilinear(*map, {Y(1), Y(3), Y(5)});
        const Vecteur3 V(Y(2), Y(4), Y(6));
        Vecteur3 W;
        ProdVect(V, B, W);
        DY(1) = Y(2), DY(3) = Y(4), DY(5) = Y(6);
        DY(2) = k * W(1), DY(4) = k * W(2), DY(6) = k * W(3);
        DY(7) = 0, DY(8) = 1;
    }
};

struct RunCount {
    long accepted = 0;
    long rejected = 0;
    double rate() const {
        return static_cast<double>(rejected) / static_cast<double>(accepted + rejected);
    }
};

// 100 gyrations of the electron at the error limit [m] with the system f.
template <class System> RunCount run(double errMax, System& f) {
    RunControl control;
    control.work.trace = 0;
    control.ErrMax = errMax;
    control.OrdreRunge = 5;
    StateArray Y, Ynew;
    pack(kR0, kV0, Y);
    double h = kInitialStep;
    RunCount count;
    while (Y(8) < 100 * kPeriod && control.StopCalcul != 1) {
        rungeControlled(control, h, Y, Ynew, f);
        CopieEtat(Ynew, Y);
        ++count.accepted;
    }
    count.rejected = static_cast<long>(control.RungeRejections);
    return count;
}

void stepTable(const FieldMap& map) {
    std::printf("\nSteps of 100 gyrations on the dipole and on its 1 mm map (rejected share of the "
                "attempts):\n");
    std::printf("| ErrMax [m] | analytic accepted | map accepted | ratio | rejected: analytic | "
                "cubic map | trilinear map |\n");
    std::printf("|------------|-------------------|--------------|-------|--------------------|"
                "-----------|---------------|\n");
    for (double errMax : {1e-6, 1e-7, 1e-8, 1e-9}) {
        double stop = 0;
        theCase().select(BoxFamily::Option4, slot::kDipole);
        const FieldModel dipoleField(theCase());
        const LorentzForce dipole(dipoleField, kQ, kM, stop);
        const RunCount a = run(errMax, dipole);
        theCase().select(BoxFamily::Option4, slot::kFieldMap);
        const FieldModel mapField(theCase());
        const LorentzForce cubic(mapField, kQ, kM, stop);
        const RunCount c = run(errMax, cubic);
        const TrilinearForce linear{&map};
        const RunCount l = run(errMax, linear);
        std::printf("| %10.0e | %17ld | %12ld | %5.3f | %17.2f%% | %8.2f%% | %12.2f%% |\n", errMax,
                    a.accepted, c.accepted,
                    static_cast<double>(c.accepted) / static_cast<double>(a.accepted),
                    100 * a.rate(), 100 * c.rate(), 100 * l.rate());
    }
    theCase().select(BoxFamily::Option4, slot::kDipole);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const auto map = prepare();
    const double dipole = secondsOf(slot::kDipole);
    const double cubic = secondsOf(slot::kFieldMap);
    std::printf("\nField evaluation (processor time): analytic dipole %.1f ns, dipole map %.1f ns, "
                "ratio %.2f (target at most 3)\n",
                dipole / 2e6 * 1e9, cubic / 2e6 * 1e9, cubic / dipole);
    stepTable(*map);
    return 0;
}
