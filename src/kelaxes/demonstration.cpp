// The demonstration graph: the whole chain of the axes library on one sine curve.
#include "kelaxes/demonstration.h"

#include <cmath>

namespace gyro {

KelaxesLayout DemonstrationGraph(double xStep) {
    GraphParameters& p = KelaxesLibrary::instance().params;
    p.red = 255, p.green = 50, p.blue = 0;
    p.red2 = 0, p.green2 = 50, p.blue2 = 255;
    p.view = 1;
    const KelaxesLayout layout = Kelaxes(-100, 100, -50, 50, "AxeX", "AxeY", 0);
    if (!layout.drawn) return layout;
    if (!(xStep > 0) || !std::isfinite(xStep)) xStep = 5;
    // Whole samples from −100 to 100: n steps, the last one landing on 100.
    const long n = std::lround(200 / xStep);
    for (long i = 0; i <= n; ++i) {
        const double x = -100 + 200.0 * static_cast<double>(i) / static_cast<double>(n);
        const double y = 50 * std::sin(x / 20);
        Plot(x, y);
        Pointe(x, y);
    }
    Texte(-55, 48, 0, 0, "y = 50 sin(x/20)"); // above the trough, clear of the curve
    return layout;
}

} // namespace gyro
