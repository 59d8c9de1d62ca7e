// What the options window does with its settings: angles, records of "miravop.set", the main
// body and whether it is opaque. The window shows; this keeps and computes.
#pragma once

#include "scene/kelmirav.h"

#include <string>

namespace gyro {

/// What the window shows of the settings, as its controls hold them.
struct OptionsInputs {
    std::string counterCaption; ///< the record counter's caption ("numéro enreg" at first)
    bool replace = false;       ///< "Remplace" ticked
    std::string bodyText;       ///< the main-body list's edit text
    bool opaque = false;        ///< "Astre Opaque" ticked
};

/// The record shown after a navigation or a save.
struct RecordShown {
    double number = 0;       ///< record number
    double count = 0;        ///< records in the file
    bool showName = false;   ///< the name fits the list (shorter than 31 characters)
    std::string counterText; ///< " n   sur  N "
};

/// The options window's behaviour on the shared drawing state.
class ViewOptions {
public:
    explicit ViewOptions(KelMirav& drawing) : m_drawing(drawing) {}

    /// The angles at load: 30 and 30, or those of the radian copies when a frame was made in
    /// this run; the main body not opaque. Returns them reduced as AfficheAngles does.
    void load();
    /// Reduces both angles [deg] into (-180, 180] (PetitAngle; angles already in range are kept
    /// as they are) and makes them the current view angles.
    void AfficheAngles(double ascensionDeg, double declinationDeg);
    /// Reads record r (or the last one used in last-record mode) and takes its angles, name and
    /// opaque flag. An empty or missing file first gets the window's settings as record 1.
    RecordShown navigate(double r, const OptionsInputs& inputs);
    /// The navigation at load: the record last used in this run (record 1 at first), which
    /// becomes the one that "enreg." with "Remplace" replaces.
    RecordShown navigateLast(const OptionsInputs& inputs);
    /// "enreg.": saves the window's settings, replacing the shown record when "Remplace" is
    /// ticked, else appending.
    RecordShown enreg(const OptionsInputs& inputs);
    /// Copies the window's settings into the shared state and the record buffer.
    void ValideOptions(const OptionsInputs& inputs);
    /// A drag to (x, y) in the preview's scale: right ascension -x/4, declination y/4 [deg].
    void GlisseVue(double x, double y);
    /// "lunaire hyperbolique": the view (90, -90).
    void lunaire();

    /// The counter caption " n   sur  N ".
    static std::string counterText(double record, double count);
    /// An angle as its label shows it ("##0.#").
    static std::string angleText(double degrees);

    double ascension() const { return m_drawing.view.ascensionDeg; }
    double declination() const { return m_drawing.view.declinationDeg; }
    KelMirav& drawing() { return m_drawing; }

private:
    RecordShown shown(double number) const;
    KelMirav& m_drawing;
};

} // namespace gyro
