// Conversion between the program's UTF-8 strings and the Windows-1252 bytes of its data files.
#pragma once

#include <string>

namespace gyro {

/// Converts UTF-8 text to Windows-1252 bytes. Characters the code page cannot hold, and bytes
/// that are not valid UTF-8, become '?'. The five bytes Windows-1252 leaves undefined (0x81,
/// 0x8D, 0x8F, 0x90, 0x9D) are reached from the control characters U+0081 .. U+009D of the same
/// value, so that any byte string survives a round trip through Cp1252ToUtf8.
std::string Utf8ToCp1252(const std::string& utf8);

/// Converts Windows-1252 bytes to UTF-8. Every byte maps to one character, so this never fails;
/// the undefined bytes become the control characters of the same value.
std::string Cp1252ToUtf8(const std::string& bytes);

/// Upper-cases Windows-1252 bytes: ASCII letters, the Latin-1 letters (except sharp s and the
/// division sign) and the four letters of 0x80..0x9F that have an upper case (š œ ž ÿ).
std::string UpperCp1252(const std::string& bytes);

} // namespace gyro
