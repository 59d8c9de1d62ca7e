// "Zefron.ini": creation values, the thirteen-line format, sequential reading and the site prompt.
#include "settings/zefronini.h"

#include "numerics/constants.h"
#include "numerics/errorreport.h"
#include "settings/codepage.h"

namespace gyro {

namespace fs = std::filesystem;

namespace {

using Member = std::string ZefronSettings::*;
constexpr std::array<Member, 12> kLines = {
    &ZefronSettings::site,
    &ZefronSettings::spreadsheetProgram,
    &ZefronSettings::baseFolder,
    &ZefronSettings::docFolder,
    &ZefronSettings::dataFolder,
    &ZefronSettings::tmpFolder,
    &ZefronSettings::lunarTmpFile,
    &ZefronSettings::resultsDoc,
    &ZefronSettings::resultsTmpSheet,
    &ZefronSettings::mapDataFile,
    &ZefronSettings::mapSheet,
    &ZefronSettings::polarSheet,
};

bool inLines(int line) {
    return line >= 1 && line <= 12;
}

// A line break inside a value would shift every later line of the file: it becomes a blank.
std::string OneLine(std::string value) {
    for (char& c : value)
        if (c == '\r' || c == '\n') c = ' ';
    return value;
}

} // namespace

std::string& ZefronSettings::item(int line) {
    thread_local std::string scratch;
    if (!inLines(line)) return scratch = {};
    return this->*kLines[static_cast<std::size_t>(line - 1)];
}

const std::string& ZefronSettings::item(int line) const {
    static const std::string empty;
    if (!inLines(line)) return empty;
    return this->*kLines[static_cast<std::size_t>(line - 1)];
}

ZefronSettings ZefronCreationValues(const std::string& site, const std::string& spreadsheetProgram,
                                    const std::string& baseFolder) {
    ZefronSettings s;
    s.site = site;
    s.spreadsheetProgram = spreadsheetProgram;
    s.baseFolder = baseFolder;
    s.docFolder = "\\xls_doc";
    s.dataFolder = "\\data";
    s.tmpFolder = "\\tmp";
    s.lunarTmpFile = "\\miravlun.tmp";
    s.resultsDoc = "\\results.doc";
    s.resultsTmpSheet = "\\res_tmp.xls";
    s.mapDataFile = "\\miravCar.dat";
    s.mapSheet = "\\miravCar.xls";
    s.polarSheet = "\\Miravpol.xls";
    return s;
}

std::string ZefronFileBytes(const ZefronSettings& settings) {
    std::string text;
    for (int line = 1; line <= 12; ++line) {
        text += OneLine(settings.item(line));
        text += LineBreak;
    }
    text += kZefronLine13;
    text += LineBreak;
    return Utf8ToCp1252(text);
}

ZefronSettings ParseZefron(const std::string& bytes, int* itemsFound) {
    ZefronSettings s;
    SequentialReader reader(bytes);
    int found = 0;
    std::string item;
    while (found < 12 && reader.next(item)) {
        ++found;
        s.item(found) = Cp1252ToUtf8(item);
    }
    if (itemsFound) *itemsFound = found;
    return s;
}

ZefronResult ReadZefron(const fs::path& folder) {
    ZefronResult result;
    std::string bytes;
    const FileResult read = ReadFileHead(folder / kZefronFileName, bytes);
    if (!read.ok) {
        result.message = read.message;
        return result;
    }
    int found = 0;
    result.settings = ParseZefron(bytes, &found);
    result.outcome = ZefronOutcome::Read;
    if (found < 12)
        result.message = std::string(kZefronFileName) + " holds " + std::to_string(found) +
                         " of its 12 settings; the others are empty";
    return result;
}

ZefronResult CreateOrReadZefron(const fs::path& folder, const std::string& spreadsheetProgram,
                                const std::string& baseFolder, bool mayWrite) {
    const fs::path file = folder / kZefronFileName;
    if (RegularFileSize(file) > kZefronPresentAbove) return ReadZefron(folder);

    ZefronResult result;
    if (!mayWrite) {
        result.outcome = ZefronOutcome::NotPresent;
        result.settings = ZefronCreationValues("", spreadsheetProgram, baseFolder);
        result.message = std::string(kZefronFileName) + " is absent: working with the standard "
                                                        "folders and no site name";
        return result;
    }
    Asker* asker = ErrorReport::instance().asker();
    const std::string site =
        asker ? asker->ask(kZefronPrompt, kZefronTitle, kZefronProposedSite) : std::string();
    result.prompted = asker != nullptr;
    // The settings in memory are the values as written (a character the code page cannot hold
    // becomes '?' in both), so this run and the next one work with the same names.
    result.settings = ZefronCreationValues(site, spreadsheetProgram, baseFolder);
    for (int line = 1; line <= 12; ++line) {
        std::string& value = result.settings.item(line);
        value = Cp1252ToUtf8(Utf8ToCp1252(OneLine(value)));
    }
    const FileResult written = WriteFileReplacing(file, ZefronFileBytes(result.settings));
    result.outcome = written.ok ? ZefronOutcome::Created : ZefronOutcome::WriteFailed;
    result.message = written.message;
    return result;
}

} // namespace gyro
