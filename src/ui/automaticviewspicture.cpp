// The four automatic views on screen and on the printer.
#include "automaticviewspicture.h"

#include "dataplot/automaticviews.h"
#include "draw3d/recordedviews.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

namespace gyro {

AutomaticViewsPicture::AutomaticViewsPicture(RecordedViews& views, QWidget* parent)
    : QWidget(parent), m_views(views) {
    setObjectName("imgAutomatiques");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 200);
}

void AutomaticViewsPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height());
    painter.translate((width() - side) / 2, (height() - side) / 2);
    painter.scale(side / AutomaticViewsSide(), side / AutomaticViewsSide());
    ReplayAutomaticViews(m_views, painter);
}

bool printAutomaticViews(RecordedViews& views, QWidget* parent) {
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        const QString file = QFileDialog::getSaveFileName(
            parent, "Aucune imprimante : enregistrer en PDF", "graphes3d.pdf", "PDF (*.pdf)");
        if (file.isEmpty()) return false;
        QString error;
        if (ExportAutomaticViewsPdf(views, file, &error)) return true;
        QMessageBox::warning(parent, "Graphes Trois D", error);
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    QPainter painter(&printer);
    if (!painter.isActive()) return false;
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const double side = std::min(page.width(), page.height());
    painter.scale(side / AutomaticViewsSide(), side / AutomaticViewsSide());
    ReplayAutomaticViews(views, painter);
    return true;
}

} // namespace gyro
