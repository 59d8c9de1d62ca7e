// Running one case to its end without a window.
#include "simulation/caserun.h"

#include "numerics/errorreport.h"
#include "numerics/numberformat.h"
#include "numerics/rungekutta.h"
#include "simulation/fields.h"
#include "simulation/integrationmethod.h"
#include "simulation/runrecord.h"
#include "simulation/runverdict.h"

#include <algorithm>
#include <chrono>

namespace gyro {

namespace {

TrajectorySample sampleOf(const StateArray& Y) {
    const int t = static_cast<int>(Ldim);
    return {Y(t), Y(1), Y(3), Y(5), Y(2), Y(4), Y(6)};
}

} // namespace

CaseRun::CaseRun(CaseModel& model, TraceSink& scene, const CaseRunLength& length, RowSink* rows)
    : m_driver(model, scene), m_model(model), m_length(length), m_rows(rows),
      m_columns(length.columns.size()) {
    m_driver.setKeepRecord(false); // the rows go to the sink
    // A scene that keeps nothing need not hear of every point.
    if (dynamic_cast<NoScene*>(&scene)) m_driver.setDrawing(false);
}

CaseRun::~CaseRun() {
    m_driver.onStep = {};
    m_driver.quietSteps = {};
}

bool CaseRun::writeRow(const StateArray& Y) {
    if (!m_rows) return true;
    if (!m_columns.empty()) {
        const DriftReadout drift = driftReadoutOfState(Y);
        const double w = m_driver.invariant().relativeChange();
        for (std::size_t i = 0; i < m_columns.size(); ++i)
            m_columns[i] = accuracyColumnValue(m_length.columns[i], drift, w);
    }
    if (!m_rows->row(sampleOf(Y), m_columns)) m_rowsOk = false;
    return m_rowsOk;
}

bool CaseRun::start() {
    const int timeIndex = static_cast<int>(Ldim);
    m_nextRow = (m_driver.acceptedSteps() / m_length.every + 1) * m_length.every;
    // A field map's own E does work that W leaves out: its change is then no integration error.
    const std::string uncounted = uncountedWorkNote(FieldModel(m_model).mapElectric());
    m_driver.onStep = [this, timeIndex, uncounted](const StateArray& Y) {
        const std::uint64_t accepted = m_driver.acceptedSteps();
        const double change = m_driver.invariant().relativeChange();
        if (const int level = wChangeLevel(change); level > m_wLevel) {
            m_wLevel = level;
            if (onErrorGrowing)
                onErrorGrowing(
                    "at t = " + FormatGeneral(Y(timeIndex)) +
                    " s the energy invariant W has changed by " + FormatGeneral(change) +
                    " of the largest kinetic energy (past " + (level == 1 ? "1e-3" : "1e-2") +
                    "): " + (uncounted.empty() ? "the integration error is growing" : uncounted));
        }
        // Rows fall on the multiples of `every`; the next one is kept rather than found by a
        // division at every step, which would cost more than the rest of this bookkeeping.
        if (accepted >= m_nextRow) {
            m_lastRow = accepted;
            m_nextRow = (accepted / m_length.every + 1) * m_length.every;
            writeRow(Y);
        }
        m_reachedEnd =
            m_length.until ? Y(timeIndex) >= *m_length.until : accepted >= m_length.steps;
        return !m_reachedEnd && m_rowsOk;
    };
    // The steps between two rows need no look, unless W passes the next level of warning.
    m_driver.quietSteps = [this] {
        const std::uint64_t accepted = m_driver.acceptedSteps();
        std::uint64_t quiet = m_rows ? m_length.every - 1 - accepted % m_length.every : UINT64_MAX;
        if (!m_length.until)
            quiet = std::min(quiet, m_length.steps > accepted ? m_length.steps - accepted - 1 : 0);
        const double levels[] = {1e-3, 1e-2, INFINITY};
        return RunDriver::QuietSteps{quiet, levels[std::clamp(m_wLevel, 0, 2)]};
    };
    if (m_length.until) m_driver.setEndTime(*m_length.until); // the last row lands on it
    if (!m_driver.RunTrajectory()) return false;
    writeRow(m_driver.state());
    // No step asked for: the rows hold the start alone.
    if (!m_length.until && m_length.steps == 0) m_reachedEnd = true;
    return true;
}

CaseRun::End CaseRun::loop(const SliceCheck& afterSlice) {
    bool halted = false;
    while (m_driver.running() && !m_reachedEnd && m_rowsOk) {
        const RunDriver::Slice slice = m_driver.advance(std::chrono::milliseconds(50));
        if (afterSlice && !afterSlice()) {
            halted = true;
            break;
        }
        if (slice.waiting) return End::PauseTime;
    }
    if (halted || !m_rowsOk) return End::Halted;
    return m_reachedEnd ? End::Reached : End::Stopped;
}

bool CaseRun::finish() {
    m_driver.onStep = {};
    m_driver.quietSteps = {};
    if (m_lastRow != accepted()) writeRow(m_driver.state());
    m_lastRow = accepted();
    return m_rowsOk;
}

double CaseRun::fraction() const {
    if (m_length.until) return m_driver.time() / *m_length.until;
    return static_cast<double>(accepted()) /
           static_cast<double>(std::max<std::uint64_t>(m_length.steps, 1));
}

} // namespace gyro
