// Font choice of the axes library: Courier, Arial or Times, or the nearest family installed.
#pragma once

#include <QFont>

#include <string>

namespace gyro {

/// Selects the drawing font: `size` in points, `family` by its first letter ("C" Courier, "H"
/// Arial, "T" Times; any other keeps the current family). The first call runs ListeFontes.
void Fontes(double size, const std::string& family);
/// Scans the font list from its end to its start and keeps, per family, the lowest index whose
/// name begins with "Cour", "Arial" or "Times". A family missing from the list falls back on the
/// installed family of the same kind (monospace, sans serif, serif).
void ListeFontes();
/// The current font sized for surfaces (pixel size in surface units).
QFont kelaxesFont();

} // namespace gyro
