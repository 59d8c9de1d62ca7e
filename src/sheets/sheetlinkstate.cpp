// The spreadsheet link's state, its settings file and its example data.
#include "sheets/sheetlinkstate.h"

#include "numerics/constants.h"
#include "simulation/startup.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace gyro {

SheetLinkState& sheetLink() {
    static SheetLinkState state;
    return state;
}

std::filesystem::path KelmiravFile(SheetLinkState& state) {
    if (state.folder.empty()) {
        std::error_code ec;
        state.folder = std::filesystem::current_path(ec);
    }
    return KelmiravPath(state.folder);
}

std::string LoadLinkConfiguration(SheetLinkState& state) {
    // No file, or an empty one, is a link not configured yet: nothing to say, nothing written
    // (the file is written when the user configures the link).
    const std::filesystem::path file = KelmiravFile(state);
    std::error_code ec;
    const bool present = std::filesystem::exists(file, ec);
    const bool empty = present && std::filesystem::file_size(file, ec) == 0 && !ec;
    std::string problem;
    if (present && !empty) {
        const FileResult read = ReadKelmirav(file, state.config);
        if (!read.ok)
            problem = "Les réglages de la liaison dans " + file.string() +
                      " sont incomplets ou illisibles : les réglages manquants gardent leur "
                      "valeur.";
    }
    if (state.config.program.empty()) state.config.program = Site().spreadsheetProgram;
    if (state.config.program.empty()) state.config.program = DefaultSpreadsheetProgram();
    return problem;
}

std::string SaveLinkConfiguration(SheetLinkState& state) {
    const FileResult written = WriteKelmirav(KelmiravFile(state), state.config);
    return written.ok ? std::string() : written.message;
}

namespace {

std::string Number(double v) {
    char buffer[32];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 6).ptr;
    return std::string(buffer, end);
}

std::string Row(double x, double y, double z) {
    return Number(x) + "\t" + Number(y) + "\t" + Number(z) + LineBreak;
}

std::string MakeExample() {
    std::string text = std::string("ligne0\trgb3\t") + LineBreak;
    // Two turns of a helix of radius 1 rising to 1.
    for (int k = 0; k <= 48; ++k) {
        const double t = 4 * Pi * k / 48;
        text += Row(std::cos(t), std::sin(t), k / 48.0);
    }
    text += std::string("\t\t") + LineBreak; // pen up: the next colour
    text += std::string("RVB5\tLIGNE12\t") + LineBreak;
    for (int k = 0; k <= 24; ++k) {
        const double t = 2 * Pi * k / 24;
        text += Row(0.5 * std::cos(t), 0.5 * std::sin(t), 1.2);
    }
    text += LineBreak;
    text += std::string("rgb1\tligne2\t") + LineBreak;
    for (int k = 0; k <= 8; ++k) text += Row(k / 8.0, k / 8.0, k / 8.0);
    return text;
}

} // namespace

const std::string& BuiltInExampleText() {
    static const std::string text = MakeExample();
    return text;
}

double LoadExampleData(SheetLinkState& state) {
    std::string text = state.lastLinkText.empty() ? BuiltInExampleText() : std::string();
    ParseLinkText(text, state.lastLinkText, state.table, state.rowCount, state.columnCount);
    return state.rowCount;
}

std::string NoPointMessage(const KelmiravSettings& config) {
    return "La plage " + config.range + " de l'onglet " + config.sheet + " de " +
           std::filesystem::path(config.workbook).filename().string() +
           " ne contient aucun point : aucune ligne dont la cellule x est un nombre.";
}

} // namespace gyro
