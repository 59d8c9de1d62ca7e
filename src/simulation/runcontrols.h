// What the run buttons offer and the status line says, from the state of the runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace gyro {

/// The state of the runs as the window shows it (the run driver's, and the scene's size).
struct RunView {
    int depth = 0;           ///< runs in progress, nested runs counting one each
    bool paused = false;     ///< the run on top waits for Continue
    bool waiting = false;    ///< the run on top waits at its maximum time
    std::uint64_t steps = 0; ///< accepted steps of the run on top (of the last run when idle)
    std::size_t points = 0;  ///< points in the scene
    bool abandoning = false; ///< "Other Case" was asked and the run on top has not ended yet
};

/// The run buttons and the status line for a state of the runs. A run starts when none is in
/// progress; a nested run only on purpose, while the run on top is paused: never while a run is
/// computing, where a second click on the button would otherwise start one by accident.
struct RunControls {
    bool runEnabled = true;        ///< "Run Gyrotrace"
    bool pauseEnabled = false;     ///< "Pause" / "Continue"
    bool pauseContinues = false;   ///< the pause button reads "Continue"
    bool otherCaseEnabled = false; ///< "Other Case": abandons the run on top
    std::string status;            ///< the status line (UTF-8)
};

RunControls runControls(const RunView& view);

/// A count with its thousands grouped by commas ("1,234,567").
std::string groupedCount(std::uint64_t n);

} // namespace gyro
