// The examples of runs: numbering, saving and loading with the species.
#include "caseexamples.h"

#include "boxcommit.h"
#include "caseslots.h"
#include "numerics/errorreport.h"
#include "numerics/numberformat.h"

#include <algorithm>
#include <cmath>

namespace gyro {

double numberRunExample(CaseModel& model, double memoCount) {
    if (model.Coche1(slot::kReplace) == 0) {
        // A new example, above every one the memo holds and every number shown.
        const double next = std::max(model.Texte3Value(slot::kExampleMax), memoCount) + 1;
        model.setText(BoxFamily::Texte3, slot::kExampleMax, FormatGeneral(next));
        model.setText(BoxFamily::Texte3, slot::kExampleNumber, FormatGeneral(next));
    }
    return model.Texte3Value(slot::kExampleNumber);
}

double saveRunExample(CaseModel& model, CaseMemo& memo) {
    double number = numberRunExample(model, memo.count());
    memo.Memo("sauve", number, model);
    if (!memo.lastError().empty()) AlerteCalcul("_Memofaute " + memo.lastError());
    return number;
}

bool restoreSpecies(CaseModel& model) {
    if (!isNumberText(model.Texte3(slot::kSpeciesMemo))) return false;
    const double species = model.Texte3Value(slot::kSpeciesMemo);
    if (!(species >= 0 && species < CaseModel::kSpecies) || species != std::trunc(species)) {
        return false;
    }
    model.select(BoxFamily::Option5, static_cast<int>(species));
    return true;
}

CaseMemo::Selector loadExample(CaseModel& model, CaseMemo& memo, double number) {
    const CaseMemo::Selector selector = memo.Memo("charge", number, model);
    if (selector.moved) restoreSpecies(model);
    return selector;
}

} // namespace gyro
