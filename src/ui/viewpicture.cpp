// The 3D graph window's pictures and their printing.
#include "viewpicture.h"

#include "draw3d/recordedviews.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

namespace gyro {

ViewPicture::ViewPicture(RecordedViews& views, int view, QWidget* parent)
    : QWidget(parent), m_views(views), m_view(view) {
    setObjectName(QString("img_%1").arg(view));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 200);
}

void ViewPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height());
    painter.translate((width() - side) / 2, (height() - side) / 2);
    fitPicture(painter, *this, side);
    m_views.replay(m_view, painter);
}

bool printView(RecordedViews& views, int view, QWidget* parent) {
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        const QString file = QFileDialog::getSaveFileName(
            parent, "Aucune imprimante : enregistrer en PDF", "graphe3d.pdf", "PDF (*.pdf)");
        if (file.isEmpty()) return false;
        QString error;
        if (exportViewPdf(views, view, file, &error)) return true;
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
    fitPicture(painter, printer, side);
    views.replay(view, painter);
    return true;
}

} // namespace gyro
