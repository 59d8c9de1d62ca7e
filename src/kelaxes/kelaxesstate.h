// The shared graph parameters and the program-wide state of the 2D axes library.
#pragma once

#include "kelaxes/drawingsurface.h"

#include <QFont>
#include <QPageLayout>
#include <QPen>
#include <QPointF>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <string>

namespace gyro {

/// The block of values callers set before drawing a graph.
struct GraphParameters {
    double noPrint = 1;                     ///< 0: draw on the printer page; else on a view
    double red = 0, green = 0, blue = 0;    ///< curve colour, 0..255 each
    double red2 = 0, green2 = 0, blue2 = 0; ///< second colour, 0..255 each
    double view = 0;                        ///< view 0..9 that receives the drawing
    // Layout values (surface units: pixels at 96 dpi).
    double fontPixels = 0; ///< label size; 0: from the surface size
    double tickLength = 0; ///< graduation tick; 0: from the font size
};

/// The world window of a graph as drawn (after any truncation).
struct GraphWindow {
    double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    bool valid() const { return xMax > xMin && yMax > yMin; }
};

/// Number of views (drawing areas of the data-plot window) and the slot of the printer page.
constexpr int kViewCount = 10;
constexpr int kPrinterSlot = kViewCount;

/// What the library keeps between calls.
struct KelaxesState {
    std::array<GraphWindow, kViewCount + 1> window;          ///< per view, then the printer page
    std::array<std::optional<QPointF>, kViewCount + 1> last; ///< last point (world); none = pen up
    std::array<QPen, kViewCount + 1> pen;                    ///< pen width and pattern by Lignes
    // Output thinning: where the drawn part of each view's curve ends (world), and the last
    // mark of Pointe (surface). Steps finer than the surface can show are merged.
    std::array<std::optional<QPointF>, kViewCount + 1> drawnEnd;
    std::array<std::optional<QPointF>, kViewCount + 1> lastMark;
    std::string orientation = "Portrait"; ///< "Portrait" or "Paysage" chosen
    // Fonts: the indices ListeFontes found in the font list (−1: none) and the current font.
    bool fontsListed = false;
    int courierIndex = -1, arialIndex = -1, timesIndex = -1;
    QString courierFamily, arialFamily, timesFamily; ///< found or stand-in families
    QFont font;
    double fontPoints = 10;
    char fontFamily = 'H';
    // Warning dialog.
    std::string lastAnswer;
    double firstReportFlag = 0;
};

/// The library's program-wide objects: parameters, state, the ten view pictures, the printer
/// page with the program's own printer settings, and the hooks the windows install.
class KelaxesLibrary {
public:
    static KelaxesLibrary& instance();

    GraphParameters params;
    KelaxesState state;

    /// The picture of view n (0..9); the data-plot window shows these.
    DrawingSurface& view(int n) { return *m_views[static_cast<std::size_t>(n)]; }
    /// The printer page being drawn (surface units: pixels at 96 dpi over the paint rectangle).
    DrawingSurface& printerPage() { return m_printerPage; }
    /// The program's own printer settings: page size, orientation, margins.
    const QPageLayout& printerLayout() const { return m_printerLayout; }
    /// Sets the printer settings and sizes the (cleared) printer page to them.
    void setPrinterLayout(const QPageLayout& layout);
    /// "Paysage" when the printer page's height minus width is zero or negative, else "Portrait".
    std::string printerOrientation() const;

    /// The printer hint: given "Portrait" or "Paysage", returns "Reinitialiser" when the user
    /// acknowledged it, empty otherwise. Without one installed the hint counts as timed out.
    void setOrientationHint(std::function<std::string(const std::string&)> hint) {
        m_hint = std::move(hint);
    }
    std::string askOrientation(const std::string& orientation) const {
        return m_hint ? m_hint(orientation) : std::string();
    }
    /// The font list Fontes searches (the system's families unless a test installs another).
    void setFontList(std::function<QStringList()> list) { m_fontList = std::move(list); }
    QStringList fontList() const;

    /// The slot drawing goes to: the printer page when noPrint is 0, else the view number.
    int currentSlot() const;
    DrawingSurface& surface(int slot) { return slot == kPrinterSlot ? m_printerPage : view(slot); }

    /// Back to the state at program start (views cleared, answers forgotten; hooks stay).
    void reset();
    /// Exchanges the picture of view n (0..9) with `other` (the view's state stays).
    void swapView(int n, std::unique_ptr<DrawingSurface>& other) {
        m_views[static_cast<std::size_t>(n)].swap(other);
    }

private:
    KelaxesLibrary();

    std::array<std::unique_ptr<DrawingSurface>, kViewCount> m_views;
    DrawingSurface m_printerPage;
    QPageLayout m_printerLayout;
    std::function<std::string(const std::string&)> m_hint;
    std::function<QStringList()> m_fontList;
};

/// Lends view n of the library to a picture of its own for one drawing: while the loan lasts
/// the library draws view n on `picture`; at its end the view's own picture, the view's state
/// (window, pens, last points) and the library's parameters are back as they were, so that a
/// drawing made elsewhere (the demonstration) never touches what the graph window shows.
class KelaxesViewLoan {
public:
    KelaxesViewLoan(KelaxesLibrary& library, int view, std::unique_ptr<DrawingSurface>& picture);
    ~KelaxesViewLoan();
    KelaxesViewLoan(const KelaxesViewLoan&) = delete;
    KelaxesViewLoan& operator=(const KelaxesViewLoan&) = delete;

private:
    KelaxesLibrary& m_library;
    int m_view;
    std::unique_ptr<DrawingSurface>& m_picture;
    GraphParameters m_params;
    GraphWindow m_window;
    std::optional<QPointF> m_last, m_drawnEnd, m_lastMark;
    QPen m_pen;
};

/// Pixels at 96 dpi per typographic point: the unit of every surface the library draws on.
constexpr double kSurfaceUnitsPerPoint = 96.0 / 72.0;

} // namespace gyro
