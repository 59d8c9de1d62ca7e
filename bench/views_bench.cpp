// Speed of the projective drawing: plot per point (with the allocations it makes), and the
// redraw of a one-million-point trajectory into a view picture in slices, with the longest
// slice the event loop waits for.
#include "bench/offscreenmain.h"
#include "dataplot/kelaxesviews.h"
#include "kelaxes/kelaxesstate.h"
#include "scene/kelmirav.h"
#include "scene/trajectoryredraw.h"
#include "simulation/trajectoryrecord.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <new>

namespace {
std::atomic<std::size_t> g_allocations{0};
} // namespace

// Every allocation of the program is counted, so that the benchmarks can show plot makes none.
void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

using namespace gyro;

namespace {

constexpr std::size_t kPoints = 1'000'000;

// A view surface that only counts: plot's own cost, without any picture.
class CountingSurface : public ViewSurface {
public:
    void selectView(int, const ViewWindow&) override {}
    void Kelaxes(double, double, double, double, const std::string&, const std::string&, double,
                 ViewWindow&) override {}
    void Segment(double, double, double x1, double) override { sum += x1; }
    void Texte(double, double, const std::string&) override {}
    void SetColour(double, double, double) override {}
    double pictureWidth(int) const override { return 800; }
    double pictureHeight(int) const override { return 800; }
    void clearPicture(int) override {}
    double sum = 0;
};

// A gyrating electron drifting along z, 400 samples a turn.
const TrajectoryRecord& gyration() {
    static const TrajectoryRecord record = [] {
        TrajectoryRecord r(kPoints);
        for (std::size_t i = 0; i < kPoints; ++i) {
            const double phase = double(i) * (2 * 3.14159265358979 / 400);
            r.add({double(i) * 1e-9, 0.04 * std::cos(phase), 0.04 * std::sin(phase), 1e-5 * phase,
                   0, 0, 0});
        }
        return r;
    }();
    return record;
}

// plot per point, with the central body hiding the back of the trace: half the points go
// through the limb test.
void BM_PlotPerPoint(benchmark::State& state) {
    KelMirav drawing;
    CountingSurface surface;
    drawing.setSurface(&surface);
    drawing.view.ascensionDeg = 30;
    drawing.view.declinationDeg = 20;
    drawing.KelT(0, 0, 0, 0, 0.05, 1000);
    drawing.scene.depthFactor = state.range(0);
    drawing.scene.discRadius = 0.02;
    drawing.scene.storePoints = 1; // the tables fill after 32000 points; measure plot itself
    const TrajectoryRecord& g = gyration();
    std::size_t i = 0, allocations = 0;
    for (auto _ : state) {
        const std::size_t before = g_allocations.load(std::memory_order_relaxed);
        const TrajectorySample& s = g[i];
        drawing.plot(Vecteur3(s.x, s.y, s.z));
        allocations += g_allocations.load(std::memory_order_relaxed) - before;
        i = (i + 1) % kPoints;
    }
    benchmark::DoNotOptimize(surface.sum);
    state.counters["allocs_per_point"] =
        benchmark::Counter(double(allocations) / double(state.iterations()));
}
BENCHMARK(BM_PlotPerPoint)->Arg(0)->Arg(1);

// The "New window" redraw of a million points into a view picture of the axes library, in
// slices of 10 ms: the total time and the longest time between two returns to the event loop.
void BM_RedrawMillionPoints(benchmark::State& state) {
    KelaxesLibrary& library = KelaxesLibrary::instance();
    double longestMs = 0, startMs = 0, startCpuMs = 0;
    for (auto _ : state) {
        KelMirav drawing;
        KelaxesViews views(library);
        drawing.setSurface(&views);
        drawing.view.ascensionDeg = 30;
        drawing.view.declinationDeg = 20;
        TrajectoryRedraw redraw(drawing);
        using Clock = std::chrono::steady_clock;
        auto t0 = Clock::now();
        const std::clock_t c0 = std::clock();
        redraw.start(gyration(), RedrawStyle{255, 0, 0, 0, 0});
        startMs =
            std::max(startMs, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        startCpuMs = std::max(startCpuMs, 1000.0 * double(std::clock() - c0) / CLOCKS_PER_SEC);
        bool done = false;
        while (!done) {
            t0 = Clock::now();
            done = redraw.advance(std::chrono::milliseconds(10));
            views.flush();
            if (DrawingSurface* picture = views.target()) picture->flush(); // as a repaint does
            longestMs = std::max(
                longestMs, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        }
        drawing.setSurface(nullptr);
    }
    state.counters["start_ms"] = startMs;
    state.counters["start_cpu_ms"] = startCpuMs;
    state.counters["longest_slice_ms"] = longestMs;
}
BENCHMARK(BM_RedrawMillionPoints)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    return gyro::bench::runOffscreenBenchmarks(argc, argv, [] { gyration(); });
}
