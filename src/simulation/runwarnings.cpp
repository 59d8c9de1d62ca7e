// Warnings of a run without a window (the command line, the Python module).
#include "simulation/runwarnings.h"

#include "simulation/runverdict.h"

#include <cctype>
#include <ostream>

namespace gyro {

StopAsker::StopAsker(ErrorReport& report, bool keepGoing)
    : m_report(report), m_previous(report.asker()), m_keepGoing(keepGoing) {
    m_report.setAsker(this);
}

StopAsker::~StopAsker() {
    m_report.setAsker(m_previous);
}

std::string StopAsker::ask(const std::string& prompt, const std::string& title,
                           const std::string&) {
    if (m_keepGoing) return "Yes";
    if (m_reason.empty()) {
        const std::string suffix = "   Warning";
        m_reason = title.size() > suffix.size() &&
                           title.compare(title.size() - suffix.size(), suffix.size(), suffix) == 0
                       ? title.substr(0, title.size() - suffix.size())
                       : prompt;
    }
    return "Stop";
}

std::string logKind(const std::string& line) {
    const std::string stamp = "At_Time=";
    std::size_t start = 0;
    if (line.compare(0, stamp.size(), stamp) == 0) {
        // The stamp is followed by the formatted time, then the label.
        start = line.find(' ', stamp.size() + 1);
        start = start == std::string::npos ? line.size() : start + 1;
    }
    std::size_t end = start;
    while (end < line.size() && !std::isdigit(static_cast<unsigned char>(line[end]))) ++end;
    while (end > start && line[end - 1] == ' ') --end;
    return line.substr(start, end - start);
}

WarningPrinter::WarningPrinter(const ErrorReport& report, std::ostream& err)
    : m_report(report), m_err(err), m_follower(LogFollower::fromNow(report)) {}

void WarningPrinter::follow() {
    for (const std::string& line : m_follower.take(m_report).lines) {
        if (m_counts[logKind(line)]++ > 0) continue;
        m_err << "gyrotrace: warning: " << line << "\n";
    }
}

void WarningPrinter::printCounts() const {
    for (const auto& [kind, count] : m_counts) {
        if (count <= 1) continue;
        const std::string meaning = logLabelMeaning(kind);
        m_err << "gyrotrace: " << count << " times: " << kind;
        if (!meaning.empty()) m_err << " (" << meaning << ")";
        m_err << "\n";
    }
}

} // namespace gyro
