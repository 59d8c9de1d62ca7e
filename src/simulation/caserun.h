// Running one case to its end without a window: the steps or time asked for, each row of the
// trajectory handed to a sink. The command line and the Python module both run cases this way.
#pragma once

#include "simulation/accuracycolumns.h"
#include "simulation/rundriver.h"
#include "simulation/tracesink.h"
#include "simulation/trajectoryrecord.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace gyro {

/// How long a case runs and which rows it hands on.
struct CaseRunLength {
    static constexpr std::uint64_t kDefaultSteps = 100000;
    std::uint64_t steps = kDefaultSteps; ///< accepted steps (0: none, the start alone)
    std::optional<double> until;         ///< [s]; when set, `steps` is not used
    std::uint64_t every = 1;             ///< one row every `every` accepted steps (>= 1)
    std::vector<AccuracyColumn> columns; ///< values handed after each row's sample
};

/// Receives the rows of a run: the start, every `every`-th accepted step and always the last.
class RowSink {
public:
    virtual ~RowSink() = default;
    /// One row: the state's sample and the values of the asked columns, in their order. Returns
    /// false when the output failed (the run then stops).
    virtual bool row(const TrajectorySample& sample, std::span<const double> columns) = 0;
};

/// A scene that keeps nothing: a run whose picture nobody wants.
class NoScene : public TraceSink {
public:
    void SetMode(int) override {}
    void SetScene(double, double, double, double, double, double, double) override {}
    void SetVectorScale(double, std::int16_t) override {}
    void SetFrame(double, double, double, double, double, const std::string&,
                  std::optional<double>) override {}
    void EndSetUp(std::optional<double>, std::optional<double>) override {}
    void SetLabel(double, const std::string&) override {}
    void SetShot(double) override {}
    void SetViewText(const std::string&) override {}
    void Circle(double, double) override {}
    void Point(double, double, double) override {}
    void Segment(double, double, double, double, double, double) override {}
    void SetColour(double, double, double) override {}
    void SetLineColour(double, double, double) override {}
    void SetLimits(double, double) override {}
    void PenLift(std::int16_t, std::int16_t) override {}
    /// A step's arrows are not even made.
    bool StepState(const ArrowRecipe&, const Vecteur3&, const Vecteur3&, const Vecteur3&,
                   double) override {
        return true;
    }
};

/// One case run through the window's run driver until its step count or time, in slices of
/// wall time between which the caller looks at warnings, output and interruptions:
/// start(), loop(), then finish().
class CaseRun {
public:
    /// How the run ended.
    enum class End {
        Reached,   ///< the steps or the time asked for
        PauseTime, ///< the case's own pause time: with nobody to type a later one, it ends there
        Stopped,   ///< a fault or a question ended it early
        Halted,    ///< the row sink failed, or the caller's slice check said stop
        Refused,   ///< the case was refused at the start
    };

    /// Called after every slice of steps; returning false halts the run.
    using SliceCheck = std::function<bool()>;

    /// A run of the case in `model`, drawing into `scene`; rows go to `rows` when given.
    CaseRun(CaseModel& model, TraceSink& scene, const CaseRunLength& length, RowSink* rows);
    ~CaseRun();
    CaseRun(const CaseRun&) = delete;
    CaseRun& operator=(const CaseRun&) = delete;

    /// Starts the run (ending exactly at `until` when it is set) and hands on the start's row.
    /// False when the case is refused.
    bool start();
    /// Computes until the end asked for, a stop, the pause time, or a halt; `afterSlice` is
    /// called after every slice of 50 ms.
    End loop(const SliceCheck& afterSlice);
    /// Hands on the last row when the rows' spacing left it out: a table always ends at the
    /// final time. False when the rows' output has failed.
    bool finish();

    /// Told, within the step, when the energy invariant's change first passes 1e-3 and 1e-2,
    /// with the warning's text.
    std::function<void(const std::string& warning)> onErrorGrowing;

    /// Part of the run done: of its time with `until`, of its steps otherwise.
    double fraction() const;
    const RunDriver& driver() const { return m_driver; }
    std::uint64_t accepted() const { return m_driver.acceptedSteps(); }

private:
    bool writeRow(const StateArray& Y);

    RunDriver m_driver;
    const CaseModel& m_model;
    const CaseRunLength& m_length;
    RowSink* m_rows;
    std::vector<double> m_columns;
    bool m_rowsOk = true;
    std::uint64_t m_lastRow = 0; // accepted steps at the last row handed on
    std::uint64_t m_nextRow = 0; // accepted steps at the next row due
    bool m_reachedEnd = false;
    int m_wLevel = 0; // the levels of W change told so far
};

} // namespace gyro
