// Julian Days: a day count from -4712-01-01 12 h, and its inverse by the classic calendar
// arithmetic (30.6001-day month steps counted from March).
#include "orbital/juliandate.h"

#include "numerics/errorreport.h"

#include <array>
#include <cmath>

namespace gyro {

namespace {

constexpr std::array<double, 12> kMonthLength{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

/// The first date of the Gregorian calendar, 1582-10-15, compared as year, month and day.
bool isGregorian(double year, double month, double day) {
    if (year != 1582) return year > 1582;
    if (month != 10) return month > 10;
    return std::floor(day) > 14;
}

} // namespace

void JourJulien(double& year, double& month, double& day, double& jd, double& jd1900) {
    if (!std::isfinite(year) || !std::isfinite(day) || !(month >= 1 && month < 13)) {
        AlerteCalcul("JourJulienfaute");
        return;
    }
    const int monthIndex = static_cast<int>(month); // 1..12
    // 365 days for every year since -4712, plus a leap day for each year divisible by four that
    // has already had its 29 February: those before the given year, and the given year itself
    // from March on (-4712 is such a year, hence the offsets).
    const double yearsSince = year + 4712;
    const double leapDays =
        monthIndex > 2 ? std::floor((yearsSince + 4) / 4) : std::floor((yearsSince + 3) / 4);
    double count = 365 * yearsSince + leapDays;
    for (int k = 1; k < monthIndex; ++k) count += kMonthLength[static_cast<std::size_t>(k - 1)];
    count += day - 1 - 0.5; // days are counted from noon
    if (isGregorian(year, month, day)) {
        // The Gregorian calendar dropped ten days in 1582 and drops the leap day of the century
        // years not divisible by 400.
        const double y = monthIndex > 2 ? year : year - 1;
        count += std::floor(y / 400) - std::floor(y / 100) + 2;
    }
    jd = count;
    jd1900 = jd - 2415384.5;
    DateJulienne(jd, year, month, day);
}

void DateJulienne(double jd, double& year, double& month, double& day) {
    const double Z = std::floor(jd + 0.5);
    const double F = jd + 0.5 - Z;
    double A = Z;
    if (!(static_cast<float>(Z) < 2299161.0f)) {
        const double a = std::floor((Z - 1867216.25) / 36524.25);
        A = Z + 1 + a - std::floor(a / 4);
    }
    const double B = A + 1524;
    const double C = std::floor((B - 122.1) / 365.25);
    const double D = std::floor(365.25 * C);
    const double E = std::floor((B - D) / 30.6001);
    day = B - D - std::floor(30.6001 * E) + F;
    month = E < 13.5 ? E - 1 : E - 13;
    year = month > 2.5 ? C - 4716 : C - 4715;
}

} // namespace gyro
