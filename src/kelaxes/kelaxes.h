// The 2D axes library: graph frame and graduated axes, curves, points, text and pens.
#pragma once

#include "kelaxes/kelaxesstate.h"

#include <string>

namespace gyro {

/// How `Kelaxes` laid a graph out.
struct KelaxesLayout {
    bool drawn = false;      ///< false when the arguments or the surface allowed no graph
    GraphWindow window;      ///< world window as drawn (a truncated axis ends early)
    bool xTruncated = false; ///< the x axis ends before the requested maximum
    bool yTruncated = false;
    std::string orientation; ///< "Portrait" or "Paysage": what suits the graph
    QRectF frame;            ///< the graph frame on the surface (surface units)
    int slot = 0;            ///< view 0..9, or kPrinterSlot
};

/// Layout modes of `Kelaxes`.
enum class KelaxesMode {
    Equal = 0,   ///< one scale for both axes, the largest that shows both ranges whole
    FitX = 1,    ///< one scale from the x range; a y axis taller than the surface is truncated
    FitY = 2,    ///< one scale from the y range; an x axis wider than the surface is truncated
    Stretch = 3, ///< each axis fills the frame with its own scale
};

/// Lays out a graph on the current surface (view `params.view`, or the printer page when
/// `params.noPrint` is 0): clears it, fits the frame, draws the frame, graduations, labels,
/// titles and truncation notes, and leaves the world scale on the surface for `Plot`, `Texte`
/// and `Pointe`. On the printer page, when the orientation that suits the graph differs from the
/// printer's, the printer hint is shown; an acknowledged hint switches the program's printer
/// orientation and lays the page out again. Faults are reported through AlerteKelaxes.
KelaxesLayout Kelaxes(double xMin, double xMax, double yMin, double yMax, const std::string& xTitle,
                      const std::string& yTitle, double mode = 0);

/// Draws from the current view's last point to (x, y) (world) in the curve colour and makes
/// (x, y) the last point; after a pen lift it only moves there.
void Plot(double x, double y);
/// Lifts the pen of the current view: the next Plot starts a new piece.
void KelaxesPenLift();
/// Writes `text` (trimmed) at world (x, y) with its top-left corner there, moved by (dx, dy)
/// surface units. A text starting with "vur005" (any case) is a command: "vur005d" writes the
/// date and time at the point, "vur005f" draws a border round the whole view.
void Texte(double x, double y, double dx, double dy, const std::string& text);
/// Writes `text` at the current view's last point.
void TexteIci(const std::string& text);
/// Sets the pen: styles 1..9 solid of that width, 10..16 width 1 with pattern style − 10
/// (solid, dash, dot, dash-dot, dash-dot-dot, none, solid); rounded, below 1 → 1, above 16 → 11.
void Lignes(double style);
/// The pen `Lignes` gives for a style (no state change).
QPen lignesPen(double style);
/// Marks the point (x, y), pinned to the edge of the view window when it lies outside.
void Pointe(double x, double y);
/// The surface point where `Pointe` marks (x, y) on the given slot's graph frame.
QPointF pointePosition(int slot, double x, double y);

} // namespace gyro
