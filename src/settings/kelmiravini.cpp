// "kelmirav.ini": writing and reading the four quoted link settings.
#include "settings/kelmiravini.h"

#include "numerics/constants.h"
#include "settings/codepage.h"

#include <array>
#include <cstdio>
#include <system_error>

namespace gyro {

namespace fs = std::filesystem;

namespace {

// A quote would end the value early and a line break would split the line: both become blanks.
std::string Quoted(std::string value) {
    for (char& c : value)
        if (c == '"' || c == '\r' || c == '\n') c = ' ';
    return '"' + value + '"';
}

} // namespace

fs::path KelmiravPath(const fs::path& folder) {
    return folder / kKelmiravFileName;
}

std::string KelmiravFileBytes(const KelmiravSettings& s) {
    const std::string line = Quoted(s.program) + "," + Quoted(s.workbook) + "," + Quoted(s.sheet) +
                             "," + Quoted(s.range) + LineBreak;
    return Utf8ToCp1252(line);
}

FileResult WriteKelmirav(const fs::path& file, const KelmiravSettings& settings) {
    return WriteFileReplacing(file, KelmiravFileBytes(settings));
}

FileResult ReadKelmirav(const fs::path& file, KelmiravSettings& settings) {
    std::error_code ec;
    if (!fs::exists(file, ec) && !ec) {
        // Leave an empty file for the next time, as opening for appending would.
        std::FILE* f = std::fopen(file.string().c_str(), "ab");
        if (f) std::fclose(f);
        return {false, file.string() + " was not found: created empty, settings kept"};
    }
    std::string bytes;
    const FileResult read = ReadFileHead(file, bytes);
    if (!read.ok) return read;
    SequentialReader reader(bytes);
    const std::array<std::string*, 4> items = {&settings.program, &settings.workbook,
                                               &settings.sheet, &settings.range};
    int found = 0;
    std::string item;
    for (std::string* target : items) {
        if (!reader.next(item)) break;
        *target = Cp1252ToUtf8(item);
        ++found;
    }
    if (found < 4)
        return {false, file.string() + " holds " + std::to_string(found) +
                           " of its 4 settings; the others are kept"};
    return {};
}

} // namespace gyro
