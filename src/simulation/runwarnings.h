// The warnings of a run without a window: questions answered by rule, one log line a kind.
#pragma once

#include "numerics/errorreport.h"
#include "simulation/logfollower.h"

#include <cstddef>
#include <iosfwd>
#include <map>
#include <string>

namespace gyro {

/// Answers every question of the error report with "Stop" (or, when asked to keep going, with
/// "Yes") and remembers the first one, so the caller can tell why the run ended. Installed on
/// the error report for its lifetime.
class StopAsker : public Asker {
public:
    StopAsker(ErrorReport& report, bool keepGoing);
    ~StopAsker() override;
    StopAsker(const StopAsker&) = delete;
    StopAsker& operator=(const StopAsker&) = delete;

    std::string ask(const std::string& prompt, const std::string& title,
                    const std::string& defaultAnswer) override;
    /// The first question's title (or prompt) when it stopped the run; "" otherwise.
    const std::string& reason() const { return m_reason; }

private:
    ErrorReport& m_report;
    Asker* m_previous;
    bool m_keepGoing;
    std::string m_reason;
};

/// The kind of a log line: its label up to the first digit after the time stamp
/// ("_RungePasRéduit", "_Pb de Pas", "Runge a tendance à boucler Pb de Pas").
std::string logKind(const std::string& line);

/// Follows the error log from now on: each kind of line is printed at its first occurrence and
/// then only counted (the step control logs every rejected step).
class WarningPrinter {
public:
    WarningPrinter(const ErrorReport& report, std::ostream& err);
    /// Prints the new lines of a kind not seen yet.
    void follow();
    /// Prints how many times each kind seen more than once was logged.
    void printCounts() const;

private:
    const ErrorReport& m_report;
    std::ostream& m_err;
    LogFollower m_follower;
    std::map<std::string, std::size_t> m_counts;
};

} // namespace gyro
