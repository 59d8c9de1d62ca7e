// Drawing through the recorded surface: the demonstration graph with 32 000 points to an image
// and to a PDF file, and the million-point live scene to PDF (time and file size).
#include "draw3d/scenevector.h"
#include "kelaxes/demonstration.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>

using namespace gyro;

namespace {

constexpr double kDemoStep = 200.0 / 32000; // 32 001 samples from −100 to 100

void drawDemo() {
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    lib.params.noPrint = 1;
    lib.view(1).setSize(QSizeF(800, 450));
    DemonstrationGraph(kDemoStep);
}

void BM_DemonstrationGraphToImage(benchmark::State& state) {
    for (auto _ : state) {
        drawDemo();
        const QImage image = KelaxesLibrary::instance().view(1).toImage(QSize(1600, 900));
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_DemonstrationGraphToImage)->Unit(benchmark::kMillisecond);

void BM_DemonstrationGraphToPdf(benchmark::State& state) {
    QTemporaryDir dir;
    const QString file = dir.filePath("demo.pdf");
    QPageLayout layout = defaultPageLayout();
    layout.setOrientation(QPageLayout::Landscape);
    for (auto _ : state) {
        drawDemo();
        QString error;
        if (!KelaxesLibrary::instance().view(1).writePdf(file, layout, &error))
            state.SkipWithError(error.toStdString().c_str());
    }
    state.counters["pdf_bytes"] = static_cast<double>(QFileInfo(file).size());
}
BENCHMARK(BM_DemonstrationGraphToPdf)->Unit(benchmark::kMillisecond);

void BM_MillionPointSceneToPdf(benchmark::State& state) {
    Scene3D scene;
    scene.SetFrame(0, 0, 0, 0, 0.02, "Proton gyration");
    scene.EndSetUp();
    scene.SetColour(255, 0, 0);
    constexpr int kPoints = 1'000'000;
    constexpr double kTurns = 200, kTwoPi = 2 * 3.14159265358979;
    for (int i = 0; i < kPoints; ++i) {
        const double phase = kTwoPi * kTurns * i / kPoints;
        scene.Point(0.01 * std::cos(phase), 0.01 * std::sin(phase), 2e-4 * phase / kTwoPi);
    }
    const QSize viewport(1600, 1000);
    const ViewCamera camera = homeCamera(scene, viewport);
    QTemporaryDir dir;
    const QString file = dir.filePath("scene.pdf");
    for (auto _ : state) {
        QString error;
        if (!exportScenePdf(scene, camera, viewport, file, &error))
            state.SkipWithError(error.toStdString().c_str());
    }
    state.counters["pdf_bytes"] = static_cast<double>(QFileInfo(file).size());
}
BENCHMARK(BM_MillionPointSceneToPdf)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // Drawing needs a GUI application; no display is needed.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
