// The error report: warning log, first-report default, remembered answer, stop and kill.
#include "numerics/errorreport.h"

#include "numerics/constants.h"
#include "numerics/numberformat.h"

#include <cctype>
#include <cstdlib>

namespace gyro {

namespace {

// The report made current on this thread by ErrorReport::Use (none: the thread's default).
thread_local ErrorReport* t_current = nullptr;

} // namespace

ErrorReport& ErrorReport::threadDefault() {
    thread_local ErrorReport report;
    return report;
}

ErrorReport& ErrorReport::instance() {
    return t_current ? *t_current : threadDefault();
}

ErrorReport::Use::Use(ErrorReport& report) : m_previous(t_current) {
    t_current = &report;
}

ErrorReport::Use::~Use() {
    t_current = m_previous;
}

ErrorReport::StopBinding::StopBinding(ErrorReport& report, double& StopCalcul)
    : m_report(report), m_previous(report.m_stop) {
    report.m_stop = &StopCalcul;
}

ErrorReport::StopBinding::~StopBinding() {
    m_report.m_stop = m_previous;
}

std::string ErrorReport::text() const {
    std::string out;
    for (auto it = m_lines.rbegin(); it != m_lines.rend(); ++it) {
        out += *it;
        out += LineBreak;
    }
    if (m_dropped > 0) {
        out += '(';
        out += std::to_string(m_dropped);
        out += " older lines dropped)";
        out += LineBreak;
    }
    return out;
}

void ErrorReport::appendLog(const std::string& line) {
    if (m_lines.size() >= kMaxLines) {
        const std::size_t drop = kMaxLines / 2;
        m_lines.erase(m_lines.begin(), m_lines.begin() + static_cast<std::ptrdiff_t>(drop));
        m_dropped += drop;
    }
    m_lines.push_back(line);
    if (m_logListener) m_logListener();
}

void ErrorReport::reset() {
    m_lines.clear();
    m_dropped = 0;
    m_lastAnswer.clear();
    m_firstReportFlag = 0;
    m_ownStop = 0;
    OrbitalTime = 0;
    beginRun();
}

void ErrorReport::beginRun() {
    m_silenced.clear();
    m_silencedCount = 0;
}

std::string ErrorReport::silencedStatus() const {
    if (m_silencedCount == 0) return {};
    return std::to_string(m_silencedCount) +
           (m_silencedCount == 1 ? " repeated warning" : " repeated warnings") +
           " logged without asking";
}

void ErrorReport::endProgram() {
    if (m_endProgram) {
        m_endProgram();
    } else {
        std::_Exit(0); // at once: no saving, no clean-up
    }
}

void ErrorReport::report(const std::string& label, double& status) {
    std::string defaultAnswer;
    if (m_firstReportFlag == 0) {
        defaultAnswer = "Yes, It is understood!";
        m_firstReportFlag = 1;
    } else {
        defaultAnswer = m_lastAnswer;
    }
    // The particle run logs often with an unchanging orbital time: its stamp is made once.
    if (OrbitalTime != m_stampTime || m_stamp.empty()) {
        m_stampTime = OrbitalTime;
        m_stamp = "At_Time=" + FormatPattern(OrbitalTime, " #.### ");
    }
    const bool logOnly = !label.empty() && label[0] == '_';
    // The user may have chosen not to be asked again about this label during the run; the
    // count is up to date when the log's listener hears of the new line.
    const bool silenced = !logOnly && m_silenced.count(label) != 0;
    if (silenced) ++m_silencedCount;
    appendLog(m_stamp + label);
    if (logOnly || silenced) return;

    const std::string question = label + LineBreak +
                                 "A small error was raised, rounding error or null norm warning" +
                                 ". If it happen again, please modify the data..." +
                                 "    Type Yes to continue, Stop to stop, No to end the program";
    const std::string title = label + "   Warning";
    ReportAnswer answer;
    if (m_asker)
        answer = m_asker->askReport(ReportQuestion::Report, question, title, defaultAnswer);
    m_lastAnswer = answer.text;
    if (answer.dontAskAgain) m_silenced.insert(label);
    if (answer.text.empty()) return;
    const char first = static_cast<char>(std::tolower(static_cast<unsigned char>(answer.text[0])));
    if (first == 's') {
        status = 1;
        *m_stop = 1;
        return;
    }
    if (first == 'y') return;
    // Ending the program loses the run and its scene: the proposed answer continues, so that
    // only an explicit "Yes" (typed or chosen) ends it.
    ReportAnswer again;
    if (m_asker) {
        again =
            m_asker->askReport(ReportQuestion::ConfirmEnd,
                               "Do you really want to kill the process ", "Warning again", "No");
    }
    m_lastAnswer = again.text;
    if (!again.text.empty() && std::tolower(static_cast<unsigned char>(again.text[0])) == 'y')
        endProgram();
}

void AlerteCalcul(const std::string& label, double& status) {
    ErrorReport::instance().report(label, status);
}

void AlerteCalcul(const std::string& label) {
    double ignored = 0;
    ErrorReport::instance().report(label, ignored);
}

} // namespace gyro
