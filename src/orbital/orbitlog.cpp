// Log lines of the orbit-check window: a label and numbers separated by three blanks.
#include "orbital/orbitlog.h"

#include "numerics/constants.h"
#include "numerics/numberformat.h"
#include "numerics/tracelog.h"
#include "orbital/juliandate.h"

#include <cmath>

namespace gyro {

namespace {

constexpr const char* kSep = "   ";

std::string fixed6(double x) {
    return Format6(x);
}

} // namespace

void TraceLigne4(const std::string& label, double a, double b, double c, double d) {
    traceLog().append(LineBreak + label + kSep + fixed6(a) + kSep + fixed6(b) + kSep + fixed6(c) +
                      kSep + fixed6(d));
}

void TraceLigne5(const std::string& label, double a, double b, double c, double d, double e) {
    traceLog().replace(label + kSep + fixed6(a) + kSep + fixed6(b) + kSep + fixed6(c) + kSep +
                       fixed6(d) + kSep + fixed6(e));
}

double AstronomiePlan(double year, double month, double day) {
    double jd = 0;
    double jd1900 = 0;
    JourJulien(year, month, day, jd, jd1900);
    traceLog().append(std::string(LineBreak) + "Date" + kSep + FormatPattern(year, "0") + "-" +
                      FormatPattern(month, "00") + "-" +
                      FormatPattern(day, day == std::floor(day) ? "00" : "00.0#####") + kSep +
                      "Jour Julien" + kSep + FormatGeneral(jd) + kSep + "JJ - 2415384.5" + kSep +
                      FormatGeneral(jd1900));
    return jd;
}

} // namespace gyro
