// The link configuration steps and their messages.
#include "sheets/linkconfiguration.h"

#include "numerics/errorreport.h"
#include "sheets/cellrange.h"
#include "sheets/workbookreader.h"

#include <algorithm>

namespace gyro {

namespace {

// The configuration changed: it goes to "kelmirav.ini" at once; a file that cannot be written
// is told after the step's own message.
std::string Saved(SheetLinkState& state, std::string message) {
    const std::string problem = SaveLinkConfiguration(state);
    if (problem.empty()) return message;
    return message.empty() ? problem : message + " — " + problem;
}

} // namespace

SheetQuestion MakeSheetQuestion(const SheetLinkState& state) {
    SheetQuestion q;
    q.prompt = "Sélectionnez le nom d'un Onglet du fichier " + state.config.workbook +
               "  par exemple: " + kDefaultSheet;
    std::string ignored;
    q.sheets = WorkbookSheetNames(state.config.workbook, ignored);
    if (!q.sheets.empty()) {
        q.prompt += "  (onglets du fichier :";
        for (const std::string& name : q.sheets) q.prompt += " " + name;
        q.prompt += ")";
    }
    q.defaultAnswer = state.config.sheet.empty() ? kDefaultSheet : state.config.sheet;
    // Nothing chosen yet and no "Feuille1" in this workbook: propose its first sheet.
    if (state.config.sheet.empty() && !q.sheets.empty() &&
        std::find(q.sheets.begin(), q.sheets.end(), kDefaultSheet) == q.sheets.end())
        q.defaultAnswer = q.sheets.front();
    return q;
}

std::string RangePrompt(const SheetLinkState& state) {
    return "Sélectionnez une Plage de cellules sur " + state.config.workbook + " [" +
           state.config.sheet + "]" + "  par exemple " + kDefaultRange;
}

std::string RangeDefault(const SheetLinkState& state) {
    return state.config.range.empty() ? kDefaultRange : state.config.range;
}

std::string ChooseSpreadsheetProgram(SheetLinkState& state, const FileChooser& choose) {
    const std::string program = choose(FileChoice::Program, state.config.program);
    if (program.empty()) return Saved(state, kNoProgramMessage);
    state.config.program = program;
    return Saved(state, {});
}

std::string ConfigureLink(SheetLinkState& state, Asker& asker, const FileChooser& choose) {
    // The program reads workbooks itself: the spreadsheet program is asked for only by
    // "est EXCEL.EXE ?", when the user wants one launched.
    const std::string workbook = choose(FileChoice::Workbook, state.config.workbook);
    if (workbook.empty()) return Saved(state, kNoWorkbookMessage);
    state.config.workbook = workbook;

    const SheetQuestion sheet = MakeSheetQuestion(state);
    const std::string sheetAnswer = asker.ask(sheet.prompt, kSheetTitle, sheet.defaultAnswer);
    if (sheetAnswer.empty()) return Saved(state, kBadSheetMessage);
    state.config.sheet = sheetAnswer;

    const std::string range = asker.ask(RangePrompt(state), kRangeTitle, RangeDefault(state));
    return Saved(state, SetRangeText(state, range));
}

std::string SetRangeText(SheetLinkState& state, const std::string& range) {
    CellRange parsed;
    const std::string problem = ParseRangeA1(range, parsed);
    if (problem.empty()) state.config.range = range;
    return problem;
}

std::string GraphHelpText() {
    return "Ce programme de tracés en 3 dimensions utilise les données d'une feuille de calcul "
           "excel 5."
           " Mieux vaut tout d'abord spécifier la localisation du fichier Programme EXCEL.EXE... "
           " Les données doivent être organisées en 3 colonnes pour chaque coordonnée (x,y,z)."
           " Le nombre de lignes est limité à 3072."
           " Les mots clefs suivants sont interprétés : RGB# ou rgb# pour une couleur avec #: 0 "
           "à 9,"
           " LIGNE# ou ligne# pour un type de ligne #: 0 à 9 pour des lignes épaisses, #: 10 à 19 "
           "pour des pointillés, ou encore"
           " une première cellule vide (dans la colonne contenant les X) pour indiquer une "
           "discontinuité dans le tracé (Pen Up), "
           " et la couleur du tracé est modifiée automatiquement.";
}

std::string GraphCommentText() {
    return "Programme de tracés en Trois Dimensions : les courbes d'une feuille de calcul "
           "(classeurs .xlsx, .ods, .csv), relues à chaque enregistrement du classeur.";
}

} // namespace gyro
