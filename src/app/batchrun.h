// The run of a command-line case: the core run, the scene kept for the picture, the table's rows.
#pragma once

#include "app/batchoptions.h"
#include "scene/scene3d.h"
#include "simulation/caserun.h"

#include <cstdint>
#include <iosfwd>
#include <memory>

namespace gyro {

class TrajectoryCsvWriter;
class VtkTrajectory;
class WarningPrinter;

/// One case run on the command line until its step count or time, through the same driver as
/// the window.
class BatchRun {
public:
    /// How the run ended.
    enum class End {
        Reached,      ///< the steps or the time asked for
        PauseTime,    ///< the case's own pause time: the run ends there
        Stopped,      ///< a fault or a question ended it early
        OutputFailed, ///< the table could not be written: computing on was pointless
        Refused,      ///< the case was refused at the start
    };

    /// A run of the case in `model`; with `keepScene` the drawing is kept for a picture.
    BatchRun(CaseModel& model, bool keepScene);
    ~BatchRun();
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    /// Runs the case as `options` ask, writing rows to `table` and points to `vtk` (each when
    /// given): the start, every `every`-th accepted step and always the last one. The table gets
    /// the accuracy columns of options.columns, the VTK trajectory all of them (vtkColumns()).
    /// New warnings go to `warnings` as the run goes on; a progress bar goes to `err` when it is
    /// a terminal.
    End run(const BatchOptions& options, TrajectoryCsvWriter* table, VtkTrajectory* vtk,
            WarningPrinter& warnings, std::ostream& err);
    /// The accuracy columns a VTK trajectory carries, in order.
    static const std::vector<AccuracyColumn>& vtkColumns();

    const RunDriver& driver() const { return m_run->driver(); }
    const Scene3D& scene() const { return m_scene; }
    std::uint64_t accepted() const { return m_run ? m_run->accepted() : 0; }

private:
    CaseModel& m_model;
    bool m_keepScene;
    Scene3D m_scene;
    NoScene m_noScene;
    CaseRunLength m_length;
    std::unique_ptr<RowSink> m_rows;
    std::unique_ptr<CaseRun> m_run;
};

} // namespace gyro
