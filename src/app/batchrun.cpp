// Running one case on the command line.
#include "batchrun.h"

#include "batchwarnings.h"
#include "numerics/numberformat.h"
#include "simulation/accuracycolumns.h"
#include "simulation/runrecord.h"
#include "simulation/runverdict.h"
#include "simulation/trajectorycsv.h"

#include <algorithm>
#include <chrono>
#include <ostream>
#include <unistd.h>

namespace gyro {

namespace {

TraceSink* makeNoScene(std::unique_ptr<TraceSink>& holder) {
    holder = std::make_unique<NullTraceSink>();
    return holder.get();
}

void drawProgress(std::ostream& err, double fraction, std::uint64_t steps) {
    const int width = 30;
    const int filled = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * width);
    err << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
        << std::string(static_cast<std::size_t>(width - filled), ' ') << "] "
        << static_cast<int>(fraction * 100) << "%  " << steps << " steps" << std::flush;
}

TrajectorySample sampleOf(const StateArray& Y) {
    const int t = static_cast<int>(Ldim);
    return {Y(t), Y(1), Y(3), Y(5), Y(2), Y(4), Y(6)};
}

} // namespace

BatchRun::BatchRun(CaseModel& model, bool keepScene)
    : m_driver(model, keepScene ? static_cast<TraceSink&>(m_scene) : *makeNoScene(m_noScene)) {}

BatchRun::~BatchRun() {
    m_driver.onStep = {};
}

BatchRun::End BatchRun::run(const BatchOptions& options, TrajectoryCsvWriter* table,
                            WarningPrinter& warnings, std::ostream& err) {
    const int timeIndex = static_cast<int>(Ldim);
    bool outputOk = true;
    bool lastWritten = true;
    bool reachedEnd = false;
    std::vector<double> extra(options.columns.size());
    auto writeRow = [&](const StateArray& Y) {
        if (!table) return;
        if (!extra.empty()) {
            const DriftReadout drift = driftReadoutOfState(Y);
            const double w = m_driver.invariant().relativeChange();
            for (std::size_t i = 0; i < extra.size(); ++i)
                extra[i] = accuracyColumnValue(options.columns[i], drift, w);
        }
        if (!table->row(sampleOf(Y), extra)) outputOk = false;
    };
    int wLevel = 0; // the W change levels told so far
    m_driver.onStep = [&](const StateArray& Y) {
        ++m_accepted;
        // The error as it grows: told once at 1e-3 and once at 1e-2.
        const double change = m_driver.invariant().relativeChange();
        if (const int level = wChangeLevel(change); level > wLevel) {
            wLevel = level;
            err << "gyrotrace: warning: at t = " << FormatGeneral(Y(timeIndex))
                << " s the energy invariant W has changed by " << FormatGeneral(change)
                << " of the largest kinetic energy (past " << (level == 1 ? "1e-3" : "1e-2")
                << "): the integration error is growing\n";
        }
        lastWritten = m_accepted % options.every == 0;
        if (lastWritten) writeRow(Y);
        reachedEnd = options.until ? Y(timeIndex) >= *options.until : m_accepted >= options.steps;
        return !reachedEnd && outputOk;
    };
    if (options.until) m_driver.setEndTime(*options.until); // the last row lands on it
    if (!m_driver.RunTrajectory()) {
        warnings.follow();
        return End::Refused;
    }
    writeRow(m_driver.state());
    // No step asked for: the table holds the start alone.
    if (!options.until && options.steps == 0) reachedEnd = true;

    const bool progress = isatty(STDERR_FILENO) != 0;
    auto fraction = [&] {
        return options.until ? m_driver.time() / *options.until
                             : static_cast<double>(m_accepted) /
                                   static_cast<double>(std::max<std::uint64_t>(options.steps, 1));
    };
    bool pauseTime = false;
    bool speedTold = false;
    auto lastDraw = std::chrono::steady_clock::now();
    while (m_driver.running() && !reachedEnd && outputOk) {
        const RunDriver::Slice slice = m_driver.advance(std::chrono::milliseconds(50));
        warnings.follow();
        if (!speedTold && !m_driver.speedWarning().empty()) {
            speedTold = true;
            err << "gyrotrace: warning: " << m_driver.speedWarning() << "\n";
        }
        if (table && !table->flush()) outputOk = false; // stream the table while the run goes on
        if (slice.waiting) {
            // The case's own pause time: with nobody to type a later one, the run ends there.
            pauseTime = true;
            break;
        }
        if (progress &&
            std::chrono::steady_clock::now() - lastDraw > std::chrono::milliseconds(100)) {
            drawProgress(err, fraction(), m_accepted);
            lastDraw = std::chrono::steady_clock::now();
        }
    }
    if (progress) {
        drawProgress(err, reachedEnd ? 1.0 : fraction(), m_accepted);
        err << "\n";
    }
    warnings.follow();
    m_driver.onStep = {};
    if (!lastWritten) writeRow(m_driver.state()); // the table always ends at the final time
    if (!outputOk) return End::OutputFailed;
    if (reachedEnd) return End::Reached;
    return pauseTime ? End::PauseTime : End::Stopped;
}

} // namespace gyro
