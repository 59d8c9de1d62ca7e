// The error report: the one way numeric code warns the user, logs, and asks whether to go on.
#pragma once

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace gyro {

/// Which of the error report's two questions is asked.
enum class ReportQuestion {
    Report,     ///< continue ("Yes"), stop the computation ("Stop") or end the program ("No")
    ConfirmEnd, ///< "Do you really want to kill the process": "Yes" ends the program
};

/// The answer to one of the error report's questions.
struct ReportAnswer {
    std::string text;          ///< the answer typed or chosen (empty: cancelled)
    bool dontAskAgain = false; ///< "Don't ask again during this run" was ticked
};

/// Asks the user a question in a modal input box and returns the typed text (empty on Cancel).
/// The windows supply a real dialog, the command line answers by rule, tests script answers.
class Asker {
public:
    virtual ~Asker() = default;
    virtual std::string ask(const std::string& prompt, const std::string& title,
                            const std::string& defaultAnswer) = 0;
    /// One of the error report's own questions. A window offers a button for each answer and,
    /// for the Report question, the "Don't ask again during this run" box. By default the plain
    /// question is asked and never silences the label.
    virtual ReportAnswer askReport(ReportQuestion /*kind*/, const std::string& prompt,
                                   const std::string& title, const std::string& defaultAnswer) {
        return {ask(prompt, title, defaultAnswer), false};
    }
};

/// The two lines the adaptive integrator logs about its step size: a rejected attempt retried
/// with a smaller step ("_RungePasRéduit"), and the step that went on after such retries
/// ("_Runge_suite").
enum class StepSizeLine { Reduced, Resumed };

/// The warning log and the question flow behind AlerteCalcul. Each program state owns one (see
/// simulation/programstate.h); nothing in it is shared with another report.
class ErrorReport {
public:
    ErrorReport() = default;
    ErrorReport(const ErrorReport&) = delete;
    ErrorReport& operator=(const ErrorReport&) = delete;

    /// The report of this thread: the one a Use made current, else threadDefault().
    static ErrorReport& instance();
    /// The report a thread has when no Use is in force (made at the thread's first need).
    static ErrorReport& threadDefault();

    /// Makes `report` the current one of this thread (AlerteCalcul, instance()) for the life of
    /// the object; the previous one is current again afterwards.
    class Use {
    public:
        explicit Use(ErrorReport& report);
        ~Use();
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;

    private:
        ErrorReport* m_previous;
    };

    /// The stop flag that a "Stop" answer sets: the StopCalcul of the computation bound by a
    /// StopBinding, or the report's own flag while none is bound. Routines deep inside a
    /// computation (the field models, the Boris push) set it to stop the computation.
    double& stopFlag() { return *m_stop; }
    /// Binds the StopCalcul of a computation's control (numerics/rungekutta.h, RunControl) to the
    /// report for the life of the object; the previous binding comes back afterwards.
    class StopBinding {
    public:
        StopBinding(ErrorReport& report, double& StopCalcul);
        ~StopBinding();
        StopBinding(const StopBinding&) = delete;
        StopBinding& operator=(const StopBinding&) = delete;

    private:
        ErrorReport& m_report;
        double* m_previous;
    };

    /// The current time of the orbital computation [s]; written by the orbit check, shown in the
    /// time stamp of every log line.
    double OrbitalTime = 0;

    /// Installs the question asker (not owned); nullptr means "no one to ask": questions then
    /// continue as if cancelled.
    void setAsker(Asker* asker) { m_asker = asker; }
    Asker* asker() const { return m_asker; }
    /// Replaces the way "end the program at once" ends the process (tests record it instead).
    void setEndProgram(std::function<void()> end) { m_endProgram = std::move(end); }
    /// Ends the program at once (no saving, no clean-up) through the installed function.
    void endProgram();
    /// Called after every new log line (the window refreshes its Warning box from it).
    void setLogListener(std::function<void()> listener) { m_logListener = std::move(listener); }

    /// Most lines the log keeps. A run can log at every step for hours: past this many lines
    /// the oldest half is dropped (and counted), so the log's memory stays bounded.
    static constexpr std::size_t kMaxLines = 100000;

    /// The log lines kept, oldest first (step-size lines still kept as numbers are written out
    /// first).
    const std::vector<std::string>& lines() const;
    /// Line number `index` of the log, counted from its start (kept lines only: from
    /// droppedLines() to totalLines() - 1), written out if it was still kept as numbers.
    const std::string& line(std::size_t index) const;
    /// Lines dropped from the start of the log to keep it within kMaxLines.
    std::size_t droppedLines() const { return m_dropped; }
    /// Lines logged since the start (kept and dropped).
    std::size_t totalLines() const { return m_dropped + m_lines.size(); }
    /// The log as the Warning box shows it: newest line on top, lines joined by CR LF.
    std::string text() const;

    void report(const std::string& label, double& status);
    /// Adds one line to the log without the time stamp and without a question.
    void appendLog(const std::string& line);
    /// Logs a step-size line of the adaptive integrator, with the time stamp and without a
    /// question, as AlerteCalcul would log its label (for Resumed: the label "_Runge_suite" then
    /// `retries`, `h`, `hNext` [s], "_err", `errPos`, `errVel`; Reduced: "_RungePasRéduit" and
    /// the same without `retries`). A stiff stretch logs one at every rejected attempt, far more
    /// than anyone reads: the numbers are kept, and the text is made only when the line is read.
    void logStepSize(StepSizeLine kind, double retries, double h, double hNext, double errPos,
                     double errVel);

    const std::string& lastAnswer() const { return m_lastAnswer; }
    /// Forgets answers, log, the orbital time and its own stop flag, as at program start.
    void reset();

    /// A run starts: labels the user silenced ("Don't ask again during this run") are asked
    /// again, and the count of silenced reports restarts at 0.
    void beginRun();
    /// Reports of this run that were logged without a question because their label was
    /// silenced (for the window's status line).
    std::size_t silencedCount() const { return m_silencedCount; }
    /// Labels silenced in this run.
    const std::set<std::string>& silencedLabels() const { return m_silenced; }
    /// "<n> repeated warnings logged without asking" for the status line; empty when none.
    std::string silencedStatus() const;

private:
    double m_ownStop = 0;
    double* m_stop = &m_ownStop;
    Asker* m_asker = nullptr;
    std::function<void()> m_endProgram;
    /// A step-size line not yet written out: its place in the log (counted from the start) and
    /// its numbers.
    struct PendingStepLine {
        std::size_t index;
        StepSizeLine kind;
        double orbitalTime;
        double retries, h, hNext, errPos, errVel;
    };
    void writeOutPending(std::size_t fromIndex) const;
    const std::string& stamp(double orbitalTime) const;
    void addLine(std::string line);

    std::function<void()> m_logListener;
    // The lines, oldest first; a pending step-size line holds an empty string until written out.
    mutable std::vector<std::string> m_lines;
    mutable std::vector<PendingStepLine> m_pending; // ordered by index
    std::size_t m_dropped = 0;
    std::string m_lastAnswer;
    double m_firstReportFlag = 0;
    mutable double m_stampTime = 0;
    mutable std::string m_stamp;
    std::set<std::string> m_silenced;
    std::size_t m_silencedCount = 0;
};

/// Reports a warning or a trapped fault. The label (a routine name followed by "faute", or a
/// message) is logged with a time stamp; unless it begins with "_" or was silenced in this run,
/// the user is asked whether to continue ("Yes"), stop the computation ("Stop": status and
/// the report's stopFlag() become 1) or end the program ("No", then a confirmation whose proposed
/// answer "No" continues: only an explicit "Yes" ends the program).
void AlerteCalcul(const std::string& label, double& status);
/// The same with a status the caller ignores.
void AlerteCalcul(const std::string& label);

} // namespace gyro
