// The run buttons and the status line from the state of the runs.
#include "simulation/runcontrols.h"

namespace gyro {

std::string groupedCount(std::uint64_t n) {
    const std::string digits = std::to_string(n);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

RunControls runControls(const RunView& view) {
    RunControls c;
    const bool running = view.depth > 0;
    c.runEnabled = (!running || view.paused) && !view.abandoning;
    c.pauseEnabled = running;
    c.pauseContinues = running && view.paused;
    c.otherCaseEnabled = running;
    if (!running) {
        c.status = "Ready";
    } else if (view.paused) {
        c.status = "Paused (Continue goes on; Run starts a nested run)";
    } else if (view.waiting) {
        c.status = "Waiting at the maximum time (type a later time to go on)";
    } else {
        c.status = "Running";
    }
    if (running || view.steps > 0) {
        const std::string dot = "   \u00b7   ";
        c.status += dot + groupedCount(view.steps) + " steps" + dot + groupedCount(view.points) +
                    " points in the scene";
        if (view.depth > 1) {
            c.status += dot + std::to_string(view.depth) + " nested runs, the newest shown";
        }
    }
    return c;
}

} // namespace gyro
