// Font choice of the axes library, with stand-ins where Courier, Arial or Times are missing.
#include "kelaxes/fontes.h"

#include "kelaxes/alertekelaxes.h"
#include "kelaxes/kelaxesstate.h"

#include <QFontInfo>

#include <cctype>
#include <cmath>

namespace gyro {

namespace {

// The family the font system picks for a generic kind (fontconfig resolves it on Linux).
QString standIn(QFont::StyleHint hint) {
    QFont f;
    f.setStyleHint(hint, QFont::PreferMatch);
    f.setFamily(hint == QFont::TypeWriter ? QStringLiteral("monospace")
                : hint == QFont::Serif    ? QStringLiteral("serif")
                                          : QStringLiteral("sans-serif"));
    return QFontInfo(f).family();
}

void applyFont(KelaxesState& state) {
    const QString family = state.fontFamily == 'C'   ? state.courierFamily
                           : state.fontFamily == 'T' ? state.timesFamily
                                                     : state.arialFamily;
    QFont font(family);
    font.setStyleHint(state.fontFamily == 'C'   ? QFont::TypeWriter
                      : state.fontFamily == 'T' ? QFont::Serif
                                                : QFont::SansSerif);
    font.setPixelSize(
        std::max(1, static_cast<int>(std::lround(state.fontPoints * kSurfaceUnitsPerPoint))));
    state.font = font;
}

} // namespace

void ListeFontes() {
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    KelaxesState& state = lib.state;
    const QStringList names = lib.fontList();
    state.courierIndex = state.arialIndex = state.timesIndex = -1;
    // From the last index down to 0: the last name met is the lowest index that matches.
    for (qsizetype i = names.size() - 1; i >= 0; --i) {
        const QString& name = names[i];
        if (name.startsWith(QStringLiteral("Cour"))) state.courierIndex = static_cast<int>(i);
        if (name.startsWith(QStringLiteral("Arial"))) state.arialIndex = static_cast<int>(i);
        if (name.startsWith(QStringLiteral("Times"))) state.timesIndex = static_cast<int>(i);
    }
    const auto pick = [&](int index, QFont::StyleHint hint) {
        return index >= 0 ? names[index] : standIn(hint);
    };
    state.courierFamily = pick(state.courierIndex, QFont::TypeWriter);
    state.arialFamily = pick(state.arialIndex, QFont::SansSerif);
    state.timesFamily = pick(state.timesIndex, QFont::Serif);
    if (state.courierFamily.isEmpty() || state.arialFamily.isEmpty() || state.timesFamily.isEmpty())
        AlerteKelaxes("Faute listes des fontes de Kelaxes");
    state.fontsListed = true;
}

void Fontes(double size, const std::string& family) {
    KelaxesState& state = KelaxesLibrary::instance().state;
    if (!state.fontsListed) ListeFontes();
    if (std::isfinite(size) && size > 0 && size <= 1000) {
        state.fontPoints = size;
    } else {
        AlerteKelaxes("Faute Fontes Kelaxes"); // keep the current size
    }
    if (!family.empty()) {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(family[0])));
        if (letter == 'C' || letter == 'H' || letter == 'T') state.fontFamily = letter;
    }
    applyFont(state);
}

QFont kelaxesFont() {
    KelaxesState& state = KelaxesLibrary::instance().state;
    if (!state.fontsListed) {
        ListeFontes();
        applyFont(state);
    }
    return state.font;
}

} // namespace gyro
