// The options window's behaviour: angle reduction, record navigation and saving.
#include "scene/viewoptions.h"

#include "numerics/numberformat.h"
#include "numerics/numberread.h"
#include "settings/recordstore.h"
#include "simulation/startup.h"

#include <algorithm>

namespace gyro {

void ViewOptions::load() {
    // The drawing's axes are the coordinate axes again.
    ex = Vecteur3(1, 0, 0);
    ey = Vecteur3(0, 1, 0);
    ez = Vecteur3(0, 0, 1);
    ViewState& v = m_drawing.view;
    double ascension = 30, declination = 30;
    m_drawing.options.AstreOpaque = 0;
    if (v.ascensionRad != 0 || v.declinationRad != 0) {
        ascension = deg(v.ascensionRad);
        declination = deg(v.declinationRad);
    }
    AfficheAngles(ascension, declination);
}

namespace {
double reduce(double a) {
    // Angles already in (-180, 180] stay as they are: a drag or a bar below zero is not a fault.
    return (a > -180 && a <= 180) ? a : PetitAngle(a);
}
} // namespace

void ViewOptions::AfficheAngles(double ascensionDeg, double declinationDeg) {
    m_drawing.view.ascensionDeg = reduce(ascensionDeg);
    m_drawing.view.declinationDeg = reduce(declinationDeg);
}

std::string ViewOptions::counterText(double record, double count) {
    return FormatPattern(record, " #0   sur ") + FormatPattern(count, " #0 ");
}

std::string ViewOptions::angleText(double degrees) {
    return FormatPattern(degrees, "##0.#");
}

RecordShown ViewOptions::shown(double number) const {
    RecordShown s;
    s.number = number;
    s.count = NbEnreg[kFichOpNumber - 1];
    s.counterText = counterText(s.number, s.count);
    // Characters, not bytes: an accented name counts each letter once.
    const std::string& name = m_drawing.options.NomAstre;
    const auto characters =
        std::count_if(name.begin(), name.end(), [](char c) { return (c & 0xC0) != 0x80; });
    s.showName = characters < 31;
    return s;
}

RecordShown ViewOptions::navigateLast(const OptionsInputs& inputs) {
    LireDernier = 1;
    const RecordShown s = navigate(1, inputs);
    LireDernier = 0;
    m_drawing.options.EnregARemplacer = s.number;
    return s;
}

RecordShown ViewOptions::navigate(double r, const OptionsInputs& inputs) {
    if (FichOp == 0) FichOp = kFichOpNumber;
    EslireDd(r, DernierEnregOp, FichOp);
    if (DernierEnregOp == -1) { // nothing to read: the window's settings become record 1
        enreg(inputs);
        DernierEnregOp = 1;
        r = 1;
        EslireDd(r, DernierEnregOp, FichOp);
    }
    m_drawing.options.NomAstre = MajTrim(EnregOp.bodyNameText());
    m_drawing.options.AstreOpaque = EnregOp.opaque != 0 ? 1 : 0;
    AfficheAngles(EnregOp.ascension, EnregOp.declination);
    return shown(r);
}

void ViewOptions::ValideOptions(const OptionsInputs& inputs) {
    KelMirav& k = m_drawing;
    k.options.NomAstre = MajTrim(inputs.bodyText);
    k.view.ascensionRad = rad(k.view.ascensionDeg);
    k.view.declinationRad = rad(k.view.declinationDeg);
    k.options.AstreOpaque = inputs.opaque ? 1 : 0;
    EnregOp.ascension = k.view.ascensionDeg;
    EnregOp.declination = k.view.declinationDeg;
    EnregOp.setBodyName(k.options.NomAstre);
    EnregOp.reserved52 = 0;
    EnregOp.bodyRadius = k.scene.bodyRadius;
    EnregOp.opaque = k.options.AstreOpaque;
}

RecordShown ViewOptions::enreg(const OptionsInputs& inputs) {
    ViewOptionsState& o = m_drawing.options;
    o.EnregARemplacer = inputs.replace ? Val(inputs.counterCaption) : 0;
    ValideOptions(inputs);
    if (FichOp == 0) FichOp = kFichOpNumber;
    EsEnreg(FichOp, o.EnregARemplacer);
    o.EnregARemplacer = 0;
    return shown(DernierEnregOp);
}

void ViewOptions::GlisseVue(double x, double y) {
    AfficheAngles(-x * 0.25, y * 0.25);
}

void ViewOptions::lunaire() {
    AfficheAngles(PetitAngle(90), PetitAngle(-90));
}

} // namespace gyro
