// Drawing a sheet's rows in one view or in the four automatic views: points, pen-ups, colour and
// line commands, echoes of unknown texts.
#pragma once

#include "scene/viewsurface.h"
#include "sheets/sheetlinkstate.h"

#include <string>

namespace gyro {

class KelMirav;

/// What the sheet drawing needs of the graph window beyond its views.
class SheetTraceWindow {
public:
    virtual ~SheetTraceWindow() = default;
    /// Prints a text on the window (echoes of unknown cells; "\r\n" breaks the line).
    virtual void echo(const std::string& text) = 0;
    /// Line type of the curves from here on: 0..9 thick lines, 10..19 dotted.
    virtual void lineStyle(double style) = 0;
    /// Places a view's picture in the automatic layout: column 0 or 1, row 0 or 1.
    virtual void placeView(int view, int column, int row) = 0;
    /// Brings the window's command buttons in front of the pictures.
    virtual void bringCommandsToFront() = 0;
    /// Whether the graphs go to the printer ("Imprimer les graphes").
    virtual bool printGraphs() const = 0;
    /// Ends the printer's page so that it is printed.
    virtual void endPrinterPage() = 0;
};

/// The view options of a window that is not there (the command line, benchmarks): fixed
/// answers, and nobody to ask for angles.
struct FixedViewHost : ViewHost {
    bool automatic = false; ///< "Vues Automatiques"
    bool centring = false;  ///< "Centrage Automatique"
    bool automaticViews() const override { return automatic; }
    bool automaticCentring() const override { return centring; }
    bool magnifierOn() const override { return false; }
    void setMagnifierOff() override {}
    void chooseViewAngles() override {}
    void bringViewToFront(int) override {}
};

/// Right ascension and declination [deg] of the four automatic views, and where each goes.
struct AutomaticView {
    double ascensionDeg;
    double declinationDeg;
    int column;
    int row;
};
inline constexpr AutomaticView kAutomaticViews[4] = {
    {-90, 90, 0, 0}, {40, 40, 1, 0}, {-90, 0, 0, 1}, {0, 0, 1, 1}};

/// The text a cell of unknown content is echoed with: "?Cmd " + text + "?  ".
std::string EchoText(const std::string& cell);

/// Draws the rows of the link state's table with the projective drawing k on its surface, in
/// the four automatic views when its host says "Vues Automatiques" (else in view 0 with the
/// angles the host lets the user choose; askAngles false keeps the current ones), scaled to the
/// points' reach, or, with "Centrage Automatique", to their box and centred on it. A row whose x
/// cell is a number is a point; any other row is a command row (an empty x cell lifts the pen
/// and takes the next colour; "rgb#", "RVB#", "ligne#" cells set the colour or the line type;
/// other texts are echoed, five to a line). The graphs are printed at the end when printing is
/// on, and the colour and line type go back to black and solid. Reports through the error
/// report.
void DrawSheetViews(KelMirav& k, SheetLinkState& state, SheetTraceWindow& window,
                    bool askAngles = true);

} // namespace gyro
