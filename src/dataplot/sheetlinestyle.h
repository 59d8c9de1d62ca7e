// The line types of the sheet commands ("ligne#") on the axes library's view pictures.
#pragma once

namespace gyro {

class KelaxesViews;

/// Draws what is gathered in the old line type, then gives the current view the pen of the
/// axes library's line type `style`: 0..9 solid lines of that width (at least 1), 10..16 dash
/// patterns (12 dotted).
void SetSheetLineStyle(KelaxesViews& views, double style);

} // namespace gyro
