// Vector arithmetic, norms with their warnings, and angle reductions.
#include "numerics/vecteur3.h"

#include "numerics/constants.h"
#include "numerics/errorreport.h"
#include "numerics/numberformat.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace gyro {

namespace {

// The cosines and sines of the three angles last seen by EulerI.
struct EulerCache {
    double angle[3] = {0, 0, 0};
    double cosv[3] = {0, 0, 0};
    double sinv[3] = {0, 0, 0};
    double initialised = 0;
} eulerCache;

// Converts to a 32-bit integer; false when the value does not fit (the caller reports it).
bool toInt32(double x, std::int32_t& out) {
    if (!(x >= std::numeric_limits<std::int32_t>::min() &&
          x <= std::numeric_limits<std::int32_t>::max())) {
        return false;
    }
    out = static_cast<std::int32_t>(x);
    return true;
}

} // namespace

namespace detail {

double normseuleFault() {
    AlerteCalcul("normseulefaute");
    return 0;
}

double normFault(double sum) {
    if (!std::isfinite(sum)) {
        AlerteCalcul("normfaute");
        return 0;
    }
    if (sum == 0) {
        AlerteCalcul("_normfaute norme nulle ");
        return 0;
    }
    return std::sqrt(sum); // a positive sum below the fast range
}

void normaChecked(Vecteur3& v) {
    const double n = normseule(v);
    if (n == 0 || std::isnan(n)) {
        AlerteCalcul("normafaute normalise vecteur nul = nul ");
        return;
    }
    v(1) /= n;
    v(2) /= n;
    v(3) /= n;
    if (std::fabs(norm(v) - 1) > 1e-11) AlerteCalcul("normafaute normalise anormal en normant ");
}

} // namespace detail

double rad(double d) {
    return d * Pi / 180;
}

double deg(double x) {
    if (x == 0) return 0;
    double d = x / Pi * 180;
    std::int32_t n = 0;
    if (toInt32(std::nearbyint(d / 360), n)) {
        n -= 1;
    } else {
        AlerteCalcul("degfaute" + FormatGeneral(x));
        n = 0;
    }
    d = d - static_cast<double>(n) * 360;
    std::int32_t m = 0;
    if (!toInt32(std::floor(d), m)) {
        AlerteCalcul("degfaute" + FormatGeneral(x));
        m = 0;
    }
    d = d - m + (m % 360);
    if (d < 0 || d >= 360) AlerteCalcul("DegEst < 0 Or DegEst >= 360");
    return d;
}

double PetitAngle(double a) {
    if (a >= 360 || a < 0) {
        AlerteCalcul("_PetitAngle " + FormatDeg(a));
        a = deg(rad(a));
    }
    if (a > 180) a -= 360;
    return a;
}

double Atnp(double t) {
    if (std::isnan(t)) {
        AlerteCalcul("Atnpfaute");
        return 0;
    }
    double r = std::atan(t);
    if (r < 0) r += 2 * Pi;
    return r;
}

double Atn2(double x, double y) {
    if (std::isnan(x) || std::isnan(y)) {
        AlerteCalcul("Atn2faute");
        return 0;
    }
    double r = 0;
    if (x == 0) {
        r = Pi / 2;
        if (y < 0) r = 3 * Pi / 2;
    } else {
        r = Atnp(y / x);
    }
    if (x < 0) {
        if (y <= 0)
            r += Pi;
        else
            r -= Pi;
    }
    if (r < 0) r += 2 * Pi;
    return r;
}

void RotPlan(double c, double s, double x, double y, double& xOut, double& yOut) {
    const double xr = c * x - s * y;
    const double yr = s * x + c * y;
    xOut = xr;
    yOut = yr;
}

void EulerI(const Vecteur3& in, double a1, double a2, double a3, Vecteur3& out) {
    if (!std::isfinite(a1) || !std::isfinite(a2) || !std::isfinite(a3)) {
        if (DataPlotWarning) DataPlotWarning(" erreur en EulerR");
        AlerteCalcul("EulerIfaute");
        return;
    }
    EulerCache& k = eulerCache;
    if (k.initialised == 0) {
        for (double& c : k.cosv) c = 1;
        k.initialised = 1;
    }
    const double angles[3] = {a1, a2, a3};
    for (int i = 0; i < 3; ++i) {
        if (angles[i] != k.angle[i]) {
            k.cosv[i] = std::cos(angles[i]);
            k.sinv[i] = std::sin(angles[i]);
        }
    }
    const double in1 = in(1), in2 = in(2), in3 = in(3);
    double t1 = 0, t2 = 0, t3 = 0, o1 = 0, o2 = 0, o3 = 0;
    RotPlan(k.cosv[0], k.sinv[0], in1, in2, t1, t2);
    RotPlan(k.cosv[1], k.sinv[1], t2, in3, t3, o3);
    RotPlan(k.cosv[2], k.sinv[2], t1, t3, o1, o2);
    out(1) = o1;
    out(2) = o2;
    out(3) = o3;
    for (int i = 0; i < 3; ++i) k.angle[i] = angles[i];
}

std::string MajTrim(const std::string& s) {
    std::string up;
    up.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 'a' && c <= 'z') {
            up.push_back(static_cast<char>(c - 32));
        } else if (c == 0xC3 && i + 1 < s.size()) {
            // Latin-1 letters à..þ (except ÷) encoded in UTF-8 as C3 A0..C3 BE.
            unsigned char next = static_cast<unsigned char>(s[i + 1]);
            if (next >= 0xA0 && next <= 0xBE && next != 0xB7)
                next = static_cast<unsigned char>(next - 0x20);
            up.push_back(static_cast<char>(c));
            up.push_back(static_cast<char>(next));
            ++i;
        } else {
            up.push_back(static_cast<char>(c));
        }
    }
    const auto first = up.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = up.find_last_not_of(' ');
    return up.substr(first, last - first + 1);
}

} // namespace gyro
