// Kepler's equation: M = E - e sin E, with tan(v/2) = sqrt((1 + e)/(1 - e)) tan(E/2).
#include "orbital/kepler.h"

#include "numerics/constants.h"
#include "numerics/errorreport.h"
#include "numerics/numberformat.h"

#include <cmath>

namespace gyro {

namespace {

constexpr double kTwoPi = 6.28318530717958;

double toDegrees(double radians) {
    return radians * 180 / Pi;
}

double sign(double x) {
    return x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0);
}

bool eccentricityInRange(double e) {
    if (e >= 1 || e < 0 || std::isnan(e)) {
        AlerteCalcul("OUT OF RANGE");
        return false;
    }
    return true;
}

} // namespace

void TempsPerigee(double P, double e, double v, double& t) {
    if (!eccentricityInRange(e)) return;
    if (!std::isfinite(v) || !std::isfinite(P)) {
        AlerteCalcul("TempsPerigeefaute");
        return;
    }
    const double n = std::floor(v / 360); // completed revolutions
    const double w = v - 360 * n;
    if (w == 0) {
        t = n * P;
        return;
    }
    if (w == 180) {
        t = (n + 0.5) * P;
        return;
    }
    const double wRad = w * Pi / 180;
    double E = 2 * std::atan(std::sqrt((1 - e) / (1 + e)) * std::tan(wRad / 2));
    if (E < 0) E += kTwoPi;
    const double M = E - e * std::sin(E); // mean anomaly
    t = (M / kTwoPi + n) * P;
}

void AnomalieVraie(double P, double e, double t, double& v) {
    if (!eccentricityInRange(e)) return;
    const double M = kTwoPi / P * t; // mean anomaly [rad], not reduced
    if (!std::isfinite(M)) {
        // A zero or infinite period, or a time that is not a number: nothing to solve.
        AlerteCalcul("AnomalieVraiefaute");
        return;
    }
    double tol = 1e-13; // residual of Kepler's equation [degrees]
    if (M < 0) {
        tol = 1e-7;
        AlerteCalcul("Kepler a voir");
    }
    const double n = std::floor(M / kTwoPi);
    double m = M - 2 * n * Pi;
    if (m == 0 || m == Pi) {
        // Perigee or apogee: the anomaly equals the mean anomaly.
        v = toDegrees(M);
        EcartTemps = 0;
        return;
    }
    // E - e sin E grows monotonically from 0 to pi on [0, pi]: solve there and mirror the
    // second half of the orbit onto the first.
    double s = 1;
    if (m > Pi) {
        m = kTwoPi - m;
        s = -1;
    }
    double E = Pi / 2;
    double d = Pi / 4;
    double r = 0;
    for (int k = 1;; ++k) {
        const double mc = E - e * std::sin(E);
        const double previous = r;
        r = toDegrees(m - mc);
        // Converged at this E: stop before the next half-step would move it away again.
        if (std::fabs(r) < tol) break;
        E += sign(m - mc) * d;
        d /= 2;
        if (k == 100 || (k > 1 && r == previous)) break;
    }
    m *= s;
    E *= s;
    if (std::fabs(r) > 10 * tol) AlerteCalcul("résidu d'erreurTest=" + Format9(r));
    if (std::fabs(m) > 0.001) {
        const double q = ((E - e * std::sin(E)) - m) / m;
        if (std::fabs(q) > 1000 * tol) AlerteCalcul("_Erreur Relative de MeanAno=" + Format9(q));
    }
    double nu = 2 * std::atan(std::tan(E / 2) * std::sqrt((1 + e) / (1 - e)));
    if (m < 0) nu += kTwoPi;
    v = 360 * n + toDegrees(nu);

    // Check: the time recomputed from the anomaly found.
    double t2 = t;
    TempsPerigee(P, e, v, t2);
    EcartTemps = t - t2;
    if (std::fabs(EcartTemps) > 1e6 * tol)
        AlerteCalcul("_ TTperig - Tverif " + Format9(EcartTemps));
}

} // namespace gyro
