// Boris against Cash-Karp on the uniform gyration: the cost of one step of each in one process,
// and a work-precision table (final position error and energy drift after 1000 gyrations
// against wall time) printed after the benchmarks.
#include "bench/uniformgyration.h"
#include "numerics/constants.h"
#include "numerics/errorreport.h"
#include "numerics/rungekutta.h"
#include "simulation/boris.h"
#include "simulation/casemodel.h"
#include "simulation/integrationmethod.h"
#include "simulation/motion.h"
#include "simulation/runrecord.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <complex>
#include <cstdio>
#include <ctime>

namespace {

using namespace gyro;

constexpr double kB = 0.015;                         // [T] along z
constexpr double kQOverM = -1.6021e-19 / 9.1091e-31; // electron [C/kg]
const Vecteur3 kR0{0.0425, 0, 0};                    // [m]
const Vecteur3 kV0{0, 1e7, 2e6};                     // [m/s]: radius 3.8 mm, period 2.4 ns

// Electron in the uniform field, fields read from the case as in a run.
void prepareCase() {
    ErrorReport::instance().setAsker(nullptr); // every question continues
    theCase().resetToDefaults();
    bench::prepareUniformGyration(1e-7);
}

double period() {
    return 2 * Pi / std::fabs(kQOverM * kB);
}

// The exact helix at time t: the velocity across B turns as exp(-i w t), w = (q/m) B.
Vecteur3 exactPosition(double t) {
    const double w = kQOverM * kB;
    const std::complex<double> v0(kV0(1), kV0(2)), z0(kR0(1), kR0(2));
    const std::complex<double> rot = std::exp(std::complex<double>(0, -w * t));
    const std::complex<double> z = z0 + std::complex<double>(0, 1) * v0 / w * (rot - 1.0);
    return {z.real(), z.imag(), kR0(3) + kV0(3) * t};
}

void BM_CashKarpStep(benchmark::State& st) {
    prepareCase();
    bench::control.ErrMax = 1e-7;
    StateArray Y, Ynew;
    pack(kR0, kV0, Y);
    double h = kInitialStep;
    for (auto _ : st) {
        RungeStep(bench::control, h, Y, Ynew);
        CopieEtat(Ynew, Y);
        benchmark::DoNotOptimize(Y);
    }
    st.counters["steps_per_gyration"] = static_cast<double>(st.iterations()) / (Y(8) / period());
}

void BM_BorisStep(benchmark::State& st) {
    prepareCase();
    integrationChoice() = {IntegrationMethod::Boris, kDefaultStepsPerGyration};
    StateArray Y, Ynew;
    pack(kR0, kV0, Y);
    double h = kInitialStep;
    for (auto _ : st) {
        IntegrationStep(bench::control, h, Y, Ynew); // the step of a run, from the local field
        CopieEtat(Ynew, Y);
        benchmark::DoNotOptimize(Y);
    }
    st.counters["steps_per_gyration"] = static_cast<double>(st.iterations()) / (Y(8) / period());
    integrationChoice() = IntegrationChoice{};
}

BENCHMARK(BM_CashKarpStep);
BENCHMARK(BM_BorisStep);

struct Row {
    long steps = 0;
    double seconds = 0;       // wall time
    double cpuSeconds = 0;    // processor time of the process (the machine may be shared)
    double positionError = 0; // [m] against the exact helix at the final time
    double energyDrift = 0;   // relative change of the kinetic energy
};

template <class Step> Row thousandGyrations(Step step) {
    prepareCase();
    StateArray Y, Ynew;
    pack(kR0, kV0, Y);
    const double tEnd = 1000 * period();
    Row row;
    const auto t0 = std::chrono::steady_clock::now();
    const std::clock_t c0 = std::clock();
    while (Y(8) < tEnd * (1 - 1e-12) && bench::control.StopCalcul == 0) {
        step(Y, Ynew);
        CopieEtat(Ynew, Y);
        ++row.steps;
    }
    row.cpuSeconds = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
    row.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const Vecteur3 exact = exactPosition(Y(8));
    const Vecteur3 r = position(Y);
    row.positionError = std::hypot(r(1) - exact(1), r(2) - exact(2), r(3) - exact(3));
    const Vecteur3 v = velocity(Y);
    row.energyDrift = ProdScal(v, v) / ProdScal(kV0, kV0) - 1;
    return row;
}

void printRow(const char* method, const char* setting, const Row& row) {
    std::printf("| %-9s | %-8s | %9ld | %9.1f | %8.1f | %13.2e | %12.2e |\n", method, setting,
                row.steps, row.seconds * 1e3, row.cpuSeconds * 1e3, row.positionError,
                row.energyDrift);
}

// Final position error and kinetic-energy drift after 1000 gyrations against wall time.
void workPrecisionTable() {
    std::printf("\nWork-precision, electron gyrating in 0.015 T (radius 3.8 mm, 1000 gyrations, "
                "fields of the case as a run reads them)\n");
    std::printf("| method    | setting  |     steps | wall (ms) | CPU (ms) | pos. err. (m) | "
                "energy drift |\n"
                "|-----------|----------|-----------|-----------|----------|---------------|-------"
                "-------|\n");
    char setting[32];
    for (int e = 7; e <= 12; ++e) {
        const double limit = std::pow(10.0, -e);
        const Row row = thousandGyrations([&](const StateArray& Y, StateArray& Ynew) {
            static double h;
            if (Y(8) == 0) h = kInitialStep;
            bench::control.ErrMax = limit;
            RungeStep(bench::control, h, Y, Ynew);
        });
        std::snprintf(setting, sizeof setting, "1e-%d m", e);
        printRow("Cash-Karp", setting, row);
    }
    for (int n = 16; n <= 1024; n *= 2) {
        integrationChoice() = {IntegrationMethod::Boris, static_cast<double>(n)};
        const Row row = thousandGyrations([&](const StateArray& Y, StateArray& Ynew) {
            static double h;
            IntegrationStep(bench::control, h, Y, Ynew);
        });
        integrationChoice() = IntegrationChoice{};
        std::snprintf(setting, sizeof setting, "N = %d", n);
        printRow("Boris", setting, row);
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    workPrecisionTable();
    return 0;
}
