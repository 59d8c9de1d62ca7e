// The main window running a case as fast as possible: steps per second while the live scene
// draws, and the longest time the event loop waited during the run.
#include "numerics/errorreport.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/rundriver.h"
#include "simulation/startup.h"
#include "ui/mainwindow/frmdessin.h"
#include "ui/mainwindow/speedcontrol.h"
#include "ui/scene/traceur3d.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>

using namespace gyro;

namespace {

/// Answers every question with its proposed answer (continue), as a patient user would.
class AcceptingAsker : public Asker {
public:
    std::string ask(const std::string&, const std::string&, const std::string& proposed) override {
        return proposed;
    }
};

struct RunFigures {
    double seconds = 0;       // wall time of the measurement [s]
    double steps = 0;         // accepted steps in that time
    double points = 0;        // points the scene received
    double longestWaitMs = 0; // longest gap between two ticks of a 1 ms timer [ms]
};

/// Opens the window in a fresh folder, sets the case with `prepare`, starts a run at the
/// highest speed and lets the event loop run for `seconds`.
RunFigures runWindow(const std::function<void()>& prepare, double seconds) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    ResetStartup();
    theCase().resetToDefaults();
    prepare();

    RunFigures figures;
    {
        FrmDessin window;
        window.setQuitHandler([] {});
        window.Form_Load();
        window.findChild<QSlider*>("SpeedSlider")->setValue(SpeedControl::kFastest);

        // A precise 1 ms timer: the gap between two of its ticks is how long the event loop
        // could not answer.
        QElapsedTimer clock;
        qint64 lastTick = 0;
        qint64 longest = 0;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        probe.setInterval(1);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - lastTick);
            lastTick = now;
        });

        const auto steps0 = window.driver().acceptedSteps();
        const auto points0 = window.traceur()->model().pointsReceived();
        clock.start();
        probe.start();
        window.findChild<QPushButton*>("Commande14")->click();
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
        loop.exec();
        probe.stop();
        figures.seconds = static_cast<double>(clock.nsecsElapsed()) * 1e-9;
        figures.steps = static_cast<double>(window.driver().acceptedSteps() - steps0);
        figures.points = static_cast<double>(window.traceur()->model().pointsReceived() - points0);
        figures.longestWaitMs = static_cast<double>(longest) * 1e-6;
        if (!window.driver().running()) figures.steps = -1; // the run ended: no valid figure
        window.driver().setPaused(true);
        window.driver().setOtherCase(true);
        window.driver().advance(std::chrono::milliseconds(1));
    }
    QDir::setCurrent(previous);
    return figures;
}

void report(benchmark::State& state, const RunFigures& f) {
    state.counters["steps_per_s"] = f.steps / f.seconds;
    state.counters["points_per_s"] = f.points / f.seconds;
    state.counters["longest_loop_wait_ms"] = f.longestWaitMs;
}

// The default case: an electron in the 1/rho field of a thruster channel, scene drawn live.
void BM_DefaultCaseAsFastAsPossible(benchmark::State& state) {
    for (auto _ : state) {
        const RunFigures f = runWindow([] {}, 3.0);
        report(state, f);
    }
}
BENCHMARK(BM_DefaultCaseAsFastAsPossible)->Iterations(1)->Unit(benchmark::kSecond);

// A gyration in a uniform field (100 km/s in 0.015 T, no electric field): many steps per turn.
void uniformGyration() {
    CaseModel& c = theCase();
    c.select(BoxFamily::Option4, slot::kUniform);
    c.setText(BoxFamily::Texte4, slot::kEx + 2, "0");
    c.setText(BoxFamily::Texte3, slot::kVx + 1, "100000");
}

void BM_UniformGyrationAsFastAsPossible(benchmark::State& state) {
    for (auto _ : state) report(state, runWindow(uniformGyration, 3.0));
}
BENCHMARK(BM_UniformGyrationAsFastAsPossible)->Iterations(1)->Unit(benchmark::kSecond);

// The same gyration with the velocity, B and E arrows drawn at every step.
void BM_UniformGyrationWithArrows(benchmark::State& state) {
    for (auto _ : state) {
        const RunFigures f = runWindow(
            [] {
                uniformGyration();
                theCase().setState(BoxFamily::Coche1, slot::kDrawVectors, 1);
                theCase().setState(BoxFamily::Coche1, slot::kAutoScale, 1);
            },
            3.0);
        report(state, f);
    }
}
BENCHMARK(BM_UniformGyrationWithArrows)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AcceptingAsker asker;
    ErrorReport::instance().setAsker(&asker);
    ErrorReport::instance().setEndProgram([] {});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ErrorReport::instance().setAsker(nullptr);
    return 0;
}
