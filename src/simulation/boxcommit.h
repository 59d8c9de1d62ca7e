// Committing a typed value to the case: whether a text is a number, what a commit changes.
#pragma once

#include "simulation/casemodel.h"

#include <string>
#include <string_view>

namespace gyro {

/// True when a typed text is a number as a whole: blanks anywhere are ignored (as Val ignores
/// them: "5 000" is 5000), then an optional sign, digits with an optional point (at least one
/// digit) and an optional exponent "e" or "E" with its digits. "", "abc", "1,5" and "0.001e" are
/// not numbers.
bool isNumberText(std::string_view text);

/// True for the boxes of the case that hold a number (every text box but the comment).
bool holdsNumber(BoxFamily family, int index);
/// True for the number boxes that may be left empty: the maximum time (no limit), the plot
/// points, the species kept with an example, and the position and velocity components (0).
bool acceptsEmpty(BoxFamily family, int index);

/// What committing a typed text did.
enum class CommitOutcome {
    Applied,        ///< the case now holds the text
    Unchanged,      ///< the case already held it
    NotANumber,     ///< refused: a number box was given something else; the case keeps its value
    FasterThanLight ///< refused: the start speed (velocity or energy box) would reach c
};

/// Commits the text the user finished typing into a box (Enter, or leaving the box): a number
/// box takes only a number (or, where acceptsEmpty, nothing), other boxes any text; a velocity
/// component or an energy that would start the particle at or above the speed of light is
/// refused (the motion is computed without relativity).
CommitOutcome commitBoxText(CaseModel& model, BoxFamily family, int index, const std::string& text);

/// True when the computed read-outs (cyclotron frequency, Larmor diameter, energy) depend on the
/// box: the species, the position, the velocity, the fields and the shape parameters.
bool readoutsDependOn(BoxFamily family, int index);

} // namespace gyro
