// The verdict of a run in one line, and the plain words beside the system's own log labels.
#pragma once

#include <string>

namespace gyro {

/// "good", "doubtful" or "poor" with its reason, from the relative change of the energy
/// invariant W at the end (below 1e-3 good, below 1e-2 doubtful, else poor), whether the run
/// reached its end, and whether its speed passed a tenth of the speed of light. With
/// `uncountedWork` an electric field that W leaves out acted (a field map's own E): W then
/// measures no integration error, and the verdict says so instead of judging it.
std::string runVerdict(double wChange, bool complete, bool relativistic,
                       bool uncountedWork = false);

/// What a run's W leaves out, told after its change: for a case whose field map has an E of
/// its own, "W counts only the uniform E, not the field map's own"; "" otherwise.
std::string uncountedWorkNote(bool mapElectric);

/// The W change levels a run on the command line tells as it passes them (1e-3, then 1e-2):
/// the index of the highest level |change| has reached (0 none, 1, 2; NaN counts as 2).
int wChangeLevel(double change);

/// What a log label of the step control means, in plain words ("" for a label it does not know).
std::string logLabelMeaning(const std::string& label);

} // namespace gyro
