// The run driver without a window: accepted steps per second on the default case and on a plain
// gyration, drawing into the scene model.
#include "numerics/errorreport.h"
#include "scene/scene3d.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/rundriver.h"
#include "simulation/runrecord.h"

#include <benchmark/benchmark.h>

#include <chrono>

using namespace gyro;

namespace {

// The default case of the window, or the same electron in a uniform field with no electric field.
void prepare(bool uniform) {
    CaseModel& model = theCase();
    model.resetToDefaults();
    if (uniform) {
        model.select(BoxFamily::Option4, slot::kUniform);
        model.setText(BoxFamily::Texte4, slot::kEx + 2, "");
        model.setText(BoxFamily::Texte3, slot::kVx + 1, "100000");
    }
    SpeciesRefresh(10);
}

void runSteps(benchmark::State& state, bool uniform) {
    ErrorReport::instance().setAsker(nullptr); // every question continues
    prepare(uniform);
    Scene3D scene;
    RunDriver driver(theCase(), scene);
    driver.RunTrajectory();
    std::uint64_t steps = 0;
    for (auto _ : state) {
        steps += driver.advance(std::chrono::milliseconds(100), 100000).steps;
    }
    state.counters["steps_per_second"] =
        benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
    state.counters["rejected_per_step"] =
        static_cast<double>(driver.rejectedSteps()) / static_cast<double>(driver.acceptedSteps());
    ErrorReport::instance().reset();
}

void BM_DriverDefaultCase(benchmark::State& state) {
    runSteps(state, false);
}
void BM_DriverUniformGyration(benchmark::State& state) {
    runSteps(state, true);
}

} // namespace

BENCHMARK(BM_DriverDefaultCase)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DriverUniformGyration)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
