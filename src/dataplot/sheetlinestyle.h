// The line types of the sheet commands ("ligne#") on the recorded view pictures.
#pragma once

namespace gyro {

class RecordedViews;

/// Gives the curve lines that follow the pen of the axes library's line type `style`: 0..9
/// solid lines of that width (at least 1), 10..16 dash patterns (12 dotted).
void SetSheetLineStyle(RecordedViews& views, double style);

} // namespace gyro
