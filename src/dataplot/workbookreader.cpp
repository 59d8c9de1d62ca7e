// The workbook reader: loads a workbook file with orcus (formulas recomputed by ixion) and writes
// the cells of a range as tab-separated lines.
#include "dataplot/workbookreader.h"
#include "numerics/constants.h"

#include "dataplot/cellrange.h"
#include "dataplot/sheettable.h"
#include "dataplot/workbookzip.h"
#include "settings/textfile.h"

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

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
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

// Text in UTF-16 with its byte-order mark (as spreadsheets save "Unicode text") turned into
// UTF-8; false when `bytes` is not such a text.
bool Utf16ToUtf8(std::string& bytes) {
    if (bytes.size() < 2) return false;
    const unsigned char b0 = static_cast<unsigned char>(bytes[0]);
    const unsigned char b1 = static_cast<unsigned char>(bytes[1]);
    const bool little = b0 == 0xFF && b1 == 0xFE, big = b0 == 0xFE && b1 == 0xFF;
    if (!little && !big) return false;
    std::string out;
    out.reserve(bytes.size() / 2);
    auto unit = [&](std::size_t at) -> unsigned {
        const unsigned lo = static_cast<unsigned char>(bytes[at + (little ? 0 : 1)]);
        const unsigned hi = static_cast<unsigned char>(bytes[at + (little ? 1 : 0)]);
        return hi << 8 | lo;
    };
    for (std::size_t at = 2; at + 1 < bytes.size(); at += 2) {
        unsigned code = unit(at);
        if (code >= 0xD800 && code < 0xDC00 && at + 3 < bytes.size()) {
            const unsigned low = unit(at + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                at += 2;
            }
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | code >> 6));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | code >> 12));
            out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | code >> 18));
            out.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    bytes = std::move(out);
    return true;
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
        bytes = CsvWithLineFeeds(bytes);
        CommaSeparated(bytes);
    }
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

// --- The helper process -------------------------------------------------------------------
//
// The parser and the formula engine allocate as the file asks: nesting depth, string lengths,
// the cells of a formula range and the work of recomputing them are all chosen by whoever wrote
// the file. Rather than bound each of them from outside, the read runs in a child process that
// the system stops at a memory and a processor-time limit; the program then says which limit the
// workbook passed. The child sends its result back through a pipe.

volatile std::sig_atomic_t g_memoryExhausted = 0;

void NoteMemoryExhausted() {
    g_memoryExhausted = 1;
    std::set_new_handler(nullptr);
    throw std::bad_alloc();
}

void PutSize(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
}

bool GetSize(const std::string& in, std::size_t& at, std::uint64_t& v) {
    if (in.size() < at + 8) return false;
    v = 0;
    for (int i = 0; i < 8; ++i) v |= std::uint64_t(std::uint8_t(in[at + i])) << (8 * i);
    at += 8;
    return true;
}

std::string Encode(const WorkbookText& r) {
    std::string out;
    PutSize(out, static_cast<std::uint64_t>(r.failure));
    PutSize(out, static_cast<std::uint64_t>(r.rows));
    PutSize(out, r.message.size());
    out += r.message;
    PutSize(out, r.text.size());
    out += r.text;
    return out;
}

bool Decode(const std::string& in, WorkbookText& r) {
    std::size_t at = 0;
    std::uint64_t failure = 0, rows = 0, length = 0;
    if (!GetSize(in, at, failure) || !GetSize(in, at, rows) || !GetSize(in, at, length) ||
        failure > static_cast<std::uint64_t>(WorkbookFailure::Cancelled) || in.size() - at < length)
        return false;
    r.failure = static_cast<WorkbookFailure>(failure);
    r.rows = static_cast<int>(rows);
    r.message = in.substr(at, length);
    at += length;
    if (!GetSize(in, at, length) || in.size() - at != length) return false;
    r.text = in.substr(at);
    return true;
}

// Address space the process holds now [bytes] (unused under the sanitizers, which bound no memory).
[[maybe_unused]] std::size_t AddressSpaceNow() {
    std::string statm;
    ReadFileHead("/proc/self/statm", statm, 256);
    const std::size_t pages = std::strtoull(statm.c_str(), nullptr, 10);
    return pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

void LimitChild(const WorkbookLimits& limits) {
    rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
    const rlim_t seconds = static_cast<rlim_t>(std::max(limits.cpuSeconds, 1));
    rlimit cpu{seconds, seconds + 1}; // SIGXCPU first, SIGKILL one second later
    ::setrlimit(RLIMIT_CPU, &cpu);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // The sanitizers reserve terabytes of address space for themselves: under them only the
    // processor time is bounded.
    const rlim_t bytes =
        static_cast<rlim_t>(AddressSpaceNow() + kLoaderStackBytes + limits.memoryBytes);
    rlimit as{};
    ::getrlimit(RLIMIT_AS, &as);
    if (as.rlim_cur == RLIM_INFINITY || bytes < as.rlim_cur) {
        as.rlim_cur = bytes;
        ::setrlimit(RLIMIT_AS, &as);
    }
#endif
}

// Control bytes of a file or sheet name must not reach a terminal or a window as they are.
std::string Printable(std::string text) {
    for (char& c : text)
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F) c = '?';
    return text;
}

WorkbookText Failed(WorkbookFailure failure, std::string message) {
    WorkbookText r;
    r.failure = failure;
    r.message = Printable(std::move(message));
    return r;
}

WorkbookText ReadInHelper(const std::function<WorkbookText()>& work, const WorkbookLimits& limits,
                          const std::string& path) {
    const std::string name = fs::path(path).filename().string();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return Failed(WorkbookFailure::Unreadable,
                      name + " cannot be read: the system refused a helper process");
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return Failed(WorkbookFailure::Unreadable,
                      name + " cannot be read: the system refused a helper process");
    }
    if (child == 0) {
        ::close(fds[0]);
        // The parser's own diagnostics are not for the user.
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        LimitChild(limits);
        std::set_new_handler(NoteMemoryExhausted);
        WorkbookText result;
        try {
            result = work();
        } catch (const std::exception& e) {
            result =
                Failed(WorkbookFailure::Unreadable, name + " cannot be read: " + ParserFailure(e));
        } catch (...) {
            result = Failed(WorkbookFailure::Unreadable,
                            name + " cannot be read: it holds data this program cannot read");
        }
        if (g_memoryExhausted) {
            result = WorkbookText{};
            result.failure = WorkbookFailure::Refused;
        }
        std::string bytes;
        try {
            bytes = Encode(result);
        } catch (...) {
            ::_exit(3);
        }
        if (g_memoryExhausted) ::_exit(4);
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::write(fds[1], bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                if (n < 0 && errno == EINTR) continue;
                ::_exit(2);
            }
            done += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    // Collect the answer. A child that blocks without computing would never meet its
    // processor-time limit: it gets a generous wall-clock time too.
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::seconds(4 * std::max(limits.cpuSeconds, 1) + 10);
    std::string answer;
    bool cancelled = false, late = false;
    char buffer[1 << 16];
    for (;;) {
        if (limits.cancel && limits.cancel->load()) {
            cancelled = true;
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            late = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, 50);
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) continue;
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        answer.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (cancelled || late) ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (cancelled) return Failed(WorkbookFailure::Cancelled, "reading " + name + " was cancelled");
    const std::string memory = std::to_string(limits.memoryBytes >> 20) + " MB of memory";
    const std::string time = std::to_string(limits.cpuSeconds) + " s of computing";
    if (late ||
        (WIFSIGNALED(status) && (WTERMSIG(status) == SIGXCPU || WTERMSIG(status) == SIGKILL)))
        return Failed(WorkbookFailure::Refused,
                      name + " is not read: reading it would take more than " + time);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 4)
        return Failed(WorkbookFailure::Refused,
                      name + " is not read: reading it would take more than " + memory);
    WorkbookText result;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && Decode(answer, result)) {
        result.message = Printable(std::move(result.message));
        return result;
    }
    // Killed by the system or by a fault: a deep nesting that ran out of stack, memory that ran
    // out where no allocation could report it.
    return Failed(WorkbookFailure::Unreadable,
                  name + " cannot be read: it is damaged, or it would take more than " + memory +
                      " or " + time + " to read");
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
    return ReadInHelper([&] { return ReadRangeHere(path, sheet, rangeA1, rowLimit, limits); },
                        limits, path);
}

std::vector<std::string> WorkbookSheetNames(const std::string& path, std::string& message,
                                            const WorkbookLimits& limits) {
    const WorkbookText read =
        ReadInHelper([&] { return SheetNamesHere(path, limits); }, limits, path);
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
