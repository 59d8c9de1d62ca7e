// The workbook reader: loads a workbook file with orcus, computes with ixion the formulas that the
// range needs and that hold no stored value, and writes the cells of the range as tab-separated
// lines.
#include "sheets/workbookreader.h"
#include "numerics/constants.h"

#include "settings/textfile.h"
#include "sheets/cellrange.h"
#include "sheets/csvdialect.h"
#include "sheets/formulacells.h"
#include "sheets/readingchild.h"
#include "sheets/sheettable.h"
#include "sheets/workbookzip.h"

#include <ixion/address.hpp>
#include <ixion/cell_access.hpp>
#include <ixion/model_context.hpp>
#include <ixion/types.hpp>
#include <orcus/csv_parser_base.hpp>
#include <orcus/exception.hpp>
#include <orcus/format_detection.hpp>
#include <orcus/orcus_csv.hpp>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xls_xml.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/parser_base.hpp>
#include <orcus/spreadsheet/document.hpp>
#include <orcus/spreadsheet/factory.hpp>
#include <orcus/zip_archive.hpp>

#include <pthread.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
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
    bool recomputeAll = false; // the stored formula values are not to be trusted
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

// The format of a file, from its content; the name only tells a text table (.csv, .txt) from
// other text. A UTF-16 text is turned into UTF-8 on the way.
Format DetectFormat(const fs::path& path, std::string& bytes) {
    const std::string ext = LowerExtension(path);
    static const char kCompoundFile[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    if (bytes.compare(0, 8, kCompoundFile, 8) == 0) return Format::BinaryXls;
    const bool zip = bytes.compare(0, 2, "PK") == 0;
    Format format = Format::Unknown;
    if (zip || ext != ".csv") {
        try {
            switch (
                orcus::detect(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size())) {
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
    }
    if (format != Format::Unknown) return format;
    // A zip or a file named like a workbook that is not recognised is a damaged workbook
    // (typically one caught while it is being written), not a foreign file.
    if (zip || ext == ".xlsx" || ext == ".xlsm" || ext == ".ods") return Format::Damaged;
    if (ext != ".csv") return Format::Unknown;
    Utf16ToUtf8(bytes);
    if (bytes.find('\0') != std::string::npos) return Format::Unknown; // binary, not a text
    return Format::Csv;
}

// What an exception from the parser means, in the user's terms.
std::string ParserFailure(const std::exception& e) {
    if (dynamic_cast<const std::bad_alloc*>(&e) || dynamic_cast<const std::length_error*>(&e))
        return "it needs more memory than a workbook may take";
    if (dynamic_cast<const orcus::zip_error*>(&e)) return "its zip container is damaged";
    if (dynamic_cast<const orcus::csv::parse_error*>(&e)) return "its text is not a readable table";
    if (dynamic_cast<const orcus::parse_error*>(&e) ||
        dynamic_cast<const orcus::xml_structure_error*>(&e))
        return "its XML is malformed or cut short";
    return "it holds data this program cannot read";
}

LoadedWorkbook LoadWorkbook(const std::string& pathText, const WorkbookLimits& limits) {
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

    const std::string name = path.filename().string();
    // A small zip can unpack to gigabytes: every part is unpacked once and counted before
    // anything else looks inside.
    if (bytes.compare(0, 4, "PK\x03\x04") == 0) {
        const ZipCheck zip = CheckWorkbookZip(bytes, limits.unpackedBytes);
        loaded.recomputeAll = zip.recomputeOnOpen;
        if (zip.verdict == ZipCheck::Verdict::TooLarge)
            return fail(WorkbookFailure::Refused, name + " is not read: " + zip.problem);
        if (zip.verdict == ZipCheck::Verdict::Damaged)
            return fail(WorkbookFailure::Unreadable, name + " is damaged: " + zip.problem);
    }
    const Format format = DetectFormat(path, bytes);
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
        bytes = CsvForParser(bytes);
    }
    std::string error;
    auto doc = std::make_unique<ss::document>(ss::range_size_t{kSheetRowLimit, kSheetColumnLimit});
    RunWithLargeStack([&] {
        try {
            ss::import_factory factory(*doc);
            // Formulas are computed later, only those that the range read depends on. A formula
            // the reader cannot parse (a function it does not know, a sheet that is not there)
            // costs its own cell, not the workbook.
            factory.set_recalc_formula_cells(false);
            factory.set_formula_error_policy(ss::formula_error_policy_t::skip);
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
            error = ParserFailure(e);
        } catch (...) {
            error = "it holds data this program cannot read";
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

constexpr std::size_t kMaxCellText = 1024; // bytes of a text cell passed on

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
    case ixion::cell_value_t::string: {
        // A tab or a line break inside a text would split the cell or the row, and other control
        // bytes would reach a terminal or a window as they are: all become blanks. A cell text
        // is a command or a note: what passes kMaxCellText bytes is cut.
        const std::string_view text = cell.get_string_value();
        for (char c : text.substr(0, kMaxCellText))
            out.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c);
        break;
    }
    default:
        break;
    }
}

WorkbookText ReadRangeHere(const std::string& path, const std::string& sheet,
                           const std::string& rangeA1, int rowLimit, const WorkbookLimits& limits) {
    WorkbookText result;
    CellRange range;
    const std::string rangeProblem = ParseRangeA1(rangeA1, range);
    if (!rangeProblem.empty()) {
        result.failure = WorkbookFailure::Refused;
        result.message = rangeProblem;
        return result;
    }
    LoadedWorkbook loaded = LoadWorkbook(path, limits);
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
        // The rows read are brought up to date first: their formulas and what they depend on.
        ixion::model_context& context = loaded.doc->get_model_context();
        if (rows > 0)
            ComputeFormulasOfRange(context,
                                   ixion::abs_range_t(index, r.first.row - 1, r.first.column - 1,
                                                      rows, r.last.column - r.first.column + 1),
                                   loaded.recomputeAll);
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
        result.message = fs::path(path).filename().string() +
                         " cannot be read: " + ParserFailure(e) + " (sheet " + sheet + ")";
        return result;
    }
    result.rows = rows;
    return result;
}

// The sheet names, one per line of the text.
WorkbookText SheetNamesHere(const std::string& path, const WorkbookLimits& limits) {
    WorkbookText result;
    LoadedWorkbook loaded = LoadWorkbook(path, limits);
    result.failure = loaded.failure;
    result.message = loaded.message;
    if (!loaded.doc) return result;
    if (loaded.csv) {
        result.text = fs::path(path).stem().string() + "\n";
        return result;
    }
    for (std::size_t i = 0; i < loaded.doc->get_sheet_count(); ++i)
        result.text += std::string(loaded.doc->get_sheet_name(static_cast<ss::sheet_t>(i))) + "\n";
    return result;
}

// The work's result, or a failure saying in the user's terms what a parser exception meant.
WorkbookText Translated(const std::string& path, const std::function<WorkbookText()>& work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        throw; // the reading child reports the memory limit
    } catch (const std::exception& e) {
        WorkbookText r;
        r.failure = WorkbookFailure::Unreadable;
        r.message = fs::path(path).filename().string() + " cannot be read: " + ParserFailure(e);
        return r;
    }
}

} // namespace

WorkbookText ReadWorkbookRange(const std::string& path, const std::string& sheet,
                               const std::string& rangeA1, int rowLimit,
                               const WorkbookLimits& limits) {
    CellRange range;
    if (const std::string problem = ParseRangeA1(rangeA1, range); !problem.empty()) {
        WorkbookText result;
        result.failure = WorkbookFailure::Refused;
        result.message = problem;
        return result;
    }
    return ReadInHelper(
        [&] {
            return Translated(
                path, [&] { return ReadRangeHere(path, sheet, rangeA1, rowLimit, limits); });
        },
        limits, path, kLoaderStackBytes);
}

std::vector<std::string> WorkbookSheetNames(const std::string& path, std::string& message,
                                            const WorkbookLimits& limits) {
    const WorkbookText read =
        ReadInHelper([&] { return Translated(path, [&] { return SheetNamesHere(path, limits); }); },
                     limits, path, kLoaderStackBytes);
    message = read.message;
    std::vector<std::string> names;
    if (!read.ok()) return names;
    std::size_t at = 0;
    while (at < read.text.size()) {
        const std::size_t end = read.text.find('\n', at);
        names.push_back(read.text.substr(at, end - at));
        at = end + 1;
    }
    return names;
}

} // namespace gyro
