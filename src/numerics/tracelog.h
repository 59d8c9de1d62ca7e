// Text logs that computations write into and windows show (the orbit-check window's boxes), and
// the trace lines written into them.
#pragma once

#include <functional>
#include <string>

namespace gyro {

/// A text box's content held outside any window: computations append or replace lines, the
/// window that shows it listens for changes.
class TextLog {
public:
    void append(const std::string& text) { set(m_text + text); }
    void replace(const std::string& text) { set(text); }
    const std::string& text() const { return m_text; }
    void clear() { set({}); }
    /// Called after every change.
    void setListener(std::function<void()> listener) { m_listener = std::move(listener); }

private:
    void set(std::string text) {
        m_text = std::move(text);
        if (m_listener) m_listener();
    }
    std::string m_text;
    std::function<void()> m_listener;
};

/// The orbit-check window's main log (initial conditions, comparison lines, integrator trace).
TextLog& traceLog();
/// The orbit-check window's step-control log.
TextLog& stepControlLog();
/// Asks the orbit-check window to show itself (set by that window; nothing happens without it).
inline std::function<void()> ShowTraceWindow;

/// Appends line break + label + "   " + value (general number format) to the trace log, first
/// asking the orbit-check window to show itself.
void TraceLigne(const std::string& label, double value);
/// Appends line break + label + "   " + v1 + "   " + v2 (general number format) to the trace log.
void TraceLigne2(const std::string& label, double v1, double v2);

} // namespace gyro
