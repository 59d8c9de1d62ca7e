// The sheet drawing: scale and views from the table, then every row as a point or a command.
#include "dataplot/sheetdrawing.h"

#include "numerics/constants.h"
#include "numerics/numberread.h"
#include "numerics/vecteur3.h"
#include "scene/kelmirav.h"
#include "sheets/sheetcommands.h"

#include <cmath>

namespace gyro {

namespace {

// The window as KelT sees it while the sheet is drawn: it may keep the current angles instead
// of asking for them, and it lets KelT centre the view on the centre it is handed (the points'
// box) rather than on the origin. Everything else is the window's own answer.
class TraceHost : public ViewHost {
public:
    TraceHost(ViewHost* host, bool askAngles) : m_host(host), m_askAngles(askAngles) {}
    bool automaticViews() const override { return m_host && m_host->automaticViews(); }
    bool automaticCentring() const override { return false; }
    bool magnifierOn() const override { return m_host && m_host->magnifierOn(); }
    void setMagnifierOff() override {
        if (m_host) m_host->setMagnifierOff();
    }
    void chooseViewAngles() override {
        if (m_host && m_askAngles) m_host->chooseViewAngles();
    }
    void bringViewToFront(int view) override {
        if (m_host) m_host->bringViewToFront(view);
    }

private:
    ViewHost* m_host;
    bool m_askAngles;
};

// KelT's centre is R(ω, i, Ω)·(r, 0, 0) = (r cos ω, r sin ω cos i, r sin ω sin i) for Ω = 0:
// the angles [deg] that put it on c.
void CentreAngles(const Vecteur3& c, double& r, double& omegaDeg, double& inclinationDeg) {
    r = std::sqrt(c(1) * c(1) + c(2) * c(2) + c(3) * c(3));
    const double toDeg = 180 / Pi;
    omegaDeg = std::atan2(std::sqrt(c(2) * c(2) + c(3) * c(3)), c(1)) * toDeg;
    inclinationDeg = std::atan2(c(3), c(2)) * toDeg;
}

struct Tracing {
    KelMirav& k;
    SheetLinkState& state;
    SheetTraceWindow& window;
    double colourIndex = 0;
    int echoes = 0;

    void setColour() {
        double red = 0, green = 0, blue = 0;
        ColourOfIndex(colourIndex, red, green, blue);
        if (k.surface()) k.surface()->SetColour(red, green, blue);
    }

    void command(const std::string& cell) {
        const double code = CellCode(cell);
        if (code >= 100) {
            if (code == 100) {
                colourIndex += 1;
                if (colourIndex >= 9) colourIndex = 0;
            } else {
                colourIndex = code - 100;
            }
            setColour();
        } else if (code >= 10) {
            window.lineStyle(code - 10);
        } else if (code >= 2) {
            ++echoes;
            window.echo(EchoText(cell));
            if (echoes % 5 == 0) window.echo(LineBreak);
        }
    }

    void drawRows() {
        const int rows = static_cast<int>(std::fmin(std::fmax(state.rowCount, 0), kSheetTableRows));
        const SheetTable& t = state.table;
        for (int row = 1; row <= rows; ++row) {
            const std::string& x = t.cell(row, 1);
            if (IsNumericText(x)) {
                k.plot(Vecteur3(Val(x), Val(t.cell(row, 2)), Val(t.cell(row, 3))));
                continue;
            }
            if (CellCode(x) == 1) {
                colourIndex += 1;
                setColour();
                k.PenLift();
            }
            for (int column = 1; column <= 3; ++column) command(t.cell(row, column));
        }
    }
};

} // namespace

std::string EchoText(const std::string& cell) {
    return "?Cmd " + cell + "?  ";
}

void DrawSheetViews(KelMirav& k, SheetLinkState& state, SheetTraceWindow& window, bool askAngles) {
    ViewHost* const host = k.host();
    const bool automatic = host && host->automaticViews();
    const bool centring = host && host->automaticCentring();

    // Drawing settings of a data plot: no central body, no stretch.
    k.scene.zStretch = 1;
    k.scene.secondStretch = 1;
    k.scene.bodyRadius = 0;
    k.scene.discRadius = 5;
    k.scene.drawingOn = 1;

    double r = 0, omega = 0, inclination = 0, h = 0, s = 1;
    if (centring) {
        Vecteur3 centre;
        double radius = 0;
        SheetBox(state.table, state.rowCount, centre(1), centre(2), centre(3), radius);
        state.boxComputedFlag = 1;
        k.scene.cubeCentre = centre;
        CentreAngles(centre, r, omega, inclination);
        h = radius * 1.01;
    } else {
        SheetReach(state.table, state.rowCount, h);
        h *= 1.1;
    }
    // A table without extent (no point, or one point) still gets a view of unit half-width.
    if (!(h > 0) || !std::isfinite(h)) h = 1;
    if (centring) s = 120 / h / 2;

    TraceHost traceHost(host, askAngles);
    k.setHost(&traceHost);
    Tracing tracing{k, state, window};
    // Every view draws the table from its first row in the same colours: one curve, one colour.
    const std::uint32_t startRgb = k.surface() ? k.surface()->traceRgb() : 0;
    auto drawView = [&](int view) {
        k.currentView = view;
        k.KelT(r, omega, inclination, 0, h, s);
        k.startFigure();
        tracing.colourIndex = 0;
        if (k.surface())
            k.surface()->SetColour(startRgb >> 16 & 0xFF, startRgb >> 8 & 0xFF, startRgb & 0xFF);
        tracing.drawRows();
    };
    if (automatic) {
        for (int view = 0; view < 4; ++view) {
            const AutomaticView& a = kAutomaticViews[view];
            k.view.ascensionDeg = a.ascensionDeg;
            k.view.declinationDeg = a.declinationDeg;
            window.placeView(view, a.column, a.row);
            drawView(view);
        }
        window.bringCommandsToFront();
    } else {
        drawView(0);
    }
    k.setHost(host);
    // Later drawings on the same pictures start in black and solid lines again.
    if (k.surface()) k.surface()->SetColour(0, 0, 0);
    window.lineStyle(0);
    if (window.printGraphs()) window.endPrinterPage();
}

} // namespace gyro
