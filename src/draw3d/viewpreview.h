// The orientation preview of the options window: the three axes and their letters seen in
// perspective from the chosen viewing direction.
#pragma once

#include "scene/viewstate.h"

class QPainter;

namespace gyro {

/// Eye distance and focal length of the preview (world units of the preview).
inline constexpr double kPreviewEyeDistance = 110;
inline constexpr double kPreviewFocalLength = 400;

/// Draws the segment between the perspective images of a and b with the painter's current pen,
/// in the painter's user scale. Nothing is drawn when either end lies at or behind the eye.
void PreviewLine(const ViewState& view, QPainter& painter, const Vecteur3& a, const Vecteur3& b);

/// Draws the orientation preview for the angles [deg]: the X, Y and Z axes 30 units long in
/// orange (200, 100, 0) with their letters, seen from D = 110 with f = 400, then sets the pen
/// back to black. The letters X and Y lie flat in the XY plane and are left out when the view is
/// within 20 (X) or 15 (Y) degrees of that plane, where they would be seen edge-on.
void DrawViewPreview(ViewState& view, QPainter& painter, double ascensionDeg,
                     double declinationDeg);

} // namespace gyro
