// The program state: the case, the run record, the integration choice and the error report, in
// one object that the window and the command line each create.
#pragma once

#include "numerics/errorreport.h"
#include "simulation/casemodel.h"
#include "simulation/integrationmethod.h"
#include "simulation/runrecord.h"
#include "simulation/startup.h"

#include <memory>

namespace gyro {

/// What the program works on between two actions of the user: the case being edited, the run
/// record (particle, field work values, readouts), the integration choice, the settings read at
/// start-up and the error report (warning log, asker, stop flag). Nothing in it is shared with
/// another ProgramState: two of them, each with its own RunDriver, run two cases side by side in
/// two threads.
///
/// Usage: make one (`ProgramState state;`), fill `state.caseModel()`, and drive runs with
/// `RunDriver driver(state, sink);`. The older accessors theCase(), runRecord(),
/// integrationChoice(), startupState() (Site(), …) and ErrorReport::instance() answer from the
/// state made current on the calling thread by a Scope (the run driver makes its own state current
/// while it computes), or else from a state the thread makes at its first need.
class ProgramState {
public:
    /// A fresh state: the case at its defaults, an empty record and log, Cash-Karp.
    ProgramState();
    ~ProgramState();
    ProgramState(const ProgramState&) = delete;
    ProgramState& operator=(const ProgramState&) = delete;

    CaseModel& caseModel() { return m_case; }
    const CaseModel& caseModel() const { return m_case; }
    RunRecord& record() { return m_record; }
    const RunRecord& record() const { return m_record; }
    IntegrationChoice& integration() { return m_integration; }
    const IntegrationChoice& integration() const { return m_integration; }
    StartupState& startup() { return m_startup; }
    ErrorReport& report() { return *m_report; }

    /// The state current on this thread: the innermost Scope's, else the thread's own.
    static ProgramState& current();

    /// Makes a state (and its error report) current on this thread for the life of the object;
    /// the previous one is current again afterwards. Scopes nest.
    class Scope {
    public:
        explicit Scope(ProgramState& state);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        ProgramState* m_previous;
        ErrorReport::Use m_report;
    };

private:
    struct ThreadDefault {};
    // The thread's own state shares the thread's default error report, so that reports made
    // before and after its creation land in one log.
    explicit ProgramState(ThreadDefault);

    CaseModel m_case;
    RunRecord m_record;
    IntegrationChoice m_integration;
    StartupState m_startup;
    std::unique_ptr<ErrorReport> m_ownReport;
    ErrorReport* m_report;
};

/// A fresh program state, current on this thread for its life: `ScopedProgramState state;` gives
/// a test (or a command-line run) a clean state in one line.
class ScopedProgramState : public ProgramState {
public:
    ScopedProgramState() : m_scope(*this) {}

private:
    Scope m_scope;
};

} // namespace gyro
