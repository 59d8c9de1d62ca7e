// The examples of runs: numbering, saving and loading with the species.
#include "simulation/caseexamples.h"

#include "numerics/errorreport.h"
#include "numerics/numberformat.h"
#include "simulation/boxcommit.h"
#include "simulation/casefieldmap.h"
#include "simulation/caseslots.h"

#include <algorithm>
#include <cmath>
#include <utility>

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

void storeMethod(CaseModel& model, const IntegrationChoice& choice) {
    static const char* const keys[] = {"cash-karp", "boris", "relativistic"};
    model.setText(BoxFamily::Texte3, slot::kMethodMemo, keys[static_cast<int>(choice.method)]);
    model.setText(BoxFamily::Texte3, slot::kStepsPerGyrationMemo,
                  FormatGeneral(choice.stepsPerGyration));
}

bool restoreMethod(const CaseModel& model, IntegrationChoice& choice) {
    static const std::pair<const char*, IntegrationMethod> methods[] = {
        {"cash-karp", IntegrationMethod::CashKarp},
        {"boris", IntegrationMethod::Boris},
        {"relativistic", IntegrationMethod::Relativistic}};
    const std::string& text = model.Texte3(slot::kMethodMemo);
    for (const auto& [key, method] : methods) {
        if (text != key) continue;
        choice.method = method;
        const double n = model.Texte3Value(slot::kStepsPerGyrationMemo);
        if (isNumberText(model.Texte3(slot::kStepsPerGyrationMemo)) && std::isfinite(n) &&
            n >= kMinStepsPerGyration)
            choice.stepsPerGyration = n;
        return true;
    }
    return false;
}

double saveRunExample(CaseModel& model, CaseMemo& memo) {
    storeMethod(model, integrationChoice());
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
    if (selector.moved) {
        restoreSpecies(model);
        restoreMethod(model, integrationChoice());
        if (const std::string problem = restoreFieldMap(model, memo.path().parent_path());
            !problem.empty())
            AlerteCalcul("_Memofaute " + problem);
    }
    return selector;
}

} // namespace gyro
