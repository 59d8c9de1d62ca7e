// Cost of one accepted Cash-Karp step of runge against Boost.Odeint's controlled Cash-Karp
// stepper on the same right-hand side (electron in a uniform 0.015 T field), with the ratio
// printed at the end; also counts heap allocations per step.
#include "bench/uniformgyration.h"
#include "numerics/errorreport.h"
#include "numerics/rungekutta.h"
#include "simulation/casemodel.h"
#include "simulation/motion.h"
#include "simulation/runrecord.h"

#include <benchmark/benchmark.h>
// Copying an odeint stepper copies its (not yet initialised) work states: GCC warns inside Boost.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <boost/numeric/odeint.hpp>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <string>
#include <utility>

// ---- Heap allocation counter (whole program) ----
namespace {
std::atomic<long> gAllocations{0};
}
void* operator new(std::size_t n) {
    ++gAllocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using namespace gyro;
namespace odeint = boost::numeric::odeint;
using OdeState = std::array<double, 8>;

constexpr double kB = 0.015;                         // [T] along z
constexpr double kQOverM = -1.6021e-19 / 9.1091e-31; // electron [C/kg]
constexpr double kErrMax = 1e-7;                     // [m]
constexpr double kPeriod = 2.3812e-9;                // gyration period [s]

// Lorentz force in a uniform B along z, state x vx y vy z vz c t: our indexing (1-based).
void lorentz(const StateArray& y, StateArray& dy) {
    dy(1) = y(2);
    dy(3) = y(4);
    dy(5) = y(6);
    dy(2) = kQOverM * (y(4) * kB);
    dy(4) = kQOverM * (-y(2) * kB);
    dy(6) = 0;
    dy(7) = 0;
    dy(8) = 1;
}

// The same right-hand side on Boost's state (0-based).
void lorentzOde(const OdeState& y, OdeState& dy, double) {
    dy[0] = y[1];
    dy[2] = y[3];
    dy[4] = y[5];
    dy[1] = kQOverM * (y[3] * kB);
    dy[3] = kQOverM * (-y[1] * kB);
    dy[5] = 0;
    dy[6] = 0;
    dy[7] = 1;
}

// The program's own right-hand side (fields read from the case, norms, work values) for Boost.
void frRungeOde(const OdeState& y, OdeState& dy, double) {
    StateArray in, out;
    for (int j = 0; j < 8; ++j) in(j + 1) = y[static_cast<std::size_t>(j)];
    frRunge(in, out);
    for (int j = 0; j < 8; ++j) dy[static_cast<std::size_t>(j)] = out(j + 1);
}

void prepareCase() {
    bench::prepareUniformGyration(kErrMax);
}

// Electron at 1e7 m/s: gyration radius 3.8 mm, period 2.4 ns.
void startState(StateArray& Y) {
    Y = StateArray{};
    pack({0.0425, 0, 0}, {0, 1e7, 2e6}, Y);
}

// Times `step` (one accepted step from Y into Ynew) and reports allocations and rejections.
template <class Step> void rungeLoop(benchmark::State& st, Step step) {
    prepareCase();
    StateArray Y, Ynew;
    startState(Y);
    double h = kInitialStep;
    const long allocBefore = gAllocations;
    const std::size_t logBefore = ErrorReport::instance().lines().size();
    // The two states take turns as input and output, so that only the step is timed.
    StateArray* from = &Y;
    StateArray* to = &Ynew;
    for (auto _ : st) {
        step(h, *from, *to);
        benchmark::DoNotOptimize(*to);
        std::swap(from, to);
    }
    const double steps = static_cast<double>(st.iterations());
    st.counters["allocs_per_step"] = static_cast<double>(gAllocations - allocBefore) / steps;
    // Each rejection logs "_RungePasRéduit" and "_Runge_suite".
    st.counters["rejections_per_step"] =
        static_cast<double>(ErrorReport::instance().lines().size() - logBefore) / 2 / steps;
    st.counters["steps_per_turn"] = steps / ((*from)(8) / kPeriod);
}

void BM_RungeLean(benchmark::State& st) {
    rungeLoop(st, [](double& h, const StateArray& Y, StateArray& Ynew) {
        runge(bench::control, h, Y, Ynew, lorentz);
    });
}

void BM_RungeFrRunge(benchmark::State& st) {
    rungeLoop(st, [](double& h, const StateArray& Y, StateArray& Ynew) {
        RungeStep(bench::control, h, Y, Ynew);
    });
}

template <class System> void odeintLoop(benchmark::State& st, System system) {
    prepareCase();
    OdeState x{0.0425, 0, 0, 1e7, 0, 2e6, 0, 0};
    double t = 0;
    double dt = kInitialStep;
    // Absolute tolerance on every component as our limit on positions; relative 1e-7.
    using Checker =
        odeint::default_error_checker<double, odeint::array_algebra, odeint::default_operations>;
    odeint::controlled_runge_kutta<odeint::runge_kutta_cash_karp54<OdeState>> stepper{
        Checker(kErrMax, 1e-7)};
    long rejections = 0;
    const long allocBefore = gAllocations;
    for (auto _ : st) {
        while (stepper.try_step(system, x, t, dt) == odeint::fail) ++rejections;
        benchmark::DoNotOptimize(x);
    }
    const double steps = static_cast<double>(st.iterations());
    st.counters["allocs_per_step"] = static_cast<double>(gAllocations - allocBefore) / steps;
    st.counters["rejections_per_step"] = static_cast<double>(rejections) / steps;
    st.counters["steps_per_turn"] = steps / (t / kPeriod);
}

void BM_OdeintLean(benchmark::State& st) {
    odeintLoop(st, lorentzOde);
}

void BM_OdeintFrRunge(benchmark::State& st) {
    odeintLoop(st, frRungeOde);
}

BENCHMARK(BM_RungeLean);
BENCHMARK(BM_OdeintLean);
BENCHMARK(BM_RungeFrRunge);
BENCHMARK(BM_OdeintFrRunge);

// Keeps the time per iteration of every benchmark to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration)
                nsPerStep[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
    }
    std::map<std::string, double> nsPerStep;
};

} // namespace

#pragma GCC diagnostic pop

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& t = reporter.nsPerStep;
    const auto ratio = [&](const char* ours, const char* theirs, const char* what) {
        if (!t.count(ours) || !t.count(theirs)) return;
        std::printf("%s: runge %.1f ns per accepted step, odeint %.1f ns, ratio %.3f\n", what,
                    t.at(ours), t.at(theirs), t.at(ours) / t.at(theirs));
    };
    ratio("BM_RungeLean", "BM_OdeintLean", "uniform-field Lorentz right-hand side");
    ratio("BM_RungeFrRunge", "BM_OdeintFrRunge", "frRunge (fields from the case)");
    benchmark::Shutdown();
    return 0;
}
