// The workbook reader: loads a workbook file with orcus (formulas recomputed by ixion) and writes
// the cells of a range as tab-separated lines.
#include "workbookreader.h"
#include "numerics/constants.h"

#include "cases/textfile.h"
#include "cellrange.h"
#include "sheettable.h"

#include <ixion/address.hpp>
#include <ixion/cell_access.hpp>
#include <ixion/model_context.hpp>
#include <ixion/types.hpp>
#include <orcus/format_detection.hpp>
#include <orcus/orcus_csv.hpp>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xls_xml.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/document.hpp>
#include <orcus/spreadsheet/factory.hpp>

#include <pthread.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <string_view>
#include <system_error>
#include <vector>

namespace gyro {

namespace {

namespace fs = std::filesystem;
namespace ss = orcus::spreadsheet;

enum class Format { Unknown, Damaged, Xlsx, Ods, Csv, ExcelXml, BinaryXls };

struct LoadedWorkbook {
    std::unique_ptr<ss::document> doc;
    bool csv = false;
    WorkbookFailure failure = WorkbookFailure::None;
    std::string message;
};

// Formula recomputation follows references recursively: a long chain of cells that each refer to
// the one before (a running sum down 100,000 rows) needs far more than a thread's usual stack.
// The workbook is therefore loaded on a thread whose stack is reserved large (the memory is only
// taken as it is used).
constexpr std::size_t kLoaderStackBytes = std::size_t(1) << 30;

void RunWithLargeStack(const std::function<void()>& work) {
    struct Call {
        const std::function<void()>* work;
    } call{&work};
    pthread_attr_t attr;
    pthread_t thread;
    bool started = false;
    if (pthread_attr_init(&attr) == 0) {
        for (std::size_t size = kLoaderStackBytes; size >= (std::size_t(64) << 20) && !started;
             size /= 4) {
            if (pthread_attr_setstacksize(&attr, size) != 0) continue;
            started = pthread_create(
                          &thread, &attr,
                          [](void* arg) -> void* {
                              (*static_cast<Call*>(arg)->work)();
                              return nullptr;
                          },
                          &call) == 0;
        }
        pthread_attr_destroy(&attr);
    }
    if (started)
        pthread_join(thread, nullptr);
    else
        work(); // no thread to be had: the usual stack still serves ordinary workbooks
}

std::string LowerExtension(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

Format DetectFormat(const fs::path& path, const std::string& bytes) {
    const std::string ext = LowerExtension(path);
    if (ext == ".csv") return Format::Csv;
    static const char kCompoundFile[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    if (bytes.compare(0, 8, kCompoundFile, 8) == 0) return Format::BinaryXls;
    Format format = Format::Unknown;
    try {
        switch (orcus::detect(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size())) {
        case orcus::format_t::xlsx:
            format = Format::Xlsx;
            break;
        case orcus::format_t::ods:
            format = Format::Ods;
            break;
        case orcus::format_t::xls_xml:
            format = Format::ExcelXml;
            break;
        default:
            break;
        }
    } catch (...) {
    }
    // A zip or a file named like a workbook that orcus does not recognise is a damaged workbook
    // (typically one caught while it is being written), not a foreign file.
    if (format == Format::Unknown &&
        (bytes.compare(0, 2, "PK") == 0 || ext == ".xlsx" || ext == ".xlsm" || ext == ".ods"))
        format = Format::Damaged;
    return format;
}

// Sum of the unpacked sizes that a zip's central directory declares; -1 when the directory
// cannot be found or read (the parser then reports the damage itself), or an entry's size is
// only given in the 64-bit extension (more than 4 GB: far beyond any sheet read here).
long long ZipUnpackedSize(const std::string& bytes) {
    auto u16 = [&](std::size_t at) {
        return at + 2 <= bytes.size()
                   ? unsigned(std::uint8_t(bytes[at])) | unsigned(std::uint8_t(bytes[at + 1])) << 8
                   : 0u;
    };
    auto u32 = [&](std::size_t at) {
        return std::uint32_t(u16(at)) | std::uint32_t(u16(at + 2)) << 16;
    };
    if (bytes.size() < 22) return -1;
    // The end record lies in the last 22 bytes plus a comment of at most 65535 bytes.
    const std::size_t lowest = bytes.size() > 22 + 65535 ? bytes.size() - 22 - 65535 : 0;
    std::size_t end = bytes.size() - 22;
    while (u32(end) != 0x06054b50) {
        if (end == lowest) return -1;
        --end;
    }
    const unsigned entries = u16(end + 10);
    std::size_t at = u32(end + 16);
    long long total = 0;
    for (unsigned i = 0; i < entries; ++i) {
        if (at + 46 > bytes.size() || u32(at) != 0x02014b50) return -1;
        const std::uint32_t unpacked = u32(at + 24);
        if (unpacked == 0xFFFFFFFFu) return std::numeric_limits<long long>::max();
        total += unpacked;
        at += 46 + u16(at + 28) + u16(at + 30) + u16(at + 32);
    }
    return total;
}

// CSV lines may end in CR LF; the reader wants LF alone, or the last cell of a line keeps its CR.
std::string CsvWithLineFeeds(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
            out.push_back('\n');
        } else {
            out.push_back(bytes[i]);
        }
    }
    return out;
}

// Splits one CSV line at `delimiter`, outside double quotes; quotes stay in the fields.
std::vector<std::string> CsvFields(std::string_view line, char delimiter) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        if (c == delimiter && !quoted)
            fields.emplace_back();
        else
            fields.back().push_back(c);
    }
    return fields;
}

// A number written with a decimal comma, as spreadsheets write CSV in French: "-1,5", "2,5E-3".
bool DecimalCommaNumber(const std::string& field) {
    const auto comma = field.find(',');
    if (comma == std::string::npos || field.find(',', comma + 1) != std::string::npos) return false;
    std::string point = field;
    point[comma] = '.';
    return IsNumericText(point);
}

// CSV written with semicolons between the cells (and decimal commas), as spreadsheets do where
// the comma is the decimal separator, turned into the comma-separated form the parser reads. A
// file whose first line holds a semicolon and no comma is taken for one.
void CommaSeparated(std::string& csv) {
    const std::string_view first(csv.data(), std::min(csv.find('\n'), csv.size()));
    if (first.find(';') == std::string_view::npos || first.find(',') != std::string_view::npos)
        return;
    std::string out;
    out.reserve(csv.size() + csv.size() / 8);
    std::size_t start = 0;
    while (start < csv.size()) {
        const std::size_t end = std::min(csv.find('\n', start), csv.size());
        const std::vector<std::string> fields =
            CsvFields(std::string_view(csv).substr(start, end - start), ';');
        for (std::size_t i = 0; i < fields.size(); ++i) {
            std::string field = fields[i];
            if (DecimalCommaNumber(field))
                field[field.find(',')] = '.';
            else if (field.find(',') != std::string::npos && field.front() != '"')
                field = '"' + field + '"'; // a comma inside a text keeps the text one cell
            if (i) out.push_back(',');
            out += field;
        }
        if (end < csv.size()) out.push_back('\n');
        start = end + 1;
    }
    csv = std::move(out);
}

LoadedWorkbook LoadWorkbook(const std::string& pathText) {
    LoadedWorkbook loaded;
    auto fail = [&](WorkbookFailure failure, std::string message) {
        loaded.failure = failure;
        loaded.message = std::move(message);
        return std::move(loaded);
    };
    const fs::path path(pathText);
    std::error_code ec;
    if (pathText.empty()) return fail(WorkbookFailure::Unreadable, "no workbook is selected");
    if (!fs::exists(path, ec))
        return fail(WorkbookFailure::Unreadable, pathText + ": no such workbook file");
    if (!fs::is_regular_file(path, ec))
        return fail(WorkbookFailure::Unreadable, pathText + " is not a file");
    if (fs::file_size(path, ec) > kMaxWorkbookBytes)
        return fail(WorkbookFailure::Refused, pathText + " is larger than " +
                                                  std::to_string(kMaxWorkbookBytes >> 20) +
                                                  " MB: not read");
    std::string bytes;
    const FileResult read = ReadFileHead(path, bytes, kMaxWorkbookBytes);
    if (!read.ok) return fail(WorkbookFailure::Unreadable, read.message);
    if (bytes.empty()) return fail(WorkbookFailure::Unreadable, pathText + " is empty");

    const Format format = DetectFormat(path, bytes);
    const std::string name = path.filename().string();
    switch (format) {
    case Format::BinaryXls:
        return fail(WorkbookFailure::Refused,
                    name +
                        " is an old binary Excel workbook (.xls), which is not read. Formats "
                        "read: " +
                        std::string(kWorkbookFormatsRead) + "; save the workbook in one of them");
    case Format::Unknown:
        return fail(WorkbookFailure::Refused, name + " is not a workbook in a format read (" +
                                                  std::string(kWorkbookFormatsRead) + ")");
    case Format::Damaged:
        return fail(WorkbookFailure::Unreadable, name + " is damaged or incomplete");
    default:
        break;
    }
    if (format == Format::Csv) {
        bytes = CsvWithLineFeeds(bytes);
        CommaSeparated(bytes);
    }
    // A small zip can unpack to gigabytes: refuse one that says it would exhaust the memory.
    if ((format == Format::Xlsx || format == Format::Ods) &&
        ZipUnpackedSize(bytes) > static_cast<long long>(kMaxUnpackedWorkbookBytes))
        return fail(WorkbookFailure::Refused, name + " would take more than " +
                                                  std::to_string(kMaxUnpackedWorkbookBytes >> 20) +
                                                  " MB once unpacked: not read");

    std::string error;
    auto doc = std::make_unique<ss::document>(ss::range_size_t{kSheetRowLimit, kSheetColumnLimit});
    RunWithLargeStack([&] {
        try {
            ss::import_factory factory(*doc);
            factory.set_recalc_formula_cells(true);
            std::unique_ptr<orcus::iface::import_filter> filter;
            switch (format) {
            case Format::Xlsx:
                filter = std::make_unique<orcus::orcus_xlsx>(&factory);
                break;
            case Format::Ods:
                filter = std::make_unique<orcus::orcus_ods>(&factory);
                break;
            case Format::ExcelXml:
                filter = std::make_unique<orcus::orcus_xls_xml>(&factory);
                break;
            default:
                filter = std::make_unique<orcus::orcus_csv>(&factory);
                break;
            }
            filter->read_stream(bytes);
        } catch (const std::exception& e) {
            error = e.what();
            if (error.empty()) error = "unreadable content";
        } catch (...) {
            error = "unreadable content";
        }
    });
    if (!error.empty())
        return fail(WorkbookFailure::Unreadable, name + " cannot be read: " + error);
    if (doc->get_sheet_count() == 0)
        return fail(WorkbookFailure::Unreadable, name + " holds no sheet");
    loaded.doc = std::move(doc);
    loaded.csv = format == Format::Csv;
    return loaded;
}

std::string Lower(std::string_view s) {
    std::string t(s);
    std::transform(t.begin(), t.end(), t.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return t;
}

// The sheet of that name; the exact name first, then the same name in another case (sheet names
// compare without case in spreadsheet programs). -1 when there is none.
ss::sheet_t FindSheet(const ss::document& doc, const std::string& sheet) {
    const ss::sheet_t exact = doc.get_sheet_index(sheet);
    if (exact >= 0) return exact;
    const std::string wanted = Lower(sheet);
    for (std::size_t i = 0; i < doc.get_sheet_count(); ++i)
        if (Lower(doc.get_sheet_name(static_cast<ss::sheet_t>(i))) == wanted)
            return static_cast<ss::sheet_t>(i);
    return -1;
}

std::string SheetList(const ss::document& doc) {
    std::string list;
    for (std::size_t i = 0; i < doc.get_sheet_count(); ++i) {
        if (i) list += ", ";
        list += doc.get_sheet_name(static_cast<ss::sheet_t>(i));
    }
    return list;
}

void AppendNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "#NUM!";
        return;
    }
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    out.append(buffer, result.ptr);
}

void AppendCell(std::string& out, const ixion::model_context& context,
                const ixion::abs_address_t& address) {
    const ixion::cell_access cell = context.get_cell_access(address);
    switch (cell.get_value_type()) {
    case ixion::cell_value_t::numeric:
        AppendNumber(out, cell.get_numeric_value());
        break;
    case ixion::cell_value_t::boolean:
        out += cell.get_boolean_value() ? "TRUE" : "FALSE";
        break;
    case ixion::cell_value_t::error:
        out += ixion::get_formula_error_name(cell.get_error_value());
        break;
    case ixion::cell_value_t::string:
        // A tab or a line break inside a text would split the cell or the row.
        for (char c : cell.get_string_value())
            out.push_back(c == '\t' || c == '\r' || c == '\n' ? ' ' : c);
        break;
    default:
        break;
    }
}

} // namespace

WorkbookText ReadWorkbookRange(const std::string& path, const std::string& sheet,
                               const std::string& rangeA1, int rowLimit) {
    WorkbookText result;
    CellRange range;
    const std::string rangeProblem = ParseRangeA1(rangeA1, range);
    if (!rangeProblem.empty()) {
        result.failure = WorkbookFailure::Refused;
        result.message = rangeProblem;
        return result;
    }
    LoadedWorkbook loaded = LoadWorkbook(path);
    if (!loaded.doc) {
        result.failure = loaded.failure;
        result.message = loaded.message;
        return result;
    }
    const ss::document& doc = *loaded.doc;
    const ss::sheet_t index = loaded.csv ? 0 : FindSheet(doc, sheet);
    if (index < 0) {
        result.failure = WorkbookFailure::Refused;
        result.message = fs::path(path).filename().string() + " has no sheet \"" + sheet +
                         "\"; its sheets: " + SheetList(doc);
        return result;
    }
    const CellRange r = range.normalised();
    const int rows = std::min(r.rowCount(), std::max(rowLimit, 0));
    try {
        const ixion::model_context& context = doc.get_model_context();
        for (int row = r.first.row; row < r.first.row + rows; ++row) {
            for (int column = r.first.column; column <= r.last.column; ++column) {
                if (column > r.first.column) result.text.push_back('\t');
                AppendCell(result.text, context, ixion::abs_address_t(index, row - 1, column - 1));
            }
            result.text += LineBreak;
        }
    } catch (const std::exception& e) {
        result = {};
        result.failure = WorkbookFailure::Unreadable;
        result.message = fs::path(path).filename().string() + " cannot be read: " + e.what();
        return result;
    }
    result.rows = rows;
    return result;
}

std::vector<std::string> WorkbookSheetNames(const std::string& path, std::string& message) {
    std::vector<std::string> names;
    LoadedWorkbook loaded = LoadWorkbook(path);
    message = loaded.message;
    if (!loaded.doc) return names;
    if (loaded.csv) return {fs::path(path).stem().string()};
    for (std::size_t i = 0; i < loaded.doc->get_sheet_count(); ++i)
        names.emplace_back(loaded.doc->get_sheet_name(static_cast<ss::sheet_t>(i)));
    return names;
}

} // namespace gyro
