// The four automatic views composed on one picture.
#include "dataplot/automaticviews.h"

#include "dataplot/sheetdrawing.h"
#include "kelaxes/kelaxesstate.h"

namespace gyro {

void ComposeAutomaticViews(KelaxesLibrary& library, DrawingSurface& out) {
    const QSizeF cell = library.view(0).size();
    out.clear();
    out.resetScale();
    out.setSize(QSizeF(2 * cell.width(), 2 * cell.height()));
    QPainter& painter = out.painter();
    for (int view = 0; view < 4; ++view) {
        const AutomaticView& place = kAutomaticViews[view];
        library.view(view).replay(
            painter, QRectF(QPointF(place.column * cell.width(), place.row * cell.height()), cell));
    }
    out.flush();
}

} // namespace gyro
