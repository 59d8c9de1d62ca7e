// Start-up: the shared constants, the working site read from (or created in) "Zefron.ini", and
// the full paths of the working folders and files built from it.
#pragma once

#include "numerics/constants.h"
#include "numerics/vecteur3.h"
#include "settings/zefronini.h"

#include <filesystem>
#include <string>

namespace gyro {

/// The shared unit vectors (ez gives the axis of the field shapes) and a fourth shared vector,
/// set to the unit vector along x at start-up.
inline Vecteur3 ex{1, 0, 0};
inline Vecteur3 ey{0, 1, 0};
inline Vecteur3 ez{0, 0, 1};
inline Vecteur3 eu{1, 0, 0};

/// The line break of assembled texts: carriage return and line feed.
inline std::string SautLigne = LineBreak;
/// Fifteen dashes, a separator line in assembled texts.
inline std::string Ligne15 = std::string(15, '-');

/// Interactive: ask for the site and create "Zefron.ini" when it is missing (the window).
/// ReadOnly: read "Zefron.ini" when it is there, never ask and never write (a batch run).
enum class StartupMode { Interactive, ReadOnly };

/// The working site: the twelve settings of "Zefron.ini" and the full paths built from them.
/// Paths are UTF-8 text built with the platform's separator.
struct StartupSettings {
    ZefronSettings items;      ///< lines 1..12 as stored (names with their leading "\")
    std::string currentFolder; ///< the folder the start-up worked in (holds "Zefron.ini")
    ZefronOutcome outcome = ZefronOutcome::NotPresent; ///< read, created, or neither
    bool prompted = false;                             ///< the site was asked for
    std::string message;                               ///< what went wrong, empty when nothing did

    std::string spreadsheetCommand; ///< " " + line 2: the program as it starts a command line
    std::string spreadsheetProgram; ///< line 2 alone (the graph window's copy)
    std::string docFolder;          ///< working folder + line 4
    std::string dataFolder;         ///< working folder + line 5
    std::string tmpFolder;          ///< working folder + line 6
    std::string mapDataFile;        ///< data folder + line 10
    std::string lunarTmpFile;       ///< data folder + line 7
    std::string resultsDoc;         ///< documents folder + line 8
    std::string resultsTmpSheet;    ///< documents folder + line 9
    std::string mapSheet;           ///< documents folder + line 11
    std::string polarSheet;         ///< documents folder + line 12
};

/// What the start-up settles, once per program state (see ProgramState::startup()).
struct StartupState {
    StartupSettings Site;     ///< the working site, filled by Demarrage
    std::string Annee;        ///< the current year, four digits, never before "1989"
    std::string CleEnreg;     ///< the record key of the example memo: "__Zefrons_" + year + "__"
    double DemarrageFait = 0; ///< 1 once the start-up has done its work
};

/// The start-up state of the program state current on this thread (ProgramState::current()),
/// and its parts.
StartupState& startupState();
inline StartupSettings& Site() {
    return startupState().Site;
}
inline std::string& Annee() {
    return startupState().Annee;
}
inline std::string& CleEnreg() {
    return startupState().CleEnreg;
}

/// The start-up, once per program state (later calls return false at once): sets Ldim to 8, the
/// shared vectors and strings, the year and record key, then reads "Zefron.ini" in folder (empty:
/// the current folder) or, in Interactive mode, creates it after asking for the site through the
/// error report's Asker, and builds the full paths into Site(). Faults are logged with the label
/// "_Demarragefaute" and never stop the start-up.
bool Demarrage(const std::filesystem::path& folder = {},
               StartupMode mode = StartupMode::Interactive);

/// Reads the twelve items of "Zefron.ini" in folder (empty: the current folder) again and builds
/// the full paths (the "Configuration" menu and the "Config. Data" button). Site() is not changed;
/// a missing file gives empty settings and a message.
StartupSettings ReadConfiguration(const std::filesystem::path& folder = {});

/// Builds the full paths of s from its items (on systems with short names, shortened).
void BuildFullPaths(StartupSettings& s);

/// A folder followed by a stored name such as "\xls_doc": the name's backslashes become the
/// platform's separator and the two are joined as paths. An empty side gives the other.
std::string JoinStoredName(const std::string& folder, const std::string& storedName);

/// Rewrites a backslash-separated path into its 8.3 short form in place: every folder name of
/// 9 characters or more becomes its first 6 characters and "~1"; a file name's part before its
/// last "." likewise, the extension kept; the drive (before the first "\") stays.
void ShortPath(std::string& p);

/// The year as four digits; a year before 1989 gives "1989".
std::string YearText(int year);
/// The year of the system date.
int CurrentYear();

/// The first spreadsheet program found in the folders of a PATH-style list ("libreoffice",
/// "localc", "soffice", "gnumeric", in that order of preference); empty when there is none.
std::string FindSpreadsheetProgram(const std::string& pathList);
/// FindSpreadsheetProgram on the PATH of this process.
std::string DefaultSpreadsheetProgram();

/// The settings as the configuration command shows them: the current folder, the twelve items
/// and the full paths, one per line (CR LF).
std::string ConfigurationText(const StartupSettings& s);

/// Forgets the start-up, as at program start (for tests).
void ResetStartup();

} // namespace gyro
