// Reading a cell range of a workbook file (.xlsx, .ods, .csv, Excel 2003 XML) with orcus, as the
// tab-separated text that the spreadsheet link receives.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

namespace gyro {

/// The formats the reader knows, as the messages name them.
inline constexpr const char* kWorkbookFormatsRead =
    ".xlsx, .ods, .csv (comma- or semicolon-separated) and Excel 2003 XML (.xml)";

/// Largest workbook file read [bytes]; a bigger one is refused before it is loaded.
inline constexpr std::size_t kMaxWorkbookBytes = std::size_t(256) << 20;

/// Largest unpacked content of an .xlsx or .ods file [bytes], counted as it is unpacked.
inline constexpr std::size_t kMaxUnpackedWorkbookBytes = std::size_t(1) << 30;

/// Memory that reading one workbook may take [bytes], beyond what the program held before.
inline constexpr std::size_t kMaxWorkbookMemoryBytes = std::size_t(1) << 30;

/// Processor time that reading one workbook may take [s].
inline constexpr int kMaxWorkbookSeconds = 60;

/// What a read may cost. The read runs in a helper process that the system stops at these
/// limits, so that no workbook, however built, can exhaust the program's memory or hold it.
struct WorkbookLimits {
    std::size_t memoryBytes = kMaxWorkbookMemoryBytes;     ///< address space the reading may add
    int cpuSeconds = kMaxWorkbookSeconds;                  ///< processor time [s]
    std::size_t unpackedBytes = kMaxUnpackedWorkbookBytes; ///< unpacked zip content
    /// Set (from another thread) to abandon the read at once; may be null.
    const std::atomic<bool>* cancel = nullptr;
};

/// Why a read failed.
enum class WorkbookFailure {
    None,       ///< read
    Unreadable, ///< missing, unreadable, empty, truncated or damaged file
    Refused,    ///< a format that is not read, a sheet that is not there, a range that is wrong,
                ///< or a workbook that would cost more than its limits
    Cancelled,  ///< abandoned on request
};

/// Outcome of a read: the text, or a failure and its message.
struct WorkbookText {
    WorkbookFailure failure = WorkbookFailure::None;
    std::string message; ///< what failed (names the file); empty when read
    std::string text;    ///< one line per row ended by CR LF, cells joined by tabs
    int rows = 0;        ///< lines in text
    bool ok() const { return failure == WorkbookFailure::None; }
};

/// Reads the cells of rangeA1 ("C2:E100") of the named sheet, one line per row ended by CR LF and
/// the cells of a line separated by tabs, at most rowLimit rows from the top of the range. A
/// formula cell gives the value its workbook stored with it; only formulas without one (or all,
/// in a workbook that asks to be recomputed when opened) are computed, and only those that the
/// rows read depend on (see ComputeFormulasOfRange). Numbers are written with 15 significant digits
/// (what a spreadsheet shows of a double), texts with their tabs and line breaks turned into
/// blanks, errors as their names
/// ("#DIV/0!"), booleans as TRUE or FALSE, empty cells as nothing. A CSV file has one sheet,
/// read whatever sheet name is given. The file's content decides its format, not its name (a
/// CSV file must be text, UTF-8 or UTF-16 with its byte-order mark). Never throws; messages name
/// the file and say what is wrong in the user's terms.
WorkbookText ReadWorkbookRange(const std::string& path, const std::string& sheet,
                               const std::string& rangeA1, int rowLimit,
                               const WorkbookLimits& limits = {});

/// The sheet names of a workbook in their order (a CSV file: its file name without extension).
/// On failure the list is empty and message says why.
std::vector<std::string> WorkbookSheetNames(const std::string& path, std::string& message,
                                            const WorkbookLimits& limits = {});

} // namespace gyro
