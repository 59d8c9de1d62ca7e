// Line types of the sheet commands, taken from the axes library's pens.
#include "sheetlinestyle.h"

#include "draw3d/recordedviews.h"
#include "kelaxes/kelaxes.h"

namespace gyro {

void SetSheetLineStyle(RecordedViews& views, double style) {
    views.setLinePen(lignesPen(style));
}

} // namespace gyro
