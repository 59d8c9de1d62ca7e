// Line types of the sheet commands, through the axes library's Lignes.
#include "dataplot/sheetlinestyle.h"

#include "dataplot/kelaxesviews.h"
#include "kelaxes/kelaxes.h"

namespace gyro {

void SetSheetLineStyle(KelaxesViews& views, double style) {
    views.flush();
    Lignes(style);
}

} // namespace gyro
