// Committing a typed value to the case.
#include "simulation/boxcommit.h"

#include "simulation/lightspeed.h"

#include "simulation/caseslots.h"

#include <cctype>

namespace gyro {

bool isNumberText(std::string_view text) {
    std::string s;
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') s += c;
    }
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t start = i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
        return i - start;
    };
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t mantissa = digits();
    if (i < s.size() && s[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == s.size();
}

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

bool readoutsDependOn(BoxFamily family, int index) {
    switch (family) {
    case BoxFamily::Texte3:
        return index >= slot::kX && index < slot::kVx + 3;
    case BoxFamily::Texte4:
        return index >= slot::kEx && index < slot::kEx + 3;
    case BoxFamily::Texte6:
    case BoxFamily::Option4:
    case BoxFamily::Option5:
        return true;
    default:
        return false;
    }
}

} // namespace gyro
