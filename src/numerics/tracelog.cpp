// The program-wide text logs of the orbit check and their trace lines.
#include "numerics/tracelog.h"

#include "numerics/constants.h"
#include "numerics/numberformat.h"

namespace gyro {

namespace {

constexpr const char* kSep = "   "; // between the label and the numbers of a trace line

} // namespace

TextLog& traceLog() {
    static TextLog log;
    return log;
}

TextLog& stepControlLog() {
    static TextLog log;
    return log;
}

void TraceLigne(const std::string& label, double value) {
    if (ShowTraceWindow) ShowTraceWindow();
    traceLog().append(LineBreak + label + kSep + FormatGeneral(value));
}

void TraceLigne2(const std::string& label, double v1, double v2) {
    traceLog().append(LineBreak + label + kSep + FormatGeneral(v1) + kSep + FormatGeneral(v2));
}

} // namespace gyro
