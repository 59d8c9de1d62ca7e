// The program-wide state of the spreadsheet link: its configuration ("kelmirav.ini"), the sheet
// table it fills, the last text it received, and the flags the tracer keeps.
#pragma once

#include "settings/kelmiravini.h"
#include "sheets/sheettable.h"

#include <filesystem>
#include <string>

namespace gyro {

/// Cell range and sheet offered when none is configured.
inline constexpr const char* kDefaultRange = "C2:E100";
inline constexpr const char* kDefaultSheet = "Feuille1";

struct SheetLinkState {
    KelmiravSettings config;      ///< program, workbook, sheet, range
    std::filesystem::path folder; ///< folder of "kelmirav.ini", fixed at first need
    SheetTable table;             ///< cells received
    double rowCount = 0;          ///< valid rows of table
    double columnCount = 0;       ///< cells of the last line received
    std::string lastLinkText;     ///< the whole text of the last successful link (the example)
    double loadedFlag = 0;        ///< 1: the table is drawn as it stands, without a new fetch
    double boxComputedFlag = 0;   ///< 1 once the bounding box of this table was computed
};

/// The program-wide link state.
SheetLinkState& sheetLink();

/// The settings file's path: the folder is fixed the first time (the current folder then).
std::filesystem::path KelmiravFile(SheetLinkState& state);

/// Reads "kelmirav.ini" into state.config (a missing file is created empty and the settings
/// kept); a program path still empty afterwards becomes the spreadsheet program of the working
/// site, or the one found on this system. Returns the file's message (empty when all was read).
std::string LoadLinkConfiguration(SheetLinkState& state);

/// Rewrites "kelmirav.ini" from state.config; the message says what failed (empty when written).
std::string SaveLinkConfiguration(SheetLinkState& state);

/// What the window says when the configured range holds no point to draw (French, as the
/// window's other texts); names the range, the sheet and the workbook.
std::string NoPointMessage(const KelmiravSettings& config);

/// A small curve set shown before any workbook was read: a helix, a pen-up, a dotted circle in
/// another colour and a diagonal, with the commands that change colour and line type, as the
/// link text a workbook would give (tab-separated cells, CR LF lines).
const std::string& BuiltInExampleText();

/// Parses the example data into state's table: the last link text, or the built-in example when
/// there is none yet. Returns the row count.
double LoadExampleData(SheetLinkState& state);

} // namespace gyro
