// The error report: warning log, first-report default, remembered answer, stop and kill.
#include "numerics/errorreport.h"

#include "numerics/constants.h"
#include "numerics/numberformat.h"

#include <algorithm>
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

const std::vector<std::string>& ErrorReport::lines() const {
    writeOutPending(0);
    return m_lines;
}

const std::string& ErrorReport::line(std::size_t index) const {
    writeOutPending(index);
    return m_lines[index - m_dropped];
}

const std::string& ErrorReport::stamp(double orbitalTime) const {
    // The particle run logs often with an unchanging orbital time: its stamp is made once.
    if (orbitalTime != m_stampTime || m_stamp.empty()) {
        m_stampTime = orbitalTime;
        m_stamp = "At_Time=" + FormatPattern(orbitalTime, " #.### ");
    }
    return m_stamp;
}

void ErrorReport::writeOutPending(std::size_t fromIndex) const {
    // The pending lines are in log order: those from `fromIndex` on are the last ones.
    while (!m_pending.empty() && m_pending.back().index >= fromIndex) {
        const PendingStepLine& p = m_pending.back();
        std::string& out = m_lines[p.index - m_dropped];
        out = stamp(p.orbitalTime);
        if (p.kind == StepSizeLine::Resumed) {
            out += "_Runge_suite";
            out += Format6(p.retries);
        } else {
            out += "_RungePasRéduit";
        }
        out += Format9(p.h);
        out += Format9(p.hNext);
        out += "_err";
        out += Format6(p.errPos);
        out += Format6(p.errVel);
        m_pending.pop_back();
    }
}

std::string ErrorReport::text() const {
    writeOutPending(0);
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
    addLine(line);
}

void ErrorReport::addLine(std::string line) {
    if (m_lines.size() >= kMaxLines) {
        const std::size_t drop = kMaxLines / 2;
        m_lines.erase(m_lines.begin(), m_lines.begin() + static_cast<std::ptrdiff_t>(drop));
        m_dropped += drop;
        // Step-size lines dropped before anyone read them are never written out.
        const auto kept =
            std::find_if(m_pending.begin(), m_pending.end(),
                         [&](const PendingStepLine& p) { return p.index >= m_dropped; });
        m_pending.erase(m_pending.begin(), kept);
    }
    m_lines.push_back(std::move(line));
    if (m_logListener) m_logListener();
}

void ErrorReport::logStepSize(StepSizeLine kind, double retries, double h, double hNext,
                              double errPos, double errVel) {
    // As for any label logged without a question: the first report's proposed answer is used up.
    m_firstReportFlag = 1;
    m_pending.push_back({totalLines(), kind, OrbitalTime, retries, h, hNext, errPos, errVel});
    addLine({});
}

void ErrorReport::reset() {
    m_lines.clear();
    m_pending.clear();
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
    const bool logOnly = !label.empty() && label[0] == '_';
    // The user may have chosen not to be asked again about this label during the run; the
    // count is up to date when the log's listener hears of the new line.
    const bool silenced = !logOnly && m_silenced.count(label) != 0;
    if (silenced) ++m_silencedCount;
    addLine(stamp(OrbitalTime) + label);
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
