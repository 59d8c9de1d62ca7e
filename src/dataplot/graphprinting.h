// Redrawing the stored points of the views: the magnifier zone of a view and the composite of
// the four automatic views, on a picture and, when the user asks, on paper.
#pragma once

#include "numerics/errorreport.h"

#include <functional>
#include <string>

namespace gyro {

class DrawingSurface;
class KelMirav;

/// A zone of a view in its world units: x1 the left limit, x2 the right one, y1 the upper and
/// y2 the lower one.
struct Zone {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

/// The zone spanned by two corners given in any order.
Zone ZoneFromCorners(double xa, double ya, double xb, double yb);

/// Title of the printing questions.
inline constexpr const char* kPrintTitle = "IMPRESSION DE KEL-GRAPHES";
/// The paper question and the all-lines question.
inline constexpr const char* kPaperQuestion = "Voulez-vous une Impression sur papier de la Loupe ?";
inline constexpr const char* kAllLinesQuestion = "Voulez-vous tous les traits ?";
/// Answers of the questions (a closed question answers the empty text).
inline constexpr const char* kYes = "Yes";
inline constexpr const char* kNo = "No";

/// 1 when stored point n (0-based) of `view` lies strictly inside `zone`, else 0; a point on
/// the border, a view without stored points or an index past the points counted give 0.
double InZone(const KelMirav& drawing, int view, const Zone& zone, int n);
/// 1 when points n and n + 1 of `view` both lie inside `zone`, else 0.
double SegmentInZone(const KelMirav& drawing, int view, const Zone& zone, int n);

/// What a printing routine did.
struct PrintResult {
    bool asked = false;   ///< the paper question was answered yes
    bool allLines = true; ///< every line of the view, not only those inside the zone
    bool printed = false; ///< the page went out
};

/// Prints a picture (the printer, or a PDF file when none is installed); false when the job
/// was refused or cancelled.
using PicturePrinter = std::function<bool(const DrawingSurface& page)>;

/// Draws the stored points of `view` on `surface` (cleared first, its user scale set to the
/// zone): a point at the first stored point, then a line from the previous point wherever the
/// pen was down, else a point. With `onlyInside`, only the lines with both ends inside the zone
/// and the lone points inside it are drawn. A zone of zero width or height draws nothing and
/// returns false.
bool DrawZone(const KelMirav& drawing, int view, const Zone& zone, DrawingSurface& surface,
              bool onlyInside);

/// The magnifier of `view`: draws the zone on `magnifier`, then asks whether to print it and
/// whether to print every line, and prints through `print`.
PrintResult PrintLoupe(const KelMirav& drawing, int view, const Zone& zone,
                       DrawingSurface& magnifier, Asker& asker, const PicturePrinter& print);

/// Draws views 0..3 together on `composite`, each in a quarter of the picture through its own
/// window, a small circle at each curve start; asks whether to print and prints through
/// `print`.
PrintResult PrintComposite(const KelMirav& drawing, DrawingSurface& composite, Asker& asker,
                           const PicturePrinter& print);

/// Draws the composite of views 0..3 on `composite` without asking anything.
void DrawComposite(const KelMirav& drawing, DrawingSurface& composite);

} // namespace gyro
