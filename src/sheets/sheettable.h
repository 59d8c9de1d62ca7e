// The sheet table that the spreadsheet link fills: 3072 rows of x, y, z text cells, and the
// splitting of a received link text into it.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace gyro {

/// Most rows the sheet table holds.
inline constexpr int kSheetTableRows = 3072;

/// Text cells of the received rows: rows 1..3072, columns 1 (x), 2 (y), 3 (z).
class SheetTable {
public:
    SheetTable() : m_cells(kSheetTableRows) {}
    /// Cell text; rows and columns outside the table read as empty.
    const std::string& cell(int row, int column) const;
    /// Sets a cell; rows and columns outside the table are ignored.
    void setCell(int row, int column, std::string text);
    /// Empties the three cells of a row.
    void clearRow(int row);

private:
    std::vector<std::array<std::string, 3>> m_cells;
};

/// The numeric test of a cell: after blanks at both ends, the whole text is one decimal number
/// (sign, digits with at most one point, optional exponent "e" or "E" with its own sign and
/// digits). "1.5", " -2 ", "3e-4" and ".5" are numbers; "", "1,5", "1e", "abc" are not.
bool IsNumericText(std::string_view text);

/// The number of rows among the first rowCount whose x cell is a number: the points a drawing of
/// the table plots.
int SheetPointCount(const SheetTable& table, double rowCount);

/// Splits a received link text into the table: one row per line ended by CR LF (a last line
/// without its CR LF is taken as it is), cells separated by tabs, each line and cell trimmed of
/// blanks. A row's three cells are emptied before it is filled, so a short line leaves its
/// missing cells empty; cells beyond the third are not kept. Reading stops at 3072 rows.
///
/// An empty text takes the stored last text instead; when that is empty too nothing is loaded
/// and rowCount and columnCount are left as they were. Otherwise the text becomes the stored last
/// text, rowCount the number of rows read and columnCount the number of cells of the last line.
/// Returns true when a text was parsed.
bool ParseLinkText(std::string& text, std::string& lastText, SheetTable& table, double& rowCount,
                   double& columnCount);

} // namespace gyro
