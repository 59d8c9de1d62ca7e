// "kelmirav.ini": the spreadsheet link settings, one line of four quoted strings.
#pragma once

#include "settings/textfile.h"

#include <filesystem>
#include <string>

namespace gyro {

/// Bare name of the spreadsheet link settings file.
inline constexpr const char* kKelmiravFileName = "kelmirav.ini";

/// The four settings of the spreadsheet link (UTF-8 in memory), in file order.
struct KelmiravSettings {
    std::string program;  ///< path of the spreadsheet program
    std::string workbook; ///< path of the selected workbook
    std::string sheet;    ///< name of the sheet tab
    std::string range;    ///< cell range, two cell references joined by a colon ("C2:E100")

    bool operator==(const KelmiravSettings&) const = default;
};

/// The file in the given folder (the folder the data-plot window fixed when it first needed it).
std::filesystem::path KelmiravPath(const std::filesystem::path& folder);

/// The file's bytes: "program","workbook","sheet","range" and CR LF, in Windows-1252. A value
/// cannot hold a double quote or a line break: these become blanks.
std::string KelmiravFileBytes(const KelmiravSettings& settings);

/// Rewrites the whole file (temporary file, then rename: the old file survives a failure).
FileResult WriteKelmirav(const std::filesystem::path& file, const KelmiravSettings& settings);

/// Reads the four items into settings, in order. A missing file is created empty and the
/// settings are kept; items the file does not hold leave the remaining settings as they were.
/// The message tells what could not be done (empty when all was read).
FileResult ReadKelmirav(const std::filesystem::path& file, KelmiravSettings& settings);

} // namespace gyro
