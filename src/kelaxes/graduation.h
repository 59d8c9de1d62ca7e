// Graduation of a graph axis: the step, the minor divisions, the first graduation and the labels.
#pragma once

#include <string>
#include <vector>

namespace gyro {

/// How an axis from `min` to `max` is graduated. The step is m × 10^L with m in {1, 2, 5, 10},
/// chosen so that the axis carries about fifteen steps.
struct AxisGraduation {
    bool valid = false; ///< false for an empty, reversed or non-finite range
    double d = 0;       ///< (max − min) / 15
    int L = 0;          ///< floor(log10 d)
    double p = 0;       ///< 10^L
    int mRaw = 0;       ///< floor(d / p), 1 to 9
    int m = 0;          ///< mRaw rounded to 1, 2, 5 or 10
    double step = 0;    ///< m × p
    int minor = 0;      ///< minor intervals per step: 4 when m is 5, else 5
    double first = 0;   ///< largest multiple of the step not above min
};

/// Most graduations an axis may carry; more means the range is degenerate for its magnitude.
constexpr int kMaxGraduations = 200;

/// The graduation of the axis [min, max].
AxisGraduation graduate(double min, double max);

/// The graduation values from `g.first` up to `max` (at most kMaxGraduations of them); each is
/// first + k·step rounded to the step's decimal precision, so labels read 0.3, not 0.30000000004.
std::vector<double> graduationValues(const AxisGraduation& g, double max);

/// True when a graduation gets a label: not within a third of a step of either end.
bool graduationLabelled(double value, double min, double max, double step);

/// The label of a graduation: the general number form followed by one blank; values that are
/// not positive keep the general form's leading blank or sign ("-10 ", " 0 ", "10 ").
std::string graduationLabel(double value);

} // namespace gyro
