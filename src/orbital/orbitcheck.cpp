// The orbit check: a body released at apogee with half the circular speed, integrated step by
// step and compared with the Kepler ellipse it must follow (e = 0.75).
#include "orbital/orbitcheck.h"

#include "numerics/constants.h"
#include "numerics/errorreport.h"
#include "numerics/numberformat.h"
#include "numerics/rungekutta.h"
#include "numerics/tracelog.h"
#include "orbital/kepler.h"
#include "orbital/orbitlog.h"

#include <cmath>

namespace gyro {

namespace {

std::string fixed6(double x) {
    return Format6(x);
}
std::string whole(double x) {
    return FormatPattern(x, " ###0 ");
}
std::string fiveDecimals(double x) {
    return FormatPattern(x, " 0.00000 ");
}

bool finiteState(const StateArray& y) {
    for (int j = 1; j <= static_cast<int>(Ldim); ++j)
        if (!std::isfinite(y(j))) return false;
    return true;
}

/// Brings an angle difference [degrees] into (-180, 180]: the integrated anomaly is reduced to
/// one turn while the Kepler anomaly counts the turns.
double angleDifference(double d) {
    d = std::fmod(d, 360.0);
    if (d > 180) d -= 360;
    if (d <= -180) d += 360;
    return d;
}

} // namespace

OrbitCheckResult ControleOrbite(double hInitial) {
    OrbitCheckResult result;
    Ldim = 8;
    // The check's own control: a stop asked of an earlier computation does not concern it, and
    // a "Stop" answered during the check stops the check alone.
    RunControl control;
    control.OrdreRunge = 5;
    ErrorReport& report = ErrorReport::instance();
    const ErrorReport::StopBinding stop(report, control.StopCalcul);
    const int time = static_cast<int>(Ldim);
    AlerteCalcul("BON");
    if (control.StopCalcul == 1) {
        result.stopped = true;
        return result;
    }

    const OrbitElements el = OrbitCheckElements();
    result.elements = el;
    const double mu = kOrbitMu;

    StateArray y;
    StateArray yNext;
    y(1) = kOrbitRelease;
    y(4) = el.releaseSpeed;
    y(time) = 0;
    report.OrbitalTime = 0;
    double h = hInitial;
    TraceLigne4("Initiales_cond_", y(1), y(2), y(3), y(4));

    for (int step = 0; step < kOrbitSteps; ++step) {
        StepEstimate e = rungeGeneral(control, h, y, 0, yNext, DeriveeOrbite);
        const double err = e.err;
        double hNew = 0;
        double hTaken = h;
        std::string label;
        if (err >= kOrbitErrMax) {
            // Too large an error: shrink (by at most ten) and take the step again, untested.
            hNew = 0.9 * h * std::pow(kOrbitErrMax / err, 0.3);
            if (std::fabs(h / 10) > std::fabs(hNew)) {
                hNew = h / 10;
                AlerteCalcul("Pb de Pas");
            }
            e = rungeGeneral(control, hNew, y, 0, yNext, DeriveeOrbite);
            hTaken = hNew;
            label = "MoinspasOld";
        } else {
            hNew = 0.8 * h * std::pow(kOrbitErrMax / err, 0.15);
            if (std::fabs(hNew) > std::fabs(5 * h)) hNew = 5 * h;
            label = "PLUSpasOld";
        }
        stepControlLog().append(LineBreak + label + whole(h) + "pas" + whole(hNew) + "err,dR,dV" +
                                fiveDecimals(e.err) + fiveDecimals(e.errPos) +
                                fiveDecimals(e.errVel));
        if (!finiteState(yNext)) {
            // The step blew up (a step far too large for this orbit): keep the last good state.
            // The integrator has normally said so already and asked for the stop.
            if (control.StopCalcul != 1) AlerteCalcul("ControleOrbitefaute");
            result.stopped = true;
            break;
        }
        CopieEtat(yNext, y);
        report.OrbitalTime = y(time);

        // Integrated radius, speed and anomaly (counted from perigee, on the -x side).
        const double r = std::sqrt(y(1) * y(1) + y(3) * y(3));
        const double v = std::sqrt(y(2) * y(2) + y(4) * y(4));
        const double anomaly = deg(Atn2(y(1), y(3)) + Pi);

        // The Kepler values at the same time; the body was released at the apogee.
        const double tp = el.period / 2 + y(time);
        double nuK = 0;
        AnomalieVraie(el.period, el.e, tp, nuK);
        const double rK = el.p / (1 + el.e * std::cos(nuK * Pi / 180));
        const double vK = std::sqrt(2 * (mu / rK - mu / (2 * el.a)));
        if (std::fabs(EcartTemps) > 3e-6)
            stepControlLog().append(std::string(LineBreak) + "EcartTemps" + fixed6(EcartTemps));

        OrbitCheckStep s;
        s.t = y(time);
        s.dr = r - rK;
        s.dv = v - vK;
        s.dnu = angleDifference(anomaly - nuK);
        s.h = hTaken;
        s.anomaly = anomaly;
        result.steps.push_back(s);
        TraceLigne5(fixed6(s.t), s.dr, s.dv, s.dnu, s.h, s.anomaly);

        if (control.StopCalcul == 1) {
            result.stopped = true;
            break;
        }
        h = hNew;
    }
    TraceLigne4("Finales_cond_", y(1), y(2), y(3), y(4));
    result.last = y;
    return result;
}

} // namespace gyro
