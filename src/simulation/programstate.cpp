// The program state and the state current on each thread.
#include "simulation/programstate.h"

namespace gyro {

namespace {

// The state made current on this thread by the innermost ProgramState::Scope (none: the
// thread's own).
thread_local ProgramState* t_current = nullptr;

} // namespace

ProgramState::ProgramState()
    : m_ownReport(std::make_unique<ErrorReport>()), m_report(m_ownReport.get()) {}

ProgramState::ProgramState(ThreadDefault) : m_report(&ErrorReport::threadDefault()) {}

ProgramState::~ProgramState() = default;

ProgramState& ProgramState::current() {
    if (t_current) return *t_current;
    thread_local ProgramState own{ThreadDefault{}};
    return own;
}

ProgramState::Scope::Scope(ProgramState& state) : m_previous(t_current), m_report(state.report()) {
    t_current = &state;
}

ProgramState::Scope::~Scope() {
    t_current = m_previous;
}

CaseModel& theCase() {
    return ProgramState::current().caseModel();
}

RunRecord& runRecord() {
    return ProgramState::current().record();
}

IntegrationChoice& integrationChoice() {
    return ProgramState::current().integration();
}

StartupState& startupState() {
    return ProgramState::current().startup();
}

} // namespace gyro
