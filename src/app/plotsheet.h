// The command line's sheet plot: a workbook's curves drawn without a window, as PNG or PDF.
#pragma once

#include <QStringList>

#include <iosfwd>

namespace gyro {

/// Usage line of the sheet plot.
inline constexpr const char* kPlotSheetUsage =
    "usage: gyrotrace --plot-sheet BOOK [--sheet NAME] [--range C2:E100] [--auto-views] "
    "[--centre] (--png FILE | --pdf FILE)";

/// Runs `--plot-sheet BOOK [--sheet NAME] [--range C2:E100] [--auto-views] [--centre]
/// (--png FILE | --pdf FILE)` (arguments before --plot-sheet are ignored; the sheet defaults to
/// "Feuille1" and the range to "C2:E100"). Reads the range of the workbook (no spreadsheet
/// program is started), draws it as the graph window does ("--auto-views": the four automatic
/// views; "--centre": centred on the points' box) and writes the picture, replacing the file only
/// once it is complete. Unknown cell texts are echoed on out, problems told on err. Needs a
/// QGuiApplication. Returns 0 when the picture is written, 2 for arguments it does not
/// understand (a range included), 3 when the workbook cannot serve (unreadable, refused, or no
/// point in the range), 4 when the picture cannot be written (checked before reading too).
int runPlotSheet(const QStringList& args, std::ostream& out, std::ostream& err);
/// The same on standard output and standard error.
int runPlotSheet(const QStringList& args);

/// True when the command line asks for the sheet plot ("--plot-sheet" among the arguments).
bool wantsPlotSheet(int argc, char** argv);
/// The sheet plot as the program's whole run: without a display (the offscreen platform unless
/// another is set), in a QGuiApplication made here when there is none yet. For main().
int runPlotSheetCommand(int argc, char** argv);

} // namespace gyro
