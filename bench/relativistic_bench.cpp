// The relativistic (Higuera-Cary) step against the Boris step: the cost of one step of each in
// one process, both as a run takes them (the run driver's step loop, no drawing, no record) in a
// uniform field and in a dipole, and as bare loops of their arithmetic, with the ratios and the
// latencies of the processor's square root and division beside them; then a table of the
// relativistic method's errors against the closed forms of relativistic motion at 16, 32 and 128
// steps, printed after the benchmarks.
#include "bench/uniformgyration.h"
#include "numerics/constants.h"
#include "simulation/borispace.h"
#include "simulation/caserun.h"
#include "simulation/caseslots.h"
#include "simulation/integrationmethod.h"
#include "simulation/lightspeed.h"
#include "simulation/relativistic.h"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>
#include <utility>

namespace {

using namespace gyro;

constexpr double kC = kSpeedOfLight;
constexpr double kQOverM = -1.6021e-19 / 9.1091e-31; // electron [C/kg]
const Vecteur3 kR0{0.0425, 0, 0};                    // [m]
const Vecteur3 kV0{0, 1e7, 2e6};                     // [m/s]

// The dipole case: 5 mT on the equator at 5 cm, the electron starting there.
const Vecteur3 kDipoleR0{0.05, 0, 0};  // [m]
const Vecteur3 kDipoleV0{0, 5e5, 1e5}; // [m/s]

// `count` steps of a run of the method through the run driver, as the command line runs it
// (nothing drawn, no record kept), in the uniform field or the dipole; returns the final time.
double runSteps(IntegrationMethod method, long count, bool dipole = false) {
    ErrorReport::instance().setAsker(nullptr);
    CaseModel& model = theCase();
    model.resetToDefaults();
    bench::prepareUniformGyration(1e-7);
    if (dipole) {
        model.select(BoxFamily::Option4, slot::kDipole);
        model.setText(BoxFamily::Texte6, slot::kParam0 + 5, "6.25");
        model.setText(BoxFamily::Texte6, slot::kParam0 + 11, "0");
    }
    for (int i = 0; i < 3; ++i) {
        model.setText(BoxFamily::Texte3, slot::kX + i,
                      std::to_string((dipole ? kDipoleR0 : kR0)(i + 1)));
        model.setText(BoxFamily::Texte3, slot::kVx + i,
                      std::to_string((dipole ? kDipoleV0 : kV0)(i + 1)));
    }
    integrationChoice() = {method, kDefaultStepsPerGyration};
    NoScene scene;
    RunDriver driver(model, scene);
    driver.setKeepRecord(false);
    driver.setDrawing(false);
    if (!driver.RunTrajectory()) return 0;
    auto left = static_cast<std::uint64_t>(count);
    while (left > 0) {
        const RunDriver::Slice slice = driver.advance(std::chrono::hours(1), left);
        left -= std::min(left, slice.steps);
        if (!slice.active) break;
    }
    integrationChoice() = IntegrationChoice{};
    return driver.time();
}

void BM_BorisRunStep(benchmark::State& st) {
    for (auto _ : st) benchmark::DoNotOptimize(runSteps(IntegrationMethod::Boris, 100000));
    st.SetItemsProcessed(st.iterations() * 100000);
}

void BM_RelativisticRunStep(benchmark::State& st) {
    for (auto _ : st) benchmark::DoNotOptimize(runSteps(IntegrationMethod::Relativistic, 100000));
    st.SetItemsProcessed(st.iterations() * 100000);
}

BENCHMARK(BM_BorisRunStep);
BENCHMARK(BM_RelativisticRunStep);

// Processor time of this thread [s]: on a shared machine, what the run itself spent.
double threadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

// The best processor time of each of the jobs, the jobs taking turns so that a change of the
// machine's load falls on all of them.
template <std::size_t N, typename Job> std::array<double, N> bestOf(const Job& job) {
    std::array<double, N> best;
    best.fill(INFINITY);
    for (int round = 0; round < 7; ++round) {
        for (std::size_t m = 0; m < N; ++m) {
            const double t0 = threadSeconds();
            job(m);
            best[m] = std::min(best[m], threadSeconds() - t0);
        }
    }
    return best;
}

constexpr long kRunSteps = 200000;
constexpr long kLeanSteps = 1000000;
constexpr long kChain = 1000000;

// Bare Boris steps in a uniform magnetic field: the drift, the kick with the rotation kept, the
// drift (what no run can do faster). Returns a position component to keep the work.
double leanBoris(long count) {
    const Vecteur3 B{0, 0, 0.015}, E{0, 0, 0};
    const double h = borisStepSize(32, kQOverM, 0.015);
    const double k = kQOverM * h / 2;
    const BorisRotation rotation(B, k);
    Vecteur3 r = kR0, v = kV0;
    for (long i = 0; i < count; ++i) {
        Vecteur3 mid, vNew;
        MultKPlus(v, h / 2, r, mid);
        borisKick(v, E, k, rotation, vNew);
        MultKPlus(vNew, h / 2, mid, r);
        v = vNew;
    }
    return r(1) + r(2) + r(3);
}

// Bare Higuera-Cary steps in the same field, the rotation's τ rebuilt from B at every step as
// the kick does: the drift at u/γ, the kick, the drift at the new u/γ.
double leanHigueraCary(long count) {
    const Vecteur3 B{0, 0, 0.015}, E{0, 0, 0};
    const double gamma0 = lorentzFactorOfVelocity(kV0);
    const double h = borisStepSize(32, kQOverM / gamma0, 0.015);
    const double k = kQOverM * h / 2;
    Vecteur3 r = kR0, u = properVelocity(kV0);
    double inverseGamma = 1 / gamma0;
    for (long i = 0; i < count; ++i) {
        Vecteur3 mid;
        MultKPlus(u, h / 2 * inverseGamma, r, mid);
        double gamma = 0;
        higueraCaryKick(E, B, k, u, gamma, inverseGamma);
        MultKPlus(u, h / 2 * inverseGamma, mid, r);
    }
    return r(1) + r(2) + r(3);
}

// A chain of dependent square roots, and one of dependent divisions: each waits for the last,
// so the time per link is the instruction's latency.
double sqrtChain(long count, double x) {
    for (long i = 0; i < count; ++i) x = std::sqrt(x + 2.5);
    return x;
}
double divisionChain(long count, double x) {
    for (long i = 0; i < count; ++i) x = 2.5 / (x + 0.5);
    return x;
}

void costTable() {
    using M = IntegrationMethod;
    const auto uniform = bestOf<2>([](std::size_t m) {
        benchmark::DoNotOptimize(runSteps(m == 0 ? M::Boris : M::Relativistic, kRunSteps));
    });
    const auto dipole = bestOf<2>([](std::size_t m) {
        benchmark::DoNotOptimize(runSteps(m == 0 ? M::Boris : M::Relativistic, kRunSteps, true));
    });
    const auto lean = bestOf<2>([](std::size_t m) {
        benchmark::DoNotOptimize(m == 0 ? leanBoris(kLeanSteps) : leanHigueraCary(kLeanSteps));
    });
    const auto chain = bestOf<2>([](std::size_t m) {
        // (The seed is read at run time, so that no chain is folded at compile time.)
        volatile double seed = 1.5;
        benchmark::DoNotOptimize(m == 0 ? sqrtChain(kChain, seed) : divisionChain(kChain, seed));
    });
    const auto ns = [](double seconds, long count) {
        return seconds / static_cast<double>(count) * 1e9;
    };
    std::printf("\nPer-step cost, processor time, best of 7 taking turns (target: relativistic at "
                "most 1.5 Boris):\n");
    std::printf("| case                                   | Boris [ns] | relativistic [ns] | ratio "
                "|\n");
    std::printf("|----------------------------------------|------------|-------------------|-------"
                "|\n");
    std::printf("| run driver, uniform field              | %10.1f | %17.1f | %5.2f |\n",
                ns(uniform[0], kRunSteps), ns(uniform[1], kRunSteps), uniform[1] / uniform[0]);
    std::printf("| run driver, dipole (field every step)  | %10.1f | %17.1f | %5.2f |\n",
                ns(dipole[0], kRunSteps), ns(dipole[1], kRunSteps), dipole[1] / dipole[0]);
    std::printf("| bare loops, uniform field              | %10.1f | %17.1f | %5.2f |\n",
                ns(lean[0], kLeanSteps), ns(lean[1], kLeanSteps), lean[1] / lean[0]);
    const double sqrtNs = ns(chain[0], kChain), divNs = ns(chain[1], kChain);
    // The Higuera-Cary rotation waits, step after step, for sqrt(σ² + 4(τ² + (u·τ)²/c²)), the
    // square root of γ² of the mean, 1/γ and 1/(1 + t²): two square roots and two divisions
    // that no reordering can overlap (the new γ and the position's 1/γ lie off that chain).
    const double floorNs = 2 * sqrtNs + 2 * divNs;
    std::printf("Latency: square root %.1f ns, division %.1f ns; the Higuera-Cary step's chain of "
                "two of each alone is %.1f ns = %.2f bare Boris steps\n",
                sqrtNs, divNs, floorNs, floorNs / ns(lean[0], kLeanSteps));
}

struct Uniform {
    Vecteur3 E, B;
    void operator()(const Vecteur3&, Vecteur3& e, Vecteur3& b) const { e = E, b = B; }
};

Vecteur3 properAlong(double gamma, const Vecteur3& d) {
    Vecteur3 u;
    MultK(d, kC * std::sqrt(gamma * gamma - 1), u);
    return u;
}

// Largest relative change of γ over 10^4 gyrations at γ = 3 in an oblique field.
double energyError(double n) {
    const Uniform field{{0, 0, 0}, {0.03, -0.04, 0.12}};
    const double h = 2 * Pi * 3 / (n * std::fabs(kQOverM) * 0.13);
    Vecteur3 R(0, 0, 0), U = properAlong(3, {0.6, 0.8, 0});
    double worst = 0;
    for (long i = 0; i < std::lround(1e4 * n); ++i) {
        higueraCaryPush(h, R, U, field, kQOverM);
        worst = std::max(worst, std::fabs(lorentzFactorOfProper(U) / 3 - 1));
    }
    return worst;
}

// Relative error of the gyration frequency |q|B/(γm) over ten turns.
double frequencyError(double gamma, double n) {
    const Uniform field{{0, 0, 0}, {0, 0, 0.1}};
    const double omega = std::fabs(kQOverM) * 0.1 / gamma;
    const double h = 2 * Pi / (n * omega);
    Vecteur3 R(0, 0, 0), U = properAlong(gamma, {1, 0, 0});
    double angle = 0;
    const long steps = std::lround(10 * n);
    for (long i = 0; i < steps; ++i) {
        const Vecteur3 before = U;
        higueraCaryPush(h, R, U, field, kQOverM);
        angle += std::fabs(std::atan2(before(1) * U(2) - before(2) * U(1), ProdScal(before, U)));
    }
    return angle / (omega * h * static_cast<double>(steps)) - 1;
}

// Hyperbolic motion from rest to γ ≈ 10, n steps per mc/(qE): worst relative error of x(t).
double hyperbolicError(double n) {
    const double e = 1e6;
    const Uniform field{{-e, 0, 0}, {0, 0, 0}};
    const double tau = kC / (std::fabs(kQOverM) * e);
    Vecteur3 R(0, 0, 0), U(0, 0, 0);
    double worst = 0;
    for (long i = 1; i <= std::lround(10 * n); ++i) {
        higueraCaryPush(tau / n, R, U, field, kQOverM);
        const double t = static_cast<double>(i) * tau / n;
        const double x = kC * tau * (std::hypot(1, t / tau) - 1);
        worst = std::max(worst, std::fabs(R(1) - x) / x);
    }
    return worst;
}

// E = 0.5 cB from rest, n steps per lab period 2πγE³m/(|q|B): relative miss of the point
// x = vE t after ten periods.
double driftError(double n) {
    const double b = 0.01, vE = 0.5 * kC, gammaE = 1 / std::sqrt(0.75);
    const Uniform field{{0, vE * b, 0}, {0, 0, b}};
    const double period = 2 * Pi * std::pow(gammaE, 3) / (std::fabs(kQOverM) * b);
    Vecteur3 R(0, 0, 0), U(0, 0, 0);
    for (long i = 0; i < std::lround(10 * n); ++i)
        higueraCaryPush(period / n, R, U, field, kQOverM);
    const double x = vE * 10 * period;
    return std::hypot(R(1) - x, R(2)) / x;
}

// At 1e4 m/s, n steps per gyration each: worst distance from Boris's trace over 100 gyrations,
// relative to the distance travelled.
double borisAgreement(double n) {
    const Uniform field{{0, 0, 0}, {0.003, -0.004, 0.012}};
    const Vecteur3 V0(8e3, 0, 6e3);
    const double hBoris = borisStepSize(n, kQOverM, 0.013);
    const double h = hBoris * lorentzFactorOfVelocity(V0);
    StateArray boris, rel, next;
    pack({0.01, 0, 0}, V0, boris);
    rel = boris;
    ProperVelocityMemo memo;
    double worst = 0;
    for (long i = 1; i <= std::lround(100 * n); ++i) {
        borisStep(hBoris, boris, next, field, kQOverM);
        boris = next;
        relativisticStep(h, rel, next, field, kQOverM, &memo);
        rel = next;
        Vecteur3 d;
        MultKPlus(position(rel), -1, position(boris), d);
        worst =
            std::max(worst, std::sqrt(ProdScal(d, d)) / (1e4 * static_cast<double>(i) * hBoris));
    }
    return worst;
}

void errorTable() {
    std::printf("\nRelativistic method against the closed forms (N steps per gyration, per mc/(qE) "
                "for the hyperbola, per lab period for the drift):\n");
    std::printf("| N   | energy, 1e4 gyr. | freq. γ=1.02 | freq. γ=3 | freq. γ=20 | hyperbola x | "
                "E×B drift | vs Boris 1e4 m/s |\n");
    std::printf("|-----|------------------|--------------|-----------|------------|-------------|"
                "-----------|------------------|\n");
    for (double n : {16.0, 32.0, 128.0}) {
        std::printf("| %-3.0f | %16.1e | %12.2e | %9.2e | %10.2e | %11.2e | %9.2e | %16.1e |\n", n,
                    energyError(n), frequencyError(1.02, n), frequencyError(3, n),
                    frequencyError(20, n), hyperbolicError(n), driftError(n), borisAgreement(n));
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    costTable();
    errorTable();
    return 0;
}
