// The configuration of the spreadsheet link as the graph window's dialogs run it: choosing the
// program and the workbook, asking for the sheet and the range, and the messages of each step.
#pragma once

#include "sheets/sheetlinkstate.h"

#include <functional>
#include <string>

namespace gyro {

class Asker;

/// Messages of the configuration, shown in the window's message label.
inline constexpr const char* kNoProgramMessage =
    "Vous n'avez pas sélectionné Excel.exe, Recommancez!";
inline constexpr const char* kNoWorkbookMessage =
    "Vous n'avez pas sélectionné de fichier, Recommancez!";
inline constexpr const char* kBadSheetMessage =
    "Vous n'avez pas sélectionné correctement l'onglet  , Recommancez!";
inline constexpr const char* kSheetTitle = "Nom de l'onglet";
inline constexpr const char* kRangeTitle = "Plage de cellules";

/// Which file a chooser is asked for.
enum class FileChoice { Program, Workbook };

/// Lets the user choose a file; returns its path, or the empty text when none was chosen. The
/// second argument is the current choice.
using FileChooser = std::function<std::string(FileChoice, const std::string& current)>;

/// The question for the sheet: prompt, proposed answer (the current sheet, else "Feuille1", or
/// the workbook's first sheet when it has no "Feuille1"), and the names the workbook really
/// holds, listed at the end of the prompt when known.
struct SheetQuestion {
    std::string prompt;
    std::string defaultAnswer;
    std::vector<std::string> sheets;
};
SheetQuestion MakeSheetQuestion(const SheetLinkState& state);

/// The prompt of the range question and its proposed answer (the current range, else "C2:E100").
std::string RangePrompt(const SheetLinkState& state);
std::string RangeDefault(const SheetLinkState& state);

/// "est EXCEL.EXE ?": chooses the spreadsheet program. Returns the message to show (empty when
/// a program was chosen); the settings file is rewritten either way.
std::string ChooseSpreadsheetProgram(SheetLinkState& state, const FileChooser& choose);

/// "Configuration Feuille et plage Excel": the workbook, the sheet and the range (never the
/// spreadsheet program, which only "est EXCEL.EXE ?" chooses), each refused step ending the
/// configuration with its message (returned; empty when all was set). What was set is kept and the
/// settings file rewritten.
std::string ConfigureLink(SheetLinkState& state, Asker& asker, const FileChooser& choose);

/// A range typed into the window's range box: stored when usable, else refused with the reason.
std::string SetRangeText(SheetLinkState& state, const std::string& range);

/// The graph window's help texts: "&Informations" and "&Commentaires".
std::string GraphHelpText();
std::string GraphCommentText();

} // namespace gyro
