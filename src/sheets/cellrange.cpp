// A1 and L1C1 cell references, the link item and topic, and the checking of a typed range.
#include "sheets/cellrange.h"

#include "numerics/numberread.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace gyro {

namespace {

std::string Trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string UpperTrimmed(const std::string& s) {
    std::string t = Trimmed(s);
    std::transform(t.begin(), t.end(), t.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return t;
}

bool IsUpperLetter(char c) {
    return c >= 'A' && c <= 'Z';
}

// Row or column text of at most nine digits as a number (no overflow); -1 when not all digits.
long DigitsValue(const std::string& digits) {
    if (digits.empty() || digits.size() > 9) return -1;
    long value = 0;
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

const char* const kRangeRetry = "  , Recommancez!";

} // namespace

CellRange CellRange::normalised() const {
    return {{std::min(first.row, last.row), std::min(first.column, last.column)},
            {std::max(first.row, last.row), std::max(first.column, last.column)}};
}

int CellRange::rowCount() const {
    return std::abs(last.row - first.row) + 1;
}

int CellRange::columnCount() const {
    return std::abs(last.column - first.column) + 1;
}

CellReference CellFromA1(const std::string& a1) {
    const std::string s = UpperTrimmed(a1);
    CellReference cell;
    if (s.empty()) return cell;
    // Column letters in base 26 with A = 1: one letter, two (AA = 27), or three (XFD = 16384).
    std::size_t k = 0;
    long column = s[0] - 64;
    for (k = 1; k < s.size() && k < 3 && IsUpperLetter(s[k]) && IsUpperLetter(s[0]); ++k)
        column = column * 26 + (s[k] - 64);
    cell.column = static_cast<int>(column);
    const double row = Val(s.substr(k));
    cell.row = row >= 0 && row < 2e9 ? static_cast<int>(row) : 0;
    return cell;
}

std::string CellToA1(const CellReference& cell) {
    std::string letters;
    for (int c = cell.column; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    return letters + std::to_string(cell.row);
}

std::string CellToL1C1(const CellReference& cell) {
    // Appended piece by piece: "L" + std::to_string(...) trips a false -Wrestrict in g++ 12.
    std::string text = "L";
    text += std::to_string(cell.row);
    text += 'C';
    text += std::to_string(cell.column);
    return text;
}

CellReference CellFromL1C1(const std::string& l1c1) {
    std::string s;
    for (char c : l1c1)
        if (c != ' ') s.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    const auto c = s.find('C');
    if (s.empty() || s[0] != 'L' || c == std::string::npos) return {};
    const long row = DigitsValue(s.substr(1, c - 1));
    const long column = DigitsValue(s.substr(c + 1));
    if (row < 0 || column < 0) return {};
    return {static_cast<int>(row), static_cast<int>(column)};
}

std::string ItemFromRange(const std::string& rangeA1) {
    const auto colon = rangeA1.find(':');
    if (colon == std::string::npos) return CellToL1C1(CellFromA1(rangeA1));
    return CellToL1C1(CellFromA1(rangeA1.substr(0, colon))) + ":" +
           CellToL1C1(CellFromA1(rangeA1.substr(colon + 1)));
}

std::string RangeFromItem(const std::string& item) {
    const auto colon = item.find(':');
    if (colon == std::string::npos) return CellToA1(CellFromL1C1(item));
    return CellToA1(CellFromL1C1(item.substr(0, colon))) + ":" +
           CellToA1(CellFromL1C1(item.substr(colon + 1)));
}

std::string LinkTopic(const std::string& workbookPath, const std::string& sheet) {
    std::string name;
    std::error_code ec;
    const std::filesystem::path path(workbookPath);
    if (!workbookPath.empty() && std::filesystem::is_regular_file(path, ec))
        name = path.filename().string();
    return "Excel|[" + name + "]" + sheet;
}

std::string ParseRangeA1(const std::string& rangeA1, CellRange& range) {
    const auto colon = rangeA1.find(':');
    if (colon == std::string::npos)
        return "Vous n'avez pas sélectionné correctement une plage, mettre les deux points (:) "
               "entre les deux groupes de lettres/chiffre" +
               std::string(kRangeRetry);
    CellReference ends[2];
    const std::string sides[2] = {UpperTrimmed(rangeA1.substr(0, colon)),
                                  UpperTrimmed(rangeA1.substr(colon + 1))};
    for (int i = 0; i < 2; ++i) {
        const std::string& s = sides[i];
        std::size_t letters = 0;
        while (letters < s.size() && IsUpperLetter(s[letters])) ++letters;
        const long row = DigitsValue(s.substr(letters));
        if (letters == 0 || letters > 3 || row < 0)
            return "La plage " + Trimmed(rangeA1) +
                   " doit joindre deux cellules faites de lettres puis de chiffres, par exemple "
                   "C2:E100" +
                   kRangeRetry;
        ends[i] = CellFromA1(s);
        if (row < 1 || row > kSheetRowLimit || ends[i].column > kSheetColumnLimit)
            return "La plage " + Trimmed(rangeA1) + " dépasse la feuille (lignes 1 à " +
                   std::to_string(kSheetRowLimit) + ", colonnes A à " +
                   CellToA1({1, kSheetColumnLimit}).substr(0, 3) + ")" + kRangeRetry;
    }
    range = {ends[0], ends[1]};
    return {};
}

} // namespace gyro
