// Committing a typed value to the case.
#include "simulation/boxcommit.h"

#include "simulation/lightspeed.h"

#include "simulation/caseslots.h"

#include <cctype>

namespace gyro {

bool holdsNumber(BoxFamily family, int index) {
    switch (family) {
    case BoxFamily::Texte3:
        return index != slot::kComment;
    case BoxFamily::Texte4:
    case BoxFamily::Texte6:
    case BoxFamily::Texte7:
        return true;
    default:
        return false;
    }
}

bool acceptsEmpty(BoxFamily family, int index) {
    // An emptied position or velocity component is 0, as an empty number reads everywhere.
    return family == BoxFamily::Texte3 &&
           (index == slot::kPauseTime || index == slot::kPlotPointCount ||
            index == slot::kSpeciesMemo || (index >= slot::kX && index < slot::kVx + 3));
}

CommitOutcome commitBoxText(CaseModel& model, BoxFamily family, int index,
                            const std::string& text) {
    if (holdsNumber(family, index) && !isNumberText(text) &&
        !(text.find_first_not_of(" \t") == std::string::npos && acceptsEmpty(family, index))) {
        return CommitOutcome::NotANumber;
    }
    if (family == BoxFamily::Texte3) {
        const std::optional<double> speed = speedWithTypedValue(model, index, text);
        if (speed && speedOfLightProblem(*speed)) return CommitOutcome::FasterThanLight;
    }
    if (model.text(family, index) == text) return CommitOutcome::Unchanged;
    model.setText(family, index, text);
    return CommitOutcome::Applied;
}

namespace {
// A run of slots of one family and what a change there feeds.
struct SlotEffects {
    BoxFamily family;
    int first, last; // slots first..last
    BoxEffects effects;
};
constexpr SlotEffects kSlotEffects[] = {
    {BoxFamily::Texte3, slot::kX, slot::kVx + 2, {true, true}}, // start position and velocity
    {BoxFamily::Texte3, slot::kPauseTime, slot::kPauseTime, {false, true}}, // maximum time
    {BoxFamily::Texte4, slot::kEx, slot::kEx + 2, {true, true}},            // E components
    {BoxFamily::Texte6, 0, CaseModel::kSlots - 1, {true, true}},    // B0 and shape parameters
    {BoxFamily::Texte7, 0, 0, {false, true}},                       // the error limit
    {BoxFamily::Option4, 0, CaseModel::kSlots - 1, {true, true}},   // the field shape
    {BoxFamily::Option5, 0, CaseModel::kSpecies - 1, {true, true}}, // the species
};
} // namespace

BoxEffects boxEffects(BoxFamily family, int index) {
    for (const SlotEffects& row : kSlotEffects) {
        if (row.family == family && index >= row.first && index <= row.last) return row.effects;
    }
    return {};
}

} // namespace gyro
