// Test helpers for the workbook tests: the example workbooks and whole-file bytes.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace gyro::test {

/// The example workbook of that extension (".xlsx", ".ods", ".csv").
inline std::string ExampleWorkbook(const char* ext) {
    return std::string(GYRO_EXAMPLES_DIR) + "/courbes" + ext;
}

/// The whole file as bytes (empty when it cannot be read).
inline std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

/// Replaces the file with these bytes.
inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

} // namespace gyro::test
