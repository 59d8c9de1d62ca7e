// The plot commands of a sheet's cells: the code of a cell, the colour table, and the extent of
// the numeric rows.
#pragma once

#include "sheets/sheettable.h"

#include <string>

namespace gyro {

/// Code of a cell: 1 empty, 0 a number, 2 any other text, 10 + n for a text holding "ligne"
/// (any case) followed by the number n, 100 + n for "RGB" or "RVB" followed by n. When several
/// keywords occur the last tested wins, in the order "ligne", "RGB", "RVB". A keyword followed
/// by no number gives n = 0. A colour keyword followed by a negative number gives 111, a colour
/// outside the table (it would otherwise read as a line type).
double CellCode(const std::string& cell);

/// Fills red, green, blue (0..255) with the colour of the index: 0 black, 1 red, 2 green,
/// 3 blue, 4 yellow, 5 cyan, 6 magenta, 7 olive, 8 teal, 9 purple, 10 grey. Any other index is
/// set to 1 and gives red.
void ColourOfIndex(double& index, double& red, double& green, double& blue);

/// Bounding box of the numeric cells of rows 1..rowCount, column by column: its centre, and
/// its radius (half its diagonal). A column without a number has centre 0 and no extent.
void SheetBox(const SheetTable& table, double rowCount, double& xCentre, double& yCentre,
              double& zCentre, double& radius);

/// Largest distance from the origin of the rows whose x cell is a number (y and z read as
/// numbers, 0 when they are not).
void SheetReach(const SheetTable& table, double rowCount, double& reach);

} // namespace gyro
