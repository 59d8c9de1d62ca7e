// Julian Days: known dates, the calendar change of 1582, and the round trip date -> JD -> date.
#include "orbital/juliandate.h"
#include "support/reportfixture.h"

#include <cmath>

namespace gyro {
namespace {

using ReportTest = test::LenientReportTest;

class JulianDate : public ReportTest {};

double jdOf(double year, double month, double day) {
    double jd = 0, jd1900 = 0;
    JourJulien(year, month, day, jd, jd1900);
    EXPECT_DOUBLE_EQ(jd1900, jd - 2415384.5);
    return jd;
}

TEST_F(JulianDate, KnownDates) {
    struct Case {
        double year, month, day, jd;
    };
    const Case cases[] = {
        {2000, 1, 1, 2451544.5},      // the J2000 day at 0 h
        {2000, 1, 1.5, 2451545.0},    // J2000.0, noon
        {-4712, 1, 1.5, 0.0},         // the origin of the count
        {1858, 11, 17, 2400000.5},    // origin of the modified Julian Day
        {1957, 10, 4.81, 2436116.31}, // Sputnik 1
        {333, 1, 27.5, 1842713.0},    // Julian calendar
        {1582, 10, 4, 2299159.5},     // last day of the Julian calendar ...
        {1582, 10, 15, 2299160.5},    // ... followed by the first Gregorian day
        {1600, 3, 1, 2305507.5},      // 1600 keeps its leap day
        {1900, 3, 1, 2415079.5},      // 1900 loses it
        {2024, 2, 29, 2460369.5},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(jdOf(c.year, c.month, c.day), c.jd, 1e-6) << c.year << "-" << c.month;
        double y = 0, m = 0, d = 0;
        DateJulienne(c.jd, y, m, d);
        EXPECT_EQ(y, c.year);
        EXPECT_EQ(m, c.month);
        EXPECT_NEAR(d, c.day, 1e-6);
    }
}

// Every day from 4000 BC to AD 3000 follows the previous one by exactly one Julian Day, and
// DateJulienne names it as JourJulien was given it (both calendars, and across 1582).
TEST_F(JulianDate, RoundTripDayByDay) {
    const double lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    double previous = jdOf(-4000, 1, 1) - 1;
    int failures = 0;
    for (int year = -4000; year <= 3000 && failures < 5; ++year) {
        const bool gregorian = year > 1582;
        const bool leap = year % 4 == 0 && (!gregorian || year % 100 != 0 || year % 400 == 0);
        for (int month = 1; month <= 12; ++month) {
            const double last = lengths[month - 1] + (month == 2 && leap ? 1 : 0);
            for (int day = 1; day <= last; ++day) {
                if (year == 1582 && month == 10 && day > 4 && day < 15) continue;
                double y = year, m = month, d = day + 0.25, jd = 0, jd1900 = 0;
                JourJulien(y, m, d, jd, jd1900);
                if (std::fabs(jd - 0.25 - previous - 1) > 1e-6 || y != year || m != month ||
                    std::fabs(d - day - 0.25) > 1e-6) {
                    ADD_FAILURE() << year << "-" << month << "-" << day << " gives " << jd
                                  << " back as " << y << "-" << m << "-" << d;
                    ++failures;
                }
                previous = jd - 0.25;
            }
        }
    }
    EXPECT_EQ(logCount("faute"), 0);
}

TEST_F(JulianDate, MissingDaysOf1582AreReadInTheJulianCalendar) {
    double y = 1582, m = 10, d = 5, jd = 0, jd1900 = 0;
    JourJulien(y, m, d, jd, jd1900);
    EXPECT_EQ(jd, 2299160.5);
    EXPECT_EQ(y, 1582);
    EXPECT_EQ(m, 10);
    EXPECT_EQ(d, 15);
}

TEST_F(JulianDate, ImpossibleDatesAreNormalisedOrRefused) {
    double y = 1999, m = 2, d = 29, jd = 0, jd1900 = 0;
    JourJulien(y, m, d, jd, jd1900);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(d, 1);

    for (double month : {0.0, 13.0, std::nan("")}) {
        double yy = 2000, mm = month, dd = 1, j = 7, j1900 = 7;
        JourJulien(yy, mm, dd, j, j1900);
        EXPECT_EQ(j, 7);
        EXPECT_EQ(yy, 2000);
    }
    EXPECT_EQ(logCount("JourJulienfaute"), 3);
}

} // namespace
} // namespace gyro
