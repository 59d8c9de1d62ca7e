// The axes library's warning dialog: French question, remembered default, case-sensitive answers.
#include "kelaxes/alertekelaxes.h"

#include "kelaxes/kelaxesstate.h"
#include "numerics/constants.h"
#include "numerics/errorreport.h"

namespace gyro {

void AlerteKelaxes(const std::string& label) {
    KelaxesState& state = KelaxesLibrary::instance().state;
    ErrorReport& report = ErrorReport::instance();
    Asker* asker = report.asker();

    const std::string question =
        label + LineBreak + "Une petite erreur s'est produite dans Kelaxes" +
        ". Changez les données ou essayez de ne plus imprimer" +
        "   Tapez oui pour continuer, stop pour stopper ou non pour terminer";
    const std::string title = label + " Avertissement Kelaxes";
    std::string defaultAnswer;
    if (state.firstReportFlag == 0) {
        defaultAnswer = "oui, c'est noté!";
        state.firstReportFlag = 1;
    } else {
        defaultAnswer = state.lastAnswer;
    }
    const std::string answer = asker ? asker->ask(question, title, defaultAnswer) : std::string();
    state.lastAnswer = answer;
    if (answer.empty()) return;
    if (answer[0] == 's') {
        report.endProgram();
        return;
    }
    if (answer[0] == 'o') return;
    const std::string again = asker ? asker->ask("Vous voulez réellement abandonner",
                                                 "Re-Avertissement", "oui, pour abandonner")
                                    : std::string();
    state.lastAnswer = again;
    if (!again.empty() && again[0] == 'o') report.endProgram();
}

} // namespace gyro
