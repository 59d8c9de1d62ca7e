// The program-wide text logs of the orbit check.
#include "tracelog.h"

namespace gyro {

TextLog& traceLog() {
    static TextLog log;
    return log;
}

TextLog& stepControlLog() {
    static TextLog log;
    return log;
}

} // namespace gyro
