// Calendar dates and Julian Days (Julian calendar up to 1582-10-04, Gregorian from 1582-10-15).
#pragma once

namespace gyro {

/// Julian Day of noon-based days: JD 2451544.5 is 2000-01-01 at 0 h.
/// JourJulien: the Julian Day jd of the date year, month (1..12), day (with the fraction of the
/// day: 1.5 is noon of the first), and jd1900 = jd - 2415384.5. Years are astronomical (year 0 is
/// 1 BC). Dates up to 1582-10-14 are read in the Julian calendar, later ones in the Gregorian
/// calendar, so the ten dates 1582-10-05 .. 1582-10-14, which neither calendar had in use, are
/// the Julian-calendar names of 1582-10-15 .. 1582-10-24. The date is then written back as
/// DateJulienne gives it for jd (normalised: 1999-02-29 comes back as 1999-03-01). A month
/// outside 1..12 or a value that is not a finite number reports "JourJulienfaute" and changes
/// nothing.
void JourJulien(double& year, double& month, double& day, double& jd, double& jd1900);

/// Calendar date of the Julian Day jd (jd >= 0): year, month 1..12, day with its fraction.
/// Julian calendar before JD 2299160.5, Gregorian from then on.
void DateJulienne(double jd, double& year, double& month, double& day);

} // namespace gyro
