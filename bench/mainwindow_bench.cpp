// The main window running a case as fast as possible: steps per second while the live scene
// draws, and the longest time the event loop waited during the run and during the "New window"
// redraw of a long run. The figures are processor
// time of the window's thread, so that a machine busy with other work does not change them; the
// end prints each measured figure or ratio beside its target. The live view draws the run's new
// traces and arrows on a drawing thread of its own: the arrows' cost is printed too in processor
// time of all threads and in wall time (meaningful on an otherwise idle machine).
#include "numerics/errorreport.h"
#include "simulation/casemodel.h"
#include "simulation/caserun.h"
#include "simulation/caseslots.h"
#include "simulation/rundriver.h"
#include "simulation/runrecord.h"
#include "simulation/startup.h"
#include "ui/graphwindow/frmgraphes.h"
#include "ui/mainwindow/frmdessin.h"
#include "ui/mainwindow/speedcontrol.h"
#include "ui/scene/traceur3d.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace gyro;

namespace {

/// Answers every question with its proposed answer (continue), as a patient user would.
class AcceptingAsker : public Asker {
public:
    std::string ask(const std::string&, const std::string&, const std::string& proposed) override {
        return proposed;
    }
};

/// Processor time of the calling thread [ns]: the window's thread, which computes the run.
qint64 threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<qint64>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

/// Processor time of the whole process [ns]: the window's thread, the live view's drawing thread
/// and Qt's own threads.
qint64 processCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<qint64>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

struct RunFigures {
    double seconds = 0;        // processor time of the measurement [s]
    double processSeconds = 0; // the same, of all the process's threads [s]
    double wallSeconds = 0;    // wall time of the measurement [s]
    double steps = 0;          // accepted steps in that time
    double points = 0;         // points the scene received
    double longestWaitMs = 0;  // most processor time spent between two ticks of a 1 ms timer [ms]
    double longestWallMs = 0;  // the same gap in wall time (includes time other programs took)
};

/// The figures of every benchmark by name, for the table at the end.
std::map<std::string, RunFigures>& results() {
    static std::map<std::string, RunFigures> figures;
    return figures;
}

/// The longest time the event loop could not answer: a precise 1 ms timer, and the gap between
/// two of its ticks counted in the processor time this thread spent in between (and in wall
/// time). GYRO_BENCH_GAPS=1 prints every gap above 10 ms as it happens, with the time into the run,
/// to find what held it.
class LoopProbe {
public:
    LoopProbe() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
    }
    void start() {
        m_clock.start();
        m_lastTick = threadCpuNs();
        m_lastWall = 0;
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    double longestMs() const { return static_cast<double>(m_longest) * 1e-6; }
    double longestWallMs() const { return static_cast<double>(m_longestWall) * 1e-6; }

private:
    void tick() {
        const qint64 now = threadCpuNs(), wall = m_clock.nsecsElapsed();
        static const bool print = qEnvironmentVariableIntValue("GYRO_BENCH_GAPS") != 0;
        if (print && now - m_lastTick > 10'000'000)
            std::fprintf(stderr, "gap %.1f ms at %.2f s\n",
                         static_cast<double>(now - m_lastTick) * 1e-6,
                         static_cast<double>(wall) * 1e-9);
        m_longest = std::max(m_longest, now - m_lastTick);
        m_longestWall = std::max(m_longestWall, wall - m_lastWall);
        m_lastTick = now;
        m_lastWall = wall;
    }
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastTick = 0, m_lastWall = 0, m_longest = 0, m_longestWall = 0;
};

/// Lets the event loop run for `seconds` of this thread's processor time, however busy the
/// machine, or until `done` says so.
void spinFor(double seconds, const std::function<bool()>& done = {}) {
    const qint64 cpu0 = threadCpuNs();
    QEventLoop loop;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if ((done && done()) || static_cast<double>(threadCpuNs() - cpu0) * 1e-9 >= seconds)
            loop.quit();
    });
    watch.start(20);
    loop.exec();
}

/// The window's first layout and painting, done before any measurement: a user sees the
/// window before clicking in it.
void settle() {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

/// A fresh folder as the current one, and the default case changed by `prepare`, for the life
/// of the object; the previous folder is current again afterwards.
class FreshCase {
public:
    explicit FreshCase(const std::function<void()>& prepare) : m_previous(QDir::currentPath()) {
        QDir::setCurrent(m_dir.path());
        ResetStartup();
        theCase().resetToDefaults();
        prepare();
    }
    ~FreshCase() { QDir::setCurrent(m_previous); }
    FreshCase(const FreshCase&) = delete;
    FreshCase& operator=(const FreshCase&) = delete;

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

/// Opens the window in a fresh folder, sets the case with `prepare`, starts a run at the
/// highest speed and lets the event loop run for `seconds`; then `after` (when given) is handed
/// the window while the run waits, paused.
RunFigures runWindow(const std::function<void()>& prepare, double seconds,
                     const std::function<void(FrmDessin&)>& after = {}) {
    const FreshCase fresh(prepare);
    RunFigures figures;
    {
        FrmDessin window;
        window.setQuitHandler([] {});
        window.Form_Load();
        window.findChild<QSlider*>("SpeedSlider")->setValue(SpeedControl::kFastest);
        settle();

        LoopProbe probe;
        QElapsedTimer clock;
        const auto steps0 = window.driver().acceptedSteps();
        const auto points0 = window.traceur()->model().pointsReceived();
        clock.start();
        const qint64 cpu0 = threadCpuNs(), process0 = processCpuNs();
        probe.start();
        window.findChild<QPushButton*>("Commande14")->click();
        spinFor(seconds);
        probe.stop();
        figures.seconds = static_cast<double>(threadCpuNs() - cpu0) * 1e-9;
        figures.processSeconds = static_cast<double>(processCpuNs() - process0) * 1e-9;
        figures.wallSeconds = static_cast<double>(clock.nsecsElapsed()) * 1e-9;
        figures.steps = static_cast<double>(window.driver().acceptedSteps() - steps0);
        figures.points = static_cast<double>(window.traceur()->model().pointsReceived() - points0);
        figures.longestWaitMs = probe.longestMs();
        figures.longestWallMs = probe.longestWallMs();
        if (!window.driver().running()) figures.steps = -1; // the run ended: no valid figure
        window.driver().setPaused(true);
        if (after) after(window);
        window.driver().setOtherCase(true);
        window.driver().advance(std::chrono::milliseconds(1));
    }
    return figures;
}

void report(benchmark::State& state, const RunFigures& f, const std::string& name) {
    state.counters["steps_per_cpu_s"] = f.steps / f.seconds;
    state.counters["steps_per_process_cpu_s"] = f.steps / f.processSeconds;
    state.counters["steps_per_wall_s"] = f.steps / f.wallSeconds;
    state.counters["points_per_cpu_s"] = f.points / f.seconds;
    state.counters["longest_loop_wait_cpu_ms"] = f.longestWaitMs;
    state.counters["longest_loop_wait_wall_ms"] = f.longestWallMs;
    results()[name] = f;
}

// The default case: an electron in the 1/rho field of a thruster channel, scene drawn live.
void BM_DefaultCaseAsFastAsPossible(benchmark::State& state) {
    for (auto _ : state) {
        const RunFigures f = runWindow([] {}, 3.0);
        report(state, f, "default");
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

// The command line's rate on a case: the same driver drawing into no scene, run in slices of
// 50 ms as the command line does (its table and progress bar left out).
RunFigures runCommandLine(const std::function<void()>& prepare) {
    const FreshCase fresh(prepare);
    SpeciesRefresh(10);
    NoScene scene;
    RunDriver driver(theCase(), scene);
    driver.RunTrajectory();
    RunFigures f;
    const qint64 cpu0 = threadCpuNs();
    while (static_cast<double>(threadCpuNs() - cpu0) * 1e-9 < 3.0)
        driver.advance(std::chrono::milliseconds(50));
    f.seconds = static_cast<double>(threadCpuNs() - cpu0) * 1e-9;
    f.steps = static_cast<double>(driver.acceptedSteps());
    return f;
}

// The default case on the command line's driver: the bound the window's drawing adds to.
void BM_DefaultCaseCommandLine(benchmark::State& state) {
    for (auto _ : state) {
        const RunFigures f = runCommandLine([] {});
        state.counters["steps_per_cpu_s"] = f.steps / f.seconds;
        results()["cli default"] = f;
    }
}
BENCHMARK(BM_DefaultCaseCommandLine)->Iterations(1)->Unit(benchmark::kSecond);

void BM_UniformGyrationCommandLine(benchmark::State& state) {
    for (auto _ : state) {
        const RunFigures f = runCommandLine(uniformGyration);
        state.counters["steps_per_cpu_s"] = f.steps / f.seconds;
        results()["cli"] = f;
    }
}
BENCHMARK(BM_UniformGyrationCommandLine)->Iterations(1)->Unit(benchmark::kSecond);

void BM_UniformGyrationAsFastAsPossible(benchmark::State& state) {
    for (auto _ : state) report(state, runWindow(uniformGyration, 3.0), "uniform");
}
BENCHMARK(BM_UniformGyrationAsFastAsPossible)->Iterations(1)->Unit(benchmark::kSecond);

// The same gyration with the velocity, B and E arrows drawn at every step.
void uniformGyrationWithArrows() {
    uniformGyration();
    theCase().setState(BoxFamily::Coche1, slot::kDrawVectors, 1);
    theCase().setState(BoxFamily::Coche1, slot::kAutoScale, 1);
}

void BM_UniformGyrationWithArrows(benchmark::State& state) {
    for (auto _ : state) report(state, runWindow(uniformGyrationWithArrows, 3.0), "arrows");
}
BENCHMARK(BM_UniformGyrationWithArrows)->Iterations(1)->Unit(benchmark::kSecond);

// The arrows' cost from runs in pairs, the gyration without and then with arrows, the median of
// five pairs' costs: on a machine of two shared cores single runs of the same build scatter by
// several points (three threads take turns on them), and its speed drifts over minutes.
std::vector<double>& pairedCosts() {
    static std::vector<double> costs;
    return costs;
}

void BM_ArrowsCostInPairs(benchmark::State& state) {
    for (auto _ : state) {
        std::vector<double>& costs = pairedCosts();
        costs.clear();
        for (int pair = 0; pair < 5; ++pair) {
            const RunFigures plain = runWindow(uniformGyration, 1.5);
            const RunFigures arrows = runWindow(uniformGyrationWithArrows, 1.5);
            if (plain.steps > 0 && arrows.steps > 0)
                costs.push_back(1 -
                                (arrows.steps / arrows.seconds) / (plain.steps / plain.seconds));
        }
        std::sort(costs.begin(), costs.end());
        if (costs.empty()) continue;
        state.counters["cost_median_pct"] = 100 * costs[costs.size() / 2];
        state.counters["cost_lowest_pct"] = 100 * costs.front();
        state.counters["cost_highest_pct"] = 100 * costs.back();
    }
}
BENCHMARK(BM_ArrowsCostInPairs)->Iterations(1)->Unit(benchmark::kSecond);

// "New window" after a long run: the trajectory record (a million samples of several million
// steps) redrawn in the 3D graph window, in slices; the longest wait of the event loop while it
// redraws, and its processor time.
void BM_NewWindowRedrawOfLongRun(benchmark::State& state) {
    for (auto _ : state) {
        RunFigures redraw;
        runWindow(uniformGyration, 3.0, [&](FrmDessin& window) {
            FrmGraphes& graphs = graphWindow();
            graphs.findChild<QCheckBox*>("CocheAutomatique")->setChecked(true);
            graphs.show();
            settle();
            LoopProbe probe;
            const qint64 cpu0 = threadCpuNs();
            probe.start();
            window.findChild<QCheckBox*>("Coche2")->click();
            spinFor(60, [&] { return !graphs.redrawing(); });
            probe.stop();
            redraw.seconds = static_cast<double>(threadCpuNs() - cpu0) * 1e-9;
            redraw.points = static_cast<double>(window.driver().record().size());
            redraw.longestWaitMs = probe.longestMs();
            redraw.longestWallMs = probe.longestWallMs();
            if (graphs.redrawing()) redraw.points = -1; // not finished: no valid figure
            graphs.hide();
        });
        state.counters["redrawn_points"] = redraw.points;
        state.counters["redraw_cpu_s"] = redraw.seconds;
        state.counters["longest_loop_wait_cpu_ms"] = redraw.longestWaitMs;
        state.counters["longest_loop_wait_wall_ms"] = redraw.longestWallMs;
        results()["new window"] = redraw;
    }
}
BENCHMARK(BM_NewWindowRedrawOfLongRun)->Iterations(1)->Unit(benchmark::kSecond);

/// The targets beside the measured figures (processor time of the window's thread).
void printTargets() {
    auto& r = results();
    // Steps per second of the run `name`, counted in `time` (the window thread's by default).
    auto rate = [&](const char* name, double RunFigures::*time = &RunFigures::seconds) {
        const auto it = r.find(name);
        return it == r.end() || it->second.*time <= 0 ? 0.0 : it->second.steps / it->second.*time;
    };
    const double window = rate("default");
    const double uniform = rate("uniform");
    const double cli = rate("cli");
    const double arrows = rate("arrows");
    double longest = 0;
    for (const auto& [name, f] : r)
        if (name != "new window") longest = std::max(longest, f.longestWaitMs);
    std::printf("\n%-52s %14s %14s\n", "What (processor time)", "measured", "target");
    std::printf("%-52s %12.2f M %12s\n", "Window, default case [steps/s]", window * 1e-6,
                ">= 1.5 M");
    const double cliDefault = rate("cli default");
    std::printf("%-52s %12.2f M %14s\n", "  command line's driver, default case [steps/s]",
                cliDefault * 1e-6, "");
    std::printf("%-52s %14.2f %14s\n", "Window / command line, uniform gyration",
                cli > 0 ? uniform / cli : 0, ">= 0.75");
    const std::vector<double>& pairs = pairedCosts();
    if (!pairs.empty())
        std::printf("%-52s %13.0f%% %14s\n", "Cost of the B/E/v arrows, uniform gyration",
                    100 * pairs[pairs.size() / 2], "<= 20%");
    std::printf("%-52s %13.0f%% %14s\n", "  the same from the single runs above",
                uniform > 0 ? 100 * (1 - arrows / uniform) : 0, "");
    // The live view draws on a thread of its own beside the window's: what the drawing costs
    // the machine as a whole, and what it costs in time on the clock.
    const double uniformAll = rate("uniform", &RunFigures::processSeconds);
    const double arrowsAll = rate("arrows", &RunFigures::processSeconds);
    std::printf("%-52s %13.0f%% %14s\n", "  the same in processor time of all threads",
                uniformAll > 0 ? 100 * (1 - arrowsAll / uniformAll) : 0, "");
    const double uniformWall = rate("uniform", &RunFigures::wallSeconds);
    const double arrowsWall = rate("arrows", &RunFigures::wallSeconds);
    std::printf("%-52s %13.0f%% %14s\n", "  the same in wall time",
                uniformWall > 0 ? 100 * (1 - arrowsWall / uniformWall) : 0, "");
    std::printf("%-52s %11.1f ms %14s\n", "Longest wait of the event loop, runs", longest,
                "<= 25 ms");
    for (const auto& [name, f] : r)
        if (f.longestWaitMs > 0)
            std::printf("%-52s %11.1f ms %14s\n", ("  " + name).c_str(), f.longestWaitMs,
                        "<= 25 ms");
}

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
    printTargets();
    ErrorReport::instance().setAsker(nullptr);
    return 0;
}
