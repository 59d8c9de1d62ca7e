// The main() of the benchmarks that draw through QtGui: an application object offscreen (no
// display needed), a preparation made before the timing starts, then Google Benchmark.
#pragma once

#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace gyro::bench {

/// Runs the registered benchmarks with a QGuiApplication; `prepare` runs first, untimed.
inline int runOffscreenBenchmarks(int argc, char** argv, void (*prepare)()) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (prepare) prepare();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace gyro::bench
