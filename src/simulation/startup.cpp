// Start-up: shared constants, the working site from "Zefron.ini", full paths, short names.
#include "simulation/startup.h"

#include "numerics/errorreport.h"

#include <cstdlib>
#include <ctime>
#include <system_error>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace gyro {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr bool kShortNames = true; // paths go to a command line in their 8.3 form
constexpr char kPathListSeparator = ';';
#else
constexpr bool kShortNames = false; // no 8.3 names here: paths stay as they are
constexpr char kPathListSeparator = ':';
#endif

// Length of a UTF-8 text in characters.
std::size_t utf8Length(const std::string& s) {
    std::size_t n = 0;
    for (const char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

// The first n characters of a UTF-8 text.
std::string utf8Prefix(const std::string& s, std::size_t n) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (count == n) return s.substr(0, i);
            ++count;
        }
    }
    return s;
}

// "\" + name: 10 characters or more become the "\", six characters and "~1".
std::string shortName(const std::string& part) {
    return utf8Length(part) >= 10 ? utf8Prefix(part, 7) + "~1" : part;
}

bool isExecutableFile(const fs::path& p) {
    std::error_code ec;
    if (!fs::is_regular_file(p, ec)) return false;
#ifdef _WIN32
    return true;
#else
    return ::access(p.c_str(), X_OK) == 0;
#endif
}

void shorten(std::string& p) {
    if (kShortNames) ShortPath(p);
}

} // namespace

std::string JoinStoredName(const std::string& folder, const std::string& storedName) {
    std::string rel = storedName;
    for (char& c : rel)
        if (c == '\\') c = '/';
    const auto first = rel.find_first_not_of('/');
    rel = first == std::string::npos ? std::string() : rel.substr(first);
    if (folder.empty()) return fs::path(rel).make_preferred().string();
    if (rel.empty()) return folder;
    return (fs::path(folder) / fs::path(rel).make_preferred()).string();
}

void ShortPath(std::string& p) {
    // Split at "\" into at most 30 parts; the last part keeps any further "\".
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (parts.size() < 29) {
        const std::size_t pos = p.find('\\', start);
        if (pos == std::string::npos) break;
        parts.push_back(p.substr(start, pos - start));
        start = pos + 1;
    }
    parts.push_back(p.substr(start));
    if (parts.size() == 1) return;

    std::string out = parts[0];
    for (std::size_t i = 1; i + 1 < parts.size(); ++i) out += shortName("\\" + parts[i]);
    const std::string last = "\\" + parts.back();
    const std::size_t dot = last.rfind('.');
    if (dot == std::string::npos) {
        out += shortName(last);
    } else {
        out += shortName(last.substr(0, dot)) + last.substr(dot);
    }
    p = out;
}

std::string YearText(int year) {
    if (year < 1989) return "1989";
    std::string text = std::to_string(year);
    return text.size() < 4 ? std::string(4 - text.size(), '0') + text : text;
}

int CurrentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local.tm_year + 1900;
}

std::string FindSpreadsheetProgram(const std::string& pathList) {
    std::vector<std::string> folders;
    std::size_t start = 0;
    while (start <= pathList.size()) {
        std::size_t end = pathList.find(kPathListSeparator, start);
        if (end == std::string::npos) end = pathList.size();
        // An empty entry means the current folder: a program there is not an installed one.
        if (end > start) folders.push_back(pathList.substr(start, end - start));
        start = end + 1;
    }
    for (const char* name : {"libreoffice", "localc", "soffice", "gnumeric"}) {
        for (const std::string& folder : folders) {
            const fs::path candidate = fs::path(folder) / name;
            if (isExecutableFile(candidate)) return candidate.string();
        }
    }
    return {};
}

std::string DefaultSpreadsheetProgram() {
    const char* path = std::getenv("PATH");
    return path ? FindSpreadsheetProgram(path) : std::string();
}

void BuildFullPaths(StartupSettings& s) {
    const ZefronSettings& z = s.items;
    s.spreadsheetCommand = " " + z.spreadsheetProgram;
    s.spreadsheetProgram = z.spreadsheetProgram;
    shorten(s.spreadsheetCommand);
    shorten(s.spreadsheetProgram);

    s.docFolder = JoinStoredName(z.baseFolder, z.docFolder);
    s.dataFolder = JoinStoredName(z.baseFolder, z.dataFolder);
    s.tmpFolder = JoinStoredName(z.baseFolder, z.tmpFolder);
    shorten(s.docFolder);
    shorten(s.dataFolder);
    shorten(s.tmpFolder);

    s.mapDataFile = JoinStoredName(s.dataFolder, z.mapDataFile);
    s.lunarTmpFile = JoinStoredName(s.dataFolder, z.lunarTmpFile);
    s.resultsDoc = JoinStoredName(s.docFolder, z.resultsDoc);
    s.resultsTmpSheet = JoinStoredName(s.docFolder, z.resultsTmpSheet);
    s.mapSheet = JoinStoredName(s.docFolder, z.mapSheet);
    s.polarSheet = JoinStoredName(s.docFolder, z.polarSheet);
}

namespace {

// Puts a shared value to what the start-up sets, writing only when it differs: program states
// started in two threads then only read it.
template <class T> void settle(T& shared, const T& value) {
    if (!(shared == value)) shared = value;
}

} // namespace

bool Demarrage(const fs::path& folder, StartupMode mode) {
    StartupState& state = startupState();
    if (state.DemarrageFait == 1) return false;
    state.DemarrageFait = 1;
    StartupSettings& Site = state.Site;
    try {
        state.Annee = YearText(CurrentYear());
        state.CleEnreg = "__Zefrons_" + state.Annee + "__";
        settle(Ldim, 8.0);
        settle(SautLigne, std::string(LineBreak));
        settle(Ligne15, std::string(15, '-'));
        settle(ex, Vecteur3(1, 0, 0));
        settle(ey, Vecteur3(0, 1, 0));
        settle(ez, Vecteur3(0, 0, 1));
        settle(eu, Vecteur3(1, 0, 0));

        std::error_code ec;
        fs::path dir = folder.empty() ? fs::current_path(ec) : fs::absolute(folder, ec);
        if (ec) dir = folder;
        Site = StartupSettings{};
        Site.currentFolder = dir.string();

        const ZefronResult zefron = CreateOrReadZefron(
            dir, DefaultSpreadsheetProgram(), dir.string(), mode == StartupMode::Interactive);
        Site.items = zefron.settings;
        Site.outcome = zefron.outcome;
        Site.prompted = zefron.prompted;
        Site.message = zefron.message;
        if (!zefron.message.empty() && zefron.outcome != ZefronOutcome::NotPresent)
            AlerteCalcul("_Demarragefaute " + zefron.message);
        BuildFullPaths(Site);
    } catch (const std::exception& e) {
        // A start-up fault never stops the program: what was settled stays.
        Site.message = e.what();
        AlerteCalcul(std::string("_Demarragefaute ") + e.what());
    }
    return true;
}

StartupSettings ReadConfiguration(const fs::path& folder) {
    StartupSettings s;
    std::error_code ec;
    fs::path dir = folder.empty() ? fs::current_path(ec) : fs::absolute(folder, ec);
    if (ec) dir = folder;
    s.currentFolder = dir.string();
    const ZefronResult zefron = ReadZefron(dir);
    s.items = zefron.settings;
    s.outcome = zefron.outcome;
    s.message = zefron.message;
    BuildFullPaths(s);
    return s;
}

std::string ConfigurationText(const StartupSettings& s) {
    const ZefronSettings& z = s.items;
    const std::pair<const char*, const std::string*> rows[] = {
        {"Current folder", &s.currentFolder},
        {"Site", &z.site},
        {"Spreadsheet program", &z.spreadsheetProgram},
        {"Working folder", &z.baseFolder},
        {"Documents folder", &s.docFolder},
        {"Data folder", &s.dataFolder},
        {"Temporary folder", &s.tmpFolder},
        {"Lunar transfer file", &s.lunarTmpFile},
        {"Results document", &s.resultsDoc},
        {"Temporary results sheet", &s.resultsTmpSheet},
        {"Map data file", &s.mapDataFile},
        {"Map sheet", &s.mapSheet},
        {"Polar sheet", &s.polarSheet},
    };
    std::string text = std::string(kZefronFileName) + SautLigne + Ligne15 + SautLigne;
    for (const auto& [label, value] : rows) text += std::string(label) + ": " + *value + SautLigne;
    if (!s.message.empty()) text += Ligne15 + SautLigne + s.message + SautLigne;
    return text;
}

void ResetStartup() {
    startupState() = StartupState{};
}

} // namespace gyro
