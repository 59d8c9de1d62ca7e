// Throughput of a run: the command line's run of the uniform gyration (an electron in the
// default case with the uniform field shape, no outputs) beside a lean loop of the same method on
// the same problem in the same process: Cash-Karp with the same error limit and step-size policy,
// and Boris at 32 steps per gyration. Prints the rates in accepted steps per second and their
// ratios beside the targets (Cash-Karp: at most 1.4; Boris: at most 3).
#include "app/batch.h"
#include "numerics/constants.h"
#include "numerics/rungekutta.h"
#include "numerics/vecteur3.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/motion.h"
#include "simulation/runrecord.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QStringList>

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <utility>

namespace {

using namespace gyro;

constexpr long kSteps = 3'000'000; // accepted steps of one run

// The problem: the window's default case with the uniform shape, read from the case model.
struct Problem {
    double E[3], B[3], x0[3], v0[3];
    double qOverM; // [C/kg]
    double errMax; // [m]
};

Problem uniformGyration() {
    CaseModel& model = theCase();
    model.resetToDefaults();
    model.select(BoxFamily::Option4, slot::kUniform);
    Problem p{};
    for (int i = 0; i < 3; ++i) {
        p.E[i] = model.Texte4Value(i);
        p.B[i] = model.Texte6Value(i);
        p.x0[i] = model.Texte3Value(i);
        p.v0[i] = model.Texte3Value(3 + i);
    }
    p.qOverM = kElectronCharge / kElectronMass;
    p.errMax = model.Texte7Value();
    return p;
}

// The lean loop: plain arrays (x y z vx vy vz), the Cash-Karp pair written out, the same error
// estimate (positions; velocities times h and 64) and the same policy (0.9, exponents 1/6 and
// 1/3, growth at most 5, shrink at most 10), nothing else.
struct LeanGyration {
    Problem p;
    void rhs(const double* y, double* dy) const {
        const double* v = y + 3;
        const double w[3] = {v[1] * p.B[2] - v[2] * p.B[1], v[2] * p.B[0] - v[0] * p.B[2],
                             v[0] * p.B[1] - v[1] * p.B[0]};
        for (int i = 0; i < 3; ++i) {
            dy[i] = v[i];
            dy[3 + i] = p.qOverM * (p.E[i] + w[i]);
        }
    }
    long run(long steps, double& t) const {
        static constexpr double a[6][5] = {
            {},
            {1.0 / 5},
            {3.0 / 40, 9.0 / 40},
            {3.0 / 10, -9.0 / 10, 6.0 / 5},
            {-11.0 / 54, 5.0 / 2, -70.0 / 27, 35.0 / 27},
            {1631.0 / 55296, 175.0 / 512, 575.0 / 13824, 44275.0 / 110592, 253.0 / 4096}};
        static constexpr double b[6] = {37.0 / 378, 0, 250.0 / 621, 125.0 / 594, 0, 512.0 / 1771};
        static constexpr double bs[6] = {2825.0 / 27648, 0,      18575.0 / 48384, 13525.0 / 55296,
                                         277.0 / 14336,  1.0 / 4};
        double y[6] = {p.x0[0], p.x0[1], p.x0[2], p.v0[0], p.v0[1], p.v0[2]};
        double h = kInitialStep;
        long rejected = 0;
        t = 0;
        for (long n = 0; n < steps;) {
            double k[6][6], s[6], y5[6];
            for (int i = 0; i < 6; ++i) {
                for (int j = 0; j < 6; ++j) {
                    s[j] = y[j];
                    for (int l = 0; l < i; ++l) s[j] += h * a[i][l] * k[l][j];
                }
                rhs(s, k[i]);
            }
            double ePos = 0, eVel = 0;
            for (int j = 0; j < 6; ++j) {
                double d5 = 0, d4 = 0;
                for (int i = 0; i < 6; ++i) {
                    d5 += b[i] * k[i][j];
                    d4 += bs[i] * k[i][j];
                }
                y5[j] = y[j] + h * d5;
                const double d = h * (d5 - d4);
                (j < 3 ? ePos : eVel) += d * d;
            }
            const double e = std::fmax(std::sqrt(ePos), std::sqrt(eVel) * h * 64);
            if (e < p.errMax) {
                for (int j = 0; j < 6; ++j) y[j] = y5[j];
                t += h;
                ++n;
                h = e > 0 ? std::fmin(5 * h, 0.9 * h * std::pow(p.errMax / e, 1.0 / 6)) : 5 * h;
            } else {
                ++rejected;
                h = std::fmax(h / 10, 0.9 * h * std::pow(p.errMax / e, 1.0 / 3));
            }
        }
        benchmark::DoNotOptimize(y);
        return rejected;
    }
};

// The lean Boris loop: plain arrays, the field uniform and read once, the step fixed at 32 per
// gyration, drift-kick-drift with the same rotation as the run's pusher, nothing else.
struct LeanBoris {
    Problem p;
    void run(long steps, double& t) const {
        const double b2 = p.B[0] * p.B[0] + p.B[1] * p.B[1] + p.B[2] * p.B[2];
        const double h = 2 * Pi / (32 * std::fabs(p.qOverM) * std::sqrt(b2));
        const double k = p.qOverM * h / 2;
        const double tv[3] = {k * p.B[0], k * p.B[1], k * p.B[2]};
        const double sk = 2 / (1 + k * k * b2);
        const double sv[3] = {sk * tv[0], sk * tv[1], sk * tv[2]};
        double x[3] = {p.x0[0], p.x0[1], p.x0[2]};
        double v[3] = {p.v0[0], p.v0[1], p.v0[2]};
        t = 0;
        for (long n = 0; n < steps; ++n) {
            double m[3], vm[3], c[3], vp[3];
            for (int i = 0; i < 3; ++i) m[i] = x[i] + v[i] * (h / 2);
            for (int i = 0; i < 3; ++i) vm[i] = v[i] + p.E[i] * k;
            c[0] = vm[1] * tv[2] - vm[2] * tv[1];
            c[1] = vm[2] * tv[0] - vm[0] * tv[2];
            c[2] = vm[0] * tv[1] - vm[1] * tv[0];
            for (int i = 0; i < 3; ++i) vp[i] = vm[i] + c[i];
            c[0] = vp[1] * sv[2] - vp[2] * sv[1];
            c[1] = vp[2] * sv[0] - vp[0] * sv[2];
            c[2] = vp[0] * sv[1] - vp[1] * sv[0];
            for (int i = 0; i < 3; ++i) v[i] = vm[i] + c[i] + p.E[i] * k;
            for (int i = 0; i < 3; ++i) x[i] = m[i] + v[i] * (h / 2);
            t += h;
        }
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(v);
    }
};

void BM_LeanBoris(benchmark::State& state) {
    const LeanBoris lean{uniformGyration()};
    double t = 0;
    for (auto _ : state) lean.run(kSteps, t);
    state.counters["steps_per_second"] =
        benchmark::Counter(static_cast<double>(kSteps) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["final_time_s"] = t;
}

void BM_LeanCashKarp(benchmark::State& state) {
    const LeanGyration lean{uniformGyration()};
    double t = 0;
    long rejected = 0;
    for (auto _ : state) rejected = lean.run(kSteps, t);
    state.counters["steps_per_second"] =
        benchmark::Counter(static_cast<double>(kSteps) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["rejected"] = static_cast<double>(rejected);
    state.counters["final_time_s"] = t;
}

// The run's step alone (RungeStep: the controlled Cash-Karp step with the Lorentz force of the
// case), without the run driver around it.
void BM_RungeStepLoop(benchmark::State& state) {
    const Problem p = uniformGyration();
    SpeciesRefresh(10);
    Ldim = 8;
    RunControl control;
    control.work.trace = 0;
    control.ErrMax = p.errMax;
    for (auto _ : state) {
        StateArray a, b;
        pack({p.x0[0], p.x0[1], p.x0[2]}, {p.v0[0], p.v0[1], p.v0[2]}, a);
        StateArray* y = &a;
        StateArray* yNext = &b;
        double h = kInitialStep;
        for (long n = 0; n < kSteps; ++n) {
            RungeStep(control, h, *y, *yNext);
            std::swap(y, yNext);
        }
        benchmark::DoNotOptimize(*y);
    }
    state.counters["steps_per_second"] =
        benchmark::Counter(static_cast<double>(kSteps) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

// The command line exactly as a user types it, in this process.
void commandLine(benchmark::State& state, const QStringList& args) {
    int code = 0;
    for (auto _ : state) {
        std::ostringstream out, err;
        code = gyro::runBatch(args, out, err);
    }
    if (code != 0) state.SkipWithError("the command line failed");
    state.counters["steps_per_second"] =
        benchmark::Counter(static_cast<double>(kSteps) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

void BM_CommandLineUniformGyration(benchmark::State& state) {
    commandLine(state, {"gyrotrace", "--batch", "--set", "shape=uniform", "--steps",
                        QString::number(kSteps)});
}

void BM_CommandLineBoris(benchmark::State& state) {
    commandLine(state, {"gyrotrace", "--batch", "--set", "shape=uniform", "--set", "method=boris",
                        "--steps", QString::number(kSteps)});
}

BENCHMARK(BM_LeanCashKarp)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_RungeStepLoop)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_CommandLineUniformGyration)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_LeanBoris)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_CommandLineBoris)->Unit(benchmark::kMillisecond)->MinTime(2);

// Keeps the processor time per run of both to print the figures side by side.
class Reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                secondsPerRun[run.benchmark_name()] =
                    run.cpu_accumulated_time / static_cast<double>(run.iterations);
        }
    }
    std::map<std::string, double> secondsPerRun;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // the command line reads its arguments through Qt
    benchmark::Initialize(&argc, argv);
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& s = reporter.secondsPerRun;
    // Rates in M steps/s of two benchmarks and the ratio of the lean one to the other.
    const auto compare = [&s](const char* what, const char* leanName, const char* cliName,
                              const char* target) {
        const auto lean = s.find(std::string(leanName) + "/min_time:2.000");
        const auto cli = s.find(std::string(cliName) + "/min_time:2.000");
        if (lean == s.end() || cli == s.end()) return;
        const double leanRate = kSteps / lean->second;
        const double cliRate = kSteps / cli->second;
        std::printf("%s, %ld accepted steps (processor time): command line %.2f M steps/s "
                    "(%.1f ns/step), lean loop %.2f M steps/s (%.1f ns/step), ratio %.2f "
                    "(target: ratio %s)\n",
                    what, kSteps, cliRate / 1e6, 1e9 / cliRate, leanRate / 1e6, 1e9 / leanRate,
                    leanRate / cliRate, target);
    };
    compare("Uniform gyration, Cash-Karp", "BM_LeanCashKarp", "BM_CommandLineUniformGyration",
            "<= 1.4");
    compare("Uniform gyration, Boris", "BM_LeanBoris", "BM_CommandLineBoris", "<= 3");
    benchmark::Shutdown();
    return 0;
}
