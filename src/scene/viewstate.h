// The viewing frame of the projective pictures: view angles, their cached trigonometry, the
// frame vectors u, v, d, the perspective projection of the preview, axis captions and the scale
// caption.
#pragma once

#include "numerics/vecteur3.h"

#include <string>

namespace gyro {

/// Sines, cosines and products of the two view angles α (right ascension) and δ (declination).
struct ViewTrig {
    double sinA = 0, sinD = 0, cosA = 1, cosD = 1;
    double cosAsinD = 0, sinDsinA = 0, cosDcosA = 1, cosDsinA = 0;
};

/// The view state of the projective pictures.
struct ViewState {
    double ascensionDeg = 30;   ///< right ascension [deg], from the X axis in the XY plane
    double declinationDeg = 30; ///< declination [deg], elevation towards +Z
    double ascensionRad = 0;    ///< the same in radians (0 until a frame or preview is made)
    double declinationRad = 0;  ///< the same in radians
    ViewTrig trig;
    double eyeDistance = 0; ///< D: distance of the eye from the origin along d (preview: 110)
    double focalLength = 0; ///< f: scale of the perspective divide (preview: 400)
    Vecteur3 u{0, 1, 0};    ///< screen-right
    Vecteur3 v{0, 0, 1};    ///< screen-up
    Vecteur3 d{1, 0, 0};    ///< from the origin towards the viewer
    double axisAligned = 0; ///< 1 when the angles give axis captions, else 0
};

/// Fills the cached trigonometry of α and δ [rad].
void ComputeViewTrig(ViewState& view, double alphaRad, double deltaRad);

/// Stores both angles [deg] in radians and rebuilds u, v, d by the three-angle rotation
/// Rz(α) Rx(π/2) Rz(δ): d = R (1,0,0), u = R (0,0,-1), v = d × u. A frame whose lengths are off
/// by more than 1e-10 in all is told in the data-plot window's warning box and reported
/// ("Abs(verif) > .0000000001"); angles that are not finite are reported as "RepereProjectif "
/// and leave the frame as it was.
void RepereProjectif(ViewState& view, double ascensionDeg, double declinationDeg);

/// Perspective image of P seen from the eye at distance D along d with focal length f, in a
/// picture whose vertical coordinate grows downwards: X = f a / w, Y = -f b / w with a = P·u,
/// b = P·v, w = D - P·d, all through the cached trigonometry. Returns false (and leaves X, Y)
/// when P lies at or behind the eye (w not positive) or the image is not finite.
bool PerspectiveImage(const ViewState& view, const Vecteur3& p, double& x, double& y);

/// Captions of the picture's axes when the view looks straight along a coordinate axis:
/// " X_proj. ", " Y_proj. ", " Z_proj. " (empty otherwise). axisAligned is 1 with captions.
/// Both angles are rounded to whole degrees (halves to even) after adding 3600.
void ProjAxisLabels(double ascensionDeg, double declinationDeg, std::string& horizontal,
                    std::string& vertical, double& axisAligned);

/// The scale caption of a view of scale s (image units per world unit): "ech: 1 / " and 1/s for
/// 0 < s < 1, "ech: " s "/ 1" for s >= 1, nothing for s <= 0 or s not a number.
std::string ScaleCaption(double s);

} // namespace gyro
