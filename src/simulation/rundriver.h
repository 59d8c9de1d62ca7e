// The run driver: computes and draws trajectories step by step, in time slices that keep the
// window alive, with pause, pause time, "Other Case" and nested runs.
#pragma once

#include "numerics/vecteur3.h"
#include "simulation/casemodel.h"
#include "simulation/energyinvariant.h"
#include "simulation/programstate.h"
#include "simulation/trajectoryrecord.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace gyro {

class FieldModel;
class TraceSink;

/// Drives the runs of the main window (and of the command line) on one thread. A driver works on
/// one program state (the case, the run record, the integration choice, the error report), which
/// it makes current on its thread while it computes; each run owns its control (error limit,
/// method, stop flag, rejection count, work buffers). Two drivers on two program states can run
/// in two threads at once.
///
/// RunTrajectory() validates the case, sets up the scene and pushes a new run; advance() then
/// computes steps of the run on top for a slice of wall time and returns, so that the caller's
/// event loop stays responsive. A run started while another is in progress is nested: it runs
/// alone until it ends, then the run below goes on where it stood. Each run keeps its own state,
/// step and colours.
///
/// Every step reads the case afresh (error limit, colours, pause time, field values through the
/// field models), so values typed during a run act at the next step. After each accepted step the
/// new point goes to the scene. The integrator's stages compute only the acceleration; the
/// readouts of the run record (fields, norms, acceleration of the state) are computed from
/// accepted states: at the end of every slice, and at every step while arrows are drawn.
class RunDriver {
public:
    /// How a slice ended.
    struct Slice {
        std::uint64_t steps = 0; ///< accepted steps computed in this slice
        bool active = false;     ///< a run is still in progress (at any depth)
        bool waiting = false;    ///< the run on top waits: paused, or past the pause time
    };

    /// Runs the case of `state`, drawing into `sink`.
    RunDriver(ProgramState& state, TraceSink& sink);
    /// Runs the case `model` (the window's boxes, the pause time, the colours) with the rest of
    /// the state current on this thread now (whose case the field models read).
    RunDriver(CaseModel& model, TraceSink& sink);
    ~RunDriver();
    RunDriver(const RunDriver&) = delete;
    RunDriver& operator=(const RunDriver&) = delete;

    /// Starts a run of the case as it stands. Returns false when the case is refused: a null
    /// initial position or velocity is told in a "Serious WARNING" box (through the error
    /// report's Asker) and no run starts (a null velocity leaves the scene set up).
    bool RunTrajectory();

    /// Computes steps of the run on top until `budget` of wall time is spent, `maxSteps` steps
    /// are done, the speed limit is reached, or the run waits or ends. Re-entrant calls (from a
    /// question box opened inside a step) return at once.
    Slice advance(std::chrono::nanoseconds budget, std::uint64_t maxSteps = UINT64_MAX);

    /// The Pause button's tag "pause": while set, the run on top waits. Set when a nested run
    /// ends (the run below waits for Continue), cleared when the last run ends.
    void setPaused(bool paused) { m_paused = paused; }
    bool paused() const { return m_paused; }
    /// The "Other Case" button's tag "autre": a paused run that sees it ends and clears it.
    void setOtherCase(bool otherCase) { m_otherCase = otherCase; }
    bool otherCase() const { return m_otherCase; }

    /// Whether runs keep their trajectory record (record()): on by default, for the window's
    /// redraws and export; a run whose rows go elsewhere leaves it empty.
    void setKeepRecord(bool keep) { m_keepRecord = keep; }
    /// Whether the runs draw into the sink: on by default; a run whose sink keeps nothing leaves
    /// out the trajectory's points and the sizing of its arrows.
    void setDrawing(bool drawing) { m_drawing = drawing; }

    /// Speed limit in accepted steps per second of wall time; 0 (the default) is as fast as
    /// possible.
    void setSpeed(double stepsPerSecond);

    /// The clock of the slices' budgets and of the speed limit's credit (steady_clock::now by
    /// default; tests hand in a clock they move themselves).
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    void setClock(Clock clock);
    double speed() const { return m_speed; }

    /// Time [s] at which runs end: the step that would pass it lands on it, and the run ends
    /// there. +infinity (the default) runs on until stopped. The pause time ("Maximum time (s)")
    /// is landed on the same way, and the run waits there.
    void setEndTime(double seconds) { m_endTime = seconds; }
    double endTime() const { return m_endTime; }

    /// Number of runs in progress (nested runs count one each); 0 when idle.
    int depth() const { return static_cast<int>(m_runs.size()); }
    bool running() const { return !m_runs.empty(); }
    /// Time of the run on top [s] (of the last run when idle).
    double time() const { return m_lastTime; }
    /// State of the run on top (of the last run when idle).
    const StateArray& state() const { return m_lastState; }
    /// True when the case's B, E and velocity arrows are drawn at every step.
    bool drawsArrows() const;
    /// Accepted steps of the run on top, and attempts rejected by the error control.
    std::uint64_t acceptedSteps() const;
    std::uint64_t rejectedSteps() const;
    /// The run counter: 0 for the first run of the program.
    double shotCounter() const { return m_shotCounter; }

    /// The trajectory of the run on top (of the last run when idle): time, position, velocity and
    /// |B| of its accepted steps, thinned evenly when it grows past its budget.
    const TrajectoryRecord& record() const;
    /// The energy invariant of the run on top (of the last run when idle), moved at every
    /// accepted step with the electric field typed at that step.
    const EnergyInvariant& invariant() const;

    /// The run on top's warning that its speed passed a tenth of the speed of light (of the last
    /// run when idle); "" while it has not.
    const std::string& speedWarning() const;

    /// Called after a run ended (the reason is in the error log when it was a fault).
    std::function<void()> onRunEnded;
    /// Called after every accepted step with the new state (command-line streaming); returning
    /// false ends the run there. Leave empty in the window.
    std::function<bool(const StateArray&)> onStep;
    /// Which coming steps onStep need not see: `steps` accepted steps from now on, as long as the
    /// relative change of the energy invariant W stays below `changeBelow` (a step that reaches
    /// it is shown all the same).
    struct QuietSteps {
        std::uint64_t steps = 0;
        double changeBelow = 0;
    };
    /// Asked before each stretch of Boris (or relativistic) steps, which the driver then takes in
    /// one loop; unset, onStep sees every step. Without onStep no step needs to be seen.
    std::function<QuietSteps()> quietSteps;

private:
    struct Run;
    bool stepOnce(Run& run);
    bool acceptStep(Run& run);
    bool stepSeveral(Run& run, std::uint64_t most, std::uint64_t& accepted);
    enum class Stretch { None, Went, Ended };
    Stretch stepStretch(Run& run, std::uint64_t most, std::uint64_t& accepted);
    void drawVectors(Run& run, const Vecteur3& R, const Vecteur3& V);
    void makeArrowRecipe(Run& run, const FieldModel& field);
    void drawFieldLines(const Vecteur3& R);
    void finishTop();

    ProgramState& m_state;
    CaseModel& m_model;
    TraceSink& m_sink;
    std::vector<std::unique_ptr<Run>> m_runs;
    bool m_paused = false;
    bool m_otherCase = false;
    bool m_inSlice = false;
    bool m_keepRecord = true;
    bool m_drawing = true;
    double m_speed = 0;
    double m_endTime = std::numeric_limits<double>::infinity();
    double m_speedCredit = 0; // steps allowed by the speed limit and not yet taken
    Clock m_now = [] { return std::chrono::steady_clock::now(); };
    std::chrono::steady_clock::time_point m_creditTime;
    double m_shotCounter = 0;
    double m_shotFlag = 0;
    double m_lastTime = 0;
    StateArray m_lastState;
    std::unique_ptr<Run> m_lastRun; // the run that ended last, kept for export
};

} // namespace gyro
