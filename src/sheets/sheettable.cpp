// The sheet table and the splitting of a link text into rows and cells.
#include "sheets/sheettable.h"

#include <cctype>

namespace gyro {

namespace {

const std::string kEmptyCell;

std::string_view TrimBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

const std::string& SheetTable::cell(int row, int column) const {
    if (row < 1 || row > kSheetTableRows || column < 1 || column > 3) return kEmptyCell;
    return m_cells[row - 1][column - 1];
}

void SheetTable::setCell(int row, int column, std::string text) {
    if (row < 1 || row > kSheetTableRows || column < 1 || column > 3) return;
    m_cells[row - 1][column - 1] = std::move(text);
}

void SheetTable::clearRow(int row) {
    for (int c = 1; c <= 3; ++c) setCell(row, c, {});
}

bool IsNumericText(std::string_view text) {
    const std::string_view s = TrimBlanks(text);
    std::size_t i = 0;
    const std::size_t n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < n && IsDigit(s[i])) ++i, ++digits;
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
        std::size_t exponentDigits = 0;
        while (i < n && IsDigit(s[i])) ++i, ++exponentDigits;
        if (exponentDigits == 0) return false;
    }
    return i == n;
}

bool ParseLinkText(std::string& text, std::string& lastText, SheetTable& table, double& rowCount,
                   double& columnCount) {
    if (text.empty()) {
        if (lastText.empty()) return false;
        text = lastText;
    } else {
        lastText = text;
    }
    std::string_view rest(text);
    int row = 0;
    int column = 0;
    while (!rest.empty()) {
        const auto cr = rest.find('\r');
        const std::string_view line = TrimBlanks(rest.substr(0, cr));
        if (++row > kSheetTableRows) {
            row = kSheetTableRows;
            break;
        }
        table.clearRow(row);
        column = 0;
        // Each tab ends a cell; what follows the last tab is one more cell unless it is empty.
        std::string_view cells = line;
        while (!cells.empty()) {
            const auto tab = cells.find('\t');
            ++column;
            table.setCell(row, column, std::string(TrimBlanks(cells.substr(0, tab))));
            cells = tab == std::string_view::npos ? std::string_view() : cells.substr(tab + 1);
        }
        if (cr == std::string_view::npos) break;
        // Drop the line with its CR and the LF after it.
        rest.remove_prefix(cr + 1);
        if (!rest.empty() && rest.front() == '\n') rest.remove_prefix(1);
    }
    rowCount = row;
    columnCount = column;
    return true;
}

int SheetPointCount(const SheetTable& table, double rowCount) {
    int points = 0;
    const int rows = rowCount > kSheetTableRows ? kSheetTableRows : static_cast<int>(rowCount);
    for (int row = 1; row <= rows; ++row)
        if (IsNumericText(table.cell(row, 1))) ++points;
    return points;
}

} // namespace gyro
