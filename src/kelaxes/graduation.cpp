// Axis graduation: step from a fifteenth of the range rounded down to 1, 2, 5 or 10 × 10^L.
#include "kelaxes/graduation.h"

#include "numerics/numberformat.h"

#include <cmath>

namespace gyro {

AxisGraduation graduate(double min, double max) {
    AxisGraduation g;
    if (!std::isfinite(min) || !std::isfinite(max) || !(max > min)) return g;
    g.d = (max - min) / 15;
    if (!std::isfinite(g.d) || g.d <= 0) return g;
    g.L = static_cast<int>(std::floor(std::log(g.d) / std::log(10.0)));
    g.p = std::pow(10.0, g.L);
    // log rounding can leave d/p just below 1 or at 10: bring it back into 1..9.
    int m = static_cast<int>(std::floor(g.d / g.p));
    if (m < 1) {
        --g.L;
        g.p = std::pow(10.0, g.L);
        m = static_cast<int>(std::floor(g.d / g.p));
    } else if (m > 9) {
        ++g.L;
        g.p = std::pow(10.0, g.L);
        m = static_cast<int>(std::floor(g.d / g.p));
    }
    g.mRaw = m;
    if (m == 3)
        m = 2;
    else if (m == 4 || m == 6 || m == 7)
        m = 5;
    else if (m > 7)
        m = 10;
    g.m = m;
    g.step = m * g.p;
    g.minor = (m == 5) ? 4 : 5;
    g.first = std::floor(min / g.step) * g.step;
    g.valid = std::isfinite(g.step) && g.step > 0 && std::isfinite(g.first);
    return g;
}

std::vector<double> graduationValues(const AxisGraduation& g, double max) {
    std::vector<double> values;
    if (!g.valid || !std::isfinite(max)) return values;
    // Decimal places of the step: values are rounded to them to drop binary noise.
    // (Dividing by a power of ten is correctly rounded; multiplying by its inverse is not.)
    const double perUnit = std::pow(10.0, 1 - g.L); // quanta per unit, when the step is < 10
    const double quantum = g.p / 10;
    for (int k = 0; k < kMaxGraduations; ++k) {
        double v = g.first + k * g.step;
        const double rounded =
            g.L < 1 ? std::round(v * perUnit) / perUnit : std::round(v / quantum) * quantum;
        if (std::isfinite(rounded)) v = rounded;
        if (v > max + g.step * 1e-9) break;
        values.push_back(v);
    }
    return values;
}

bool graduationLabelled(double value, double min, double max, double step) {
    return !(min + step / 3 >= value || max - step / 3 <= value);
}

std::string graduationLabel(double value) {
    // The general form writes zero as " 0"; a sign or a positive number has no leading blank.
    return (value == 0 ? std::string(" 0") : FormatGeneral(value)) + " ";
}

} // namespace gyro
