// The text-table dialects brought to plain comma-separated UTF-8.
#include "sheets/csvdialect.h"

#include "sheets/sheettable.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace gyro {

namespace {

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

} // namespace

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

std::string CsvForParser(const std::string& bytes) {
    std::string csv = CsvWithLineFeeds(bytes);
    CommaSeparated(csv);
    return csv;
}

} // namespace gyro
