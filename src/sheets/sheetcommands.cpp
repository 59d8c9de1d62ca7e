// Cell codes, the colour table and the extent of a sheet's points.
#include "sheets/sheetcommands.h"

#include "numerics/numberread.h"
#include "numerics/vecteur3.h"

#include <algorithm>
#include <cmath>

namespace gyro {

namespace {

// Rows 1..rowCount of the table, whatever the count holds.
int RowsOf(double rowCount) {
    if (!(rowCount > 0)) return 0;
    return static_cast<int>(std::min<double>(std::floor(rowCount), kSheetTableRows));
}

} // namespace

double CellCode(const std::string& cell) {
    if (cell.empty()) return 1;
    if (IsNumericText(cell)) return 0;
    const std::string s = MajTrim(cell);
    double code = 2;
    if (const auto p = s.find("LIGNE"); p != std::string::npos) code = Val(s.substr(p + 5)) + 10;
    for (const char* colour : {"RGB", "RVB"}) {
        if (const auto p = s.find(colour); p != std::string::npos) {
            const double n = Val(s.substr(p + 3));
            code = n < 0 ? 111 : n + 100;
        }
    }
    return code;
}

void ColourOfIndex(double& index, double& red, double& green, double& blue) {
    static constexpr double kTable[11][3] = {
        {0, 0, 0},     {255, 0, 0},   {0, 255, 0},   {0, 0, 255},   {255, 255, 0},  {0, 255, 255},
        {255, 0, 255}, {128, 128, 0}, {0, 128, 128}, {128, 0, 128}, {128, 128, 128}};
    if (!(index >= 0 && index <= 10 && index == std::floor(index))) index = 1;
    const auto* c = kTable[static_cast<int>(index)];
    red = c[0];
    green = c[1];
    blue = c[2];
}

void SheetBox(const SheetTable& table, double rowCount, double& xCentre, double& yCentre,
              double& zCentre, double& radius) {
    double* centres[3] = {&xCentre, &yCentre, &zCentre};
    double sum = 0;
    const int rows = RowsOf(rowCount);
    for (int column = 1; column <= 3; ++column) {
        bool any = false;
        double low = 0, high = 0;
        for (int row = 1; row <= rows; ++row) {
            const std::string& cell = table.cell(row, column);
            if (!IsNumericText(cell)) continue;
            const double v = Val(cell);
            low = any ? std::min(low, v) : v;
            high = any ? std::max(high, v) : v;
            any = true;
        }
        *centres[column - 1] = (low + high) / 2;
        sum += ((high - low) / 2) * ((high - low) / 2);
    }
    radius = std::sqrt(sum);
}

void SheetReach(const SheetTable& table, double rowCount, double& reach) {
    reach = 0;
    const int rows = RowsOf(rowCount);
    for (int row = 1; row <= rows; ++row) {
        if (!IsNumericText(table.cell(row, 1))) continue;
        const double x = Val(table.cell(row, 1)), y = Val(table.cell(row, 2)),
                     z = Val(table.cell(row, 3));
        reach = std::max(reach, std::sqrt(x * x + y * y + z * z));
    }
}

} // namespace gyro
