// Cell references of the spreadsheet link: A1 and L1C1 forms, ranges, and the link's topic text.
#pragma once

#include <string>

namespace gyro {

/// Largest sheet the reader accepts, in rows and columns (the size of an .xlsx sheet).
inline constexpr int kSheetRowLimit = 1048576;
inline constexpr int kSheetColumnLimit = 16384;

/// One cell: row and column numbered from 1.
struct CellReference {
    int row = 0;
    int column = 0;
    bool operator==(const CellReference&) const = default;
};

/// A rectangle of cells given by two corners (in the order typed; see normalised()).
struct CellRange {
    CellReference first;
    CellReference last;
    /// The same rectangle with first the top-left and last the bottom-right corner.
    CellRange normalised() const;
    int rowCount() const;
    int columnCount() const;
    bool operator==(const CellRange&) const = default;
};

/// Reads an A1 reference by the link's rule: upper-cased and trimmed, the column is the first
/// letter (A = 1) and, when a second letter follows, column × 26 + that letter (AA = 27); the row
/// is the number read from the remaining characters. Neither is checked here.
CellReference CellFromA1(const std::string& a1);

/// The A1 text of a cell ("AA5"); columns of any size.
std::string CellToA1(const CellReference& cell);

/// The L1C1 text of a cell: "L" + row + "C" + column.
std::string CellToL1C1(const CellReference& cell);

/// Reads "L5C27" (any case, blanks ignored); a text of another shape gives row and column 0.
CellReference CellFromL1C1(const std::string& l1c1);

/// The link item of an A1 range: each end converted to L1C1, joined by ":" ("C2:E100" gives
/// "L2C3:L100C5"). A text without ":" gives the one converted reference.
std::string ItemFromRange(const std::string& rangeA1);

/// The A1 range of a link item ("L2C3:L100C5" gives "C2:E100").
std::string RangeFromItem(const std::string& item);

/// The link topic: "Excel|[" + the workbook's file name as the file system reports it (empty
/// when no such file exists) + "]" + sheet name.
std::string LinkTopic(const std::string& workbookPath, const std::string& sheet);

/// Reads a typed A1 range into range. Returns an empty text when the range is usable, else the
/// reason, in the style of the configuration messages: no ":" between two references, a
/// reference that is not letters then digits, or a corner beyond the sheet limits.
std::string ParseRangeA1(const std::string& rangeA1, CellRange& range);

} // namespace gyro
