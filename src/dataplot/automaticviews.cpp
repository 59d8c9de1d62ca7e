// The four automatic views on one picture, for the window, a PNG or a PDF.
#include "automaticviews.h"

#include "draw3d/recordedviews.h"
#include "sheetdrawing.h"

#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>

namespace gyro {

namespace {

bool Failed(QString* error, const QString& why) {
    if (error) *error = why;
    return false;
}

// Scales the painter so that the four views fill a square of `side` device units.
void Fit(QPainter& painter, double side) {
    const double scale = side / AutomaticViewsSide();
    painter.scale(scale, scale);
}

} // namespace

double AutomaticViewsSide() {
    return 2 * RecordedViews::kPictureSize;
}

void ReplayAutomaticViews(RecordedViews& views, QPainter& painter) {
    for (int view = 0; view < 4; ++view) {
        const AutomaticView& place = kAutomaticViews[view];
        painter.save();
        painter.translate(place.column * RecordedViews::kPictureSize,
                          place.row * RecordedViews::kPictureSize);
        painter.setClipRect(QRectF(0, 0, RecordedViews::kPictureSize, RecordedViews::kPictureSize));
        views.replay(view, painter);
        painter.restore();
    }
}

bool ExportAutomaticViewsPng(RecordedViews& views, const QString& file, int pixels,
                             QString* error) {
    QImage image(pixels, pixels, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        Fit(painter, pixels);
        ReplayAutomaticViews(views, painter);
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return Failed(error, out.errorString());
    if (!image.save(&out, "PNG")) {
        out.cancelWriting();
        return Failed(error, QStringLiteral("the image could not be written"));
    }
    return out.commit() || Failed(error, out.errorString());
}

bool ExportAutomaticViewsPdf(RecordedViews& views, const QString& file, QString* error) {
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return Failed(error, out.errorString());
    {
        QPdfWriter pdf(&out);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setResolution(300);
        pdf.setTitle(QStringLiteral("Graphes Trois D"));
        QPainter painter(&pdf);
        if (!painter.isActive()) {
            out.cancelWriting();
            return Failed(error, QStringLiteral("the PDF could not be started"));
        }
        Fit(painter, std::min(pdf.width(), pdf.height()));
        ReplayAutomaticViews(views, painter);
    }
    return out.commit() || Failed(error, out.errorString());
}

} // namespace gyro
