// The dialects of text tables that spreadsheets write: UTF-16 "Unicode text", CR LF line ends,
// semicolons between cells and decimal commas; all brought to the plain comma-separated UTF-8
// form that the table parser reads.
#pragma once

#include <string>

namespace gyro {

/// Turns a UTF-16 text with its byte-order mark (as spreadsheets save "Unicode text") into UTF-8
/// in place; false, and `bytes` unchanged, when it is not such a text.
bool Utf16ToUtf8(std::string& bytes);

/// The text table in the form the parser reads: line feeds alone end the lines, and a table whose
/// first line holds a semicolon and no comma is taken as semicolon-separated with decimal commas
/// and rewritten comma-separated with decimal points.
std::string CsvForParser(const std::string& bytes);

} // namespace gyro
