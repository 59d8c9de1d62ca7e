// "Zefron.ini": the working-site settings, thirteen text lines created at the first start.
#pragma once

#include "settings/textfile.h"

#include <array>
#include <filesystem>
#include <string>

namespace gyro {

/// Bare name of the site settings file; it lies in the working folder.
inline constexpr const char* kZefronFileName = "Zefron.ini";
/// A file of this many bytes or fewer counts as absent (new, emptied or cut short).
inline constexpr std::uintmax_t kZefronPresentAbove = 100;
/// The constant last line (four blanks at its end).
inline constexpr const char* kZefronLine13 = "rem Fichier .ini du Programme mirav    ";

/// The first-start question for the site name.
inline constexpr const char* kZefronPrompt =
    "Vous utilisez le logiciel pour la première fois, ou bien vous avez détruit le fichier "
    "Mirav.ini"
    ". Comme les résultats dépendent de la base de données que vous allez vous constituer sur ce "
    "site, veuillez indiquer le Site de travail"
    "   Par exemple n° de station, etc..";
inline constexpr const char* kZefronTitle = "Initialisation Zefrons";
inline constexpr const char* kZefronProposedSite = "Ast166";

/// The twelve settings of "Zefron.ini", in line order (UTF-8 in memory). The folder and file
/// names keep the leading backslash they are stored with.
struct ZefronSettings {
    std::string site;               ///< 1 name of the working site
    std::string spreadsheetProgram; ///< 2 path of the spreadsheet program
    std::string baseFolder;         ///< 3 working (base) folder
    std::string docFolder;          ///< 4 documents sub-folder, "\xls_doc"
    std::string dataFolder;         ///< 5 data sub-folder, "\data"
    std::string tmpFolder;          ///< 6 temporary sub-folder, "\tmp"
    std::string lunarTmpFile;       ///< 7 temporary file of the data folder, "\miravlun.tmp"
    std::string resultsDoc;         ///< 8 results document, "\results.doc"
    std::string resultsTmpSheet;    ///< 9 temporary results workbook, "\res_tmp.xls"
    std::string mapDataFile;        ///< 10 data file, "\miravCar.dat"
    std::string mapSheet;           ///< 11 workbook of the data file, "\miravCar.xls"
    std::string polarSheet;         ///< 12 workbook of the polar data, "\Miravpol.xls"

    /// Setting of line 1 .. 12; any other number gives a scratch string that belongs to no line.
    std::string& item(int line);
    const std::string& item(int line) const;

    bool operator==(const ZefronSettings&) const = default;
};

/// The values a new file is written with: the given site, spreadsheet program and base folder,
/// and the standard sub-folder and file names.
ZefronSettings ZefronCreationValues(const std::string& site, const std::string& spreadsheetProgram,
                                    const std::string& baseFolder);

/// The bytes of the file: thirteen lines in Windows-1252, each ended by CR LF.
std::string ZefronFileBytes(const ZefronSettings& settings);

/// Reads the twelve items of lines 1..12 from the file's bytes in the sequential-input manner.
/// Items the text does not hold stay empty; the result tells how many were found.
ZefronSettings ParseZefron(const std::string& bytes, int* itemsFound = nullptr);

/// What CreateOrReadZefron did.
enum class ZefronOutcome {
    Read,        ///< the file was present (over 100 bytes) and its twelve items were read
    Created,     ///< the site was asked for and the thirteen lines were written
    WriteFailed, ///< the site was asked for, but the file could not be written
    NotPresent,  ///< read-only: the file is absent or too short, creation values in memory
};

struct ZefronResult {
    ZefronOutcome outcome = ZefronOutcome::NotPresent;
    ZefronSettings settings;
    bool prompted = false; ///< the first-start question was asked
    std::string message;   ///< what went wrong, empty when nothing did
};

/// Reads "Zefron.ini" in folder when it holds more than 100 bytes. Otherwise, when mayWrite,
/// asks the site name through the error report's Asker (Cancel or no Asker: empty site) and
/// writes the thirteen creation lines over the file (temporary file, then rename); the settings
/// returned are then the values written. When not mayWrite, nothing is asked or written and the
/// creation values with an empty site are returned.
ZefronResult CreateOrReadZefron(const std::filesystem::path& folder,
                                const std::string& spreadsheetProgram,
                                const std::string& baseFolder, bool mayWrite = true);

/// Reads the twelve items again, whatever the file's size (the configuration command). A missing
/// or unreadable file gives empty settings and a message.
ZefronResult ReadZefron(const std::filesystem::path& folder);

} // namespace gyro
