// Speed and memory of the live 3D scene: appending points with live drawing, redrawing a
// million-point scene, and the bytes each stored point costs.
#include "bench/offscreenmain.h"
#include "draw3d/scenerenderer.h"
#include "draw3d/viewcamera.h"
#include "numerics/constants.h"
#include "scene/scene3d.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

using namespace gyro;

namespace {

constexpr std::size_t kPoints = 1'000'000;
const QSize kScreen(1280, 800);

// A gyrating particle drifting across the frame, 2π/400 per step (a run's typical density).
// Computed once, so that the timings are those of the scene and not of sin and cos.
const std::vector<Point3d>& gyration() {
    static const std::vector<Point3d> points = [] {
        std::vector<Point3d> v(2 * Scene3D::kDefaultPointBudget);
        for (std::size_t i = 0; i < v.size(); ++i) {
            const double t = static_cast<double>(i) * (2 * Pi / 400);
            v[i] = {0.02 + 0.004 * std::cos(t), 0.004 * std::sin(t) + 1.5e-5 * t, 1e-5 * t};
        }
        return v;
    }();
    return points;
}

// A gyration that does not drift (a uniform B field and no E field), whose steps do not divide
// the turn: turn after turn the points land near, not on, those of the turns before, and the
// picture soon shows every arrow it will get. Points and directions of the motion.
struct ClosedGyration {
    std::vector<Point3d> points, directions;
};
const ClosedGyration& closedGyration() {
    static const ClosedGyration g = [] {
        ClosedGyration c;
        for (std::size_t i = 0; i < kPoints; ++i) {
            const double t = static_cast<double>(i) * (2 * Pi / 400.37);
            c.points.push_back({0.02 + 0.004 * std::cos(t), 0.004 * std::sin(t), 0});
            c.directions.push_back({-std::sin(t), std::cos(t), 0});
        }
        return c;
    }();
    return g;
}

// The direction of the motion at step i of the gyration (unit, in the xy plane).
const Point3d& direction(std::size_t i, bool closed) {
    static const std::vector<Point3d> turn = [] {
        std::vector<Point3d> v(400);
        for (std::size_t k = 0; k < v.size(); ++k) {
            const double t = static_cast<double>(k) * (2 * Pi / 400);
            v[k] = {-std::sin(t), std::cos(t), 0};
        }
        return v;
    }();
    return closed ? closedGyration().directions[i] : turn[i % turn.size()];
}

// What the run does per step: set the trajectory's colour, add the point; with `arrows`, then
// the B, E and velocity arrows (B along z, no E: an arrow of no length, the velocity along the
// orbit), each with its scale and colour.
// `oneCall` sends a step's arrows in one StepArrows call, as the run does; `closed` takes the
// gyration that does not drift.
void addGyration(Scene3D& s, std::size_t n, std::size_t offset = 0, bool arrows = false,
                 bool oneCall = false, bool closed = false) {
    const std::vector<Point3d>& g = closed ? closedGyration().points : gyration();
    for (std::size_t i = offset; i < offset + n; ++i) {
        const Point3d& p = g[i];
        s.SetColour(255, 50, 100);
        s.Point(p.x, p.y, p.z);
        if (!arrows) continue;
        const Point3d& u = direction(i, closed);
        if (oneCall) {
            const StepArrow step[3] = {
                {0.2, 0, 0, 255, true, p.x, p.y, p.z + 0.002},
                {0.1, 255, 128, 0, true, p.x, p.y, p.z},
                {0.1, 0, 160, 0, true, p.x + 0.001 * u.x, p.y + 0.001 * u.y, p.z}};
            s.StepArrows(p.x, p.y, p.z, step, 3, 2);
            continue;
        }
        s.SetVectorScale(0.2, 2);
        s.SetLineColour(0, 0, 255);
        s.Segment(p.x, p.y, p.z, p.x, p.y, p.z + 0.002);
        s.SetVectorScale(0.1, 2);
        s.SetLineColour(255, 128, 0);
        s.Segment(p.x, p.y, p.z, p.x, p.y, p.z);
        s.SetVectorScale(0.1, 2);
        s.SetLineColour(0, 160, 0);
        s.Segment(p.x, p.y, p.z, p.x + 0.001 * u.x, p.y + 0.001 * u.y, p.z);
    }
}

void setUp(Scene3D& s) {
    s.SetMode(2);
    s.SetShot(0);
    s.SetViewText("near");
    s.SetLabel(5.0, "T");
    s.SetFrame(0, 0, 0, 0, 0.02, "");
    s.SetScene(0, 0, 0.02, 65 / 0.02, 120, 120, 0.75);
    s.SetLimits(1.0, 1e-5);
    s.EndSetUp();
}

// Appending points while the view draws the new ones onto its cached picture at about 60 Hz;
// here every 16384 points (a frame's worth at a million points per second). arrows:1 adds the
// three arrows a step of a run with arrows draws: their cost is the difference per point;
// arrows:2 sends them in one call per step, as the run does. closed:1 takes the gyration that
// does not drift, whose arrows the picture mostly shows already.
void BM_AppendWithLiveDrawing(benchmark::State& state) {
    const bool draw = state.range(0) != 0;
    const bool arrows = state.range(1) != 0;
    const bool oneCall = state.range(1) == 2;
    const bool closed = state.range(2) != 0;
    QImage image(kScreen, QImage::Format_ARGB32_Premultiplied);
    double bytesPerPoint = 0, arrowBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto scene = std::make_unique<Scene3D>();
        setUp(*scene);
        const ViewCamera camera = homeCamera(*scene, kScreen);
        DrawCursor cursor;
        SceneRenderer::drawContent(image, *scene, camera, {}, &cursor);
        state.ResumeTiming();
        for (std::size_t done = 0; done < kPoints; done += 16384) {
            const std::size_t n = std::min<std::size_t>(16384, kPoints - done);
            addGyration(*scene, n, done, arrows, oneCall, closed);
            if (draw) SceneRenderer::drawNewContent(image, *scene, camera, {}, cursor);
        }
        benchmark::DoNotOptimize(image.constBits());
        bytesPerPoint = static_cast<double>(scene->pointStorageBytes()) /
                        static_cast<double>(scene->pointCount());
        arrowBytes = static_cast<double>(scene->segmentStorageBytes());
        state.PauseTiming();
        scene.reset();
        state.ResumeTiming();
    }
    state.counters["time_per_point"] =
        benchmark::Counter(static_cast<double>(kPoints) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["bytes_per_point"] = bytesPerPoint;
    if (arrows) state.counters["arrow_MB"] = arrowBytes / 1e6;
}
BENCHMARK(BM_AppendWithLiveDrawing)
    ->ArgNames({"draw", "arrows", "closed"})
    ->Args({0, 0, 0})
    ->Args({1, 0, 0})
    ->Args({0, 1, 0})
    ->Args({0, 2, 0})
    ->Args({1, 1, 0})
    ->Args({1, 2, 0})
    ->Args({1, 0, 1})
    ->Args({0, 2, 1})
    ->Args({1, 2, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// A whole redraw of a million-point scene at 1280 × 800, overlays included; stride 4 is the
// quick picture drawn while the user turns the view.
void BM_FullRedraw(benchmark::State& state) {
    const int stride = static_cast<int>(state.range(0));
    Scene3D scene;
    setUp(scene);
    addGyration(scene, kPoints);
    ViewCamera camera = homeCamera(scene, kScreen);
    QImage image(kScreen, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        camera.rotateBy(1.0, 0.2); // every frame a new view, as during a drag
        SceneRenderer::drawContent(image, scene, camera, {}, nullptr, stride);
        QPainter p(&image);
        SceneRenderer::drawOverlay(p, scene, camera, {});
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["points"] = static_cast<double>(scene.pointCount());
    state.counters["bytes_per_point"] =
        static_cast<double>(scene.pointStorageBytes()) / static_cast<double>(scene.pointCount());
}
BENCHMARK(BM_FullRedraw)->ArgName("stride")->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

// The budget at work: a scene kept at 4 million points while 8 million arrive.
void BM_AppendBeyondBudget(benchmark::State& state) {
    for (auto _ : state) {
        Scene3D scene;
        setUp(scene);
        addGyration(scene, 2 * Scene3D::kDefaultPointBudget);
        benchmark::DoNotOptimize(scene.pointCount());
        state.counters["stored_points"] = static_cast<double>(scene.pointCount());
        state.counters["thinnings"] = static_cast<double>(scene.thinningCount());
        state.counters["stored_MB"] = static_cast<double>(scene.pointStorageBytes()) / 1e6;
    }
    state.counters["time_per_point"] = benchmark::Counter(
        2.0 * Scene3D::kDefaultPointBudget * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AppendBeyondBudget)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return gyro::bench::runOffscreenBenchmarks(argc, argv, [] {
        gyration();
        closedGyration();
    });
}
