// Running one case on the command line.
#include "app/batchrun.h"

#include "simulation/runwarnings.h"
#include "simulation/trajectorycsv.h"
#include "simulation/vtkexport.h"

#include <algorithm>
#include <chrono>
#include <ostream>
#include <unistd.h>

namespace gyro {

namespace {

// The rows of the run into the trajectory table (with the columns it asked, picked by their
// place among those computed) and the VTK trajectory (with all of them).
class TableRows : public RowSink {
public:
    TableRows(TrajectoryCsvWriter* table, std::vector<std::size_t> tableColumns, VtkTrajectory* vtk)
        : m_table(table), m_tableColumns(std::move(tableColumns)), m_vtk(vtk) {}
    bool row(const TrajectorySample& sample, std::span<const double> columns) override {
        if (m_vtk) m_vtk->add(sample, columns);
        if (!m_table) return true;
        m_picked.clear();
        for (std::size_t k : m_tableColumns) m_picked.push_back(columns[k]);
        return m_table->row(sample, m_picked);
    }

private:
    TrajectoryCsvWriter* m_table;
    std::vector<std::size_t> m_tableColumns;
    VtkTrajectory* m_vtk;
    std::vector<double> m_picked;
};

void drawProgress(std::ostream& err, double fraction, std::uint64_t steps) {
    const int width = 30;
    const int filled = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * width);
    err << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
        << std::string(static_cast<std::size_t>(width - filled), ' ') << "] "
        << static_cast<int>(fraction * 100) << "%  " << steps << " steps" << std::flush;
}

} // namespace

BatchRun::BatchRun(CaseModel& model, bool keepScene) : m_model(model), m_keepScene(keepScene) {}

BatchRun::~BatchRun() = default;

const std::vector<AccuracyColumn>& BatchRun::vtkColumns() {
    static const std::vector<AccuracyColumn> all{AccuracyColumn::WRel,     AccuracyColumn::Mu,
                                                 AccuracyColumn::PitchDeg, AccuracyColumn::Gcx,
                                                 AccuracyColumn::Gcy,      AccuracyColumn::Gcz};
    return all;
}

BatchRun::End BatchRun::run(const BatchOptions& options, TrajectoryCsvWriter* table,
                            VtkTrajectory* vtk, WarningPrinter& warnings, std::ostream& err) {
    m_length.steps = options.steps;
    m_length.until = options.until;
    m_length.every = options.every;
    m_length.columns = vtk ? vtkColumns() : options.columns;
    std::vector<std::size_t> tableColumns;
    for (AccuracyColumn column : options.columns) {
        const auto at = std::find(m_length.columns.begin(), m_length.columns.end(), column);
        tableColumns.push_back(static_cast<std::size_t>(at - m_length.columns.begin()));
    }
    if (table || vtk) m_rows = std::make_unique<TableRows>(table, std::move(tableColumns), vtk);
    TraceSink& scene = m_keepScene ? static_cast<TraceSink&>(m_scene) : m_noScene;
    m_run = std::make_unique<CaseRun>(m_model, scene, m_length, m_rows.get());
    // The error as it grows: told once at 1e-3 and once at 1e-2.
    m_run->onErrorGrowing = [&err](const std::string& warning) {
        err << "gyrotrace: warning: " << warning << "\n";
    };
    if (!m_run->start()) {
        warnings.follow();
        return End::Refused;
    }

    const bool progress = isatty(STDERR_FILENO) != 0;
    auto lastDraw = std::chrono::steady_clock::now();
    bool speedTold = false;
    const CaseRun::End end = m_run->loop([&] {
        warnings.follow();
        if (!speedTold && !m_run->driver().speedWarning().empty()) {
            speedTold = true;
            err << "gyrotrace: warning: " << m_run->driver().speedWarning() << "\n";
        }
        if (table && !table->flush()) return false; // stream the table while the run goes on
        if (progress &&
            std::chrono::steady_clock::now() - lastDraw > std::chrono::milliseconds(100)) {
            drawProgress(err, m_run->fraction(), m_run->accepted());
            lastDraw = std::chrono::steady_clock::now();
        }
        return true;
    });
    if (progress) {
        drawProgress(err, end == CaseRun::End::Reached ? 1.0 : m_run->fraction(),
                     m_run->accepted());
        err << "\n";
    }
    warnings.follow();
    if (!m_run->finish()) return End::OutputFailed;
    switch (end) {
    case CaseRun::End::Reached:
        return End::Reached;
    case CaseRun::End::PauseTime:
        return End::PauseTime;
    case CaseRun::End::Halted:
        return End::OutputFailed;
    default:
        return End::Stopped;
    }
}

} // namespace gyro
