// Runs side by side: the same run (the window's default case with the uniform field shape,
// Cash-Karp, no picture, as bench/throughput_bench runs it) alone on one thread, then two of them
// at once on two threads, each with its own program state. Prints the throughput of two threads
// against one in wall time (the target on two free cores is at least 1.8) and in processor time
// per thread (what two free cores would give: runs that share nothing take as long per step side
// by side as alone, whatever else the machine is doing).
#include "simulation/casekeys.h"
#include "simulation/caserun.h"
#include "simulation/caseslots.h"
#include "simulation/programstate.h"
#include "simulation/rundriver.h"

#include <benchmark/benchmark.h>

#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace gyro;

constexpr std::uint64_t kSteps = 2'000'000; // accepted steps of one run

// Processor time of the calling thread [s].
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Processor time [s] spent by the runs of one benchmark, all threads together.
std::atomic<double> gRunSeconds{0};

// One run of kSteps accepted steps in a program state of its own.
void runOnce() {
    const double start = threadSeconds();
    ProgramState state;
    {
        const ProgramState::Scope scope(state);
        applyCaseSetting(state.caseModel(), "shape=uniform");
        SpeciesRefresh(slot::kCyclotronFrequency);
    }
    NoScene sink;
    RunDriver driver(state, sink);
    std::uint64_t steps = 0;
    driver.onStep = [&steps](const StateArray&) { return ++steps < kSteps; };
    driver.RunTrajectory();
    while (driver.running() && !driver.advance(std::chrono::hours(1)).waiting) {
    }
    benchmark::DoNotOptimize(driver.state());
    gRunSeconds += threadSeconds() - start;
}

void BM_OneThread(benchmark::State& state) {
    gRunSeconds = 0;
    for (auto _ : state) runOnce();
    state.counters["run_cpu_s"] = gRunSeconds / static_cast<double>(state.iterations());
    state.counters["steps_per_second"] =
        benchmark::Counter(static_cast<double>(kSteps) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

void BM_TwoThreads(benchmark::State& state) {
    gRunSeconds = 0;
    for (auto _ : state) {
        std::thread other(runOnce);
        runOnce();
        other.join();
    }
    state.counters["run_cpu_s"] = gRunSeconds / static_cast<double>(2 * state.iterations());
    state.counters["steps_per_second"] = benchmark::Counter(
        2 * static_cast<double>(kSteps) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
}

// Wall time, not processor time: two threads do twice the work in the same wall time.
BENCHMARK(BM_OneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_TwoThreads)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

// Keeps the wall time per iteration and the processor time per run of both.
class Reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const std::string& name = run.run_name.function_name;
            wallPerIteration[name] =
                run.real_accumulated_time / static_cast<double>(run.iterations);
            cpuPerRun[name] = run.counters.at("run_cpu_s");
        }
    }
    std::map<std::string, double> wallPerIteration;
    std::map<std::string, double> cpuPerRun;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& wall = reporter.wallPerIteration;
    const auto& cpu = reporter.cpuPerRun;
    if (wall.count("BM_OneThread") != 0 && wall.count("BM_TwoThreads") != 0) {
        const double steps = static_cast<double>(kSteps);
        const double oneRate = steps / wall.at("BM_OneThread");
        const double twoRate = 2 * steps / wall.at("BM_TwoThreads");
        std::printf("Uniform gyration, %llu accepted steps a run: one thread %.2f M steps/s, two "
                    "threads %.2f M steps/s of wall time, ratio %.2f (target on two free cores: "
                    ">= 1.8; %u hardware threads here)\n",
                    static_cast<unsigned long long>(kSteps), oneRate / 1e6, twoRate / 1e6,
                    twoRate / oneRate, std::thread::hardware_concurrency());
        std::printf("Processor time per run: %.3f s alone, %.3f s side by side: two free cores "
                    "give %.2f times one\n",
                    cpu.at("BM_OneThread"), cpu.at("BM_TwoThreads"),
                    2 * cpu.at("BM_OneThread") / cpu.at("BM_TwoThreads"));
    }
    benchmark::Shutdown();
    return 0;
}
