// Committing a typed value to the case: whether a text is a number, what a commit changes.
#pragma once

#include "numerics/numberread.h"
#include "simulation/casemodel.h"

#include <string>
#include <string_view>

namespace gyro {

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

/// What a change of one box can change beside the box itself.
struct BoxEffects {
    bool readouts = false; ///< the computed read-outs: cyclotron frequency, Larmor diameter, energy
    bool hint = false;     ///< the accuracy hint of the typed case
};

/// The one table of what each box feeds: the read-outs depend on the species, the start position
/// and velocity, the E components, the field shape and its B0 and parameters; the accuracy hint
/// on these too, on the error limit and on the maximum time (the length of the run it judges).
/// The drawing boxes, the examples and the computed read-outs themselves feed neither.
BoxEffects boxEffects(BoxFamily family, int index);

/// True when the computed read-outs depend on the box (boxEffects).
inline bool readoutsDependOn(BoxFamily family, int index) {
    return boxEffects(family, index).readouts;
}
/// True when a change of the box can change the accuracy hint of the typed case (boxEffects).
inline bool affectsHint(BoxFamily family, int index) {
    return boxEffects(family, index).hint;
}

} // namespace gyro
