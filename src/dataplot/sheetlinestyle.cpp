// Line types of the sheet commands, through the axes library's Lignes.
#include "sheetlinestyle.h"

#include "kelaxes/kelaxes.h"
#include "kelaxesviews.h"

namespace gyro {

void SetSheetLineStyle(KelaxesViews& views, double style) {
    views.flush();
    Lignes(style);
}

} // namespace gyro
